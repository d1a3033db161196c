// Start, pause and reset. The run state is the start button's caption and nothing else.
#include <cmath>

#include "controls/units.h"
#include "main_window/main_form.h"
#include "timer_face/face.h"

namespace xr {

void SetChromeVisible(MainForm& form, bool visible) {
  for (Control* c : form.chrome) c->SetVisible(visible);
}

void CentrePointer(MainForm& form) {
  // A fixed scale whatever the display, each division truncated on its own.
  const std::int32_t left = ToInt32(form.window.Left());
  const std::int32_t width = ToInt32(form.window.Width());
  const std::int32_t top = ToInt32(form.window.Top());
  const std::int32_t height = ToInt32(form.window.Height());
  form.pointerX = ToInt16(left / kTwipsPerPixel + width / (2 * kTwipsPerPixel));
  const std::int16_t y = ToInt16(top / kTwipsPerPixel + height / (2 * kTwipsPerPixel));
  form.pointerY = y;
  form.restY = y;
  form.restX = form.pointerX;
  form.platform.SetCursorPos(form.pointerX, form.pointerY);
}

void StartClick(MainForm& form) {
  SetFaceColor(form, kButtonTextColor);
  if (CountdownSelected(form) && !(FaceSeconds(form) > 0)) {
    form.platform.MessageBox("请先设置倒记时时间！", kProgramTitle);
    form.Timer2.SetEnabled(false);
    form.Timer3.SetEnabled(false);
    form.Timer1.SetEnabled(false);
    // With every timer off the clock is stopped, so the button and the colon say so; left as
    // they were, a clock refused mid-run would read "暂 停" and could keep its colon blinked off.
    form.开始.SetCaption(kStartCaption);
    SetColonVisible(form, true);
    return;
  }
  if (form.开始.Caption() == kStartCaption) {
    form.开始.SetCaption(kPauseCaption);
    SetChromeVisible(form, false);
    CentrePointer(form);
    form.lastMoveTime = ToInt32(form.platform.SecondsSinceMidnight());
    form.Timer1.SetEnabled(true);
    form.Timer1.SetInterval(1000);
    form.idleLimit = 3;
    form.Timer2.SetEnabled(true);
    form.Timer3.SetEnabled(true);
  } else {
    form.开始.SetCaption(kStartCaption);
    SetChromeVisible(form, true);
    form.Timer1.SetEnabled(false);
    form.Timer2.SetEnabled(false);
    form.Timer3.SetEnabled(false);
    SetColonVisible(form, true);
  }
}

void ResetClick(MainForm& form) {
  form.开始.SetCaption(kStartCaption);
  form.Timer1.SetEnabled(false);
  form.Timer2.SetEnabled(false);
  form.Timer3.SetEnabled(false);
  SetColonVisible(form, true);
  for (Control* c : {&form.f1, &form.f0, &form.m1, &form.m0}) SetDigit(*c, 0);
  SetFaceColor(form, kButtonTextColor);
}

}  // namespace xr
