// The tick reads no clock: the face moves exactly one second per event, and the timer underneath
// keeps the events on their deadlines.
#include "timer_face/clock_state.h"

namespace xr {

namespace {

void SetSeconds(ClockState& s, int total) {
  s.digits = {total / 600, total / 60 % 10, total % 60 / 10, total % 10};
}

// Told every second, the face would drown all else a reader says: only a whole minute, a
// countdown's last ten seconds and a clock that stopped by itself are.
bool TickIsAnnounced(const ClockState& s) {
  if (!s.ticking) return true;
  if (s.digits[kSecondTens] == 0 && s.digits[kSecondUnits] == 0) return true;
  return s.mode == Mode::Countdown && TotalSeconds(s) <= 10;
}

constexpr int kTop = 59 * 60 + 59;

// A clock that stops, however it stops, says so: the button offers a start and the colon shows.
void Stop(ClockState& s) {
  s.running = false;
  s.ticking = false;
  s.colonShown = true;
}

}  // namespace

Outcome Tick(const ClockState& s) {
  Outcome o{s, {}};
  ClockState& n = o.state;
  const int total = TotalSeconds(s);
  if (s.mode == Mode::CountUp) {
    // At 59:59 the clock holds: the run goes on, with its colon blinking, but nothing counts.
    if (total >= kTop) {
      n.ticking = false;
      o.steps.Add(Step::TickTimer);
    } else {
      SetSeconds(n, total + 1);
      o.steps.Add(Step::ShowChangedDigits);
    }
  } else {
    // A face set to 00:00 during a run holds the same way.
    if (total <= 0) {
      n.ticking = false;
      o.steps.Add(Step::TickTimer);
    } else {
      SetSeconds(n, total - 1);
      o.steps.Add(Step::ShowChangedDigits);
    }
    if (total - 1 == 3) {
      n.alert = true;
      o.steps.Add({Step::ShowColour, Step::PlayCue});
    } else if (total - 1 == 0) {
      Stop(n);
      o.steps.Add({Step::TickTimer, Step::BlinkTimer, Step::ShowColon, Step::ShowRunCaption,
                   Step::StopIdleWatch, Step::ShowPointer, Step::HoldScreen});
    }
  }
  if (TickIsAnnounced(n)) o.steps.Add(Step::AnnounceFace);
  return o;
}

Outcome Blink(const ClockState& s) {
  Outcome o{s, {Step::ShowColon}};
  ++o.state.blinks;
  o.state.colonShown = o.state.blinks % 2 == 0;
  return o;
}

Outcome StartOrPause(const ClockState& s) {
  // Any start or pause ends the alert colour of a run that went through 00:03.
  Outcome o{s, {Step::ShowColour}};
  ClockState& n = o.state;
  n.alert = false;
  if (s.mode == Mode::Countdown && TotalSeconds(s) <= 0) {
    // With every timer off the clock is stopped, so the button and the colon say so; left as
    // they were, a clock refused mid-run would read "暂 停" and could keep its colon blinked off.
    Stop(n);
    o.steps.Add({Step::RefuseEmptyCountdown, Step::TickTimer, Step::BlinkTimer, Step::StopIdleWatch,
                 Step::ShowRunCaption, Step::ShowColon, Step::HoldScreen});
  } else if (!s.running) {
    n.running = true;
    n.ticking = true;
    o.steps.Add({Step::ShowRunCaption, Step::HideChrome, Step::StartIdleWatch, Step::TickTimer,
                 Step::BlinkTimer, Step::HoldScreen});
  } else {
    Stop(n);
    o.steps.Add({Step::ShowRunCaption, Step::ShowChrome, Step::StopIdleWatch, Step::TickTimer,
                 Step::BlinkTimer, Step::ShowColon, Step::HoldScreen});
  }
  return o;
}

Outcome Reset(const ClockState& s) {
  ClockState n = s;
  Stop(n);
  n.digits = {};
  n.alert = false;
  return {n,
          {Step::ShowRunCaption, Step::StopIdleWatch, Step::TickTimer, Step::BlinkTimer,
           Step::ShowColon, Step::ShowAllDigits, Step::ShowColour, Step::AnnounceFace,
           Step::HoldScreen}};
}

// Each adjuster steps its own cell, wrapping within the cell's range, and never carries into a
// neighbour. A value outside the range goes to 0 on a "+" and to the top on a "-".
Outcome Adjust(const ClockState& s, Adjuster a) {
  Outcome o{s, {Step::ShowChangedDigits, Step::AnnounceFace}};
  int& v = o.state.digits[a.digit];
  const int top = kDigitTop[a.digit];
  if (a.plus) {
    v = v < top ? v + 1 : 0;
  } else {
    v = (v <= top && v >= 1) ? v - 1 : top;
  }
  return o;
}

// A selector sets the direction only: the face and the run stay as they are, and a run turns
// round at its next tick.
Outcome Select(const ClockState& s, Mode m) {
  Outcome o{s, {Step::ShowMode, Step::AnnounceMode, Step::AnnounceFace}};
  o.state.mode = m;
  return o;
}

std::string FaceReading(const ClockState& s) {
  std::string out = s.mode == Mode::Countdown ? "倒计时 " : "正计时 ";
  for (Digit d : {kMinuteTens, kMinuteUnits, kSecondTens, kSecondUnits}) {
    if (d == kSecondTens) out += ':';
    out += std::to_string(s.digits[d]);
  }
  return out;
}

std::string AdjusterName(Adjuster a) {
  static constexpr const char* kCells[4] = {"分钟十位", "分钟个位", "秒钟十位", "秒钟个位"};
  return std::string(kCells[a.digit]) + (a.plus ? "加一" : "减一");
}

}  // namespace xr
