// A failure that ends a handler reaches the user once, naming the window and the handler.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
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
  const char* failure;  // what the handler throws
  const char* line;
};

class HandlerFailureTest : public ::testing::TestWithParam<FailureRow> {};

TEST_P(HandlerFailureTest, ReportedOnceNamingWindowAndHandler) {
  const FailureRow& r = GetParam();
  fake::FakePlatform fake;
  Window w(r.window);
  Button& button = w.Add<Button>("开始");
  Timer& timer = w.AddTimer("Timer2", 1000, true);
  const std::map<Event, std::function<void()>*> handlers{{Event::Load, &w.onLoad},
                                                         {Event::Resize, &w.onResize},
                                                         {Event::Unload, &w.onUnload},
                                                         {Event::Click, &button.onClick},
                                                         {Event::Tick, &timer.onTimer}};
  for (auto& [event, h] : handlers) *h = [] {};
  *handlers.at(r.event) = [&] { throw std::runtime_error(r.failure); };
  fake.ShowWindow(w);  // delivers the load and the first resize
  for (int round = 0; round < 2; ++round) {
    for (auto& [event, h] : handlers) {
      if (event == Event::Tick) {
        w.DeliverTick(timer);
      } else {
        w.Deliver(event, event == Event::Click ? &button : nullptr);
      }
    }
  }
  EXPECT_EQ(fake.failureReports, std::vector<std::string>{r.line});
  EXPECT_EQ(w.LastFailure(), r.failure);
  fake.UnloadWindow(w);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, HandlerFailureTest,
    ::testing::Values(FailureRow{"load", "main", Event::Load, "no layout",
                                 "xiuran-timer: main: load failed: no layout"},
                      FailureRow{"resize", "main", Event::Resize, "bad size",
                                 "xiuran-timer: main: resize failed: bad size"},
                      FailureRow{"unload", "lxzz", Event::Unload, "gone",
                                 "xiuran-timer: lxzz: unload failed: gone"},
                      FailureRow{"click", "main", Event::Click, "no face",
                                 "xiuran-timer: main: 开始 click failed: no face"},
                      FailureRow{"tick, control characters made harmless", "main", Event::Tick,
                                 "open /tmp/a\nb\x1b[2J",
                                 "xiuran-timer: main: Timer2 tick failed: open /tmp/a?b?[2J"}));

}  // namespace
}  // namespace xr::test
