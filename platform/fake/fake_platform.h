// The simplest platform, for tests: virtual time, recorded outputs, and a pointer, clock,
// resources and cue place that the test sets as it likes. It decides nothing about
// windows: each input goes straight to the core's WindowHost.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/platform.h"
#include "controls/timer_schedule.h"
#include "controls/window.h"

namespace xr::fake {

class FakePlatform final : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // Moves virtual time on, firing every timer that falls due in deadline order (ties in the
  // order the timers were created) and setting the clock accordingly. A timer whose
  // deadline has already gone by (Stall) fires once, at once.
  void Advance(std::int64_t ms);
  // The event loop is held up: time moves on and no timer fires until the next Advance.
  void Stall(std::int64_t ms) { nowUs_ += ms * 1000; }
  std::int64_t NowMs() const { return nowUs_ / 1000; }

  // What a user does to a real window.
  bool Click(Control& control);
  // A key goes down in the window, or goes up; returns whether the window used it up.
  bool Key(Window& window, std::uint32_t key = ' ');
  bool KeyUp(Window& window, std::uint32_t key = ' ');
  // A tap or a press of a pointer button in the window.
  void Press(Window& window);
  // The window loses the keyboard to another and gets it back.
  void LoseKeyboard(Window& window);
  void Close(Window& window);
  // Resizes the client area (pixels).
  void ResizeClient(Window& window, int widthPx, int heightPx);
  // What a window manager does: frames a window that was shown unframed (lateFrame), keeping
  // its client area where it is or moving it by dx, dy; moves a window's frame to a place of
  // its choosing.
  void FrameArrives(Window& window, int dx = 0, int dy = 0);
  void MoveFrame(Window& window, int leftPx, int topPx);

  // A test's own host for the windows it shows straight on the fake; a test that puts another
  // platform in front of the fake gives that one a host of its own.
  WindowHost& Host() { return host_; }
  void ShowWindow(Window& window) { host_.Show(window); }
  void UnloadWindow(Window& window) { host_.Unload(window); }

  // --- Platform ---
  std::unique_ptr<NativeWindow> BuildWindow(Window& window, WindowHost& host) override;
  void Quit() override;
  std::int64_t MonotonicUs() override { return nowUs_; }
  void ReportFailure(std::string_view line) override { failureReports.emplace_back(line); }
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  int ShowCursor(bool show) override;
  double SecondsSinceMidnight() override;
  void MessageBox(std::string_view text, std::string_view caption) override;
  void OpenUrl(std::string_view url) override;
  void PlaySoundFile(std::string_view path) override;
  void PrepareSound() override { ++soundPreparations; }
  void HoldScreen(bool held) override {
    screenHeld = held;
    calls.push_back(held ? "HoldScreen" : "ReleaseScreen");
  }
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override;
  std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes) override;

  // --- What the test sets ---
  std::int32_t pointerX = 0;
  std::int32_t pointerY = 0;
  bool cursorPosFails = false;
  bool pointerFixed = false;       // SetCursorPos moves nothing and says so, as a page's does
  double clockBase = 12 * 3600.0;  // seconds since midnight at virtual time 0
  std::map<std::string, std::vector<std::uint8_t>> resources;  // key "TYPE/id"
  std::optional<std::string> cuePlace;     // KeepCueFile's answer; none: no place took the cue
  std::function<void()> duringMessageBox;  // runs while the modal box is up
  int screenWidthPx = 1920;
  int screenHeightPx = 1080;
  bool lateFrame = false;  // windows show without their frame until FrameArrives

  // --- What the test reads ---
  int displayCount = 0;
  int showCursorCalls = 0;
  bool ended = false;
  std::vector<std::string> calls;
  std::vector<std::string> messages;
  std::vector<std::string> openedUrls;
  std::vector<std::string> playedSounds;
  int soundPreparations = 0;
  bool screenHeld = false;
  std::vector<std::vector<std::uint8_t>> keptCues;  // the bytes of every KeepCueFile call
  std::vector<std::string> failureReports;          // the lines the real platform writes to stderr
  std::vector<std::string> activated;
  bool Shown(const Window& window) const;
  const TimerSchedule* Schedule(const Timer& timer) const;

 private:
  class Native;
  std::map<const Window*, Native*> natives_;
  std::int64_t nowUs_ = 0;
  std::int64_t timerSeq_ = 0;
  // Last: its windows go first, while what they refer to is still here.
  WindowHost host_{*this};
};

}  // namespace xr::fake
