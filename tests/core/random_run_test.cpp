// A long run of random clicks, pointer moves and waits, with the invariants that must hold
// between any two events checked after every one of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

constexpr long kEvents = 1'000'000;

// Returns the first invariant that does not hold, or an empty text.
std::string Broken(Harness& h) {
  MainForm& f = h.f();
  struct Cell {
    const Control* c;
    char top;
  };
  for (const Cell cell : {Cell{&f.f1, '5'}, Cell{&f.f0, '9'}, Cell{&f.m1, '5'}, Cell{&f.m0, '9'}}) {
    const std::string& t = cell.c->Caption();
    if (t.size() != 1 || t[0] < '0' || t[0] > cell.top) {
      return cell.c->Name() + " holds \"" + t + "\"";
    }
  }
  const int seconds = FaceSeconds(f);
  if (seconds < 0 || seconds > 3599) return "face seconds " + std::to_string(seconds);

  const std::string& caption = f.开始.Caption();
  if (caption != kStartCaption && caption != kPauseCaption) return "start caption " + caption;
  const bool stopped = caption == kStartCaption;
  if (stopped && (f.Timer2.Enabled() || f.Timer3.Enabled())) return "stopped with a timer on";
  if (stopped && f.Timer1.Enabled() && f.Timer1.Interval() > 0) return "stopped, idle watch on";
  if (stopped && !f.mh1.Visible()) return "stopped with the colon hidden";
  if (!f.Timer3.Enabled() && !f.mh1.Visible()) return "colon hidden without the blink";
  if (!stopped && !f.Timer3.Enabled()) return "running without the blink";
  if (!stopped && !(f.Timer1.Enabled() && f.Timer1.Interval() == 1000)) {
    return "running without the idle watch";
  }

  for (const Control* c : f.chrome) {
    if (c->Visible() != f.chrome[0]->Visible()) return "chrome split at " + c->Name();
  }

  const int count = h.fake.displayCount;
  const int last = h.platform.lastShowDirection;
  if ((count < 0) != (last < 0)) {
    return "display count " + std::to_string(count) + " after a " +
           (last < 0   ? "hide"
            : last > 0 ? "show"
                       : "start");
  }
  if (last < 0 && f.chrome[0]->Visible()) return "pointer hidden with the chrome shown";

  const Color colour = f.f1.ForeColor();
  for (const Control* c : {&f.f0, &f.m1, &f.mh1}) {
    if (c->ForeColor() != colour) return c->Name() + " coloured apart from the face";
  }
  if (colour != kNormalFace && colour != kRed) return "face colour " + std::to_string(colour);
  if (!CountdownSelected(f) && f.zjs.BackColor() != kSelectedColor) return "no mode selected";
  return {};
}

TEST(RandomRun, InvariantsHoldAfterEveryEvent) {
  Harness h;
  h.fake.clockBase = 86400 - 600.25;  // the run crosses midnight several times
  MainForm& f = h.Open();
  h.Logging(false);

  std::mt19937 rng(20240607u);
  auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
  const std::vector<Control*> clickable = {&f.jf1, &f.jf0, &f.jm1, &f.jm0, &f.kf1,  &f.kf0,
                                           &f.km1, &f.km0, &f.zjs, &f.djs, &f.开始, &f.重置};

  // While the empty-countdown message is up, time passes and the user clicks at the window;
  // none of it may be handled.
  std::string boxViolation;
  h.fake.duringMessageBox = [&] {
    const std::string face = h.Face();
    const std::uint64_t blinks = f.blinkCount;
    const int calls = h.fake.showCursorCalls;
    h.fake.pointerX += 3;
    h.Advance(1 + pick(3000));
    if (h.Click(*clickable[pick(static_cast<std::uint32_t>(clickable.size()))])) {
      boxViolation = "a click was handled inside the message box";
    }
    if (h.Face() != face || f.blinkCount != blinks || h.fake.showCursorCalls != calls) {
      boxViolation = "a tick was handled inside the message box";
    }
  };

  // An Advance can run several handlers; the display count must be right after each one, or a
  // CursorOff that left the count at 0 or more could be hidden by a later CursorOn.
  std::string handlerViolation;
  for (Control* timer : {&f.Timer1, &f.Timer2}) {
    timer->onTimer = [&h, &handlerViolation, timer, inner = timer->onTimer] {
      inner();
      const int count = h.fake.displayCount;
      const int last = h.platform.lastShowDirection;
      if ((count < 0) != (last < 0) && handlerViolation.empty()) {
        handlerViolation = timer->Name() + " left the display count at " + std::to_string(count);
      }
    };
  }

  long clicks = 0, handled = 0, moves = 0, waits = 0, starts = 0, refusals = 0, hides = 0;
  int lowestCount = 0;
  for (long i = 0; i < kEvents; ++i) {
    std::ostringstream what;
    const std::uint32_t r = pick(100);
    if (r < 45) {
      Control* c = clickable[pick(static_cast<std::uint32_t>(clickable.size()))];
      const bool visible = c->Visible();
      const bool wasStopped = f.开始.Caption() == kStartCaption;
      const std::size_t messages = h.fake.messages.size();
      const bool got = h.Click(*c);
      ++clicks;
      handled += got ? 1 : 0;
      what << "click " << c->Name();
      if (got != visible) {
        ADD_FAILURE() << "event " << i << ": " << what.str() << " on a "
                      << (visible ? "visible" : "hidden") << " control was "
                      << (got ? "handled" : "dropped");
        return;
      }
      if (c == &f.开始 && got) {
        refusals += h.fake.messages.size() > messages ? 1 : 0;
        starts += (wasStopped && f.开始.Caption() == kPauseCaption) ? 1 : 0;
      }
    } else if (r < 65) {
      const std::uint32_t kind = pick(10);
      if (kind < 4) {
        h.fake.pointerX += static_cast<int>(pick(3)) - 1;
        h.fake.pointerY += static_cast<int>(pick(3)) - 1;
      } else if (kind < 5) {
        h.fake.pointerX = static_cast<int>(pick(1920));
        h.fake.pointerY = static_cast<int>(pick(1080));
      } else if (kind < 6) {
        h.fake.cursorPosFails = !h.fake.cursorPosFails;
      }  // else the pointer stays where it is
      ++moves;
      what << "pointer " << h.fake.pointerX << "," << h.fake.pointerY;
    } else {
      const std::int64_t ms = 1 + pick(1500);
      const bool shown = f.chrome[0]->Visible();
      h.Advance(ms);
      ++waits;
      hides += (shown && !f.chrome[0]->Visible()) ? 1 : 0;
      what << "wait " << ms << " ms";
    }
    lowestCount = std::min(lowestCount, h.fake.displayCount);
    if (!handlerViolation.empty()) {
      ADD_FAILURE() << "event " << i << " (" << what.str() << "): " << handlerViolation;
      return;
    }
    if (!boxViolation.empty()) {
      ADD_FAILURE() << "event " << i << " (" << what.str() << "): " << boxViolation;
      return;
    }
    const std::string broken = Broken(h);
    if (!broken.empty()) {
      ADD_FAILURE() << "event " << i << " (" << what.str() << "), face " << h.Face() << ": "
                    << broken;
      return;
    }
    if (i % 4096 == 0) {
      h.fake.calls.clear();
      h.fake.messages.clear();
      h.fake.playedSounds.clear();
    }
  }
  // The run went through the states it is meant to exercise.
  EXPECT_GT(handled, clicks / 4);
  EXPECT_GT(starts, 1000);
  EXPECT_GT(refusals, 100);
  EXPECT_GT(hides, 1000);
  EXPECT_LT(lowestCount, -3);
  EXPECT_GT(h.fake.NowMs(), 2LL * 86400 * 1000) << "midnight was crossed more than once";
  RecordProperty("events", std::to_string(kEvents));
}

}  // namespace
}  // namespace xr::test
