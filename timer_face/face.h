// The clock face is the timer's only store: the time is the text of the four digit cells and
// the mode is the background colour of the countdown selector. Every handler reads it back
// from the controls when it runs and writes it there directly.
//
// The face knows nothing of the window that carries it: the window owns the controls, hands
// the face references to them, and answers the few requests in FaceHost. Nothing here includes
// the main window, so the dependency runs from the window to the face only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/control.h"

namespace xr {

inline constexpr const char* kStartCaption = "开 始";
inline constexpr const char* kPauseCaption = "暂 停";
inline constexpr Color kSelectedColor = 14737632u;  // &HE0E0E0

// The leading number of a text, as a numeric parse reads it; 0 when there is none.
double LeadingNumber(std::string_view text);
// Rounds half to even and converts to 16 bits; throws std::overflow_error outside the range.
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);

// What run control and the tick need from the window around the face.
class FaceHost {
 public:
  // The thirteen chrome controls, some of which are not the face's.
  virtual void SetChromeVisible(bool visible) = 0;
  // The idle watch: armed by a start (which also centres the pointer), stopped with the clock.
  virtual void StartIdleWatch() = 0;
  virtual void StopIdleWatch() = 0;
  virtual void CursorOn() = 0;
  virtual void PlayCue() = 0;
  virtual void ShowMessage(const char* text) = 0;

 protected:
  ~FaceHost() = default;
};

// The window's controls that the face is made of and runs by.
struct FaceControls {
  Control& f1;
  Control& f0;
  Control& m1;
  Control& m0;
  Control& mh1;
  Control& zjs;
  Control& djs;
  Control& jf1;
  Control& jf0;
  Control& jm1;
  Control& jm0;
  Control& kf1;
  Control& kf0;
  Control& km1;
  Control& km0;
  Control& 开始;
  Control& 重置;
  Control& Timer2;
  Control& Timer3;
};

// Binds its own handlers to the controls it is given, and tells what a screen reader reads of
// them: the adjusters are buttons named for what they do, the selectors radio buttons, and the
// four digit cells and the colon one clock element carried by f1 and read from the face. They
// and the host must outlive it.
struct ClockFace : FaceControls {
  ClockFace(const FaceControls& controls, FaceHost& host);
  ClockFace(const ClockFace&) = delete;
  ClockFace& operator=(const ClockFace&) = delete;

  FaceHost& host;
  // Colon blinks since the program started; never reset.
  std::uint64_t blinkCount = 0;
};

double DigitValue(const Control& cell);
std::int16_t FaceSeconds(const ClockFace& face);
bool CountdownSelected(const ClockFace& face);
void SetDigit(Control& cell, double value);
void SetFaceColor(ClockFace& face, Color color);
void SetColonVisible(ClockFace& face, bool visible);

// What a screen reader reads of the face: its mode and time, "倒计时 04:57".
std::string FaceReading(const ClockFace& face);
// The name of an adjuster, "分钟十位加一": which digit it steps and which way.
std::string AdjusterName(const ClockFace& face, const Control& adjuster);
// Tells a screen reader the face's reading now.
void AnnounceFace(ClockFace& face);
// Whether the tick just run is told: on a whole minute, in a countdown's last ten seconds and
// when the clock stops by itself. Told every second, it would drown all else a reader says.
bool TickIsAnnounced(const ClockFace& face);

// Handlers of the clock face's own controls and timers.
void AdjusterClick(ClockFace& face, Control& adjuster);
void SelectCountUp(ClockFace& face);
void SelectCountdown(ClockFace& face);
void Timer2Tick(ClockFace& face);
void Timer3Tick(ClockFace& face);
void StartClick(ClockFace& face);
void ResetClick(ClockFace& face);

}  // namespace xr
