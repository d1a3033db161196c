// What the clock face shows and the clock does, as a value, and the rules that move it on. A rule
// never touches a control: it returns the next state and the steps that show it, in the order
// the user sees them happen. Only the face (face.h) performs them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace xr {

enum class Mode : std::uint8_t { CountUp, Countdown };

// The four digit cells, left to right.
enum Digit : std::uint8_t { kMinuteTens, kMinuteUnits, kSecondTens, kSecondUnits };

struct ClockState {
  Mode mode = Mode::Countdown;
  std::array<int, 4> digits{};  // by Digit
  bool running = false;         // the run button offers a pause and the colon blinks
  bool ticking = false;         // the tick timer is armed; a run held at 59:59 or 00:00 is not
  bool alert = false;           // the face is red: from the tick that leaves 00:03 until a start
  bool colonShown = true;
  std::uint64_t blinks = 0;  // colon blinks since the program started; carried over runs

  bool operator==(const ClockState&) const = default;
};

// What a rule asks of the face and of the window around it, in order. The Show* steps render the
// new state; the others are asked of the window (FaceHost) or of a screen reader.
enum class Step : std::uint8_t {
  ShowChangedDigits,  // the cells whose digit differs from the state before
  ShowAllDigits,
  ShowColour,      // the four digits and the colon: red when alerting, the normal text colour else
  ShowColon,       // visible or not
  ShowRunCaption,  // "暂 停" while running, "开 始" else
  ShowMode,        // the chosen selector's background, then the other's
  TickTimer,       // armed or disarmed as the state says
  BlinkTimer,
  HideChrome,
  ShowChrome,
  HoldScreen,      // the display kept awake while running, let go else
  StartIdleWatch,  // centres the pointer too
  StopIdleWatch,
  ShowPointer,
  PlayCue,
  RefuseEmptyCountdown,  // the message box
  AnnounceMode,          // the two selectors' checked states, the chosen one first
  AnnounceFace,
};

// A short ordered list of steps; no rule asks for more than fits.
class Steps {
 public:
  constexpr Steps() = default;
  constexpr Steps(std::initializer_list<Step> steps) { Add(steps); }
  constexpr void Add(Step s) { steps_.at(count_++) = s; }
  constexpr void Add(std::initializer_list<Step> steps) {
    for (Step s : steps) Add(s);
  }
  constexpr const Step* begin() const { return steps_.data(); }
  constexpr const Step* end() const { return steps_.data() + count_; }
  constexpr std::size_t size() const { return count_; }
  constexpr bool operator==(const Steps& o) const {
    return std::equal(begin(), end(), o.begin(), o.end());
  }

 private:
  std::array<Step, 10> steps_{};
  std::size_t count_ = 0;
};

struct Outcome {
  ClockState state;
  Steps steps;
  bool operator==(const Outcome&) const = default;
};

// A "+" or "-" under or over one digit cell.
struct Adjuster {
  Digit digit;
  bool plus;
};

inline constexpr int kDigitTop[4] = {5, 9, 5, 9};

inline constexpr int TotalSeconds(const ClockState& s) {
  return 60 * (10 * s.digits[kMinuteTens] + s.digits[kMinuteUnits]) + 10 * s.digits[kSecondTens] +
         s.digits[kSecondUnits];
}

// The rules. Each is pure: the same state and event always give the same outcome.
Outcome Tick(const ClockState& s);
Outcome Blink(const ClockState& s);
Outcome StartOrPause(const ClockState& s);
Outcome Reset(const ClockState& s);
Outcome Adjust(const ClockState& s, Adjuster a);
Outcome Select(const ClockState& s, Mode m);

// What a screen reader reads of the face, "倒计时 04:57", and of an adjuster, "分钟十位加一".
std::string FaceReading(const ClockState& s);
std::string AdjusterName(Adjuster a);

}  // namespace xr
