// The one-second tick and the colon blink. The tick reads no clock: the face moves exactly one
// second per event, and the timer underneath keeps the events on their deadlines.
#include "timer_face/face.h"

namespace xr {

namespace {

void StepDown(ClockFace& f) {
  const double m0 = DigitValue(f.m0);
  if (m0 != 0) {
    SetDigit(f.m0, m0 - 1);
    return;
  }
  const double m1 = DigitValue(f.m1);
  if (m1 != 0) {
    SetDigit(f.m1, m1 - 1);
    f.m0.SetCaption("9");
    return;
  }
  const double f0 = DigitValue(f.f0);
  if (f0 != 0) {
    SetDigit(f.f0, f0 - 1);
    f.m1.SetCaption("5");
    f.m0.SetCaption("9");
    return;
  }
  const double f1 = DigitValue(f.f1);
  if (f1 != 0) {
    SetDigit(f.f1, f1 - 1);
    f.f0.SetCaption("9");
    f.m1.SetCaption("5");
    f.m0.SetCaption("9");
    return;
  }
  f.Timer2.SetEnabled(false);
}

void StepUp(ClockFace& f) {
  const double m0 = DigitValue(f.m0);
  if (m0 < 9) {
    SetDigit(f.m0, m0 + 1);
    return;
  }
  const double m1 = DigitValue(f.m1);
  if (m1 < 5) {
    SetDigit(f.m1, m1 + 1);
    f.m0.SetCaption("0");
    return;
  }
  const double f0 = DigitValue(f.f0);
  if (f0 < 9) {
    SetDigit(f.f0, f0 + 1);
    f.m1.SetCaption("0");
    f.m0.SetCaption("0");
    return;
  }
  const double f1 = DigitValue(f.f1);
  if (f1 < 5) {
    SetDigit(f.f1, f1 + 1);
    f.f0.SetCaption("0");
    f.m1.SetCaption("0");
    f.m0.SetCaption("0");
    return;
  }
  f.Timer2.SetEnabled(false);
}

}  // namespace

void Timer2Tick(ClockFace& face) {
  if (!CountdownSelected(face)) {
    StepUp(face);
    if (TickIsAnnounced(face)) AnnounceFace(face);
    return;
  }
  const double remaining = static_cast<double>(FaceSeconds(face)) - 1;
  StepDown(face);
  if (remaining == 3) {
    SetFaceColor(face, kRed);
    face.host.PlayCue();
  } else if (remaining == 0) {
    face.Timer2.SetEnabled(false);
    face.Timer3.SetEnabled(false);
    SetColonVisible(face, true);
    face.开始.SetCaption(kStartCaption);
    face.host.StopIdleWatch();
    face.host.CursorOn();
  }
  if (TickIsAnnounced(face)) AnnounceFace(face);
}

void Timer3Tick(ClockFace& face) {
  ++face.blinkCount;
  SetColonVisible(face, face.blinkCount % 2 == 0);
}

}  // namespace xr
