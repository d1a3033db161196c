// Start, pause and reset. The run state is the start button's caption and nothing else.
#include "timer_face/face.h"

namespace xr {

void StartClick(ClockFace& face) {
  SetFaceColor(face, kButtonTextColor);
  if (CountdownSelected(face) && !(FaceSeconds(face) > 0)) {
    face.host.ShowMessage("请先设置倒记时时间！");
    face.Timer2.SetEnabled(false);
    face.Timer3.SetEnabled(false);
    face.host.StopIdleWatch();
    // With every timer off the clock is stopped, so the button and the colon say so; left as
    // they were, a clock refused mid-run would read "暂 停" and could keep its colon blinked off.
    face.开始.SetCaption(kStartCaption);
    SetColonVisible(face, true);
    return;
  }
  if (face.开始.Caption() == kStartCaption) {
    face.开始.SetCaption(kPauseCaption);
    face.host.SetChromeVisible(false);
    face.host.StartIdleWatch();
    face.Timer2.SetEnabled(true);
    face.Timer3.SetEnabled(true);
  } else {
    face.开始.SetCaption(kStartCaption);
    face.host.SetChromeVisible(true);
    face.host.StopIdleWatch();
    face.Timer2.SetEnabled(false);
    face.Timer3.SetEnabled(false);
    SetColonVisible(face, true);
  }
}

void ResetClick(ClockFace& face) {
  face.开始.SetCaption(kStartCaption);
  face.host.StopIdleWatch();
  face.Timer2.SetEnabled(false);
  face.Timer3.SetEnabled(false);
  SetColonVisible(face, true);
  for (Control* c : {&face.f1, &face.f0, &face.m1, &face.m0}) SetDigit(*c, 0);
  SetFaceColor(face, kButtonTextColor);
  AnnounceFace(face);
}

}  // namespace xr
