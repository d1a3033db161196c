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

// A clock at mm:ss, stopped, counting down unless the rest says otherwise.
constexpr ClockState At(const char (&mmss)[6], ClockState s = {}) {
  s.digits = T(mmss);
  return s;
}
// The same, running with the tick timer armed.
constexpr ClockState Run(const char (&mmss)[6], ClockState s = {}) {
  s.digits = T(mmss);
  s.running = s.ticking = true;
  return s;
}

constexpr Steps kDigits = {ShowChangedDigits};
constexpr Steps kDigitsTold = {ShowChangedDigits, AnnounceFace};
// Every way a run stops lets the display sleep again (HoldScreen); every start holds it.
constexpr Steps kEnd = {ShowChangedDigits, TickTimer,   BlinkTimer, ShowColon,   ShowRunCaption,
                        StopIdleWatch,     ShowPointer, HoldScreen, AnnounceFace};
constexpr Steps kHold = {TickTimer, AnnounceFace};
constexpr Steps kStart = {ShowColour, ShowRunCaption, HideChrome, StartIdleWatch,
                          TickTimer,  BlinkTimer,     HoldScreen};
constexpr Steps kPause = {ShowColour, ShowRunCaption, ShowChrome, StopIdleWatch,
                          TickTimer,  BlinkTimer,     ShowColon,  HoldScreen};
constexpr Steps kRefuse = {ShowColour,    RefuseEmptyCountdown, TickTimer, BlinkTimer,
                           StopIdleWatch, ShowRunCaption,       ShowColon, HoldScreen};
constexpr Steps kReset = {ShowRunCaption, StopIdleWatch, TickTimer,    BlinkTimer, ShowColon,
                          ShowAllDigits,  ShowColour,    AnnounceFace, HoldScreen};
constexpr Steps kSelect = {ShowMode, AnnounceMode, AnnounceFace};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tick, RuleTest, ::testing::Values(
  // Down: the lowest cell that is not 0 goes down, the cells under it to their top.
  Row{"down 10:00", Run("10:00"), Tick, Run("09:59"), kDigits},
  Row{"down 20:00", Run("20:00"), Tick, Run("19:59"), kDigits},
  Row{"down 05:30", Run("05:30"), Tick, Run("05:29"), kDigits},
  Row{"down 59:59", Run("59:59"), Tick, Run("59:58"), kDigits},
  Row{"down to a whole minute is told", Run("02:01"), Tick, Run("02:00"), kDigitsTold},
  Row{"down past a whole minute is not", Run("01:00"), Tick, Run("00:59"), kDigits},
  Row{"down to 00:10 is told", Run("00:11"), Tick, Run("00:10"), kDigitsTold},
  Row{"and each second after", Run("00:10"), Tick, Run("00:09"), kDigitsTold},
  Row{"down to 00:04 is no alert", Run("00:05"), Tick, Run("00:04"), kDigitsTold},
  Row{"leaving 00:04 turns red with the cue", Run("00:04"), Tick, Run("00:03", {.alert = true}), {ShowChangedDigits, ShowColour, PlayCue, AnnounceFace}},
  Row{"a face still red cues again", Run("00:04", {.alert = true}), Tick, Run("00:03", {.alert = true}), {ShowChangedDigits, ShowColour, PlayCue, AnnounceFace}},
  Row{"red stays", Run("00:03", {.alert = true}), Tick, Run("00:02", {.alert = true}), kDigitsTold},
  Row{"started below 00:04: no alert", Run("00:03"), Tick, Run("00:02"), kDigitsTold},
  Row{"the end keeps the red and the blinks", Run("00:01", {.alert = true, .colonShown = false, .blinks = 7}), Tick, At("00:00", {.alert = true, .blinks = 7}), kEnd},
  Row{"the end of a short run", Run("00:01"), Tick, At("00:00"), kEnd},
  Row{"set to 00:00 in a run: held, running", Run("00:00", {.colonShown = false}), Tick, At("00:00", {.running = true, .colonShown = false}), kHold},
  // Up: the lowest cell below its top goes up, the cells under it to 0.
  Row{"up 00:00", Run("00:00", {.mode = kUp}), Tick, Run("00:01", {.mode = kUp}), kDigits},
  Row{"up 00:09", Run("00:09", {.mode = kUp}), Tick, Run("00:10", {.mode = kUp}), kDigits},
  Row{"up to a whole minute is told", Run("00:59", {.mode = kUp}), Tick, Run("01:00", {.mode = kUp}), kDigitsTold},
  Row{"up 09:59", Run("09:59", {.mode = kUp}), Tick, Run("10:00", {.mode = kUp}), kDigitsTold},
  Row{"up 49:59", Run("49:59", {.mode = kUp}), Tick, Run("50:00", {.mode = kUp}), kDigitsTold},
  Row{"up, the first seconds are quiet", Run("00:04", {.mode = kUp}), Tick, Run("00:05", {.mode = kUp}), kDigits},
  Row{"up 59:58", Run("59:58", {.mode = kUp}), Tick, Run("59:59", {.mode = kUp}), kDigits},
  Row{"held at 59:59, running", Run("59:59", {.mode = kUp}), Tick, At("59:59", {.mode = kUp, .running = true}), kHold},
  Row{"turned round at 00:03 stays red", Run("00:03", {.mode = kUp, .alert = true}), Tick, Run("00:04", {.mode = kUp, .alert = true}), kDigits}));

INSTANTIATE_TEST_SUITE_P(Blink, RuleTest, ::testing::Values(
  Row{"the first blink hides", Run("00:00"), Blink, Run("00:00", {.colonShown = false, .blinks = 1}), {ShowColon}},
  Row{"the second shows", Run("00:00", {.colonShown = false, .blinks = 1}), Blink, Run("00:00", {.blinks = 2}), {ShowColon}},
  Row{"an odd count left by a run shows first", Run("00:00", {.blinks = 13}), Blink, Run("00:00", {.blinks = 14}), {ShowColon}},
  Row{"a held clock goes on", At("59:59", {.running = true, .blinks = 4}), Blink, At("59:59", {.running = true, .colonShown = false, .blinks = 5}), {ShowColon}}));

INSTANTIATE_TEST_SUITE_P(RunButton, RuleTest, ::testing::Values(
  Row{"start", At("00:30"), StartOrPause, Run("00:30"), kStart},
  Row{"start up from zero", At("00:00", {.mode = kUp}), StartOrPause, Run("00:00", {.mode = kUp}), kStart},
  Row{"start ends the red, keeps the blinks", At("00:00", {.mode = kUp, .alert = true, .blinks = 9}), StartOrPause, Run("00:00", {.mode = kUp, .blinks = 9}), kStart},
  Row{"pause shows the colon, keeps the blinks", Run("01:58", {.colonShown = false, .blinks = 5}), StartOrPause, At("01:58", {.blinks = 5}), kPause},
  Row{"pause in the last seconds ends the red", Run("00:03", {.alert = true}), StartOrPause, At("00:03"), kPause},
  Row{"pause a count held at the top", At("59:59", {.mode = kUp, .running = true}), StartOrPause, At("59:59", {.mode = kUp}), kPause},
  Row{"an empty countdown is refused", At("00:00"), StartOrPause, At("00:00"), kRefuse},
  Row{"refused after running out red", At("00:00", {.alert = true}), StartOrPause, At("00:00"), kRefuse},
  Row{"refused mid-run, colon blinked off", Run("00:00", {.alert = true, .colonShown = false, .blinks = 5}), StartOrPause, At("00:00", {.blinks = 5}), kRefuse},
  Row{"refused while held at zero", At("00:00", {.running = true}), StartOrPause, At("00:00"), kRefuse}));

INSTANTIATE_TEST_SUITE_P(Reset, RuleTest, ::testing::Values(
  Row{"when stopped", At("12:34"), Reset, At("00:00"), kReset},
  Row{"during a red run", Run("00:02", {.alert = true, .colonShown = false, .blinks = 3}), Reset, At("00:00", {.blinks = 3}), kReset},
  Row{"keeps the mode", Run("59:58", {.mode = kUp}), Reset, At("00:00", {.mode = kUp}), kReset}));

INSTANTIATE_TEST_SUITE_P(Selectors, RuleTest, ::testing::Values(
  Row{"count up, the face and run kept", Run("12:34", {.alert = true}), ToCountUp, Run("12:34", {.mode = kUp, .alert = true}), kSelect},
  Row{"countdown", At("00:00", {.mode = kUp}), ToCountdown, At("00:00"), kSelect},
  Row{"the selected one again", At("00:00", {.mode = kUp}), ToCountUp, At("00:00", {.mode = kUp}), kSelect}));

INSTANTIATE_TEST_SUITE_P(Adjusters, RuleTest, ::testing::Values(
  Row{"no carry up", At("09:00"), Press<kMinuteUnits, true>, At("00:00"), kDigitsTold},
  Row{"no carry at the top", At("59:59"), Press<kSecondUnits, true>, At("59:50"), kDigitsTold},
  Row{"no borrow", At("01:00"), Press<kSecondUnits, false>, At("01:09"), kDigitsTold},
  Row{"tens down from 0", At("00:00"), Press<kSecondTens, false>, At("00:50"), kDigitsTold},
  Row{"minutes' tens up from 5", At("59:59"), Press<kMinuteTens, true>, At("09:59"), kDigitsTold},
  Row{"in a run, which goes on", Run("00:08", {.alert = true}), Press<kMinuteUnits, false>, Run("09:08", {.alert = true}), kDigitsTold}));
// clang-format on

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
