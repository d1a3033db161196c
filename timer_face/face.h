// The clock face: the one place that holds the timer's state (clock_state.h), and the controls
// that show it. A handler reads its event, applies the rule and performs the outcome's steps;
// the controls are only the rendering, never read back.
//
// The face knows nothing of the window that carries it: the window owns the controls, hands
// the face references to them, and answers the few requests in FaceHost. Nothing here includes
// the main window, so the dependency runs from the window to the face only.
#pragma once

#include <cstdint>

#include "controls/control.h"
#include "controls/timer.h"
#include "timer_face/clock_state.h"

namespace xr {

inline constexpr const char* kStartCaption = "开 始";
inline constexpr const char* kPauseCaption = "暂 停";
inline constexpr Color kSelectedColor = 14737632u;  // &HE0E0E0
inline constexpr const char* kEmptyCountdownMessage = "请先设置倒记时时间！";

// What run control and the tick need from the window around the face.
class FaceHost {
 public:
  // The thirteen chrome controls, some of which are not the face's.
  virtual void SetChromeVisible(bool visible) = 0;
  // The idle watch: armed by a start (which also centres the pointer), stopped with the clock.
  virtual void StartIdleWatch() = 0;
  virtual void StopIdleWatch() = 0;
  virtual void CursorOn() = 0;
  // Keeps the display awake while a run goes on; told at every change of the run, held or not.
  virtual void HoldScreen(bool held) = 0;
  // A countdown ticks: its cue will be due, so the sound is readied; a count-up never has one.
  virtual void ReadyCue() = 0;
  virtual void PlayCue() = 0;
  virtual void ShowMessage(const char* text) = 0;

 protected:
  ~FaceHost() = default;
};

// The window's controls that the face is made of and runs by.
struct FaceControls {
  Label& minuteTens;
  Label& minuteUnits;
  Label& secondTens;
  Label& secondUnits;
  Label& colon;
  Label& countUpSelector;
  Label& countdownSelector;
  Label& minuteTensPlus;
  Label& minuteUnitsPlus;
  Label& secondTensPlus;
  Label& secondUnitsPlus;
  Label& minuteTensMinus;
  Label& minuteUnitsMinus;
  Label& secondTensMinus;
  Label& secondUnitsMinus;
  Button& startButton;
  Button& resetButton;
  Timer& tickTimer;
  Timer& blinkTimer;
};

// Binds its own handlers to the controls it is given, and tells what a screen reader reads of
// them: the adjusters are buttons named for what they do, the selectors radio buttons, and the
// four digit cells and the colon one clock element carried by the minutes' tens cell. They and
// the host must outlive it. The controls start as the window's design shows them, which is the
// default state: a countdown from 00:00, stopped.
class ClockFace : FaceControls {
 public:
  ClockFace(const FaceControls& controls, FaceHost& host);
  ClockFace(const ClockFace&) = delete;
  ClockFace& operator=(const ClockFace&) = delete;

  const ClockState& State() const { return state_; }
  // Puts the face in a state directly, showing only what differs; for tests and benchmarks,
  // which set up a face without clicking it there.
  void Preset(const ClockState& state);

 private:
  void Apply(const Outcome& outcome);
  void Perform(Step step, const ClockState& before);
  void ShowDigit(Digit d);
  Label& Cell(Digit d) const;
  Label& Selector(Mode m) const;

  FaceHost& host_;
  ClockState state_;
};

}  // namespace xr
