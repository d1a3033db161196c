// The floor of the tick benchmark: the least a Qt program does to tick once a second, timed the
// way xr-bench-tick times the program.
//
//   xr-bench-tick-floor [--seconds N]       (N: 1..3599, default 300)
//
// It mirrors the program's Qt platform rather than the ideal: a shown window on the same X
// server (the xcb event loop wakes for X traffic as the program's does), and one single-shot
// Qt::PreciseTimer re-armed at each tick for the next whole second after the start, rounded up to
// whole milliseconds, as the platform arms the deadline the core gives it. A clock_nanosleep loop
// would leave out Qt's event loop, which the program cannot leave out either, and flatter the
// floor. What the program does beyond this (the core's handler, the repaint of a cell) is what
// the comparison shows.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tick_stats.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] void Usage() {
  std::fprintf(stderr, "usage: xr-bench-tick-floor [--seconds N]   (1 <= N <= 3599)\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 300;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else {
      Usage();
    }
  }
  if (seconds < 1 || seconds > 3599) Usage();

  QApplication app(argc, argv);
  QLabel window("0");
  window.resize(520, 363);
  window.show();

  std::vector<Clock::time_point> ticks;
  ticks.reserve(static_cast<std::size_t>(seconds));
  Clock::time_point started;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  auto arm = [&] {
    const auto deadline = started + std::chrono::seconds(static_cast<long>(ticks.size()) + 1);
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    timer.start(left.count() <= 0 ? 0 : static_cast<int>((left.count() + 999) / 1000));
  };
  QObject::connect(&timer, &QTimer::timeout, &app, [&] {
    ticks.push_back(Clock::now());
    if (static_cast<int>(ticks.size()) == seconds) {
      QTimer::singleShot(1500, &app, [] { QCoreApplication::quit(); });
      return;
    }
    arm();
  });
  const std::string loadBefore = xr::bench::LoadAverage();
  // Started as the program's bench starts its countdown: a second after the window is up.
  QTimer::singleShot(1000, &app, [&] {
    started = Clock::now();
    arm();
  });
  const int rc = QApplication::exec();
  if (rc != 0 || ticks.empty()) return rc != 0 ? rc : 4;

  std::vector<double> intervals, lateness;
  Clock::time_point previous = started;
  for (std::size_t k = 0; k < ticks.size(); ++k) {
    intervals.push_back(Ms(ticks[k] - previous) - 1000.0);
    lateness.push_back(Ms(ticks[k] - started) - 1000.0 * static_cast<double>(k + 1));
    previous = ticks[k];
  }
  const double total = Ms(ticks.back() - started);
  std::printf("bare timer, %zu ticks\n", ticks.size());
  std::printf("load average before %s, after %s\n", loadBefore.c_str(),
              xr::bench::LoadAverage().c_str());
  std::printf("start -> last tick               %.3f ms  (nominal %d000 ms, error %+.3f ms)\n",
              total, seconds, total - seconds * 1000.0);
  xr::bench::PrintSpread("interval - 1000 ms", intervals);
  xr::bench::PrintSpread("tick k - (start + k s), lateness", lateness);
  xr::bench::PrintSummary(total - seconds * 1000.0, intervals, lateness);
  return 0;
}
