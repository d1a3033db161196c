// Start, pause and reset; the refusal of an empty countdown; the centring of the pointer; and
// the events that the window drops instead of handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

// The fake opens the 520 x 363 pixel client area centred on a 1920 x 1080 screen, so a start
// puts the pointer on the middle of the screen.
constexpr const char* kCentreCall = "SetCursorPos(960,540)";

std::string MessageCall() {
  return std::string("MessageBox(") + kEmptyCountdownMessage + "|" + kProgramTitle + ")";
}

// --- What each click writes, in order -------------------------------------------------------

struct ClickRow {
  const char* what;
  std::function<void(Harness&)> setup;
  const char* button;
  Log writes;
};

class ClickOrderTest : public ::testing::TestWithParam<ClickRow> {};

TEST_P(ClickOrderTest, WritesInOrder) {
  Harness h;
  MainForm& f = h.Open();
  GetParam().setup(h);
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.window[GetParam().button]));
  EXPECT_EQ(Log(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end()), GetParam().writes)
      << GetParam().what;
}

void StartedAndShown(Harness& h) {
  h.SetFace("00:30");
  ASSERT_TRUE(h.Click(h.f().startButton));
  h.NudgeAndWaitForTick();
  ASSERT_TRUE(h.AllChrome(true));
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ClickOrderTest,
    ::testing::Values(
        ClickRow{"start", [](Harness& h) { h.SetFace("00:30"); }, "开始",
                 Concat({FaceColourWrites(kNormalFace),
                         {"开始.Caption=暂 停"},
                         ChromeWrites(false),
                         {kCentreCall, "Timer1.Enabled=1", "Timer1.Interval=1000",
                          "Timer2.Enabled=1", "Timer3.Enabled=1"}})},
        ClickRow{"start counting up from zero",
                 [](Harness& h) { ASSERT_TRUE(h.Click(h.f().countUpSelector)); }, "开始",
                 Concat({FaceColourWrites(kNormalFace),
                         {"开始.Caption=暂 停"},
                         ChromeWrites(false),
                         {kCentreCall, "Timer1.Enabled=1", "Timer1.Interval=1000",
                          "Timer2.Enabled=1", "Timer3.Enabled=1"}})},
        ClickRow{"pause", StartedAndShown, "开始",
                 Concat({FaceColourWrites(kNormalFace),
                         {"开始.Caption=开 始"},
                         ChromeWrites(true),
                         {"Timer1.Enabled=0", "Timer2.Enabled=0", "Timer3.Enabled=0",
                          "mh1.Visible=1"}})},
        ClickRow{"reset while running", StartedAndShown, "重置",
                 Concat({{"开始.Caption=开 始", "Timer1.Enabled=0", "Timer2.Enabled=0",
                          "Timer3.Enabled=0", "mh1.Visible=1", "f1.Caption=0", "f0.Caption=0",
                          "m1.Caption=0", "m0.Caption=0"},
                         FaceColourWrites(kNormalFace)})},
        ClickRow{"reset when stopped", [](Harness& h) { h.SetFace("12:34"); }, "重置",
                 Concat({{"开始.Caption=开 始", "Timer1.Enabled=0", "Timer2.Enabled=0",
                          "Timer3.Enabled=0", "mh1.Visible=1", "f1.Caption=0", "f0.Caption=0",
                          "m1.Caption=0", "m0.Caption=0"},
                         FaceColourWrites(kNormalFace)})}));

// --- Refusal of an empty countdown ----------------------------------------------------------

struct RefusalRow {
  const char* what;
  std::function<void(Harness&)> setup;  // leaves the face at 00:00 in countdown mode
};

class RefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(RefusalTest, MessageThenEverythingStopped) {
  Harness h;
  MainForm& f = h.Open();
  GetParam().setup(h);
  ASSERT_EQ(h.Face(), "00:00");
  ASSERT_TRUE((f.face.State().mode == Mode::Countdown));
  ASSERT_TRUE(f.startButton.Visible());
  std::vector<bool> chromeBefore;
  for (const Control* c : f.chrome) chromeBefore.push_back(c->Visible());
  const int countBefore = h.fake.displayCount;
  const std::size_t mark = h.log.size();

  ASSERT_TRUE(h.Click(f.startButton));

  const Log got(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end());
  const Log head =
      Concat({FaceColourWrites(kNormalFace),
              {MessageCall(), "Timer2.Enabled=0", "Timer3.Enabled=0", "Timer1.Enabled=0"}});
  ASSERT_GE(got.size(), head.size()) << GetParam().what;
  EXPECT_EQ(Log(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(head.size())), head);
  Log rest(got.begin() + static_cast<std::ptrdiff_t>(head.size()), got.end());
  std::sort(rest.begin(), rest.end());
  EXPECT_EQ(rest, (Log{"mh1.Visible=1", "开始.Caption=开 始"}))
      << "a refused clock reads as stopped, with its colon shown";

  EXPECT_EQ(h.fake.messages, std::vector<std::string>{kEmptyCountdownMessage});
  EXPECT_EQ(f.startButton.Caption(), kStartCaption);
  EXPECT_TRUE(f.colon.Visible());
  EXPECT_FALSE(f.idleTimer.Enabled());
  EXPECT_FALSE(f.tickTimer.Enabled());
  EXPECT_FALSE(f.blinkTimer.Enabled());
  for (std::size_t i = 0; i < f.chrome.size(); ++i) {
    EXPECT_EQ(f.chrome[i]->Visible(), chromeBefore[i]) << f.chrome[i]->Name();
  }
  EXPECT_EQ(h.fake.displayCount, countBefore);
  EXPECT_TRUE((f.face.State().mode == Mode::Countdown));
  EXPECT_EQ(h.Face(), "00:00");

  // Nothing runs afterwards, and the next click with a time set starts.
  const std::size_t after = h.log.size();
  h.Advance(10000);
  EXPECT_EQ(h.log.size(), after);
  ASSERT_TRUE(h.Click(f.secondUnitsPlus));
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_EQ(f.startButton.Caption(), kPauseCaption);
  EXPECT_TRUE(h.AllChrome(false));
  EXPECT_EQ(h.fake.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, RefusalTest,
    ::testing::Values(RefusalRow{"right after start-up", [](Harness&) {}},
                      RefusalRow{"during a run set to zero with the colon blinked off",
                                 [](Harness& h) {
                                   MainForm& f = h.f();
                                   h.SetFace("00:05");
                                   ASSERT_TRUE(h.Click(f.startButton));
                                   h.Advance(1000);
                                   h.NudgeAndWaitForTick();  // 00:03 in red, chrome back
                                   h.Advance(500);           // fifth blink: colon hidden
                                   ASSERT_FALSE(f.colon.Visible());
                                   for (int i = 0; i < 3; ++i)
                                     ASSERT_TRUE(h.Click(f.secondUnitsMinus));
                                   ASSERT_EQ(f.startButton.Caption(), kPauseCaption);
                                 }}));

TEST(Refusal, TicksAndClicksWhileTheMessageIsUpAreDropped) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:05");
  ASSERT_TRUE(h.Click(f.startButton));
  h.NudgeAndWaitForTick();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(h.Click(f.secondUnitsMinus));
  ASSERT_EQ(h.Face(), "00:00");
  ASSERT_TRUE(f.tickTimer.Enabled());
  const std::uint64_t blinks = f.face.State().blinks;
  std::vector<bool> clicks;
  std::size_t logInBox = 0;
  h.fake.duringMessageBox = [&] {
    const std::size_t before = h.log.size();
    h.fake.pointerX += 5;  // a moving pointer would be seen by a live idle watch
    h.Advance(5000);
    clicks.push_back(h.fake.Click(f.secondUnitsPlus));
    clicks.push_back(h.fake.Click(f.startButton));
    clicks.push_back(h.fake.Click(f.resetButton));
    logInBox = h.log.size() - before;
  };
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_EQ(clicks, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(logInBox, 0u) << "no handler ran while the box was up";
  EXPECT_EQ(f.face.State().blinks, blinks);
  EXPECT_EQ(h.Face(), "00:00");
  EXPECT_EQ(h.fake.messages.size(), 1u);
  EXPECT_FALSE(f.idleTimer.Enabled());
  EXPECT_FALSE(f.tickTimer.Enabled());
  EXPECT_FALSE(f.blinkTimer.Enabled());
}

// --- Start, pause, start ----------------------------------------------------------------------

TEST(RunControl, StartPauseStartContinuesAndRearmsTheIdleWatch) {
  Harness h;
  MainForm& f = h.Open();
  h.fake.clockBase = 1000.0;
  h.SetFace("02:00");
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_EQ(f.lastMoveTime, 1000);
  EXPECT_EQ(f.idleLimit, 3);
  h.fake.pointerX = 300;
  h.fake.pointerY = 200;
  h.Advance(1000);  // the idle watch records the move
  ASSERT_EQ(f.restX, 300);
  ASSERT_EQ(f.lastMoveTime, 1001);
  h.Advance(1000);
  ASSERT_EQ(h.Face(), "01:58");
  ASSERT_TRUE(h.Click(f.startButton));  // pause
  EXPECT_EQ(h.Face(), "01:58");
  EXPECT_TRUE(h.AllChrome(true));
  f.idleLimit = 9;  // whatever the watch was left with, a start sets it anew
  h.Advance(7700);  // clock 1009.7
  EXPECT_EQ(h.Face(), "01:58");
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(h.Click(f.secondUnitsMinus));  // the adjusters act while paused
  ASSERT_EQ(h.Face(), "01:55");

  const int count = h.fake.displayCount;
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_EQ(h.Entries(mark, {"SetCursorPos"}), Log{kCentreCall});
  EXPECT_EQ(f.pointerX, 960);
  EXPECT_EQ(f.pointerY, 540);
  EXPECT_EQ(f.restX, 960);
  EXPECT_EQ(f.restY, 540);
  EXPECT_EQ(h.fake.pointerX, 960);
  EXPECT_EQ(f.lastMoveTime, 1010);
  EXPECT_EQ(f.idleLimit, 3);
  EXPECT_EQ(h.Face(), "01:55");
  h.Advance(1000);
  EXPECT_EQ(h.Face(), "01:54");
  // The watch counts the rest from the second start.
  h.Advance(2000);  // clock 1012.7: 2.7 s since 1010
  EXPECT_EQ(h.fake.displayCount, count);
  EXPECT_FALSE(f.startButton.Visible());
  h.Advance(1000);
  EXPECT_EQ(h.fake.displayCount, -1);
}

// --- Centring the pointer ---------------------------------------------------------------------

struct CentreRow {
  float left, top, width, height;  // the window's outer frame, twips
  int x, y;
};

class CentrePointerTest : public ::testing::TestWithParam<CentreRow> {};

TEST_P(CentrePointerTest, EachDivisionTruncatedOnItsOwn) {
  const CentreRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  f.window.SetFrame(r.left, r.top, r.width, r.height);
  ASSERT_TRUE(h.Click(f.countUpSelector));
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.startButton));
  const std::string call = "SetCursorPos(" + std::to_string(r.x) + "," + std::to_string(r.y) + ")";
  EXPECT_EQ(h.Entries(mark, {"SetCursorPos"}), Log{call});
  EXPECT_EQ(f.pointerX, r.x);
  EXPECT_EQ(f.restX, r.x);
  EXPECT_EQ(f.pointerY, r.y);
  EXPECT_EQ(f.restY, r.y);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CentrePointerTest,
    ::testing::Values(CentreRow{1200, 900, 7800, 5445, 340, 241},  // 5445 div 30 is 181
                      CentreRow{10380, 5085, 8040, 6030, 960, 540},
                      CentreRow{-1000, -1000, 7800, 5445, 194, 115},  // -66.7 becomes -66
                      CentreRow{-14.5f, -29, 7800, 5445, 260, 180},   // -14 div 15 is 0
                      CentreRow{14.5f, 44.5f, 29.5f, 59.5f, 1, 4},    // halves go to even
                      CentreRow{30000, 15000, 15000, 15000, 2500, 1500}));

// A window manager frames the window after the showing or places it itself: the window is
// centred again only while it stands where the centring put it, and the start finds the frame
// that is there now.
struct ManagedRow {
  const char* what;
  bool lateFrame;
  std::function<void(fake::FakePlatform&, Window&, WindowHost&)> manager;
  int centrings;  // Centre calls after the showing
  const char* pointer;
};

class ManagedFrameTest : public ::testing::TestWithParam<ManagedRow> {};

TEST_P(ManagedFrameTest, StartCentresOnTheFrameThere) {
  const ManagedRow& r = GetParam();
  Harness h;
  h.fake.lateFrame = r.lateFrame;
  MainForm& f = h.Open();
  r.manager(h.fake, f.window, h.host);
  EXPECT_EQ(std::count(h.fake.calls.begin(), h.fake.calls.end(), "Centre(main)"), r.centrings);
  ASSERT_TRUE(h.Click(f.countUpSelector));
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_EQ(h.Entries(mark, {"SetCursorPos"}), Log{r.pointer});
}

INSTANTIATE_TEST_SUITE_P(
    WindowManagers, ManagedFrameTest,
    ::testing::Values(
        ManagedRow{"framed as it shows", false, [](auto&, auto&, auto&) {}, 0, kCentreCall},
        ManagedRow{"framed late", true, [](auto& k, auto& w, auto&) { k.FrameArrives(w); }, 1,
                   kCentreCall},
        ManagedRow{"framed late where the manager had moved it", true,
                   [](auto& k, auto& w, auto&) {
                     k.MoveFrame(w, 100, 100);
                     k.FrameArrives(w);
                   },
                   0, "SetCursorPos(360,270)"},
        ManagedRow{"framed late after a resize", true,
                   [](auto& k, auto& w, auto&) {
                     k.ResizeClient(w, 600, 400);
                     k.FrameArrives(w);
                   },
                   0, "SetCursorPos(1000,546)"},
        ManagedRow{"framed late where the manager placed it", true,
                   [](auto& k, auto& w, auto&) { k.FrameArrives(w, -600, -300); }, 0,
                   "SetCursorPos(360,228)"},
        ManagedRow{"framed late while minimised", true,
                   [](auto& k, auto& w, auto& host) {
                     host.SizeChanged(w, 0, 0, true);
                     k.FrameArrives(w);
                   },
                   0, "SetCursorPos(960,528)"}));

// --- Events the window drops ----------------------------------------------------------------

TEST(DroppedEvents, TicksOfTimersThatAreNotRunning) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:10");
  EXPECT_FALSE(f.window.DeliverTick(f.tickTimer));
  EXPECT_FALSE(f.window.DeliverTick(f.blinkTimer));
  EXPECT_FALSE(f.window.DeliverTick(f.idleTimer)) << "enabled, but with no interval";
  EXPECT_EQ(h.Face(), "00:10");
  EXPECT_EQ(f.face.State().blinks, 0u);
  EXPECT_EQ(h.fake.showCursorCalls, 0);
  ASSERT_TRUE(h.Click(f.startButton));
  EXPECT_TRUE(f.window.DeliverTick(f.tickTimer));
  EXPECT_EQ(h.Face(), "00:09");
}

TEST(DroppedEvents, ClicksOnHiddenControls) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("00:10");
  ASSERT_TRUE(h.Click(f.startButton));
  ASSERT_TRUE(h.AllChrome(false));
  const std::size_t mark = h.log.size();
  for (Control* c : f.chrome) EXPECT_FALSE(h.Click(*c)) << c->Name();
  EXPECT_EQ(h.log.size(), mark);
  EXPECT_EQ(h.Face(), "00:10");
  EXPECT_EQ(f.startButton.Caption(), kPauseCaption);
  EXPECT_TRUE((f.face.State().mode == Mode::Countdown));
}

// --- The display kept awake -------------------------------------------------------------------

// The platform is asked once per change: held from the start of a run until it stops, however
// it stops; a press that changes no run asks nothing.
struct HoldRow {
  const char* what;
  const char* face;
  std::function<void(Harness&)> act;
  Log calls;
};

class ScreenHoldTest : public ::testing::TestWithParam<HoldRow> {};

TEST_P(ScreenHoldTest, HeldWhileTheClockRuns) {
  const HoldRow& r = GetParam();
  Harness h;
  h.Open();
  h.SetFace(r.face);
  r.act(h);
  Log calls;
  for (const std::string& c : h.fake.calls) {
    if (c == "HoldScreen" || c == "ReleaseScreen") calls.push_back(c);
  }
  EXPECT_EQ(calls, r.calls) << r.what;
}

void Press(Harness& h, std::initializer_list<const char*> names) {
  for (const char* n : names) ASSERT_TRUE(h.Click(h.f().window[n])) << n;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, ScreenHoldTest, ::testing::Values(
  HoldRow{"pause", "01:00", [](Harness& h) { StartedAndShown(h); Press(h, {"开始"}); }, {"HoldScreen", "ReleaseScreen"}},
  HoldRow{"pause and go on", "01:00", [](Harness& h) { StartedAndShown(h); Press(h, {"开始", "开始"}); }, {"HoldScreen", "ReleaseScreen", "HoldScreen"}},
  HoldRow{"reset", "01:00", [](Harness& h) { StartedAndShown(h); Press(h, {"重置", "重置"}); }, {"HoldScreen", "ReleaseScreen"}},
  HoldRow{"the end of a countdown", "00:02", [](Harness& h) { Press(h, {"开始"}); h.Advance(5000); }, {"HoldScreen", "ReleaseScreen"}},
  HoldRow{"a count held at the top goes on", "59:58", [](Harness& h) { Press(h, {"zjs", "开始"}); h.Advance(5000); }, {"HoldScreen"}},
  HoldRow{"the window closed", "01:00", [](Harness& h) { Press(h, {"开始"}); h.fake.Close(h.f().window); }, {"HoldScreen", "ReleaseScreen"}},
  HoldRow{"an empty countdown refused", "00:00", [](Harness& h) { Press(h, {"开始"}); }, {}},
  HoldRow{"closed while stopped", "01:00", [](Harness& h) { Press(h, {"重置"}); h.fake.Close(h.f().window); }, {}}));
// clang-format on

}  // namespace
}  // namespace xr::test
