#include "controls/timer.h"

#include "controls/control.h"
#include "controls/window.h"

namespace xr {

namespace {
// Timer intervals are unsigned 16-bit milliseconds.
constexpr int kMaxInterval = 65535;
}  // namespace

void Timer::SetInterval(int value) {
  if (value < 0 || value > kMaxInterval) throw PropertyError("invalid interval for " + name_);
  interval_ = value;
  owner_.TimerWritten(*this, true);
}

void Timer::SetEnabled(bool value) {
  enabled_ = value;
  owner_.TimerWritten(*this, false);
}

}  // namespace xr
