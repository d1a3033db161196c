#include "controls/control.h"

#include <cmath>

#include "controls/window.h"

namespace xr {

namespace {
// The largest font size a control accepts, in points.
constexpr float kMaxFontSize = 2160.0f;
// Timer intervals are unsigned 16-bit milliseconds.
constexpr int kMaxInterval = 65535;
}  // namespace

Control::Control(Window& owner, Kind kind, std::string name)
    : owner_(owner), kind_(kind), name_(std::move(name)) {}

void Control::Changed(Prop p) { owner_.Notify(*this, p); }

void Control::SetCaption(std::string value) {
  caption_ = std::move(value);
  Changed(Prop::Caption);
}

void Control::SetForeColor(Color value) {
  foreColor_ = value;
  Changed(Prop::ForeColor);
}

void Control::SetBackColor(Color value) {
  backColor_ = value;
  Changed(Prop::BackColor);
}

void Control::SetVisible(bool value) {
  visible_ = value;
  Changed(Prop::Visible);
}

void Control::RequireGeometry() const {
  if (!HasGeometry()) throw PropertyError(name_ + " has no geometry");
}

float Control::Left() const { return RequireGeometry(), left_; }
float Control::Top() const { return RequireGeometry(), top_; }
float Control::Width() const { return RequireGeometry(), width_; }
float Control::Height() const { return RequireGeometry(), height_; }

void Control::SetGeometry(float& field, float value, Prop p, bool isExtent) {
  RequireGeometry();
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

float Control::FontSize() const {
  if (!HasFont()) throw PropertyError(name_ + " has no font");
  return fontSize_;
}

void Control::SetFontSize(float value) {
  if (!HasFont()) throw PropertyError(name_ + " has no font");
  // A font of no size (a minimised window) is refused; the control keeps its last size.
  if (!std::isfinite(value) || value <= 0 || value > kMaxFontSize) {
    throw PropertyError("invalid font size for " + name_);
  }
  fontSize_ = value;
  Changed(Prop::FontSize);
}

void Control::SetInterval(int value) {
  if (kind_ != Kind::Timer) throw PropertyError(name_ + " is not a timer");
  if (value < 0 || value > kMaxInterval) throw PropertyError("invalid interval for " + name_);
  interval_ = value;
  Changed(Prop::Interval);
}

void Control::SetEnabled(bool value) {
  enabled_ = value;
  Changed(Prop::Enabled);
}

void Control::SetUrl(std::string value) {
  if (kind_ != Kind::MediaPlayer) throw PropertyError(name_ + " is not a media player");
  url_ = std::move(value);
  Changed(Prop::Url);
}

Role Control::AccessibleRole() const {
  if (access.role != Role::Automatic) return access.role;
  switch (kind_) {
    case Kind::CommandButton:
      return Role::Button;
    case Kind::Picture:
      return Role::Image;
    default:
      return Role::Text;
  }
}

std::string Control::AccessibleName() const {
  if (access.liveName) return access.liveName();
  return access.name.empty() ? caption_ : access.name;
}

void Control::Announce(Prop what) {
  if (what != Prop::AccessibleName && what != Prop::Checked) {
    throw PropertyError("only a name or a checked state is announced");
  }
  Changed(what);
}

void Control::TakeFocus() {
  if (design.tabIndex < 0 || !visible_) throw PropertyError("the control cannot take the focus");
  Changed(Prop::Focus);
}

}  // namespace xr
