// The real window of one model window: a top-level window with a STATIC or BUTTON child per
// visible control, and a window timer per model timer. Property writes arrive here and become
// Win32 calls; the window's messages leave here as events delivered to the model. The core
// works in logical pixels of 96 dpi; everything here converts at the window's real DPI.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "controls/timer_schedule.h"
#include "controls/window.h"
#include "platform/win32/win_api.h"

namespace xr::win32 {

class WinPlatform;

class WinWindowView final : public WindowView {
 public:
  WinWindowView(WinPlatform& platform, Window& window);
  ~WinWindowView() override;

  void PropertyChanged(Control& control, Prop prop) override;
  void WindowDestroyed() override;
  void ReportFailure(std::string_view line) override;

  // Shows the window centred on its screen, the focus on the first control in tab order, and
  // delivers the Resize of its first showing.
  void ShowCentred();
  void Activate();
  // Detaches from the model and closes the real window; the object itself may still be on the
  // stack of one of its own messages, so it is deleted later.
  void Retire();
  HWND Hwnd() const { return hwnd_; }

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  struct TimerDriver {
    UINT_PTR id;
    TimerSchedule schedule;
  };

  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Build();
  int Px(float twips) const;
  void ApplyGeometry(Control& control, HWND child);
  void ApplyFont(Control& control, HWND child);
  void ApplyAllGeometry();
  HFONT FontFor(const Control& control);
  HBRUSH SolidBrush(COLORREF color);
  void RebuildBackground();
  void TimerChanged(Control& control, Prop prop);
  void Rearm(TimerDriver& driver);
  void TimerFired(UINT_PTR id);
  void Clicked(int id);
  void ClientResized();
  void FrameMoved();
  Control* ControlById(int id) const;

  WinPlatform& platform_;
  Window* window_;  // null once the model window is gone or the view is retired
  HWND hwnd_ = nullptr;
  double scale_ = 1.0;
  bool shown_ = false;
  bool minimised_ = false;
  std::map<const Control*, HWND> children_;
  std::map<const Control*, std::unique_ptr<TimerDriver>> timers_;
  std::map<std::tuple<std::string, int, bool>, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
  HBITMAP picture_ = nullptr;                 // the window's background picture, if any
  HBRUSH background_ = nullptr;               // back colour with the picture at the top-left
  std::map<const Control*, HBITMAP> images_;  // picture controls
};

// Monotonic microseconds, the clock every timer deadline is measured on.
std::int64_t MonotonicUs();

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
