// A real countdown in the Qt layer: the program's own model on the Qt platform, the face set to
// MM:SS with the "+" adjusters, started with the start button, timed until it shows 00:00.
//
//   xr-bench-tick [--seconds N] [--csv FILE]       (N: 1..3599, default 300)
//
// Every tick of the one-second timer is stamped on entry to its handler (the moment the model
// changes the digits), and the seconds cell's widget is stamped again when it next paints (the
// moment the new digit is drawn into the window). Prints the time from the start click to the
// 00:00 tick against the nominal N seconds, the spread of the intervals between ticks, and each
// tick's lateness against the ideal click + k seconds. Figures only: nothing passes or fails.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "main_window/program.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/sound/sound_player.h"
#include "tick_stats.h"
#include "timer_face/face.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Tick {
  Clock::time_point handled;  // entry to the tick handler that changed the seconds cell
  Clock::time_point painted;  // the seconds cell's next paint; handled when it never came
  int faceSeconds = 0;        // what the face read after the tick
  bool paintSeen = false;
};

// Stamps the first paint of a widget after each change the model made to it.
class PaintStamper final : public QObject {
 public:
  explicit PaintStamper(std::vector<Tick>& ticks) : ticks_(ticks) {}
  bool pending = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && pending && !ticks_.empty()) {
      ticks_.back().painted = Clock::now();
      ticks_.back().paintSeen = true;
      pending = false;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::vector<Tick>& ticks_;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr, "usage: xr-bench-tick [--seconds N] [--csv FILE]   (1 <= N <= 3599)\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 300;
  std::string csv;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--csv") == 0 && i + 1 < argc) {
      csv = argv[++i];
    } else {
      Usage();
    }
  }
  if (seconds < 1 || seconds > 3599) Usage();

  QApplication app(argc, argv);
  xr::qt::SoundPlayer sound;
  xr::qt::QtPlatform platform([&sound](const QByteArray& path) { sound.Play(path); });
  xr::WindowHost host(platform);
  xr::Program program(platform, host);
  program.Start();
  xr::MainForm& form = program.Main();

  std::vector<Tick> ticks;
  ticks.reserve(static_cast<std::size_t>(seconds) + 8);
  PaintStamper stamper(ticks);
  QWidget* secondsCell = platform.WidgetOf(form.secondUnits);
  if (secondsCell == nullptr) {
    std::fprintf(stderr, "xr-bench-tick: the seconds cell has no widget\n");
    return 1;
  }
  secondsCell->installEventFilter(&stamper);

  // The product's own handler runs unchanged; the wrapper only stamps around it.
  const std::function<void()> tickHandler = form.tickTimer.onTimer;
  bool finished = false;
  form.tickTimer.onTimer = [&] {
    const auto entered = Clock::now();
    const std::string before = form.secondUnits.Caption();
    tickHandler();
    if (form.secondUnits.Caption() == before) return;
    Tick t;
    t.handled = entered;
    t.painted = entered;
    t.faceSeconds = xr::TotalSeconds(form.face.State());
    ticks.push_back(t);
    stamper.pending = true;
    if (t.faceSeconds == 0 && !finished) {
      finished = true;
      // Long enough to catch a stray late tick and the last paint.
      QTimer::singleShot(1500, &app, [] { QCoreApplication::quit(); });
    }
    if (ticks.size() % 60 == 0) {
      std::fprintf(stderr, "  %zu ticks, face %02d:%02d\n", ticks.size(), t.faceSeconds / 60,
                   t.faceSeconds % 60);
    }
  };

  Clock::time_point started;
  const std::string loadBefore = xr::bench::LoadAverage();
  // Set the face and start once the window is up and the event loop is running, as a user would.
  QTimer::singleShot(1000, &app, [&] {
    const int digits[4] = {seconds / 600, (seconds / 60) % 10, (seconds % 60) / 10, seconds % 10};
    xr::Control* plus[4] = {&form.minuteTensPlus, &form.minuteUnitsPlus, &form.secondTensPlus,
                            &form.secondUnitsPlus};
    for (int d = 0; d < 4; ++d) {
      for (int k = 0; k < digits[d]; ++k) form.window.Deliver(xr::Event::Click, plus[d]);
    }
    if (xr::TotalSeconds(form.face.State()) != seconds ||
        !(form.face.State().mode == xr::Mode::Countdown)) {
      std::fprintf(stderr, "xr-bench-tick: the face reads %d s, not a %d s countdown\n",
                   xr::TotalSeconds(form.face.State()), seconds);
      QCoreApplication::exit(1);
      return;
    }
    started = Clock::now();
    form.window.Deliver(xr::Event::Click, &form.startButton);
  });
  // A countdown that never ends must not hang the bench.
  QTimer::singleShot((seconds + 30) * 1000, &app, [] { QCoreApplication::exit(3); });

  const int rc = QApplication::exec();
  if (rc != 0) {
    std::fprintf(stderr, "xr-bench-tick: ended with %d after %zu ticks\n", rc, ticks.size());
    return rc;
  }

  std::vector<double> intervals, lateness, paintLag;
  Clock::time_point previous = started;
  for (std::size_t k = 0; k < ticks.size(); ++k) {
    intervals.push_back(Ms(ticks[k].handled - previous) - 1000.0);
    lateness.push_back(Ms(ticks[k].handled - started) - 1000.0 * static_cast<double>(k + 1));
    paintLag.push_back(Ms(ticks[k].painted - ticks[k].handled));
    previous = ticks[k].handled;
  }
  const Tick& last = ticks.back();
  const double total = Ms(last.handled - started);
  const double totalPainted = Ms(last.painted - started);
  const auto missedPaints =
      std::count_if(ticks.begin(), ticks.end(), [](const Tick& t) { return !t.paintSeen; });

  std::printf("countdown %02d:%02d, %zu ticks seen (expected %d), last face %02d:%02d\n",
              seconds / 60, seconds % 60, ticks.size(), seconds, last.faceSeconds / 60,
              last.faceSeconds % 60);
  std::printf("load average before %s, after %s\n", loadBefore.c_str(),
              xr::bench::LoadAverage().c_str());
  std::printf("start click -> 00:00 tick        %.3f ms  (nominal %d000 ms, error %+.3f ms)\n",
              total, seconds, total - seconds * 1000.0);
  std::printf("start click -> 00:00 painted     %.3f ms  (nominal %d000 ms, error %+.3f ms)\n",
              totalPainted, seconds, totalPainted - seconds * 1000.0);
  xr::bench::PrintSpread("interval - 1000 ms", intervals);
  xr::bench::PrintSpread("tick k - (click + k s), lateness", lateness);
  xr::bench::PrintSpread("tick -> seconds cell painted", paintLag);
  if (missedPaints > 0) std::printf("ticks with no paint seen: %td\n", missedPaints);
  xr::bench::PrintSummary(total - seconds * 1000.0, intervals, lateness);

  if (!csv.empty()) {
    std::ofstream out(csv);
    out << "tick,handled_ms,painted_ms,face_seconds\n";
    for (std::size_t k = 0; k < ticks.size(); ++k) {
      out << k + 1 << ',' << Ms(ticks[k].handled - started) << ',' << Ms(ticks[k].painted - started)
          << ',' << ticks[k].faceSeconds << '\n';
    }
  }
  return static_cast<int>(ticks.size()) == seconds && last.faceSeconds == 0 ? 0 : 4;
}
