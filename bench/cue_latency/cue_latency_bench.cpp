// How promptly and how completely the cue reaches the sound server.
//
//   xr-cue-latency-bench CUE.wav [--runs N] [--baseline]
//
// Needs a PulseAudio server whose default sink is a null sink named "null" (run.sh sets one up).
// Records the sink's monitor with parec for the whole run, plays the cue N times (default 7)
// 5.5 s apart, and times each Play call against the recording. The recorder's stream is put on
// the monotonic clock by its byte count: sample i was produced at T0 + i / 44100, where T0 is
// taken from the promptest chunk delivery, so the figures include the monitor's own delivery
// delay of at most its 10 ms fragment.
//
// With --baseline, the same is measured for QSoundEffect at volume 0.5, the two taking turns,
// which goes first changing each round, so that neither always plays into a fresher stream.
//
// Prints figures only.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cue/wav_pcm.h"
#include "platform/qt/sound/sound_player.h"
#include "tools/cue/cue_analysis.h"

extern char** environ;

namespace {

namespace ca = xr::cue_analysis;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 44100.0;
constexpr int kGapMs = 5500;
// A frame counts as sound above this magnitude; at half level the cue's attack passes it within
// a millisecond of its onset.
constexpr double kSoundLevel = 64.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// parec writing into a pipe, read on its own thread with each chunk's arrival time.
class Recorder {
 public:
  bool Start() {
    int fds[2];
    if (pipe(fds) != 0) {
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const char* argv[] = {"parec",          "-d",           "null.monitor", "--latency-msec=10",
                          "--format=s16le", "--rate=44100", "--channels=2", "--raw",
                          nullptr};
    const int rc =
        posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      return false;
    }
    fd_ = fds[0];
    reader_ = std::thread([this] { Read(); });
    return true;
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = 0;
    }
    if (reader_.joinable()) {
      reader_.join();
    }
    if (fd_ >= 0) {
      close(fd_);
      fd_ = -1;
    }
  }

  std::size_t Bytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_.size();
  }

  struct Arrival {
    std::size_t end_frame;
    Clock::time_point when;
  };
  // Only once stopped.
  const std::vector<std::uint8_t>& data() const { return bytes_; }
  const std::vector<Arrival>& arrivals() const { return arrivals_; }

 private:
  void Read() {
    std::vector<std::uint8_t> buffer(4096);
    for (;;) {
      const ssize_t n = read(fd_, buffer.data(), buffer.size());
      const Clock::time_point now = Clock::now();
      if (n <= 0) {
        return;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      bytes_.insert(bytes_.end(), buffer.begin(), buffer.begin() + n);
      arrivals_.push_back({bytes_.size() / 4, now});
    }
  }

  pid_t pid_ = 0;
  int fd_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::vector<std::uint8_t> bytes_;
  std::vector<Arrival> arrivals_;
};

struct Run {
  Clock::time_point play;
  double inside_play_ms;
};

struct Figures {
  double first_sample_ms;  // Play -> the file's frame 0 leaves the server
  double first_sound_ms;  // Play -> the first audible frame (the file starts with 50 ms of silence)
  double gain;
  ca::Coverage cover;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

void Report(const char* name, const std::vector<Figures>& figures, const std::vector<Run>& runs,
            double src_seconds, double audible_seconds) {
  std::printf("\n%s: %zu plays\n", name, figures.size());
  std::vector<double> first;
  std::vector<double> sound;
  std::vector<double> inside;
  std::vector<double> fraction;
  std::vector<double> complete_to;
  for (std::size_t i = 0; i < figures.size(); ++i) {
    const Figures& f = figures[i];
    inside.push_back(runs[i].inside_play_ms);
    if (std::isnan(f.first_sample_ms)) {
      std::printf("  play %zu: in Play %.2f ms; no sound arrived\n", i + 1, runs[i].inside_play_ms);
      fraction.push_back(0.0);
      complete_to.push_back(0.0);
      continue;
    }
    const double frac = f.cover.audible_windows ? static_cast<double>(f.cover.present_windows) /
                                                      static_cast<double>(f.cover.audible_windows)
                                                : 0.0;
    // Complete up to the first audible window that did not arrive.
    const double complete =
        static_cast<double>(f.cover.first_missing.value_or(f.cover.present_end)) / kRate;
    std::printf(
        "  play %zu: in Play %.2f ms; first sample after %.1f ms, first sound after %.1f ms; "
        "level %.3f; %zu of %zu audible 10-ms windows arrived (%.1f %%), complete to %.3f s of "
        "%.3f s\n",
        i + 1, runs[i].inside_play_ms, f.first_sample_ms, f.first_sound_ms, f.gain,
        f.cover.present_windows, f.cover.audible_windows, 100 * frac, complete, audible_seconds);
    complete_to.push_back(complete);
    first.push_back(f.first_sample_ms);
    sound.push_back(f.first_sound_ms);
    fraction.push_back(frac);
  }
  std::printf("  median time inside Play: %.2f ms\n", Median(inside));
  if (!first.empty()) {
    std::printf(
        "  median of the %zu plays that sounded: first sample %.1f ms (min %.1f, max %.1f), "
        "first sound %.1f ms\n",
        first.size(), Median(first), *std::min_element(first.begin(), first.end()),
        *std::max_element(first.begin(), first.end()), Median(sound));
  }
  std::printf(
      "  median of all plays: %.1f %% of the audible windows arrived; complete to %.3f s of the "
      "%.3f s of sound (file: %.3f s)\n",
      100 * Median(fraction), Median(complete_to), audible_seconds, src_seconds);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: xr-cue-latency-bench CUE.wav [--runs N] [--baseline]\n");
    return 2;
  }
  const QString path = args[1];
  int runs_wanted = 7;
  bool baseline = false;
  for (int i = 2; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--runs") && i + 1 < args.size()) {
      runs_wanted = std::max(1, args[++i].toInt());
    } else if (args[i] == QLatin1String("--baseline")) {
      baseline = true;
    }
  }

  std::ifstream in(path.toStdString(), std::ios::binary);
  const std::vector<std::uint8_t> wav_bytes{std::istreambuf_iterator<char>(in),
                                            std::istreambuf_iterator<char>()};
  const std::optional<xr::WavPcm> wav = xr::ParseWav(wav_bytes);
  if (!wav || wav->sample_rate != 44100) {
    std::fprintf(stderr, "not a 44.1 kHz 16-bit WAVE file: %s\n", qPrintable(path));
    return 2;
  }
  const ca::Stereo src = ca::FromPcm16(wav->data, wav->channels, 44100);
  // The file's first frame above the threshold at half level.
  const std::size_t src_first = ca::FirstAbove(src, 2 * kSoundLevel);

  Recorder recorder;
  if (!recorder.Start()) {
    std::fprintf(stderr, "cannot start parec\n");
    return 1;
  }

  xr::qt::SoundPlayer player;
  QSoundEffect effect;
  effect.setVolume(0.5f);
  if (baseline) {
    effect.setSource(QUrl::fromLocalFile(path));
  }

  std::vector<Run> player_runs;
  std::vector<Run> effect_runs;
  const int total = runs_wanted * (baseline ? 2 : 1);
  int started = 0;
  QTimer tick;
  std::function<void()> next = [&] {
    if (started == total) {
      QTimer::singleShot(kGapMs, &app, &QCoreApplication::quit);
      return;
    }
    // Round started / 2 plays both, in turned order: player first in even rounds.
    const bool use_effect = baseline && (started % 2 + started / 2) % 2 == 1;
    const Clock::time_point before = Clock::now();
    if (use_effect) {
      effect.play();
    } else {
      player.Play(QFile::encodeName(path));
    }
    const Clock::time_point after = Clock::now();
    (use_effect ? effect_runs : player_runs).push_back({before, Ms(after - before)});
    ++started;
    QTimer::singleShot(kGapMs, &app, next);
  };
  // The null sink's monitor delivers nothing for about 2 s: start once data flows.
  const Clock::time_point wait_start = Clock::now();
  QObject::connect(&tick, &QTimer::timeout, &app, [&] {
    if (recorder.Bytes() > 0 && (!baseline || effect.status() == QSoundEffect::Ready)) {
      tick.stop();
      QTimer::singleShot(500, &app, next);
    } else if (Clock::now() - wait_start > std::chrono::seconds(15)) {
      std::fprintf(stderr, "no data from null.monitor (or the baseline did not load)\n");
      app.exit(1);
    }
  });
  tick.start(20);
  const int rc = app.exec();
  recorder.Stop();
  if (rc != 0) {
    return rc;
  }

  const ca::Stereo rec = ca::FromPcm16(recorder.data(), 2, 44100);
  const auto& arrivals = recorder.arrivals();
  // T0: the stream's frame 0 on the monotonic clock, from the promptest delivery while playing.
  const Clock::time_point first_play = player_runs.front().play;
  double t0_ms = 1e300;
  std::vector<double> offsets;
  for (const auto& a : arrivals) {
    if (a.when >= first_play) {
      const double off = Ms(a.when - first_play) - static_cast<double>(a.end_frame) / kRate * 1000;
      offsets.push_back(off);
      t0_ms = std::min(t0_ms, off);
    }
  }
  std::printf(
      "recorded %.2f s in %zu chunks; chunk delivery delay beyond the promptest: median "
      "%.1f ms\n",
      static_cast<double>(rec.frames()) / kRate, arrivals.size(), Median(offsets) - t0_ms);

  const auto measure = [&](const std::vector<Run>& runs) {
    std::vector<Figures> out;
    for (const Run& run : runs) {
      const double play_frame = (Ms(run.play - first_play) - t0_ms) / 1000 * kRate;
      const auto from = static_cast<std::size_t>(std::max(0.0, play_frame));
      const std::size_t hit = ca::FirstAbove(rec, kSoundLevel, from);
      if (hit >= rec.frames()) {
        out.push_back({NAN, NAN, 0.0, {}});
        continue;
      }
      const double sound_ms = (static_cast<double>(hit) - play_frame) / kRate * 1000;
      const std::ptrdiff_t guess =
          static_cast<std::ptrdiff_t>(hit) - static_cast<std::ptrdiff_t>(src_first);
      const std::ptrdiff_t lag = ca::BestLag(src, rec, src_first, 4410, guess, 441);
      const double gain = ca::Gain(src, rec, lag, src_first, src.frames());
      const ca::Coverage cover = ca::Compare(src, rec, lag, gain, src_first, src.frames());
      // Frame 0 of the file left the server `lag` frames into the recording.
      const double first_ms = (static_cast<double>(lag) - play_frame) / kRate * 1000;
      out.push_back({first_ms, sound_ms, gain, cover});
    }
    return out;
  };
  const double src_seconds = static_cast<double>(src.frames()) / kRate;
  const std::vector<Figures> player_figures = measure(player_runs);
  const double audible_s = player_figures.empty()
                               ? 0.0
                               : static_cast<double>(player_figures[0].cover.audible_end) / kRate;
  Report("SoundPlayer (QAudioSink)", player_figures, player_runs, src_seconds, audible_s);
  if (baseline) {
    Report("baseline QSoundEffect", measure(effect_runs), effect_runs, src_seconds, audible_s);
  }
  return 0;
}
