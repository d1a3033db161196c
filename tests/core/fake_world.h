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
#include "tests/forwarding_platform.h"

namespace xr::test {

using Log = std::vector<std::string>;

inline constexpr const char* kHomeCuePath = "/home/tester/.cache/xiuran-timer/3sdjs.wav";
inline constexpr Color kNormalFace = 0x80000012u;

// Hands every call on to the fake. Logs the calls whose order matters to the behaviour, and
// remembers the direction of the latest ShowCursor call, which tells whether the last of
// CursorOn and CursorOff was a hide.
class LoggingPlatform final : public ForwardingPlatform {
 public:
  LoggingPlatform(fake::FakePlatform& fake, Log& log) : ForwardingPlatform(fake), log_(log) {}

  bool logging = true;
  int lastShowDirection = 0;  // 0 none yet, +1 show, -1 hide

  void Quit() override {
    Note("EndProgram");
    ForwardingPlatform::Quit();
  }
  bool SetCursorPos(std::int32_t x, std::int32_t y) override {
    Note("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
    return ForwardingPlatform::SetCursorPos(x, y);
  }
  int ShowCursor(bool show) override {
    const int n = ForwardingPlatform::ShowCursor(show);
    lastShowDirection = show ? 1 : -1;
    Note(std::string("ShowCursor(") + (show ? "1" : "0") + ")=" + std::to_string(n));
    return n;
  }
  void PlaySoundFile(std::string_view path) override {
    Note("PlaySoundFile(" + std::string(path) + ")");
    ForwardingPlatform::PlaySoundFile(path);
  }
  void MessageBox(std::string_view text, std::string_view caption) override {
    Note("MessageBox(" + std::string(text) + "|" + std::string(caption) + ")");
    ForwardingPlatform::MessageBox(text, caption);
  }

 private:
  void Note(std::string s) {
    if (logging) log_.push_back(std::move(s));
  }
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
