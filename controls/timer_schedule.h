// When a window timer fires. Each deadline is scheduled from the previous one, not from the
// moment the last event was handled, so a run of a thousand ticks does not drift by the sum of
// a thousand small delays. Events missed entirely are not made up.
#pragma once

#include <cstdint>

#include "controls/timer.h"

namespace xr {

class TimerSchedule {
 public:
  // Follows a write of the timer's Enabled or Interval: an Interval write restarts the period,
  // as does enabling a timer that was not running; a timer with Interval 0 never fires.
  void Update(const Timer& timer, bool intervalWritten, std::int64_t nowUs);

  bool Armed() const { return armed_; }
  std::int64_t Deadline() const { return deadline_; }
  std::int64_t PeriodUs() const { return period_; }

  // The deadline has been reached at nowUs: schedule the next one, skipping whole periods that
  // have already gone by.
  void Fired(std::int64_t nowUs);

 private:
  bool armed_ = false;
  std::int64_t period_ = 0;
  std::int64_t deadline_ = 0;
};

}  // namespace xr
