#include "timer_face/face.h"

#include <string>
#include <utility>

namespace xr {

ClockFace::ClockFace(const FaceControls& controls, FaceHost& host)
    : FaceControls(controls), host_(host) {
  startButton.onClick = [this] { Apply(StartOrPause(state_)); };
  resetButton.onClick = [this] { Apply(Reset(state_)); };
  tickTimer.onTimer = [this] { Apply(Tick(state_)); };
  blinkTimer.onTimer = [this] { Apply(Blink(state_)); };
  countUpSelector.onClick = [this] { Apply(Select(state_, Mode::CountUp)); };
  countdownSelector.onClick = [this] { Apply(Select(state_, Mode::Countdown)); };

  const struct {
    Label& control;
    Adjuster adjuster;
  } adjusters[] = {
      {minuteTensPlus, {kMinuteTens, true}},   {minuteUnitsPlus, {kMinuteUnits, true}},
      {secondTensPlus, {kSecondTens, true}},   {secondUnitsPlus, {kSecondUnits, true}},
      {minuteTensMinus, {kMinuteTens, false}}, {minuteUnitsMinus, {kMinuteUnits, false}},
      {secondTensMinus, {kSecondTens, false}}, {secondUnitsMinus, {kSecondUnits, false}},
  };
  for (const auto& [control, adjuster] : adjusters) {
    control.onClick = [this, a = adjuster] { Apply(Adjust(state_, a)); };
    control.access.role = Role::Button;
    control.access.name = AdjusterName(adjuster);
  }
  countUpSelector.access.role = Role::RadioButton;
  countUpSelector.access.checked = [this] { return state_.mode == Mode::CountUp; };
  countdownSelector.access.role = Role::RadioButton;
  countdownSelector.access.checked = [this] { return state_.mode == Mode::Countdown; };
  minuteTens.access.role = Role::Clock;
  minuteTens.access.liveName = [this] { return FaceReading(state_); };
  for (Control* part : {&minuteUnits, &colon, &secondTens, &secondUnits}) {
    part->access.partOf = &minuteTens;
  }
}

void ClockFace::Preset(const ClockState& state) {
  const ClockState before = std::exchange(state_, state);
  Perform(Step::ShowChangedDigits, before);
  if (state.alert != before.alert) Perform(Step::ShowColour, before);
  if (state.colonShown != before.colonShown) Perform(Step::ShowColon, before);
  if (state.running != before.running) Perform(Step::ShowRunCaption, before);
  if (state.mode != before.mode) Perform(Step::ShowMode, before);
  if (state.ticking != before.ticking) Perform(Step::TickTimer, before);
  if (state.running != before.running) Perform(Step::BlinkTimer, before);
  if (state.running != before.running) Perform(Step::HoldScreen, before);
}

// The state is replaced before the first step, so that a step that reads the face, and a screen
// reader that asks for its name, see the new one.
void ClockFace::Apply(const Outcome& outcome) {
  const ClockState before = std::exchange(state_, outcome.state);
  for (Step step : outcome.steps) Perform(step, before);
}

Label& ClockFace::Cell(Digit d) const {
  Label* const cells[] = {&minuteTens, &minuteUnits, &secondTens, &secondUnits};
  return *cells[d];
}

Label& ClockFace::Selector(Mode m) const {
  return m == Mode::Countdown ? countdownSelector : countUpSelector;
}

void ClockFace::ShowDigit(Digit d) { Cell(d).SetCaption(std::to_string(state_.digits[d])); }

void ClockFace::Perform(Step step, const ClockState& before) {
  const Mode other = state_.mode == Mode::Countdown ? Mode::CountUp : Mode::Countdown;
  switch (step) {
    case Step::ShowChangedDigits:
      for (Digit d : {kMinuteTens, kMinuteUnits, kSecondTens, kSecondUnits}) {
        if (state_.digits[d] != before.digits[d]) ShowDigit(d);
      }
      return;
    case Step::ShowAllDigits:
      for (Digit d : {kMinuteTens, kMinuteUnits, kSecondTens, kSecondUnits}) ShowDigit(d);
      return;
    case Step::ShowColour:
      for (Label* c : {&minuteTens, &minuteUnits, &secondTens, &secondUnits, &colon}) {
        c->SetForeColor(state_.alert ? kRed : kButtonTextColor);
      }
      return;
    case Step::ShowColon:
      colon.SetVisible(state_.colonShown);
      return;
    case Step::ShowRunCaption:
      startButton.SetCaption(state_.running ? kPauseCaption : kStartCaption);
      return;
    case Step::ShowMode:
      Selector(state_.mode).SetBackColor(kSelectedColor);
      Selector(other).SetBackColor(kWhite);
      return;
    case Step::TickTimer:
      tickTimer.SetEnabled(state_.ticking);
      if (state_.ticking && state_.mode == Mode::Countdown) host_.ReadyCue();
      return;
    case Step::BlinkTimer:
      blinkTimer.SetEnabled(state_.running);
      return;
    case Step::HideChrome:
      host_.SetChromeVisible(false);
      return;
    case Step::ShowChrome:
      host_.SetChromeVisible(true);
      return;
    case Step::StartIdleWatch:
      host_.StartIdleWatch();
      return;
    case Step::StopIdleWatch:
      host_.StopIdleWatch();
      return;
    case Step::HoldScreen:
      host_.HoldScreen(state_.running);
      return;
    case Step::ShowPointer:
      host_.CursorOn();
      return;
    case Step::PlayCue:
      host_.PlayCue();
      return;
    case Step::RefuseEmptyCountdown:
      host_.ShowMessage(kEmptyCountdownMessage);
      return;
    case Step::AnnounceMode:
      Selector(state_.mode).Announce(Prop::Checked);
      Selector(other).Announce(Prop::Checked);
      return;
    case Step::AnnounceFace:
      minuteTens.Announce(Prop::AccessibleName);
      return;
  }
}

}  // namespace xr
