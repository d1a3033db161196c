// A failure that ends a handler reaches the user once, naming the window and the handler.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "controls/window.h"
#include "platform/fake/fake_platform.h"
#include "tests/core/harness.h"

namespace xr::test {
namespace {

struct FailureRow {
  const char* what;
  const char* window;
  Event event;
  const char* control;  // for a click or a tick
  const char* failure;  // what the handler throws
  const char* line;
};

class HandlerFailureTest : public ::testing::TestWithParam<FailureRow> {};

TEST_P(HandlerFailureTest, ReportedOnceNamingWindowAndHandler) {
  const FailureRow& r = GetParam();
  fake::FakePlatform fake;
  Window w(r.window);
  w.design.clientWidth = w.design.clientHeight = 3000;
  Control& button = w.Add(Kind::CommandButton, "开始");
  Control& timer = w.Add(Kind::Timer, "Timer2");
  timer.SetInterval(1000);
  const auto fail = [&] { throw std::runtime_error(r.failure); };
  const auto quiet = [] {};
  w.onLoad = r.event == Event::Load ? std::function<void()>(fail) : quiet;
  w.onResize = r.event == Event::Resize ? std::function<void()>(fail) : quiet;
  w.onUnload = r.event == Event::Unload ? std::function<void()>(fail) : quiet;
  button.onClick = r.event == Event::Click ? std::function<void()>(fail) : quiet;
  timer.onTimer = r.event == Event::Tick ? std::function<void()>(fail) : quiet;
  fake.ShowWindow(w);  // delivers the load and the first resize
  Control* target = r.control == nullptr ? nullptr : w.Find(r.control);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(w.Deliver(r.event, target));
  // Every other handler runs without failing, and adds nothing.
  for (Event e : {Event::Load, Event::Resize, Event::Unload}) w.Deliver(e);
  w.Deliver(Event::Click, &button);
  w.Deliver(Event::Tick, &timer);

  EXPECT_EQ(fake.failureReports, std::vector<std::string>{r.line});
  EXPECT_EQ(w.LastFailure(), r.failure);
  fake.UnloadWindow(w);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, HandlerFailureTest,
    ::testing::Values(FailureRow{"load", "main", Event::Load, nullptr, "no layout",
                                 "xiuran-timer: main: load failed: no layout"},
                      FailureRow{"resize", "main", Event::Resize, nullptr, "bad size",
                                 "xiuran-timer: main: resize failed: bad size"},
                      FailureRow{"unload", "lxzz", Event::Unload, nullptr, "gone",
                                 "xiuran-timer: lxzz: unload failed: gone"},
                      FailureRow{"click", "main", Event::Click, "开始", "no face",
                                 "xiuran-timer: main: 开始 click failed: no face"},
                      FailureRow{"tick, control characters made harmless", "main", Event::Tick,
                                 "Timer2", "open /tmp/a\nb\x1b[2J",
                                 "xiuran-timer: main: Timer2 tick failed: open /tmp/a?b?[2J"}));

}  // namespace
}  // namespace xr::test
