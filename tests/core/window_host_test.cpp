// The rules every platform gets from the core's window host: the order of a first showing, the
// close box, minimising, and no handler once the program ends.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/window.h"
#include "platform/fake/fake_platform.h"

namespace xr::test {
namespace {

struct HostRow {
  const char* what;
  std::function<void(fake::FakePlatform&, Window&)> act;
  std::vector<std::string> events;  // handlers run, with the client size each one saw (pixels)
  bool shownAfter;
};

void PrintTo(const HostRow& row, std::ostream* os) { *os << row.what; }

class WindowHostTest : public ::testing::TestWithParam<HostRow> {};

TEST_P(WindowHostTest, RunsHandlersInTheCoresOrder) {
  const HostRow& r = GetParam();
  fake::FakePlatform fake;
  Window w("w");
  w.design.clientWidth = 7800;
  w.design.clientHeight = 5445;
  Button& button = w.Add<Button>("b");
  std::vector<std::string> events;
  auto note = [&](const char* name) {
    return [&events, &w, name] {
      events.push_back(std::string(name) + " " + std::to_string(int(w.ScaleWidth()) / 15) + "x" +
                       std::to_string(int(w.ScaleHeight()) / 15) +
                       (w.Width() > 0 ? " framed" : ""));
    };
  };
  w.onLoad = note("load");
  w.onResize = note("resize");
  w.onUnload = note("unload");
  button.onClick = note("click");
  r.act(fake, w);
  EXPECT_EQ(events, r.events);
  EXPECT_EQ(fake.Shown(w), r.shownAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WindowHostTest,
    ::testing::Values(HostRow{"first showing",
                              [](auto& f, auto& w) { f.ShowWindow(w); },
                              {"load 520x363", "resize 520x363 framed"},
                              true},
                      HostRow{"a second showing only brings it to the front",
                              [](auto& f, auto& w) {
                                f.ShowWindow(w);
                                f.ShowWindow(w);
                              },
                              {"load 520x363", "resize 520x363 framed"},
                              true},
                      HostRow{"a load that unloads its window shows nothing",
                              [](auto& f, auto& w) {
                                w.onLoad = [&f, &w] { f.UnloadWindow(w); };
                                f.ShowWindow(w);
                              },
                              {},
                              false},
                      HostRow{"close box",
                              [](auto& f, auto& w) {
                                f.ShowWindow(w);
                                f.Close(w);
                                f.Click(w["b"]);
                              },
                              {"load 520x363", "resize 520x363 framed", "unload 520x363 framed"},
                              false},
                      HostRow{"close box of the window that ends the program",
                              [](auto& f, auto& w) {
                                f.ShowWindow(w);
                                w.onUnload = [&f] { f.Host().EndProgram(); };
                                f.Close(w);
                                f.Click(w["b"]);
                                f.ResizeClient(w, 100, 100);
                              },
                              {"load 520x363", "resize 520x363 framed"},
                              false},
                      HostRow{"minimised once, then restored",
                              [](auto& f, auto& w) {
                                f.ShowWindow(w);
                                f.Host().SizeChanged(w, 0, 0, true);
                                f.Host().SizeChanged(w, 0, 0, true);
                                f.Host().SizeChanged(w, 600, 400, false);
                              },
                              {"load 520x363", "resize 520x363 framed", "resize 0x0 framed",
                               "resize 600x400 framed"},
                              true},
                      HostRow{"a box that returns at once drops clicks "
                              "until it closes",
                              [](auto& f, auto& w) {
                                f.ShowWindow(w);
                                f.Host().ModalBoxOpened();
                                f.Click(w["b"]);
                                f.Host().ModalBoxClosed();
                                f.Click(w["b"]);
                              },
                              {"load 520x363", "resize 520x363 framed", "click 520x363 framed"},
                              true}));

}  // namespace
}  // namespace xr::test
