// The face renders its state to the window's controls: which writes a rule's steps make, and in
// what order, as a platform sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

TEST(FaceAtStartUp, AStoppedCountdownFromZeroAsTheDesignShowsIt) {
  Harness h;
  MainForm& f = h.Open();
  EXPECT_EQ(f.face.State(), ClockState{});
  EXPECT_EQ(h.Face(), "00:00");
  EXPECT_EQ(f.countdownSelector.BackColor(), kSelectedColor);
  EXPECT_EQ(f.countUpSelector.BackColor(), kWhite);
  EXPECT_EQ(f.startButton.Caption(), kStartCaption);
}

// --- A tick writes only the digits that changed, left to right
// ------------------------------------

struct TickRow {
  bool countdown;
  const char* before;
  Log writes;
};

class TickWritesTest : public ::testing::TestWithParam<TickRow> {};

TEST_P(TickWritesTest, OnlyTheChangedDigitsInOrder) {
  const TickRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(r.countdown ? f.countdownSelector : f.countUpSelector));
  h.SetFace(r.before);
  ASSERT_TRUE(h.Click(f.startButton));
  const std::size_t mark = h.log.size();
  h.Advance(999);
  EXPECT_EQ(h.DigitWrites(mark), Log{}) << "nothing before the first second";
  h.Advance(1);
  EXPECT_EQ(h.DigitWrites(mark), r.writes) << r.before;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TickWritesTest,
    ::testing::Values(
        TickRow{true, "10:00", {"f1.Caption=0", "f0.Caption=9", "m1.Caption=5", "m0.Caption=9"}},
        TickRow{true, "05:30", {"m1.Caption=2", "m0.Caption=9"}},
        TickRow{false, "00:59", {"f0.Caption=1", "m1.Caption=0", "m0.Caption=0"}},
        TickRow{false, "59:58", {"m0.Caption=9"}}));

TEST(Countdown, TheEndInOrderStillRedAndNothingAfter) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:04");
  ASSERT_TRUE(h.Click(f.startButton));
  std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Entries(mark, {"m0.", "f1.", "f0.", "m1.", "mh1.ForeColor", "PlaySoundFile"}),
            Concat({{"m0.Caption=3"},
                    FaceColourWrites(kRed),
                    {std::string("PlaySoundFile(") + kHomeCuePath + ")"}}));
  EXPECT_EQ(h.fake.playedSounds, std::vector<std::string>{kHomeCuePath});
  h.Advance(2000);
  EXPECT_EQ(h.fake.displayCount, -1) << "the idle watch hid the pointer at the third second";

  mark = h.log.size();
  h.Advance(1000);
  Log tail;
  for (std::size_t i = mark; i < h.log.size(); ++i) {
    if (!tail.empty() || h.log[i] == "m0.Caption=0") tail.push_back(h.log[i]);
  }
  EXPECT_EQ(tail, Concat({{"m0.Caption=0", "Timer2.Enabled=0", "Timer3.Enabled=0", "mh1.Visible=1",
                           "开始.Caption=开 始", "Timer1.Enabled=0"},
                          ChromeWrites(true),
                          {"ShowCursor(1)=0"}}));
  EXPECT_EQ(h.fake.displayCount, 0);

  const std::size_t after = h.log.size();
  h.Advance(20000);
  EXPECT_EQ(h.log.size(), after);
  for (const Label* c : {&f.minuteTens, &f.minuteUnits, &f.secondTens, &f.secondUnits, &f.colon}) {
    EXPECT_EQ(c->ForeColor(), kRed);
  }
  EXPECT_EQ(h.fake.playedSounds.size(), 1u);
}

TEST(Countdown, EachRunThroughThreeSecondsPlaysTheCueAgain) {
  Harness h;
  MainForm& f = h.Open();
  for (int run = 1; run <= 2; ++run) {
    h.SetFace("00:05");
    ASSERT_TRUE(h.Click(f.startButton));
    h.Advance(5000);
    EXPECT_EQ(f.startButton.Caption(), kStartCaption);
    EXPECT_EQ(h.fake.playedSounds.size(), static_cast<std::size_t>(run));
  }
  EXPECT_EQ(h.Entries(0, {"PlaySoundFile"}).size(), 2u);
}

TEST(ColonBlink, EveryHalfSecondOfARunAndShownWhenPaused) {
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(f.countUpSelector));
  ASSERT_TRUE(h.Click(f.startButton));
  std::string seen;
  for (int i = 0; i < 5; ++i) {
    h.Advance(500);
    seen += f.colon.Visible() ? 'S' : 'H';
  }
  EXPECT_EQ(seen, "HSHSH");
  h.NudgeAndWaitForTick();
  h.Advance(200);
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_TRUE(f.colon.Visible());
  EXPECT_EQ(f.face.State().blinks, 6u);
  h.Advance(5000);
  EXPECT_EQ(f.face.State().blinks, 6u);
}

// --- Adjusters and selectors
// ------------------------------------------------------------------------

struct ClickRow {
  const char* control;
  const char* face;
  Log writes;
};

class ClickWritesTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickWritesTest, WritesInOrder) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace(GetParam().face);
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.window[GetParam().control]));
  EXPECT_EQ(Log(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end()), GetParam().writes)
      << GetParam().control;
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ClickWritesTest,
    ::testing::Values(
        ClickRow{"jf1", "59:59", {"f1.Caption=0"}}, ClickRow{"jf0", "33:33", {"f0.Caption=4"}},
        ClickRow{"jm1", "33:33", {"m1.Caption=4"}}, ClickRow{"jm0", "33:33", {"m0.Caption=4"}},
        ClickRow{"kf1", "33:33", {"f1.Caption=2"}}, ClickRow{"kf0", "33:33", {"f0.Caption=2"}},
        ClickRow{"km1", "33:33", {"m1.Caption=2"}}, ClickRow{"km0", "00:00", {"m0.Caption=9"}},
        ClickRow{"zjs", "12:34", {"zjs.BackColor=14737632", "djs.BackColor=16777215"}},
        ClickRow{"djs", "12:34", {"djs.BackColor=14737632", "zjs.BackColor=16777215"}}));

TEST(Preset, ShowsOnlyWhatDiffers) {
  Harness h;
  MainForm& f = h.Open();
  ClockState s{.mode = Mode::CountUp, .digits = {0, 0, 0, 7}, .alert = true};
  f.face.Preset(s);
  EXPECT_EQ(h.log, Concat({{"m0.Caption=7"},
                           FaceColourWrites(kRed),
                           {"zjs.BackColor=14737632", "djs.BackColor=16777215"}}));
  EXPECT_EQ(f.face.State(), s);
  EXPECT_EQ(f.countUpSelector.ForeColor(), kNormalFace) << "the selectors are not part of the face";
}

}  // namespace
}  // namespace xr::test
