// The one-second tick in both directions, the end of a countdown with its alert colour and cue,
// and the colon blink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

void SetMode(Harness& h, bool countdown) {
  ASSERT_TRUE(h.Click(countdown ? h.f().djs : h.f().zjs));
}

// --- One step ---------------------------------------------------------------------------------

struct StepRow {
  bool countdown;
  const char* before;
  Log writes;  // digit writes of the first tick, in order
  const char* after;
};

class TickStepTest : public ::testing::TestWithParam<StepRow> {};

TEST_P(TickStepTest, WritesOnlyTheChangedDigitsInOrder) {
  const StepRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  SetMode(h, r.countdown);
  h.SetFace(r.before);
  ASSERT_TRUE(h.Click(f.开始));
  const std::size_t mark = h.log.size();
  h.Advance(999);
  EXPECT_EQ(h.Face(), r.before) << "nothing before the first second";
  h.Advance(1);
  EXPECT_EQ(h.DigitWrites(mark), r.writes) << (r.countdown ? "down from " : "up from ") << r.before;
  EXPECT_EQ(h.Face(), r.after);
  EXPECT_TRUE(f.Timer2.Enabled());
  EXPECT_EQ(f.开始.Caption(), kPauseCaption);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TickStepTest,
    ::testing::Values(
        StepRow{true,
                "10:00",
                {"f1.Caption=0", "f0.Caption=9", "m1.Caption=5", "m0.Caption=9"},
                "09:59"},
        StepRow{true, "01:00", {"f0.Caption=0", "m1.Caption=5", "m0.Caption=9"}, "00:59"},
        StepRow{true, "00:10", {"m1.Caption=0", "m0.Caption=9"}, "00:09"},
        StepRow{true, "00:05", {"m0.Caption=4"}, "00:04"},
        StepRow{true, "59:59", {"m0.Caption=8"}, "59:58"},
        StepRow{true,
                "20:00",
                {"f1.Caption=1", "f0.Caption=9", "m1.Caption=5", "m0.Caption=9"},
                "19:59"},
        StepRow{true, "05:30", {"m1.Caption=2", "m0.Caption=9"}, "05:29"},
        StepRow{false, "00:59", {"f0.Caption=1", "m1.Caption=0", "m0.Caption=0"}, "01:00"},
        StepRow{false,
                "09:59",
                {"f1.Caption=1", "f0.Caption=0", "m1.Caption=0", "m0.Caption=0"},
                "10:00"},
        StepRow{false, "59:58", {"m0.Caption=9"}, "59:59"},
        StepRow{false, "00:00", {"m0.Caption=1"}, "00:01"},
        StepRow{false, "00:09", {"m1.Caption=1", "m0.Caption=0"}, "00:10"},
        StepRow{false,
                "49:59",
                {"f1.Caption=5", "f0.Caption=0", "m1.Caption=0", "m0.Caption=0"},
                "50:00"}));

// --- A held-up event loop ------------------------------------------------------------------------

struct LateRow {
  const char* what;
  std::int64_t stallMs;   // how long after the start the loop first runs again
  std::int64_t nextTick;  // when the second tick is due, from the start
};

class LateTickTest : public ::testing::TestWithParam<LateRow> {};

TEST_P(LateTickTest, MissedTicksAreNotMadeUpAndTheBeatKeepsItsPhase) {
  const LateRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  SetMode(h, false);
  const std::int64_t start = h.fake.NowMs();
  ASSERT_TRUE(h.Click(f.开始));
  h.fake.Stall(r.stallMs);
  h.Advance(0);
  EXPECT_EQ(h.Face(), "00:01") << "one late tick for all the missed ones";
  h.Advance(start + r.nextTick - 1 - h.fake.NowMs());
  EXPECT_EQ(h.Face(), "00:01");
  h.Advance(1);
  EXPECT_EQ(h.Face(), "00:02");
}

INSTANTIATE_TEST_SUITE_P(Stalls, LateTickTest,
                         ::testing::Values(LateRow{"late, none missed", 1200, 2000},
                                           LateRow{"one missed", 2500, 3000},
                                           LateRow{"due again at the late moment", 3000, 4000},
                                           LateRow{"many missed", 9999, 10000}));

// --- A whole countdown ------------------------------------------------------------------------

TEST(Countdown, FromFourSecondsTurnsRedAtThreeAndEndsAtZero) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:04");
  ASSERT_TRUE(h.Click(f.开始));

  std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:03");
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1}) {
    EXPECT_EQ(c->ForeColor(), kRed) << c->Name();
  }
  EXPECT_EQ(h.Entries(mark, {"m0.", "f1.", "f0.", "m1.", "mh1.ForeColor", "WindowsMediaPlayer1"}),
            Concat({{"m0.Caption=3"},
                    FaceColourWrites(kRed),
                    {std::string("WindowsMediaPlayer1.Url=") + kHomeCuePath}}));
  EXPECT_EQ(h.fake.playedSounds, std::vector<std::string>{kHomeCuePath});

  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:02");
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:01");
  // The idle watch hid the pointer at the third second of rest.
  EXPECT_EQ(h.fake.displayCount, -1);
  EXPECT_TRUE(f.Timer2.Enabled());

  mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:00");
  Log tail;
  bool seen = false;
  for (std::size_t i = mark; i < h.log.size(); ++i) {
    seen = seen || h.log[i] == "m0.Caption=0";
    if (seen) tail.push_back(h.log[i]);
  }
  EXPECT_EQ(tail, Concat({{"m0.Caption=0", "Timer2.Enabled=0", "Timer3.Enabled=0", "mh1.Visible=1",
                           "开始.Caption=开 始", "Timer1.Enabled=0"},
                          ChromeWrites(true),
                          {"ShowCursor(1)=0"}}));
  EXPECT_EQ(h.fake.displayCount, 0);
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_TRUE(f.mh1.Visible());

  // Stopped for good, still red, the cue played once.
  const std::size_t after = h.log.size();
  h.Advance(20000);
  EXPECT_EQ(h.log.size(), after);
  EXPECT_EQ(h.Face(), "00:00");
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1}) EXPECT_EQ(c->ForeColor(), kRed);
  EXPECT_EQ(h.fake.playedSounds.size(), 1u);
}

struct ShortRow {
  const char* from;
  int ticks;
};

class ShortCountdownTest : public ::testing::TestWithParam<ShortRow> {};

TEST_P(ShortCountdownTest, NoAlertNoCueButStillEnds) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace(GetParam().from);
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(1000 * GetParam().ticks - 1);
  EXPECT_EQ(f.开始.Caption(), kPauseCaption);
  h.Advance(1);
  EXPECT_EQ(h.Face(), "00:00");
  EXPECT_EQ(f.开始.Caption(), kStartCaption);
  EXPECT_FALSE(f.Timer1.Enabled());
  EXPECT_FALSE(f.Timer2.Enabled());
  EXPECT_FALSE(f.Timer3.Enabled());
  EXPECT_TRUE(f.mh1.Visible());
  EXPECT_TRUE(h.AllChrome(true));
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1}) {
    EXPECT_EQ(c->ForeColor(), kNormalFace) << c->Name();
  }
  EXPECT_TRUE(h.fake.playedSounds.empty());
  EXPECT_EQ(h.Entries(0, {"WindowsMediaPlayer1"}), Log{});
}

INSTANTIATE_TEST_SUITE_P(Froms, ShortCountdownTest,
                         ::testing::Values(ShortRow{"00:03", 3}, ShortRow{"00:02", 2},
                                           ShortRow{"00:01", 1}));

TEST(Countdown, TwoRunsThroughThreeSecondsPlayTheCueTwice) {
  Harness h;
  MainForm& f = h.Open();
  for (int run = 1; run <= 2; ++run) {
    h.SetFace("00:05");
    ASSERT_TRUE(h.Click(f.开始));
    h.Advance(5000);
    EXPECT_EQ(f.开始.Caption(), kStartCaption);
    EXPECT_EQ(h.fake.playedSounds.size(), static_cast<std::size_t>(run));
  }
  EXPECT_EQ(h.Entries(0, {"WindowsMediaPlayer1"}).size(), 2u);
}

TEST(Countdown, PausedInTheLastSecondsGetsTheNormalColourBackForGood) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:05");
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(1000);
  h.NudgeAndWaitForTick();  // 00:03, and the chrome is back
  ASSERT_EQ(h.Face(), "00:03");
  ASSERT_EQ(f.m0.ForeColor(), kRed);
  ASSERT_TRUE(h.AllChrome(true));
  ASSERT_TRUE(h.Click(f.开始));  // pause
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1})
    EXPECT_EQ(c->ForeColor(), kNormalFace);
  EXPECT_TRUE(f.mh1.Visible());
  h.Advance(5000);
  EXPECT_EQ(h.Face(), "00:03");
  ASSERT_TRUE(h.Click(f.开始));  // resume
  h.Advance(3000);
  EXPECT_EQ(h.Face(), "00:00");
  EXPECT_EQ(f.开始.Caption(), kStartCaption);
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1})
    EXPECT_EQ(c->ForeColor(), kNormalFace);
  EXPECT_EQ(h.fake.playedSounds.size(), 1u);
}

TEST(Countdown, LoweredToFourSecondsDuringARunTurnsRedAtTheNextTick) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:10");
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(1000);
  h.NudgeAndWaitForTick();
  ASSERT_EQ(h.Face(), "00:08");
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(h.Click(f.km0));
  ASSERT_EQ(h.Face(), "00:04");
  EXPECT_TRUE(h.fake.playedSounds.empty());
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:03");
  EXPECT_EQ(f.mh1.ForeColor(), kRed);
  EXPECT_EQ(h.fake.playedSounds, std::vector<std::string>{kHomeCuePath});
}

TEST(Countdown, SwitchingToCountUpDuringARunTurnsAroundAtTheNextTick) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:05");
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(1000);
  h.NudgeAndWaitForTick();
  ASSERT_EQ(h.Face(), "00:03");
  ASSERT_TRUE(h.Click(f.zjs));
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:04");
  EXPECT_EQ(f.f1.ForeColor(), kRed) << "the alert colour already on the face stays";
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "00:05");
  ASSERT_TRUE(h.Click(f.djs));  // the chrome shown by the last movement is still up
  h.Advance(2000);
  EXPECT_EQ(h.Face(), "00:03");
  EXPECT_EQ(h.fake.playedSounds.size(), 2u);
}

TEST(Countdown, FaceSetToZeroDuringARunHoldsTheClock) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:10");
  ASSERT_TRUE(h.Click(f.开始));
  h.NudgeAndWaitForTick();
  ASSERT_EQ(h.Face(), "00:09");
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(h.Click(f.km0));
  ASSERT_EQ(h.Face(), "00:00");
  const std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.DigitWrites(mark), Log{});
  EXPECT_FALSE(f.Timer2.Enabled());
  EXPECT_TRUE(f.Timer3.Enabled()) << "the colon keeps blinking";
  EXPECT_TRUE(f.Timer1.Enabled());
  EXPECT_EQ(f.开始.Caption(), kPauseCaption);
  EXPECT_TRUE(h.fake.playedSounds.empty());
}

// --- Counting up ----------------------------------------------------------------------------

TEST(CountUp, StopsTickingAtTheTopButStaysRunning) {
  Harness h;
  MainForm& f = h.Open();
  SetMode(h, false);
  h.SetFace("59:58");
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "59:59");
  EXPECT_TRUE(f.Timer2.Enabled());
  const std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.DigitWrites(mark), Log{});
  EXPECT_EQ(h.Entries(mark, {"Timer"}), Log{"Timer2.Enabled=0"});
  EXPECT_EQ(h.Face(), "59:59");
  EXPECT_FALSE(f.Timer2.Enabled());
  EXPECT_TRUE(f.Timer3.Enabled());
  EXPECT_TRUE(f.Timer1.Enabled());
  EXPECT_EQ(f.开始.Caption(), kPauseCaption);
  // The colon goes on blinking.
  const bool colon = f.mh1.Visible();
  h.Advance(500);
  EXPECT_NE(f.mh1.Visible(), colon);
  h.Advance(500);
  EXPECT_EQ(f.mh1.Visible(), colon);
  h.Advance(60000);
  EXPECT_EQ(h.Face(), "59:59");
  EXPECT_TRUE(h.fake.playedSounds.empty());
  h.NudgeAndWaitForTick();
  ASSERT_TRUE(h.Click(f.开始));
  EXPECT_EQ(f.开始.Caption(), kStartCaption) << "the next click pauses";
  EXPECT_TRUE(h.fake.messages.empty());
}

TEST(CountUp, ContinuesFromWhateverTheFaceShows) {
  Harness h;
  MainForm& f = h.Open();
  SetMode(h, false);
  h.SetFace("12:34");
  ASSERT_TRUE(h.Click(f.开始));
  h.Advance(3000);
  EXPECT_EQ(h.Face(), "12:37");
  h.Advance(23000);
  EXPECT_EQ(h.Face(), "13:00");
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1})
    EXPECT_EQ(c->ForeColor(), kNormalFace);
}

TEST(CountUp, AnHourFromZeroEndsAtTheTop) {
  Harness h;
  MainForm& f = h.Open();
  h.Logging(false);
  SetMode(h, false);
  ASSERT_TRUE(h.Click(f.开始));
  for (int s = 1; s <= 3599; ++s) {
    h.Advance(1000);
    const int shown = FaceSeconds(f.face);
    if (shown != s) {
      ADD_FAILURE() << "after " << s << " ticks the face shows " << h.Face();
      break;
    }
  }
  h.Advance(5000);
  EXPECT_EQ(h.Face(), "59:59");
  EXPECT_FALSE(f.Timer2.Enabled());
}

TEST(Countdown, AnHourDownToZero) {
  Harness h;
  MainForm& f = h.Open();
  h.Logging(false);
  h.SetFace("59:59");
  ASSERT_TRUE(h.Click(f.开始));
  for (int s = 3598; s >= 0; --s) {
    h.Advance(1000);
    if (FaceSeconds(f.face) != s) {
      ADD_FAILURE() << "expected " << s << " s, the face shows " << h.Face();
      break;
    }
  }
  EXPECT_EQ(f.开始.Caption(), kStartCaption);
  EXPECT_EQ(h.fake.playedSounds.size(), 1u);
}

// --- Colon blink ----------------------------------------------------------------------------

TEST(ColonBlink, HiddenAndShownEveryHalfSecondAndThePhaseCarriesAcrossRuns) {
  Harness h;
  MainForm& f = h.Open();
  SetMode(h, false);
  ASSERT_TRUE(h.Click(f.开始));
  std::string first;
  for (int i = 0; i < 4; ++i) {
    h.Advance(500);
    first += f.mh1.Visible() ? 'S' : 'H';
  }
  EXPECT_EQ(first, "HSHS") << "the first blink of the first run hides";
  h.Advance(500);  // fifth blink: hidden
  ASSERT_FALSE(f.mh1.Visible());
  h.NudgeAndWaitForTick();  // sixth blink at 3000
  h.Advance(200);
  ASSERT_TRUE(h.Click(f.开始));  // pause with six blinks counted
  EXPECT_TRUE(f.mh1.Visible());
  EXPECT_EQ(f.face.blinkCount, 6u);
  h.Advance(5000);
  EXPECT_EQ(f.face.blinkCount, 6u);
  ASSERT_TRUE(h.Click(f.开始));
  std::string second;
  for (int i = 0; i < 4; ++i) {
    h.Advance(500);
    second += f.mh1.Visible() ? 'S' : 'H';
  }
  EXPECT_EQ(second, "HSHS");
  EXPECT_EQ(f.face.blinkCount, 10u);
  // An odd count left by a run makes the next run's first blink show the colon.
  h.fake.pointerX += 1;
  h.Advance(1000);  // blinks 11 and 12; the idle watch sees the move and shows the chrome
  h.Advance(500);   // blink 13
  ASSERT_EQ(f.face.blinkCount, 13u);
  ASSERT_TRUE(h.AllChrome(true));
  ASSERT_TRUE(h.Click(f.开始));  // pause
  ASSERT_TRUE(h.Click(f.开始));  // start
  h.Advance(500);
  EXPECT_EQ(f.face.blinkCount, 14u);
  EXPECT_TRUE(f.mh1.Visible()) << "blinkCount is never reset";
}

}  // namespace
}  // namespace xr::test
