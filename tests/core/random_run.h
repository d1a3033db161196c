// A long run of the whole program on the fake platform, driven by random events (clicks on every
// window's controls, pointer moves, waits, resizes, minimise and restore, companion windows
// opened and closed), with the rules that hold between any two events checked after each one.
// The core test runs it briefly; the soak benchmark runs it for tens of millions of events. A
// seed and an event index replay any run exactly: nothing here reads the machine.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "main_window/program.h"
#include "platform/fake/fake_platform.h"
#include "tests/core/fake_world.h"

namespace xr::test {

struct RunCounts {
  std::int64_t events = 0;
  std::int64_t checks = 0;  // rule evaluations, every one of which could have failed
  std::int64_t clicks = 0, handled = 0, starts = 0, refusals = 0;
  std::int64_t moves = 0, waits = 0, hides = 0;
  std::int64_t resizes = 0, minimises = 0;
  std::int64_t opens = 0, closes = 0, urls = 0;
  int lowestCount = 0;  // the pointer's display count
};

class RandomRun {
 public:
  // clockBase: the time of day at virtual time 0; a start just before midnight makes the run
  // cross it every virtual day.
  explicit RandomRun(std::uint32_t seed, double clockBase = 86400 - 600.25);
  ~RandomRun();
  RandomRun(const RandomRun&) = delete;
  RandomRun& operator=(const RandomRun&) = delete;

  // Plays one random event, then checks every rule. Returns the first one broken, or "".
  std::string Step();
  // Closes the main window with its close box and checks what must hold as the program ends.
  std::string Finish();
  // The event last played, in words, for a report.
  std::string LastEvent() const;

  const RunCounts& Counts() const { return counts_; }
  std::int64_t NowMs() const { return fake_.NowMs(); }

 private:
  enum class Kind : std::uint8_t { Click, CloseBox, Move, Wait, Resize, Minimise, Restore, End };
  struct Played {
    Kind kind = Kind::Wait;
    const Control* control = nullptr;
    const Window* window = nullptr;
    std::int64_t a = 0, b = 0;
  };

  std::uint32_t Pick(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
  bool Holds(bool rule) {
    ++counts_.checks;
    return rule;
  }
  static std::string FaceText(const MainForm& f);
  // Every control a user can click at, in every window that exists now.
  std::vector<Control*> Targets() const;
  std::string Click(Control& c);
  std::string CloseCompanion();
  std::string ResizeMain();
  std::string Broken();

  fake::FakePlatform fake_;
  Log unusedLog_;
  LoggingPlatform platform_{fake_, unusedLog_};
  WindowHost host_{platform_};
  Program program_{platform_, host_};
  std::mt19937 rng_;
  Played last_;
  std::string handlerViolation_;
  std::string boxViolation_;
  bool minimised_ = false;
  int widthPx_ = 0, heightPx_ = 0;
  std::vector<std::pair<const Control*, std::array<float, 5>>> beforeMinimise_;
  RunCounts counts_;
};

}  // namespace xr::test
