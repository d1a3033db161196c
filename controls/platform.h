// Everything the core needs from the machine it runs on. The core never reads a clock, a file
// or the pointer by itself: it asks here, so that a test can answer with virtual time and
// recorded calls, and another windowing system can be put underneath.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "controls/window_host.h"

namespace xr {

// A failure of a platform operation that the caller may skip over.
struct PlatformError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The name of the countdown's sound file, wherever a system keeps it.
inline constexpr const char* kCueFileName = "3sdjs.wav";

// The operations alone: the program owns the WindowHost that the real windows report to, and
// hands the host and the platform to whoever needs them. The windows' own operations, which the
// host asks for, are in WindowSystem.
class Platform : public WindowSystem {
 public:
  // The pointer, in screen pixels. GetCursorPos returns false when it cannot tell.
  virtual bool GetCursorPos(std::int32_t& x, std::int32_t& y) = 0;
  virtual bool SetCursorPos(std::int32_t x, std::int32_t y) = 0;
  // The pointer's display count: shown while it is 0 or more. Adds 1 (show) or subtracts 1
  // and returns the new count.
  virtual int ShowCursor(bool show) = 0;

  // Local time of day in seconds since midnight, with a fraction.
  virtual double SecondsSinceMidnight() = 0;

  // A modal box with the text, an OK button and the caption; returns when it is closed.
  virtual void MessageBox(std::string_view text, std::string_view caption) = 0;

  // Opens a web address in the user's browser. The outcome is not reported.
  virtual void OpenUrl(std::string_view url) = 0;

  // Plays a sound file once from its beginning at half volume without waiting for it; a
  // second call starts it again. A file that cannot be played plays nothing, silently. The
  // core calls it for every cue.
  virtual void PlaySoundFile(std::string_view path) = 0;

  // A cue may be due within seconds: a platform whose sound output takes a while to ready
  // readies it now, so that the first cue is not late. Called again on every such run.
  virtual void PrepareSound() {}

  // Keeps the display awake (no screen saver, no dimming, no lock for idleness) while held, and
  // lets the system's own idle rules back when released. The core calls it only when the hold
  // changes. It never waits: where the system is asked over a bus, the answer comes later or
  // never, and a system that cannot be asked is simply not asked.
  virtual void HoldScreen(bool held) = 0;

  // A resource of the program by type name and numeric id, valid as long as the program runs
  // (it lives in the program file). Throws PlatformError if missing.
  virtual std::span<const std::uint8_t> LoadResource(std::string_view type, int id) = 0;

  // Keeps these bytes as the program's cue file (named kCueFileName) in this system's place for
  // it, and says where it is: the full path, or nothing when no place took the whole of it. A
  // place that took only part of it keeps nothing. A file left by an earlier run is written over
  // from its first byte and never truncated.
  virtual std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace xr
