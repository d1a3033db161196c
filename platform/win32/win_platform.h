// The platform on Win32: real windows for the model's windows, window timers, the pointer, the
// message box, the shell, the cue's sound and the program's own resources.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "controls/platform.h"
#include "platform/win32/win_api.h"

namespace xr::win32 {

class WinWindowView;

class WinPlatform final : public Platform {
 public:
  // playSound must start the file, and openUrl hand the address to the shell, and return at
  // once: they are called on the GUI thread.
  WinPlatform(HINSTANCE instance, std::function<void(const std::wstring&)> playSound,
              std::function<void(const std::wstring&)> openUrl = {});
  ~WinPlatform() override;

  std::unique_ptr<NativeWindow> BuildWindow(Window& window, WindowHost& host) override;
  void Quit() override;
  std::int64_t MonotonicUs() override;
  void ReportFailure(std::string_view line) override;
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  int ShowCursor(bool show) override;
  double SecondsSinceMidnight() override;
  void MessageBox(std::string_view text, std::string_view caption) override;
  void OpenUrl(std::string_view url) override;
  void PlaySoundFile(std::string_view path) override;
  void HoldScreen(bool held) override;
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override;
  std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes) override;

  HINSTANCE Instance() const { return instance_; }
  // Physical pixels per logical one of the core (96 dpi), on the main window's screen.
  // The first window opened (the main one) sets it.
  double Scale() const { return scale_; }
  void ScaleChanged(const WinWindowView* view, double scale);

  // The core let go of a window's real one.
  void Forget(const Window& window);
  // Views let go of while one of their handlers may still be on the stack are deleted here,
  // from the message loop.
  void ReleaseRetired();
  // Whether the top-level window is one of ours.
  bool IsOurs(HWND hwnd) const;
  // A key message from the loop, for the top-level window it is going to: tells the core of
  // a key going down, except the one the system closes windows with, then moves or presses the
  // window's focus (Tab, Space, Enter). Returns true when the key was used up and the message
  // must not be dispatched.
  bool KeyMessage(HWND top, const MSG& msg);

 private:
  HINSTANCE instance_;
  std::function<void(const std::wstring&)> playSound_;
  std::function<void(const std::wstring&)> openUrl_;
  std::map<const Window*, std::unique_ptr<WinWindowView>> views_;
  std::vector<std::unique_ptr<WinWindowView>> retired_;
  double scale_ = 1.0;
  const WinWindowView* scaleOwner_ = nullptr;
};

// The window class every view uses; registered once before the first window.
bool RegisterFormClass(HINSTANCE instance);

}  // namespace xr::win32
