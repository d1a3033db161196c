#include "controls/control.h"

#include <cmath>

#include "controls/window.h"

namespace xr {

namespace {
// The largest font size a control accepts, in points.
constexpr float kMaxFontSize = 2160.0f;
const std::string kNoText;
}  // namespace

Control::Control(Window& owner, Kind kind, std::string name)
    : owner_(owner), kind_(kind), name_(std::move(name)) {}

void Control::Changed(Prop p) { owner_.Notify(*this, p); }

const std::string& Control::Text() const { return kNoText; }

void TextControl::SetCaption(std::string value) {
  caption_ = std::move(value);
  Changed(Prop::Caption);
}

void TextControl::SetForeColor(Color value) {
  foreColor_ = value;
  Changed(Prop::ForeColor);
}

void Label::SetBackColor(Color value) {
  backColor_ = value;
  Changed(Prop::BackColor);
}

void Control::SetVisible(bool value) {
  visible_ = value;
  Changed(Prop::Visible);
}

void Control::SetGeometry(float& field, float value, Prop p, bool isExtent) {
  if (!std::isfinite(value) || (isExtent && value < 0)) {
    throw PropertyError("invalid geometry for " + name_);
  }
  field = value;
  Changed(p);
}

void Control::SetLeft(float value) { SetGeometry(left_, value, Prop::Left, false); }
void Control::SetTop(float value) { SetGeometry(top_, value, Prop::Top, false); }
void Control::SetWidth(float value) { SetGeometry(width_, value, Prop::Width, true); }
void Control::SetHeight(float value) { SetGeometry(height_, value, Prop::Height, true); }

void Control::Move(float left, float top, float width, float height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

void TextControl::SetFontSize(float value) {
  if (!std::isfinite(value) || value <= 0 || value > kMaxFontSize) {
    throw PropertyError("invalid font size for " + Name());
  }
  fontSize_ = value;
  Changed(Prop::FontSize);
}

Role Control::AccessibleRole() const {
  if (access.role != Role::Automatic) return access.role;
  switch (kind_) {
    case Kind::Button:
      return Role::Button;
    case Kind::Picture:
      return Role::Image;
    case Kind::Label:
      break;
  }
  return Role::Text;
}

std::string Control::AccessibleName() const {
  if (access.liveName) return access.liveName();
  return access.name.empty() ? Text() : access.name;
}

void Control::Announce(Prop what) {
  if (what != Prop::AccessibleName && what != Prop::Checked) {
    throw PropertyError("only a name or a checked state is announced");
  }
  Changed(what);
}

void Control::TakeFocus() {
  if (tabIndex < 0 || !Visible()) throw PropertyError("the control cannot take the focus");
  Changed(Prop::Focus);
}

}  // namespace xr
