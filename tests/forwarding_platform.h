// A platform that hands every call on to another: a test derives from it and overrides only the
// calls it watches or bends, so that a new platform operation is forwarded in one place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controls/platform.h"

namespace xr::test {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& to) : to_(to) {}

  std::unique_ptr<NativeWindow> BuildWindow(Window& w, WindowHost& host) override {
    return to_.BuildWindow(w, host);
  }
  void Quit() override { to_.Quit(); }
  std::int64_t MonotonicUs() override { return to_.MonotonicUs(); }
  void ReportFailure(std::string_view line) override { to_.ReportFailure(line); }
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override { return to_.GetCursorPos(x, y); }
  bool SetCursorPos(std::int32_t x, std::int32_t y) override { return to_.SetCursorPos(x, y); }
  int ShowCursor(bool show) override { return to_.ShowCursor(show); }
  double SecondsSinceMidnight() override { return to_.SecondsSinceMidnight(); }
  void MessageBox(std::string_view text, std::string_view caption) override {
    to_.MessageBox(text, caption);
  }
  void OpenUrl(std::string_view url) override { to_.OpenUrl(url); }
  void PlaySoundFile(std::string_view path) override { to_.PlaySoundFile(path); }
  void PrepareSound() override { to_.PrepareSound(); }
  void HoldScreen(bool held) override { to_.HoldScreen(held); }
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override {
    return to_.LoadResource(type, id);
  }
  std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes) override {
    return to_.KeepCueFile(bytes);
  }

 private:
  Platform& to_;
};

}  // namespace xr::test
