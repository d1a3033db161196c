// The clock's rules on their own: a state and an event in, the next state and the steps that
// show it out. One row a case.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "timer_face/clock_state.h"

namespace xr {

void PrintTo(const ClockState& s, std::ostream* os) {
  *os << (s.mode == Mode::Countdown ? "down " : "up ") << FaceReading(s).substr(10)
      << (s.running ? " running" : "") << (s.ticking ? " ticking" : "") << (s.alert ? " red" : "")
      << (s.colonShown ? "" : " colon-hidden") << " blinks=" << s.blinks;
}

void PrintTo(const Steps& steps, std::ostream* os) {
  *os << "steps";
  for (Step s : steps) *os << ' ' << static_cast<int>(s);
}

void PrintTo(const Outcome& o, std::ostream* os) {
  PrintTo(o.state, os);
  *os << "; ";
  PrintTo(o.steps, os);
}

namespace test {
namespace {

using enum Step;

constexpr std::array<int, 4> T(const char (&mmss)[6]) {
  return {mmss[0] - '0', mmss[1] - '0', mmss[3] - '0', mmss[4] - '0'};
}

constexpr Mode kUp = Mode::CountUp;

template <Digit d, bool plus>
Outcome Press(const ClockState& s) {
  return Adjust(s, {d, plus});
}
Outcome ToCountUp(const ClockState& s) { return Select(s, Mode::CountUp); }
Outcome ToCountdown(const ClockState& s) { return Select(s, Mode::Countdown); }

struct Row {
  const char* what;
  ClockState before;
  Outcome (*rule)(const ClockState&);
  ClockState after;
  Steps steps;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.what; }

class RuleTest : public ::testing::TestWithParam<Row> {};

TEST_P(RuleTest, GivesTheNextStateAndItsSteps) {
  const Row& r = GetParam();
  EXPECT_EQ(r.rule(r.before), (Outcome{r.after, r.steps}));
}

constexpr Steps kStop = {TickTimer,      BlinkTimer,    ShowColon,
                         ShowRunCaption, StopIdleWatch, ShowPointer};

INSTANTIATE_TEST_SUITE_P(
    Tick, RuleTest,
    ::testing::Values(
        // Counting down: the lowest cell that is not 0 goes down, the cells under it go to their
        // top.
        Row{"down 10:00",
            {.digits = T("10:00"), .running = true, .ticking = true},
            Tick,
            {.digits = T("09:59"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"down 20:00",
            {.digits = T("20:00"), .running = true, .ticking = true},
            Tick,
            {.digits = T("19:59"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"down 05:30",
            {.digits = T("05:30"), .running = true, .ticking = true},
            Tick,
            {.digits = T("05:29"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"down 59:59",
            {.digits = T("59:59"), .running = true, .ticking = true},
            Tick,
            {.digits = T("59:58"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"down to a whole minute is told",
            {.digits = T("02:01"), .running = true, .ticking = true},
            Tick,
            {.digits = T("02:00"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"down past a whole minute",
            {.digits = T("01:00"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:59"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"down 00:11 is quiet",
            {.digits = T("00:11"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:10"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"the last ten seconds are told",
            {.digits = T("00:10"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:09"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"leaving 00:04 is not the alert",
            {.digits = T("00:05"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:04"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"leaving 00:04 turns red with the cue",
            {.digits = T("00:04"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:03"), .running = true, .ticking = true, .alert = true},
            {ShowChangedDigits, ShowColour, PlayCue, AnnounceFace}},
        Row{"a face already red still cues again",
            {.digits = T("00:04"), .running = true, .ticking = true, .alert = true},
            Tick,
            {.digits = T("00:03"), .running = true, .ticking = true, .alert = true},
            {ShowChangedDigits, ShowColour, PlayCue, AnnounceFace}},
        Row{"red stays",
            {.digits = T("00:03"), .running = true, .ticking = true, .alert = true},
            Tick,
            {.digits = T("00:02"), .running = true, .ticking = true, .alert = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"the end",
            {.digits = T("00:01"),
             .running = true,
             .ticking = true,
             .alert = true,
             .colonShown = false,
             .blinks = 7},
            Tick,
            {.digits = T("00:00"), .alert = true, .blinks = 7},
            {ShowChangedDigits, TickTimer, BlinkTimer, ShowColon, ShowRunCaption, StopIdleWatch,
             ShowPointer, AnnounceFace}},
        Row{"the end of a short one, not red",
            {.digits = T("00:01"), .running = true, .ticking = true},
            Tick,
            {.digits = T("00:00")},
            {ShowChangedDigits, TickTimer, BlinkTimer, ShowColon, ShowRunCaption, StopIdleWatch,
             ShowPointer, AnnounceFace}},
        Row{"a face set to 00:00 in a run holds, still running",
            {.digits = T("00:00"), .running = true, .ticking = true, .colonShown = false},
            Tick,
            {.digits = T("00:00"), .running = true, .colonShown = false},
            {TickTimer, AnnounceFace}},
        // Counting up: the lowest cell below its top goes up, the cells under it go to 0.
        Row{"up 00:00",
            {.mode = kUp, .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("00:01"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"up 00:09",
            {.mode = kUp, .digits = T("00:09"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("00:10"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"up to a whole minute is told",
            {.mode = kUp, .digits = T("00:59"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("01:00"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"up 09:59",
            {.mode = kUp, .digits = T("09:59"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("10:00"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"up 49:59",
            {.mode = kUp, .digits = T("49:59"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("50:00"), .running = true, .ticking = true},
            {ShowChangedDigits, AnnounceFace}},
        Row{"up's last ten seconds are quiet",
            {.mode = kUp, .digits = T("00:04"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("00:05"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"up 59:58",
            {.mode = kUp, .digits = T("59:58"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("59:59"), .running = true, .ticking = true},
            {ShowChangedDigits}},
        Row{"up holds at 59:59, still running",
            {.mode = kUp, .digits = T("59:59"), .running = true, .ticking = true},
            Tick,
            {.mode = kUp, .digits = T("59:59"), .running = true},
            {TickTimer, AnnounceFace}},
        Row{"turned round at 00:03 keeps the red",
            {.mode = kUp, .digits = T("00:03"), .running = true, .ticking = true, .alert = true},
            Tick,
            {.mode = kUp, .digits = T("00:04"), .running = true, .ticking = true, .alert = true},
            {ShowChangedDigits}}));

INSTANTIATE_TEST_SUITE_P(
    Blink, RuleTest,
    ::testing::Values(
        Row{"the first blink hides",
            {.running = true, .ticking = true},
            Blink,
            {.running = true, .ticking = true, .colonShown = false, .blinks = 1},
            {ShowColon}},
        Row{"the second shows",
            {.running = true, .ticking = true, .colonShown = false, .blinks = 1},
            Blink,
            {.running = true, .ticking = true, .blinks = 2},
            {ShowColon}},
        Row{"an odd count left by a run shows first",
            {.running = true, .ticking = true, .blinks = 13},
            Blink,
            {.running = true, .ticking = true, .blinks = 14},
            {ShowColon}},
        Row{"a held clock goes on blinking",
            {.mode = kUp, .digits = T("59:59"), .running = true, .blinks = 4},
            Blink,
            {.mode = kUp, .digits = T("59:59"), .running = true, .colonShown = false, .blinks = 5},
            {ShowColon}}));

INSTANTIATE_TEST_SUITE_P(
    RunButton, RuleTest,
    ::testing::Values(
        Row{"start",
            {.digits = T("00:30")},
            StartOrPause,
            {.digits = T("00:30"), .running = true, .ticking = true},
            {ShowColour, ShowRunCaption, HideChrome, StartIdleWatch, TickTimer, BlinkTimer}},
        Row{"start counting up from zero",
            {.mode = kUp},
            StartOrPause,
            {.mode = kUp, .running = true, .ticking = true},
            {ShowColour, ShowRunCaption, HideChrome, StartIdleWatch, TickTimer, BlinkTimer}},
        Row{"a start ends the red and keeps the blink count",
            {.mode = kUp, .alert = true, .blinks = 9},
            StartOrPause,
            {.mode = kUp, .running = true, .ticking = true, .blinks = 9},
            {ShowColour, ShowRunCaption, HideChrome, StartIdleWatch, TickTimer, BlinkTimer}},
        Row{"pause",
            {.digits = T("01:58"),
             .running = true,
             .ticking = true,
             .colonShown = false,
             .blinks = 5},
            StartOrPause,
            {.digits = T("01:58"), .blinks = 5},
            {ShowColour, ShowRunCaption, ShowChrome, StopIdleWatch, TickTimer, BlinkTimer,
             ShowColon}},
        Row{"pause in the last seconds ends the red",
            {.digits = T("00:03"), .running = true, .ticking = true, .alert = true},
            StartOrPause,
            {.digits = T("00:03")},
            {ShowColour, ShowRunCaption, ShowChrome, StopIdleWatch, TickTimer, BlinkTimer,
             ShowColon}},
        Row{"pause a count-up held at the top",
            {.mode = kUp, .digits = T("59:59"), .running = true},
            StartOrPause,
            {.mode = kUp, .digits = T("59:59")},
            {ShowColour, ShowRunCaption, ShowChrome, StopIdleWatch, TickTimer, BlinkTimer,
             ShowColon}},
        Row{"an empty countdown is refused",
            {},
            StartOrPause,
            {},
            {ShowColour, RefuseEmptyCountdown, TickTimer, BlinkTimer, StopIdleWatch, ShowRunCaption,
             ShowColon}},
        Row{"refused after running out red",
            {.alert = true},
            StartOrPause,
            {},
            {ShowColour, RefuseEmptyCountdown, TickTimer, BlinkTimer, StopIdleWatch, ShowRunCaption,
             ShowColon}},
        Row{"refused mid-run with the colon blinked off",
            {.running = true, .ticking = true, .alert = true, .colonShown = false, .blinks = 5},
            StartOrPause,
            {.blinks = 5},
            {ShowColour, RefuseEmptyCountdown, TickTimer, BlinkTimer, StopIdleWatch, ShowRunCaption,
             ShowColon}},
        Row{"refused while held at zero",
            {.running = true},
            StartOrPause,
            {},
            {ShowColour, RefuseEmptyCountdown, TickTimer, BlinkTimer, StopIdleWatch, ShowRunCaption,
             ShowColon}}));

constexpr Steps kReset = {ShowRunCaption, StopIdleWatch, TickTimer,  BlinkTimer,
                          ShowColon,      ShowAllDigits, ShowColour, AnnounceFace};

INSTANTIATE_TEST_SUITE_P(
    Reset, RuleTest,
    ::testing::Values(Row{"when stopped", {.digits = T("12:34")}, Reset, {}, kReset},
                      Row{"during a red run",
                          {.digits = T("00:02"),
                           .running = true,
                           .ticking = true,
                           .alert = true,
                           .colonShown = false,
                           .blinks = 3},
                          Reset,
                          {.blinks = 3},
                          kReset},
                      Row{"keeps the mode",
                          {.mode = kUp, .digits = T("59:58"), .running = true, .ticking = true},
                          Reset,
                          {.mode = kUp},
                          kReset}));

INSTANTIATE_TEST_SUITE_P(
    Selectors, RuleTest,
    ::testing::Values(
        Row{"count up, leaving the face and the run",
            {.digits = T("12:34"), .running = true, .ticking = true, .alert = true},
            ToCountUp,
            {.mode = kUp, .digits = T("12:34"), .running = true, .ticking = true, .alert = true},
            {ShowMode, AnnounceMode, AnnounceFace}},
        Row{"countdown", {.mode = kUp}, ToCountdown, {}, {ShowMode, AnnounceMode, AnnounceFace}},
        Row{"the selected one again",
            {.mode = kUp},
            ToCountUp,
            {.mode = kUp},
            {ShowMode, AnnounceMode, AnnounceFace}}));

INSTANTIATE_TEST_SUITE_P(
    Adjusters, RuleTest,
    ::testing::Values(
        Row{"no carry up",
            {.digits = T("09:00")},
            Press<kMinuteUnits, true>,
            {.digits = T("00:00")},
            {ShowChangedDigits, AnnounceFace}},
        Row{"no carry up at the top",
            {.digits = T("59:59")},
            Press<kSecondUnits, true>,
            {.digits = T("59:50")},
            {ShowChangedDigits, AnnounceFace}},
        Row{"no borrow",
            {.digits = T("01:00")},
            Press<kSecondUnits, false>,
            {.digits = T("01:09")},
            {ShowChangedDigits, AnnounceFace}},
        Row{"tens down from 0",
            {.digits = T("00:00")},
            Press<kSecondTens, false>,
            {.digits = T("00:50")},
            {ShowChangedDigits, AnnounceFace}},
        Row{"minutes' tens up from 5",
            {.digits = T("59:59")},
            Press<kMinuteTens, true>,
            {.digits = T("09:59")},
            {ShowChangedDigits, AnnounceFace}},
        Row{"during a run, which goes on",
            {.mode = kUp, .digits = T("00:08"), .running = true, .ticking = true, .alert = true},
            Press<kMinuteUnits, false>,
            {.mode = kUp, .digits = T("09:08"), .running = true, .ticking = true, .alert = true},
            {ShowChangedDigits, AnnounceFace}}));

// Each adjuster on its own cell, the other cells at 3.
struct StepRow {
  Adjuster adjuster;
  int before;
  int after;
};

class AdjusterStepTest : public ::testing::TestWithParam<StepRow> {};

TEST_P(AdjusterStepTest, StepsItsOwnCellWithWrapAround) {
  const StepRow& r = GetParam();
  ClockState s{.digits = T("33:33")};
  s.digits[r.adjuster.digit] = r.before;
  ClockState want = s;
  want.digits[r.adjuster.digit] = r.after;
  EXPECT_EQ(Adjust(s, r.adjuster).state, want) << AdjusterName(r.adjuster) << " on " << r.before;
}

constexpr Adjuster kMinuteTensUp{kMinuteTens, true}, kMinuteUnitsUp{kMinuteUnits, true},
    kSecondTensUp{kSecondTens, true}, kSecondUnitsUp{kSecondUnits, true},
    kMinuteTensDown{kMinuteTens, false}, kMinuteUnitsDown{kMinuteUnits, false},
    kSecondTensDown{kSecondTens, false}, kSecondUnitsDown{kSecondUnits, false};

INSTANTIATE_TEST_SUITE_P(
    Steps, AdjusterStepTest,
    ::testing::Values(
        // "+" on a tens cell: 0..5 then 0; on a units cell 0..9 then 0.
        StepRow{kMinuteTensUp, 0, 1}, StepRow{kMinuteTensUp, 4, 5}, StepRow{kMinuteTensUp, 5, 0},
        StepRow{kSecondTensUp, 0, 1}, StepRow{kSecondTensUp, 5, 0}, StepRow{kMinuteUnitsUp, 8, 9},
        StepRow{kMinuteUnitsUp, 9, 0}, StepRow{kSecondUnitsUp, 0, 1}, StepRow{kSecondUnitsUp, 9, 0},
        // "-" on a tens cell: 5..0 then 5; on a units cell 9..0 then 9.
        StepRow{kMinuteTensDown, 1, 0}, StepRow{kMinuteTensDown, 0, 5},
        StepRow{kMinuteTensDown, 5, 4}, StepRow{kSecondTensDown, 0, 5},
        StepRow{kMinuteUnitsDown, 0, 9}, StepRow{kMinuteUnitsDown, 9, 8},
        StepRow{kSecondUnitsDown, 1, 0}, StepRow{kSecondUnitsDown, 0, 9},
        // Out of the cell's range: "+" gives 0 unless below the top, "-" gives the top.
        StepRow{kMinuteTensUp, 7, 0}, StepRow{kSecondTensDown, 6, 5},
        StepRow{kMinuteUnitsUp, -1, 0}, StepRow{kMinuteUnitsDown, -1, 9},
        StepRow{kSecondUnitsUp, 12, 0}, StepRow{kSecondUnitsDown, 12, 9}));

TEST(Adjusters, EachRunsThroughItsWholeRangeAndBack) {
  for (Digit d : {kMinuteTens, kMinuteUnits, kSecondTens, kSecondUnits}) {
    for (bool plus : {true, false}) {
      ClockState s;
      std::string seen;
      for (int i = 0; i <= kDigitTop[d] + 1; ++i) {
        s = Adjust(s, {d, plus}).state;
        seen += std::to_string(s.digits[d]);
      }
      EXPECT_EQ(seen, plus ? (kDigitTop[d] == 5 ? "1234501" : "12345678901")
                           : (kDigitTop[d] == 5 ? "5432105" : "98765432109"))
          << AdjusterName({d, plus});
    }
  }
}

// --- Whole runs ---------------------------------------------------------------------------------

TEST(WholeRuns, AnHourUpEndsHeldAtTheTopWithNoCue) {
  ClockState s{.mode = kUp};
  s = StartOrPause(s).state;
  for (int second = 1; second <= 3599; ++second) {
    const Outcome o = Tick(s);
    ASSERT_EQ(TotalSeconds(o.state), second);
    ASSERT_EQ(std::count(o.steps.begin(), o.steps.end(), PlayCue), 0);
    s = o.state;
  }
  s = Tick(s).state;
  EXPECT_EQ(s, (ClockState{.mode = kUp, .digits = T("59:59"), .running = true}));
}

TEST(WholeRuns, AnHourDownCuesOnceAndStopsAtZero) {
  ClockState s{.digits = T("59:59")};
  s = StartOrPause(s).state;
  int cues = 0;
  for (int second = 3598; second >= 0; --second) {
    const Outcome o = Tick(s);
    ASSERT_EQ(TotalSeconds(o.state), second);
    ASSERT_EQ(o.state.running, second > 0);
    cues += static_cast<int>(std::count(o.steps.begin(), o.steps.end(), PlayCue));
    s = o.state;
  }
  EXPECT_EQ(cues, 1);
  EXPECT_EQ(s, (ClockState{.alert = true}));
}

// --- What a screen reader reads -----------------------------------------------------------------

TEST(Reading, TheModeAndTheTime) {
  EXPECT_EQ(FaceReading({.digits = T("04:57")}), "倒计时 04:57");
  EXPECT_EQ(FaceReading({.mode = kUp}), "正计时 00:00");
  EXPECT_EQ(AdjusterName(kMinuteTensUp), "分钟十位加一");
  EXPECT_EQ(AdjusterName(kMinuteUnitsDown), "分钟个位减一");
  EXPECT_EQ(AdjusterName(kSecondTensDown), "秒钟十位减一");
  EXPECT_EQ(AdjusterName(kSecondUnitsUp), "秒钟个位加一");
}

}  // namespace
}  // namespace test
}  // namespace xr
