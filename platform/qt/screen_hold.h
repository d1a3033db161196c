// Keeps the display awake while a clock runs, the two ways a Linux desktop decides to blank it:
// X's own screen saver, put off at every wake of the program's timers, and the desktop's idle
// inhibitor, asked over the session bus by a thread of its own, so that a missing, slow or
// wedged bus never reaches the clock. Nothing of it exists before a clock first runs.
#pragma once

#include <memory>

namespace xr::qt {

class ScreenHold {
 public:
  ScreenHold();
  // Lets go of whatever is held, waiting at most a moment for the bus to hear it: a process that
  // ends drops its inhibitions with its bus connection anyway.
  ~ScreenHold();
  ScreenHold(const ScreenHold&) = delete;
  ScreenHold& operator=(const ScreenHold&) = delete;

  // From the GUI thread; never waits.
  void Set(bool held);
  // One of the program's timers woke: while held, X's idle time starts again.
  void TimerWoke();

  struct Bus;  // what the bus thread shares with this side

 private:
  bool held_ = false;
  std::shared_ptr<Bus> bus_;  // null where there is no session bus to ask
};

}  // namespace xr::qt
