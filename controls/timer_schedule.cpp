#include "controls/timer_schedule.h"

namespace xr {

void TimerSchedule::Update(const Timer& timer, bool intervalWritten, std::int64_t nowUs) {
  if (!timer.Running()) {
    armed_ = false;
    return;
  }
  if (armed_ && !intervalWritten) return;
  armed_ = true;
  period_ = static_cast<std::int64_t>(timer.Interval()) * 1000;
  deadline_ = nowUs + period_;
}

void TimerSchedule::Fired(std::int64_t nowUs) {
  if (!armed_) return;
  deadline_ += period_;
  if (deadline_ <= nowUs) {
    const std::int64_t behind = (nowUs - deadline_) / period_ + 1;
    deadline_ += behind * period_;
  }
}

}  // namespace xr
