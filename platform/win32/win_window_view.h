// The real window of one model window: a top-level window that draws its labels itself, with a
// BUTTON or STATIC child window for each button and picture, and a window timer per model timer.
// What the core asks for arrives here and becomes Win32 calls; the window's messages leave here as
// reports to the core's WindowHost. The core works in logical pixels of 96 dpi; everything here
// converts at the window's real DPI.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "controls/window.h"
#include "controls/window_host.h"
#include "platform/win32/win_api.h"

namespace xr::win32 {

class WinPlatform;

class WinWindowView final {
 public:
  WinWindowView(WinPlatform& platform, Window& window, WindowHost& host);
  ~WinWindowView();
  WinWindowView(const WinWindowView&) = delete;
  WinWindowView& operator=(const WinWindowView&) = delete;

  // What NativeWindow asks for.
  void ShowCentred();
  void Centre();
  void Activate();
  void ControlChanged(Control& control, Prop prop);
  void ArmTimer(Timer& timer, std::int64_t deadlineUs);
  void CancelTimer(Timer& timer);
  // Stops reporting and closes the real window; the object itself may still be on the stack
  // of one of its own messages, so it is deleted later.
  void Retire();
  HWND Hwnd() const { return hwnd_; }
  // A key went down (or repeats), or went up, in the window; returns whether it was used up,
  // by the core or, for a plain key (no Ctrl or Alt), by moving or pressing the keyboard's
  // control: Tab and Shift+Tab, Space and Enter.
  bool Key(std::uint32_t virtualKey, bool down, bool plain, bool repeat);
  // The control the keyboard is on, a button's window or a drawn label; null while the window
  // does not have the keyboard or the control is hidden.
  const Control* KeyboardOn() const;

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // The view of a form's window; null once it is retired.
  static WinWindowView* Of(HWND form);
  // The control a child window of a form shows; null once either is gone.
  static Control* ControlOf(HWND child);

  // What a screen reader finds in the form: its controls from the top of the stack down, less
  // those folded into another's element. A drawn label is known to readers by its place here.
  std::vector<Control*> ReaderChildren() const;
  // The control's own window; null for a label, which the form draws.
  HWND ChildWindow(const Control& control) const;
  // Where the control is, in the form's client pixels.
  RECT Place(const Control& control) const;
  int IdOf(const Control& control) const;
  Control* ControlById(int id) const;

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Build();
  int Px(float twips) const;
  void ApplyGeometry(Control& control, HWND child);
  void ApplyFont(Control& control, HWND child);
  void ApplyAllGeometry();
  HFONT FontFor(const TextControl& control);
  HBRUSH SolidBrush(COLORREF color);
  void RebuildBackground();
  void SetIcons();
  void TimerFired(UINT_PTR id);
  void Clicked(int id);
  void Paint();
  void DrawLabel(HDC dc, const Label& label);
  void Redraw(const Control& control);
  Control* LabelAt(POINT p) const;
  void Focus(Control& control);
  void FocusMoved(Control* control);
  void MoveFocus(int step);
  void TellFocus();
  int MarkWidth() const;
  RECT MarkRect(const Control& control) const;
  void InvalidateMark();
  void ClientResized(bool minimised);
  void FrameMoved();
  UINT_PTR TimerId(const Timer& timer) const;

  WinPlatform& platform_;
  WindowHost& host_;
  Window* window_;  // null once the view is retired
  HWND hwnd_ = nullptr;
  double scale_ = 1.0;
  bool shown_ = false;
  Control* focused_ = nullptr;               // the control that last had the keyboard focus
  std::map<const Control*, HWND> children_;  // buttons and pictures; labels have none
  std::vector<Control*> stacked_;            // every control, the topmost first
  // What each label shows: the core sets some properties again unchanged (the idle watch hides
  // the hidden controls every second), which must not paint the window again.
  struct Shown {
    std::string caption;
    Color fore = 0;
    Color back = 0;
    float fontSize = 0;
    bool visible = false;
    bool operator==(const Shown&) const = default;
    static Shown Of(const Label& label);
  };
  std::map<const Control*, Shown> labelsShown_;
  std::map<std::tuple<std::string, int, bool>, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
  HBITMAP picture_ = nullptr;                 // the window's background picture, if any
  HBRUSH background_ = nullptr;               // back colour with the picture at the top-left
  std::map<const Control*, HBITMAP> images_;  // picture controls
};

// 0x00BBGGRR, or a system colour.
COLORREF ResolveColor(Color color);

// A JPEG or other picture from the program's resources, by its resource name; null if missing
// or while no PictureDecoder lives.
HBITMAP LoadPictureResource(HINSTANCE instance, const std::string& name);

// The picture decoder, for as long as the object lives.
class PictureDecoder {
 public:
  PictureDecoder();
  ~PictureDecoder();
  PictureDecoder(const PictureDecoder&) = delete;
  PictureDecoder& operator=(const PictureDecoder&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace xr::win32
