// The retained model of windows and controls. The controls are the data: handlers read and write
// their properties, and whatever platform is underneath renders each write.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xr {

// 0x00BBGGRR, or with the high bit set a system colour whose index is the low byte.
using Color = std::uint32_t;

constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color kButtonTextColor = 0x80000012u;  // system colour 18
constexpr Color kWindowBackColor = 0x80000005u;  // system colour 5
constexpr Color kButtonFaceColor = 0x8000000Bu;  // never drawn: only on transparent labels
constexpr Color kWhite = 16777215u;
constexpr Color kBlack = 0u;
constexpr Color kRed = 255u;

constexpr bool IsSystemColor(Color c) { return (c & kSystemColorFlag) != 0; }

// What a control is, for a platform that builds one real widget per kind. Timers are not
// controls: they have no place in the window (timer.h).
enum class Kind : std::uint8_t { Label, Button, Picture };

// A write to a control that a platform renders.
enum class Prop : std::uint8_t {
  Caption,
  ForeColor,
  BackColor,
  Visible,
  Left,
  Top,
  Width,
  Height,
  FontSize,
  // Not properties of their own: a screen reader is to be told, now, that the control's
  // accessible name or checked state has changed (Control::Announce).
  AccessibleName,
  Checked,
  // Not a property either: the control is to take the keyboard focus now (Control::TakeFocus).
  Focus,
};

enum class Align : std::uint8_t { Left, Center };

// Raised by a property write that the control refuses: a value out of range. Skip-on-failure
// stretches swallow it per statement.
struct PropertyError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What a screen reader is told a control is. Automatic follows the kind: a label is text, a
// button a button, a picture an image.
enum class Role : std::uint8_t { Automatic, Text, Button, RadioButton, Image, Clock };

class Control;

// What a screen reader reads of a control, beside what a sighted user sees; set by the form that
// builds the control, never by changing a caption. A name or state that depends on other controls
// is a function read whenever it is asked for, so that it never goes stale.
struct Accessibility {
  Role role = Role::Automatic;
  std::string name;                       // empty: the caption
  std::function<std::string()> liveName;  // when set, the name
  std::string description;
  std::function<bool()> checked;  // a radio button's selected state
  // The control is part of that control's element and is not shown on its own.
  const Control* partOf = nullptr;
};

class Window;

// Anything with a place in its window: it can be shown, hidden, moved, clicked and read by a
// screen reader. What a kind adds is in the kind's own class, so that a property a kind lacks is
// not there to be misused.
class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  Kind kind() const { return kind_; }
  Window& window() const { return owner_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetLeft(float value);
  void SetTop(float value);
  void SetWidth(float value);
  void SetHeight(float value);
  // Places the control in one call: left, top, width and height in twips.
  void Move(float left, float top, float width, float height);

  // What a screen reader reads: the role (never Automatic), the name and the checked state.
  Role AccessibleRole() const;
  std::string AccessibleName() const;
  bool Checked() const { return access.checked && access.checked(); }
  // Tells a screen reader that the accessible name or the checked state has changed; it speaks
  // the change. Writes alone are never spoken: the form decides what is worth telling.
  void Announce(Prop what);

  // Puts the keyboard focus on the control, where the platform's own rules put it somewhere else
  // or nowhere; a control that is hidden or never takes the focus is refused.
  void TakeFocus();

  Accessibility access;
  std::function<void()> onClick;
  // Design time: the place in the keyboard's order (Window::TabOrder); -1 never takes the focus.
  // Space and Enter press the focused control as a click would.
  int tabIndex = -1;

 protected:
  Control(Window& owner, Kind kind, std::string name);
  void Changed(Prop p);
  // The name a screen reader falls back on: the caption of a control that has one.
  virtual const std::string& Text() const;

 private:
  void SetGeometry(float& field, float value, Prop p, bool isExtent);

  Window& owner_;
  Kind kind_;
  std::string name_;
  bool visible_ = true;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

// A control that shows a caption in a font of its own.
class TextControl : public Control {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);
  Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color value);
  float FontSize() const { return fontSize_; }
  // A font of no size (a minimised window) is refused; the control keeps its last size.
  void SetFontSize(float value);

  // Design time: read once when the real control is built.
  std::string fontName = "宋体";
  bool bold = false;

 protected:
  using Control::Control;
  const std::string& Text() const override { return caption_; }

 private:
  std::string caption_;
  Color foreColor_ = kButtonTextColor;
  float fontSize_ = 9;
};

class Label final : public TextControl {
 public:
  Label(Window& owner, std::string name) : TextControl(owner, Kind::Label, std::move(name)) {}
  // Drawn only where the label is not transparent.
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color value);

  // Design time.
  Align align = Align::Center;
  bool transparent = false;
  bool wordWrap = false;

 private:
  Color backColor_ = kButtonFaceColor;
};

class Button final : public TextControl {
 public:
  Button(Window& owner, std::string name) : TextControl(owner, Kind::Button, std::move(name)) {}
};

class Picture final : public Control {
 public:
  Picture(Window& owner, std::string name) : Control(owner, Kind::Picture, std::move(name)) {}
  // Design time: the resource name of the image, drawn scaled to the control.
  std::string resource;
};

}  // namespace xr
