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

enum class Kind : std::uint8_t { Label, CommandButton, Timer, MediaPlayer, Picture };

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
  Interval,
  Enabled,
  Url,
  // Not properties of their own: a screen reader is to be told, now, that the control's
  // accessible name or checked state has changed (Control::Announce).
  AccessibleName,
  Checked,
  // Not a property either: the control is to take the keyboard focus now (Control::TakeFocus).
  Focus,
};

enum class Align : std::uint8_t { Left, Center };

// Raised by a property access that the control refuses: a value out of range, or a property
// the kind of control does not have. Skip-on-failure stretches swallow it per statement.
struct PropertyError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What a control looks like at design time beyond its run-time properties. Written once when
// the window is built; the platform reads it to create the real widget.
struct Design {
  std::string fontName = "宋体";
  bool bold = false;
  Align align = Align::Center;
  bool transparent = false;
  bool wordWrap = false;
  int tabIndex = -1;    // -1: never takes the focus
  std::string picture;  // resource name of a picture control's image
};

// What a screen reader is told a control is. Automatic follows the kind: a label is text, a
// command button a button, a picture an image; timers and the player are never shown.
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

class Control {
 public:
  Control(Window& owner, Kind kind, std::string name);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Kind kind() const { return kind_; }
  Window& window() const { return owner_; }
  bool HasGeometry() const { return kind_ != Kind::Timer; }
  bool HasFont() const { return kind_ == Kind::Label || kind_ == Kind::CommandButton; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);

  Color ForeColor() const { return foreColor_; }
  void SetForeColor(Color value);
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color value);

  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void SetLeft(float value);
  void SetTop(float value);
  void SetWidth(float value);
  void SetHeight(float value);
  // Places the control in one call: left, top, width and height in twips.
  void Move(float left, float top, float width, float height);

  float FontSize() const;
  void SetFontSize(float value);

  int Interval() const { return interval_; }
  void SetInterval(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  const std::string& Url() const { return url_; }
  void SetUrl(std::string value);

  // What a screen reader reads: the role (never Automatic), the name and the checked state.
  Role AccessibleRole() const;
  std::string AccessibleName() const;
  bool Checked() const { return access.checked && access.checked(); }
  // Tells a screen reader that the accessible name or the checked state has changed; it speaks
  // the change. Writes alone are never spoken: the form decides what is worth telling.
  void Announce(Prop what);
  // Puts the keyboard focus on the control, where the platform's own rules put it somewhere
  // else or nowhere; a control that is hidden or never takes the focus is refused.
  void TakeFocus();

  Design design;
  Accessibility access;
  std::function<void()> onClick;
  std::function<void()> onTimer;

 private:
  void Changed(Prop p);
  void RequireGeometry() const;
  void SetGeometry(float& field, float value, Prop p, bool isExtent);

  Window& owner_;
  Kind kind_;
  std::string name_;
  std::string caption_;
  Color foreColor_ = kButtonTextColor;
  Color backColor_ = kButtonFaceColor;
  bool visible_ = true;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  float fontSize_ = 9;
  int interval_ = 0;
  bool enabled_ = true;
  std::string url_;
};

}  // namespace xr
