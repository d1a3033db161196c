// Idle hide: the pointer and the chrome controls go after three seconds of rest during a run and
// come back on the first movement; the pointer's display count; midnight; closing the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

// Starts counting up at virtual time 0 with the clock at clockBase; the start centres the
// pointer at 960, 540 and hides the chrome itself.
MainForm& StartResting(Harness& h, double clockBase) {
  h.fake.clockBase = clockBase;
  MainForm& f = h.Open();
  EXPECT_TRUE(h.Click(f.countUpSelector));
  EXPECT_TRUE(h.Click(f.startButton));
  if (!h.fake.pointerFixed) {
    EXPECT_EQ(h.fake.pointerX, 960);
  }
  return f;
}

Log ShowCursorRun(bool show, int from, int to) {
  Log out;
  const int step = show ? 1 : -1;
  for (int n = from + step;; n += step) {
    out.push_back(std::string("ShowCursor(") + (show ? "1" : "0") + ")=" + std::to_string(n));
    if (n == to) break;
  }
  return out;
}

// --- When the hide comes --------------------------------------------------------------------

struct HideRow {
  double clockBase;  // time of day at the start
  int lastMoveTime;  // the start time to the nearest second, halves to even
  int hideTick;      // the first idle tick that hides
};

class HideTimingTest : public ::testing::TestWithParam<HideRow> {};

TEST_P(HideTimingTest, AtTheFirstTickWithThreeSecondsSinceTheRoundedStart) {
  const HideRow& r = GetParam();
  Harness h;
  MainForm& f = StartResting(h, r.clockBase);
  EXPECT_EQ(f.lastMoveTime, r.lastMoveTime);
  EXPECT_EQ(f.idleLimit, 3);
  for (int tick = 1; tick < r.hideTick; ++tick) {
    const std::size_t mark = h.log.size();
    h.Advance(1000);
    EXPECT_EQ(h.Entries(mark, {"ShowCursor", "开始.Visible"}), Log{}) << "tick " << tick;
  }
  EXPECT_EQ(h.fake.displayCount, 0);
  EXPECT_TRUE(h.AllChrome(false)) << "hidden by the start itself";
  const std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Entries(mark, {"ShowCursor", "开始.", "重置.", "more.", "zjs.", "djs.", "jf", "jm",
                             "kf", "km"}),
            Concat({ChromeWrites(false), {"ShowCursor(0)=-1"}}));
  EXPECT_EQ(h.fake.displayCount, -1);
  h.Advance(1000);
  EXPECT_EQ(h.fake.displayCount, -2) << "every further tick of rest lowers the count";
}

INSTANTIATE_TEST_SUITE_P(Starts, HideTimingTest,
                         ::testing::Values(HideRow{43200.0, 43200, 3},  // exactly 3 s hides
                                           HideRow{43200.4, 43200, 3},
                                           HideRow{43200.5, 43200, 3},  // half to even: down
                                           HideRow{43200.6, 43201, 4}, HideRow{43201.4, 43201, 3},
                                           HideRow{43201.5, 43202, 4},  // half to even: up
                                           HideRow{43201.6, 43202, 4}, HideRow{0.0, 0, 3},
                                           HideRow{2.5, 2, 3}, HideRow{3.5, 4, 4}));

// A pointer the platform could not move rests where it really is: the run hides the chrome and
// the pointer after three seconds, the chrome never coming back in between.
TEST(HideTiming, PointerThatCouldNotBeMovedRestsWhereItIs) {
  Harness h;
  h.fake.pointerFixed = true;
  h.fake.pointerX = 100;
  h.fake.pointerY = 200;
  StartResting(h, 43200.0);
  for (int tick = 1; tick <= 3; ++tick) {
    h.Advance(1000);
    EXPECT_TRUE(h.AllChrome(false)) << "tick " << tick;
  }
  EXPECT_EQ(h.fake.displayCount, -1);
}

// A tap where the pointer rests wakes the hidden chrome at the next look, as a movement does.
TEST(HideTiming, ATapWhereThePointerRestsWakes) {
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(f.countUpSelector));
  h.fake.Press(f.window);  // the start's own click: no activity of the run it starts
  ASSERT_TRUE(h.Click(f.startButton));
  h.Advance(3000);
  ASSERT_TRUE(h.AllChrome(false));
  h.fake.Press(f.window);
  h.Advance(1000);
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_EQ(h.fake.displayCount, 0);
}

// --- Movement -------------------------------------------------------------------------------

struct MoveRow {
  int dx, dy;
};

class OnePixelMoveTest : public ::testing::TestWithParam<MoveRow> {};

TEST_P(OnePixelMoveTest, BringsChromeAndPointerBackAtTheNextTick) {
  Harness h;
  MainForm& f = StartResting(h, 43200.0);
  h.Advance(3000);
  ASSERT_EQ(h.fake.displayCount, -1);
  h.Advance(300);
  h.fake.pointerX += GetParam().dx;
  h.fake.pointerY += GetParam().dy;
  std::size_t mark = h.log.size();
  h.Advance(700);
  EXPECT_EQ(h.Entries(mark, {"ShowCursor", "开始.", "重置.", "more.", "zjs.", "djs.", "jf", "jm",
                             "kf", "km"}),
            Concat({ChromeWrites(true), {"ShowCursor(1)=0"}}));
  EXPECT_EQ(h.fake.displayCount, 0);
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_EQ(f.restX, 960 + GetParam().dx);
  EXPECT_EQ(f.restY, 540 + GetParam().dy);
  EXPECT_EQ(f.pointerX, f.restX);
  EXPECT_EQ(f.lastMoveTime, 43204);
  // Three seconds of rest later both go again.
  h.Advance(2000);
  EXPECT_TRUE(h.AllChrome(true));
  mark = h.log.size();
  h.Advance(1000);
  EXPECT_TRUE(h.AllChrome(false));
  EXPECT_EQ(h.Entries(mark, {"ShowCursor"}), Log{"ShowCursor(0)=-1"});
}

INSTANTIATE_TEST_SUITE_P(Moves, OnePixelMoveTest,
                         ::testing::Values(MoveRow{1, 0}, MoveRow{-1, 0}, MoveRow{0, 1},
                                           MoveRow{0, -1}, MoveRow{1, 1}, MoveRow{-700, 300}));

struct RecordedMoveRow {
  double clockBase;  // time of day at the start; the movement is seen one second later
  int lastMoveTime;  // the time of that tick to the nearest second, halves to even
  int restTicks;     // ticks of rest after it until the hide
};

class RecordedMoveTest : public ::testing::TestWithParam<RecordedMoveRow> {};

TEST_P(RecordedMoveTest, TheTimeOfTheMoveIsRoundedHalfToEven) {
  const RecordedMoveRow& r = GetParam();
  Harness h;
  MainForm& f = StartResting(h, r.clockBase);
  h.fake.pointerX += 1;
  h.Advance(1000);
  ASSERT_EQ(h.fake.displayCount, 1);
  EXPECT_EQ(f.lastMoveTime, r.lastMoveTime);
  h.Advance(1000 * (r.restTicks - 1));
  EXPECT_EQ(h.fake.displayCount, 1);
  h.Advance(1000);
  EXPECT_EQ(h.fake.displayCount, -1) << "hidden after " << r.restTicks << " ticks of rest";
}

INSTANTIATE_TEST_SUITE_P(Moves, RecordedMoveTest,
                         ::testing::Values(RecordedMoveRow{43200.5, 43202, 4},  // 43201.5 up
                                           RecordedMoveRow{43201.5, 43202, 3},  // 43202.5 down
                                           RecordedMoveRow{43201.4, 43202, 3},
                                           RecordedMoveRow{43201.6, 43203, 4},
                                           RecordedMoveRow{86398.5, 86400, 4},
                                           RecordedMoveRow{86399.5, 0, 3}));

TEST(IdleWatch, AMoveUndoneBetweenTwoTicksCountsAsRest) {
  Harness h;
  StartResting(h, 43200.0);
  h.Advance(3000);
  ASSERT_EQ(h.fake.displayCount, -1);
  h.Advance(200);
  h.fake.pointerX += 40;
  h.Advance(400);
  h.fake.pointerX -= 40;
  h.Advance(400);
  EXPECT_EQ(h.fake.displayCount, -2);
  EXPECT_TRUE(h.AllChrome(false));
}

TEST(IdleWatch, AMinuteOfRestThenOneMoveShowsThePointerInOneGo) {
  Harness h;
  StartResting(h, 43200.0);
  h.Advance(3000);
  h.Advance(60000);
  EXPECT_EQ(h.fake.displayCount, -61);
  h.fake.pointerY -= 1;
  const std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Entries(mark, {"ShowCursor", "开始.Visible"}),
            Concat({{"开始.Visible=1"}, ShowCursorRun(true, -61, 0)}));
  EXPECT_EQ(h.fake.displayCount, 0);
}

TEST(IdleWatch, KeepMovingThenRestHidesThePointerInOneGo) {
  Harness h;
  StartResting(h, 43200.0);
  for (int i = 1; i <= 20; ++i) {
    h.fake.pointerX += (i % 2 == 0) ? 3 : -2;
    h.Advance(1000);
    ASSERT_EQ(h.fake.displayCount, i) << "each tick with movement raises the count";
  }
  EXPECT_TRUE(h.AllChrome(true));
  h.Advance(2000);
  EXPECT_EQ(h.fake.displayCount, 20);
  const std::size_t mark = h.log.size();
  h.Advance(1000);
  EXPECT_EQ(h.Entries(mark, {"ShowCursor", "开始.Visible"}),
            Concat({{"开始.Visible=0"}, ShowCursorRun(false, 20, -1)}));
  EXPECT_EQ(h.fake.displayCount, -1);
}

struct FailedReadRow {
  const char* what;
  float frameLeft,
      frameTop;  // the window's outer frame; its centre is where a start puts the pointer
  bool movedAtFirstTick;
};

class FailedCursorReadTest : public ::testing::TestWithParam<FailedReadRow> {};

TEST_P(FailedCursorReadTest, ReadsAsTheOrigin) {
  const FailedReadRow& r = GetParam();
  Harness h;
  h.fake.clockBase = 43200.0;
  MainForm& f = h.Open();
  f.window.SetFrame(r.frameLeft, r.frameTop, 7800, 5445);
  ASSERT_TRUE(h.Click(f.countUpSelector));
  ASSERT_TRUE(h.Click(f.startButton));
  h.fake.cursorPosFails = true;
  h.Advance(1000);
  EXPECT_EQ(f.pointerX, 0);
  EXPECT_EQ(f.pointerY, 0);
  EXPECT_EQ(h.fake.displayCount, r.movedAtFirstTick ? 1 : 0) << r.what;
  EXPECT_EQ(f.restX, 0);
  EXPECT_EQ(f.restY, 0);
  h.Advance(r.movedAtFirstTick ? 3000 : 2000);
  EXPECT_EQ(h.fake.displayCount, -1) << "resting at the origin hides after three seconds";
}

INSTANTIATE_TEST_SUITE_P(Frames, FailedCursorReadTest,
                         ::testing::Values(FailedReadRow{"centre elsewhere", 10380, 5085, true},
                                           FailedReadRow{"centre at the origin", -3900, -2715,
                                                         false}));

// --- Midnight -------------------------------------------------------------------------------

struct MidnightRow {
  double clockBase;
  int lastMoveTime;
  int hideTick;
};

class MidnightTest : public ::testing::TestWithParam<MidnightRow> {};

TEST_P(MidnightTest, ARestAcrossMidnightCountsInFull) {
  const MidnightRow& r = GetParam();
  Harness h;
  MainForm& f = StartResting(h, r.clockBase);
  EXPECT_EQ(f.lastMoveTime, r.lastMoveTime);
  h.Advance(1000 * (r.hideTick - 1));
  EXPECT_EQ(h.fake.displayCount, 0);
  h.Advance(1000);
  EXPECT_EQ(h.fake.displayCount, -1) << "hidden at tick " << r.hideTick;
  h.Advance(3000);
  EXPECT_EQ(h.fake.displayCount, -4) << "and the rest goes on counting after midnight";
}

INSTANTIATE_TEST_SUITE_P(
    Starts, MidnightTest,
    ::testing::Values(MidnightRow{86398.4, 86398, 3}, MidnightRow{86398.0, 86398, 3},
                      MidnightRow{86397.6, 86398, 4}, MidnightRow{86399.5, 86400, 4},
                      MidnightRow{86399.9, 86400, 4}, MidnightRow{86399.0, 86399, 3},
                      MidnightRow{86395.0, 86395, 3}));

// --- Keys ---------------------------------------------------------------------------------------

struct KeyRow {
  const char* what;
  bool start;        // counting up from the zjs selector at 43200 s
  bool nudge;        // the pointer moves before the first idle tick
  int keyAtMs;       // after the start, or after opening
  bool used;         // the key wakes the chrome and goes no further
  int lastMoveTime;  // after the key
  int hideAtMs;      // when the chrome goes again; 0: it stays
};

class KeyTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeyTest, AKeyWakesHiddenChromeAndCountsAsActivity) {
  const KeyRow& r = GetParam();
  Harness h;
  h.fake.clockBase = 43200.0;
  MainForm& f = h.Open();
  if (r.start) {
    ASSERT_TRUE(h.Click(f.countUpSelector));
    ASSERT_TRUE(h.Click(f.startButton));
  }
  if (r.nudge) h.fake.pointerX += 1;
  h.Advance(r.keyAtMs);
  const int count = h.fake.displayCount;
  const std::size_t mark = h.log.size();
  EXPECT_EQ(h.fake.Key(f.window), r.used);
  const Log woken =
      Concat({ChromeWrites(true), ShowCursorRun(true, count, count < 0 ? 0 : count + 1)});
  EXPECT_EQ(Log(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end()),
            r.used ? woken : Log{});
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_GE(h.fake.displayCount, 0);
  EXPECT_EQ(f.lastMoveTime, r.lastMoveTime);
  // Held down, the key repeats, some repeats looking like fresh presses: used up as its press
  // was, and nothing more happens.
  const std::size_t held = h.log.size();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(h.fake.Key(f.window), r.used) << "repeat " << i;
    // The focus going away and back while the key is held changes nothing.
    h.fake.LoseKeyboard(f.window);
  }
  EXPECT_FALSE(h.fake.Key(f.window, 'a')) << "another key, pressed meanwhile, goes on";
  EXPECT_EQ(h.fake.KeyUp(f.window), r.used);
  EXPECT_FALSE(h.fake.Key(f.window)) << "pressed again after its release, the key goes on";
  EXPECT_FALSE(h.fake.KeyUp(f.window));
  EXPECT_EQ(h.log.size(), held);
  if (r.hideAtMs == 0) {
    h.Advance(10000);
    EXPECT_TRUE(h.AllChrome(true));
    return;
  }
  h.Advance(r.hideAtMs - r.keyAtMs - 1);
  EXPECT_TRUE(h.AllChrome(true)) << "hidden before three seconds of rest after the key";
  h.Advance(1);
  EXPECT_TRUE(h.AllChrome(false));
  EXPECT_EQ(h.fake.displayCount, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, KeyTest,
    ::testing::Values(
        KeyRow{"hidden with the pointer after a rest", true, false, 7000, true, 43207, 10000},
        KeyRow{"hidden by the start alone", true, false, 1500, true, 43202, 5000},
        KeyRow{"shown while running: the hide is put off", true, true, 2500, false, 43202, 5000},
        KeyRow{"clock stopped", false, false, 1000, false, 0, 0}));

// --- Closing and pausing ----------------------------------------------------------------------

struct UnloadRow {
  int restTicks;  // ticks of rest after a start before the window is closed; -1: never started
  int countBefore;
};

class UnloadTest : public ::testing::TestWithParam<UnloadRow> {};

TEST_P(UnloadTest, ShowsEverythingThenEndsTheProgram) {
  const UnloadRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  if (r.restTicks >= 0) {
    ASSERT_TRUE(h.Click(f.countUpSelector));
    ASSERT_TRUE(h.Click(f.startButton));
    h.Advance(1000 * r.restTicks);
  }
  ASSERT_EQ(h.fake.displayCount, r.countBefore);
  const std::size_t mark = h.log.size();
  h.fake.Close(f.window);
  const int after = r.countBefore < 0 ? 0 : r.countBefore + 1;
  EXPECT_EQ(
      Log(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end()),
      Concat({ChromeWrites(true), ShowCursorRun(true, r.countBefore, after), {"EndProgram"}}));
  EXPECT_EQ(h.fake.displayCount, after);
  EXPECT_GE(h.fake.displayCount, 0) << "the pointer shows again";
  EXPECT_TRUE(h.fake.ended);
  const std::size_t end = h.log.size();
  h.Advance(10000);
  EXPECT_EQ(h.log.size(), end) << "no handler runs after the end";
}

INSTANTIATE_TEST_SUITE_P(Moments, UnloadTest,
                         ::testing::Values(UnloadRow{-1, 0}, UnloadRow{1, 0}, UnloadRow{3, -1},
                                           UnloadRow{9, -7}));

TEST(IdleWatch, APauseWithThePointerShownHidesNothingUntilTheNextStart) {
  Harness h;
  MainForm& f = StartResting(h, 43200.0);
  h.NudgeAndWaitForTick();
  ASSERT_EQ(h.fake.displayCount, 1);
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_TRUE(h.AllChrome(true));
  const int calls = h.fake.showCursorCalls;
  h.Advance(30000);
  EXPECT_EQ(h.fake.showCursorCalls, calls);
  EXPECT_EQ(h.fake.displayCount, 1);
  EXPECT_TRUE(h.AllChrome(true));
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_TRUE(h.AllChrome(false));
  h.Advance(3000);
  EXPECT_EQ(h.fake.displayCount, -1);
}

}  // namespace
}  // namespace xr::test
