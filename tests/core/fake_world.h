// What every driver of the core on the fake platform needs, with or without a test framework:
// a platform wrapper that logs the calls whose order matters, and a cue resource to load.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/control.h"
#include "platform/fake/fake_platform.h"

namespace xr::test {

using Log = std::vector<std::string>;

inline constexpr const char* kHome = "/home/tester";
inline constexpr Color kNormalFace = 0x80000012u;

// Hands every call on to the fake. Logs the calls whose order matters to the behaviour, and
// remembers the direction of the latest ShowCursor call, which tells whether the last of
// CursorOn and CursorOff was a hide.
class LoggingPlatform final : public Platform {
 public:
  LoggingPlatform(fake::FakePlatform& fake, Log& log) : fake_(fake), log_(log) {}
  // The fake's real windows of this platform's host refer to the fake: they go first.
  ~LoggingPlatform() override { Host().CloseAll(); }

  bool logging = true;
  int lastShowDirection = 0;  // 0 none yet, +1 show, -1 hide

  std::unique_ptr<NativeWindow> BuildWindow(Window& w, WindowHost& host) override {
    return fake_.BuildWindow(w, host);
  }
  void Quit() override {
    Note("EndProgram");
    fake_.Quit();
  }
  std::int64_t MonotonicUs() override { return fake_.MonotonicUs(); }
  void ReportFailure(std::string_view line) override { fake_.ReportFailure(line); }
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override { return fake_.GetCursorPos(x, y); }
  bool SetCursorPos(std::int32_t x, std::int32_t y) override {
    Note("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
    return fake_.SetCursorPos(x, y);
  }
  int ShowCursor(bool show) override {
    const int n = fake_.ShowCursor(show);
    lastShowDirection = show ? 1 : -1;
    Note(std::string("ShowCursor(") + (show ? "1" : "0") + ")=" + std::to_string(n));
    return n;
  }
  double SecondsSinceMidnight() override { return fake_.SecondsSinceMidnight(); }
  void MessageBox(std::string_view text, std::string_view caption) override {
    Note("MessageBox(" + std::string(text) + "|" + std::string(caption) + ")");
    fake_.MessageBox(text, caption);
  }
  void OpenUrl(std::string_view url) override { fake_.OpenUrl(url); }
  void PlaySoundFile(std::string_view path) override { fake_.PlaySoundFile(path); }
  std::optional<std::string> GetEnv(std::string_view name) override { return fake_.GetEnv(name); }
  std::optional<std::string> PasswdHome() override { return fake_.PasswdHome(); }
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override {
    return fake_.LoadResource(type, id);
  }
  bool DrivePaths() const override { return fake_.DrivePaths(); }
  bool MakePrivateDir(std::string_view path) override { return fake_.MakePrivateDir(path); }
  std::unique_ptr<OutFile> OpenForOutput(std::string_view path) override {
    return fake_.OpenForOutput(path);
  }

 private:
  void Note(std::string s) {
    if (logging) log_.push_back(std::move(s));
  }
  fake::FakePlatform& fake_;
  Log& log_;
};

// A cue resource of the given size: a RIFF WAVE header as the program carries it, then a byte
// pattern that repeats only every 251 bytes, so that a shifted or partial copy shows.
inline std::vector<std::uint8_t> SyntheticCue(std::size_t size) {
  std::vector<std::uint8_t> b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>((i * 7 + 3) % 251);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  auto text = [&](std::size_t at, const char* s) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(s[k]);
  };
  text(0, "RIFF");
  put32(4, static_cast<std::uint32_t>(size - 10));
  text(8, "WAVE");
  text(12, "fmt ");
  put32(16, 16);
  text(36, "LIST");
  put32(40, 26);
  text(70, "data");
  put32(74, static_cast<std::uint32_t>(size - 80));
  b[size - 2] = 0;
  b[size - 1] = 0;
  return b;
}

inline const std::vector<std::uint8_t>& SmallCue() {
  static const std::vector<std::uint8_t> cue = SyntheticCue(4096);
  return cue;
}

}  // namespace xr::test
