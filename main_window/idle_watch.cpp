// The idle watch: once a run has left the pointer at rest for idleLimit seconds, its timer hides
// the chrome and the pointer, and the first movement brings them back. A start arms it, the
// clock stopping disarms it, and closing the window leaves the pointer shown.
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <utility>

#include "controls/units.h"
#include "main_window/main_form.h"

namespace xr {

namespace {
constexpr double kSecondsPerDay = 86400;

// Rounds half to even, as the default rounding mode does, and refuses what does not fit: a
// handler that overflows fails and is reported rather than wrapping silently.
template <typename Int>
Int RoundChecked(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= std::numeric_limits<Int>::min() && r <= std::numeric_limits<Int>::max())) {
    throw std::overflow_error("overflow");
  }
  return static_cast<Int>(r);
}
std::int16_t ToInt16(double value) { return RoundChecked<std::int16_t>(value); }
std::int32_t ToInt32(double value) { return RoundChecked<std::int32_t>(value); }
}  // namespace

void MainForm::CentrePointer() {
  // A fixed scale whatever the display, each division truncated on its own.
  const std::int32_t left = ToInt32(window.Left());
  const std::int32_t width = ToInt32(window.Width());
  const std::int32_t top = ToInt32(window.Top());
  const std::int32_t height = ToInt32(window.Height());
  pointerX = ToInt16(left / kTwipsPerPixel + width / (2 * kTwipsPerPixel));
  const std::int16_t y = ToInt16(top / kTwipsPerPixel + height / (2 * kTwipsPerPixel));
  pointerY = y;
  restY = y;
  restX = pointerX;
  if (platform.SetCursorPos(pointerX, pointerY)) return;
  // The pointer stayed where it was (a page, Wayland): that is where it rests, or the first idle
  // tick would take the centre's distance from it for a movement and bring the chrome back.
  std::int32_t atX = 0;
  std::int32_t atY = 0;
  if (!platform.GetCursorPos(atX, atY)) return;
  pointerX = restX = ToInt16(atX);
  pointerY = restY = ToInt16(atY);
}

void MainForm::StartIdleWatch() {
  pressedSinceTick = false;
  CentrePointer();
  lastMoveTime = ToInt32(platform.SecondsSinceMidnight());
  idleTimer.SetEnabled(true);
  idleTimer.SetInterval(1000);
  idleLimit = 3;
}

void MainForm::StopIdleWatch() { idleTimer.SetEnabled(false); }

void MainForm::IdleTick() {
  std::int32_t x = 0;
  std::int32_t y = 0;
  platform.GetCursorPos(x, y);
  pointerX = ToInt16(x);
  pointerY = ToInt16(y);
  const int dx = std::abs(ToInt16(static_cast<double>(pointerX) - restX));
  const int dy = std::abs(ToInt16(static_cast<double>(pointerY) - restY));
  if (dx < 1 && dy < 1 && !std::exchange(pressedSinceTick, false)) {
    double elapsed = platform.SecondsSinceMidnight() - lastMoveTime;
    // The time of day starts again at midnight; a rest that spans it still counts in full.
    if (elapsed < 0) elapsed += kSecondsPerDay;
    if (elapsed >= idleLimit) CursorOff();
  } else {
    CursorOn();
    lastMoveTime = ToInt32(platform.SecondsSinceMidnight());
    restX = pointerX;
    restY = pointerY;
  }
}

// A tap lands where the pointer already was, and a press need not move it: either is activity as
// a movement is, seen at the idle watch's next look.
// The press of the click that starts a run comes before the start, and is no activity of it.
void MainForm::PointerDown() { pressedSinceTick = idleTimer.Enabled() && idleTimer.Interval() > 0; }

// A key is activity as a movement of the pointer is, for whoever runs the clock without a mouse.
// A key that finds the chrome hidden only wakes it, as the pointer's return would: the user could
// not see what it would have pressed. The focus then goes to the run button, which reads 暂 停,
// so that a Space pauses; the platform left it on a hidden control or nowhere. While the chrome
// shows, the key goes on to its control and only puts the next hide off.
bool MainForm::KeyDown() {
  if (idleTimer.Enabled() && idleTimer.Interval() > 0) {
    lastMoveTime = ToInt32(platform.SecondsSinceMidnight());
  }
  if (startButton.Visible()) return false;
  CursorOn();
  return true;
}

// The pointer's display count is the system's, shared with whoever else changed it: step it
// until it crosses the line rather than assuming where it stood.
void MainForm::CursorOff() {
  SetChromeVisible(false);
  int n = platform.ShowCursor(false);
  while (n >= 0) n = platform.ShowCursor(false);
}

void MainForm::CursorOn() {
  SetChromeVisible(true);
  int n = platform.ShowCursor(true);
  while (n < 0) n = platform.ShowCursor(true);
}

// A window closed mid-run must not leave the pointer hidden, or the display held awake, for the
// programs under it.
void MainForm::Unload() {
  CursorOn();
  HoldScreen(false);
  host.EndProgram();
}

}  // namespace xr
