// The browser: the main window is the page, every other window a box inside it. The page's own
// part (page.js) draws what it is told and hands back what the user does, by the numbers this
// layer gives windows, controls and timers; every rule stays with the core's WindowHost.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/platform.h"

namespace xr::web {

class WebPlatform final : public Platform {
 public:
  WebPlatform();
  ~WebPlatform() override;

  // The one platform the page's events go to.
  static WebPlatform* Current();

  // --- From the page ---
  void Clicked(int control);
  void TimerDue(int timer);
  bool Key(int window, std::uint32_t key, bool down);
  void KeyboardLost(int window);
  void PointerPressed(int window);
  void FrameMoved(int window, int left, int top, int width, int height);
  void ViewportResized(int width, int height);
  void CloseRequested(int window);
  void BoxClosed();
  void PointerMoved(int x, int y);

  // --- Platform ---
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

 private:
  class WebWindow;
  friend class WebWindow;
  WebWindow* FindWindow(int id) const;

  WindowHost* host_ = nullptr;  // the host of the windows built, for the boxes
  std::map<int, WebWindow*> windows_;
  int nextId_ = 1;
  std::optional<std::pair<int, int>> pointer_;
  int displayCount_ = 0;
  bool toldAboutPointer_ = false;
  struct Resource {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
  };
  std::map<std::string, Resource> resources_;
  std::vector<std::uint8_t> cue_;
  bool cueHandedOver_ = false;
};

}  // namespace xr::web
