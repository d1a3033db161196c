#include "platform/qt/sound/sound_player.h"

#include <fcntl.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>

#include "cue/wav_pcm.h"
#include "platform/posix_files.h"

namespace xr::qt {
namespace {

// The largest sound file the player reads: ten times the cue (824,912 bytes), room for a longer
// cue or for a leftover tail after the RIFF chunk, while the whole file, and its samples at half
// level, stay a few megabytes of the player's memory.
constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;
// What the sound server buffers ahead of the output: what carries the sound through a player
// that is held up (a loaded machine). It does not delay the start, which the server begins as
// soon as the first chunks arrive.
constexpr int kBufferMs = 1000;
// Silence after the sound, so that the stream's end, however the server handles it, only ever
// cuts silence.
constexpr int kTrailingSilenceMs = 250;
// Beyond the sound's own length: a server that never reports the end is given up after this.
constexpr int kWatchdogSlackMs = 3000;
// The longest a Play waits for the server to answer. A server that accepts a connection and
// never answers would hold its client for ever; the next Play tries again.
constexpr auto kAnswerLimit = std::chrono::seconds(5);

// Volume 50 of 100 is half amplitude. The samples are scaled here rather than by the server,
// whose volume controls may follow a curve or affect other streams.
QByteArray HalfLevelPcm(std::span<const std::uint8_t> pcm, qsizetype bytesPerSecond) {
  const qsizetype silence = bytesPerSecond * kTrailingSilenceMs / 1000;
  QByteArray out(static_cast<qsizetype>(pcm.size()) + silence, '\0');
  auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
  for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
    const auto sample = static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8));
    const auto half = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample / 2));
    dst[i] = static_cast<std::uint8_t>(half & 0xFF);
    dst[i + 1] = static_cast<std::uint8_t>(half >> 8);
  }
  return out;
}

struct Samples {
  pa_sample_spec layout;
  QByteArray pcm;
};

// Read at every Play, as the cue's media control loads its file each time its URL is set; for
// the cue that is about a millisecond.
std::optional<Samples> Prepare(const QByteArray& path) {
  const std::optional<QByteArray> bytes = ReadSoundFile(path);
  if (!bytes) return std::nullopt;
  const std::optional<WavPcm> wav = ParseWav(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->constData()),
                                    static_cast<std::size_t>(bytes->size())));
  if (!wav || wav->data.empty()) return std::nullopt;
  Samples samples{};
  samples.layout.format = PA_SAMPLE_S16LE;
  samples.layout.rate = wav->sample_rate;
  samples.layout.channels = static_cast<std::uint8_t>(wav->channels);
  if (pa_sample_spec_valid(&samples.layout) == 0) return std::nullopt;
  samples.pcm =
      HalfLevelPcm(wav->data, static_cast<qsizetype>(pa_bytes_per_second(&samples.layout)));
  return samples;
}

// Waits, with the loop locked, until done() or the deadline; the loop's thread runs meanwhile.
template <typename Done>
bool WaitFor(pa_threaded_mainloop* loop, Done done, SoundPlayer::Clock::time_point deadline) {
  while (!done()) {
    if (SoundPlayer::Clock::now() >= deadline) return false;
    pa_threaded_mainloop_unlock(loop);
    QThread::msleep(5);
    pa_threaded_mainloop_lock(loop);
  }
  return true;
}

// Without a server the cue is silent: said once a run, the way the program says it.
void SayNoServer(int error) {
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) {
    qWarning("xiuran-timer: no sound server (%s); the countdown is silent", pa_strerror(error));
  }
}

}  // namespace

std::optional<QByteArray> ReadSoundFile(const QByteArray& path) {
  // Never resolved against a working directory, which is nobody's choice of cue.
  const qsizetype slash = path.lastIndexOf('/');
  if (!path.startsWith('/') || slash + 1 == path.size()) {
    return std::nullopt;
  }
  // The directory, then the file in it, each through one descriptor: a link or another directory
  // swapped in at the directory's path, or whatever is swapped in at the file's path after the
  // open, is not read; a symbolic link is not followed, and a FIFO or a device neither blocks the
  // open nor passes the type check.
  const int dir = posix::OpenPrivateDir(slash == 0 ? "/" : path.left(slash).constData());
  const int fd = dir < 0 ? -1
                         : ::openat(dir, path.constData() + slash + 1,
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  const int error = errno;
  if (dir >= 0) ::close(dir);
  if (fd < 0) {
    // Out of descriptors, the cue is silent for a reason the user can mend: said once a run.
    static std::atomic<bool> said{false};
    if ((error == EMFILE || error == ENFILE) && !said.exchange(true)) {
      std::fprintf(stderr, "xiuran-timer: cannot open the countdown cue: %s\n",
                   std::strerror(error));
    }
    return std::nullopt;
  }
  std::optional<QByteArray> bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileBytes) {
    QByteArray buffer(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype got = 0;
    while (got < buffer.size()) {
      const ssize_t n =
          ::read(fd, buffer.data() + got, static_cast<std::size_t>(buffer.size() - got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += n;
    }
    buffer.truncate(got);  // a file cut short meanwhile
    bytes = std::move(buffer);
  }
  ::close(fd);
  return bytes;
}

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
  watchdog_.setSingleShot(true);
  connect(&watchdog_, &QTimer::timeout, this, [this] {
    Release();
    emit Finished();
  });
  loop_ = pa_threaded_mainloop_new();
  if (loop_ != nullptr && pa_threaded_mainloop_start(loop_) != 0) {
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
  }
  if (loop_ == nullptr) return;
  // Connected now, before any Play, so that the first cue does not wait for the connection.
  pa_threaded_mainloop_lock(loop_);
  Connect(Clock::now());
  pa_threaded_mainloop_unlock(loop_);
}

SoundPlayer::~SoundPlayer() {
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_lock(loop_);
  ReleaseLocked();
  if (context_ != nullptr) {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
}

bool SoundPlayer::Connect(Clock::time_point deadline) {
  if (context_ != nullptr && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
    // The server went away, or was not there: a new connection finds it if it is back.
    pa_context_unref(context_);
    context_ = nullptr;
  }
  if (context_ == nullptr) {
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "xiuran-timer");
    if (context_ == nullptr) return false;
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
      SayNoServer(pa_context_errno(context_));
      return false;
    }
  }
  const auto settled = [this] {
    const pa_context_state_t state = pa_context_get_state(context_);
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  };
  WaitFor(loop_, settled, deadline);
  const pa_context_state_t state = pa_context_get_state(context_);
  if (!PA_CONTEXT_IS_GOOD(state)) SayNoServer(pa_context_errno(context_));
  return state == PA_CONTEXT_READY;
}

void SoundPlayer::Play(const QByteArray& path, Clock::time_point due) {
  Release();
  if (loop_ == nullptr) {
    FinishLater();
    return;
  }
  std::optional<Samples> samples = Prepare(path);
  pa_threaded_mainloop_lock(loop_);
  ++generation_;
  const bool timed = due != Clock::time_point::max();
  // Late by the whole sound, nothing of it would be heard in its place.
  const Clock::time_point latestStart =
      timed && samples
          ? due + std::chrono::microseconds(pa_bytes_to_usec(
                      static_cast<std::uint64_t>(samples->pcm.size()), &samples->layout))
          : Clock::time_point::max();
  const Clock::time_point deadline = std::min(latestStart, Clock::now() + kAnswerLimit);
  bool ok = samples && Connect(deadline);
  if (ok) {
    stream_ = pa_stream_new(context_, "cue", &samples->layout, nullptr);
    ok = stream_ != nullptr;
  }
  if (ok) {
    pcm_ = std::move(samples->pcm);
    written_ = 0;
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength =
        static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferMs * 1000, &samples->layout));
    buffer.prebuf = static_cast<std::uint32_t>(-1);
    buffer.minreq = static_cast<std::uint32_t>(-1);
    buffer.fragsize = static_cast<std::uint32_t>(-1);
    pa_stream_set_state_callback(stream_, &SoundPlayer::OnStreamState, this);
    ok = pa_stream_connect_playback(stream_, nullptr, &buffer, PA_STREAM_NOFLAGS, nullptr,
                                    nullptr) == 0;
  }
  // Nothing is written before the stream is open, so a late open can still be taken back.
  ok = ok && WaitFor(
                 loop_,
                 [this] {
                   const pa_stream_state_t state = pa_stream_get_state(stream_);
                   return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                 },
                 deadline);
  const Clock::time_point now = Clock::now();
  ok = ok && pa_stream_get_state(stream_) == PA_STREAM_READY && now < latestStart;
  if (ok && timed && now > due) {
    // Started late: the part that should already have sounded is left out, whole frames only.
    const std::size_t frame = pa_frame_size(&samples->layout);
    const auto lateUs = std::chrono::duration_cast<std::chrono::microseconds>(now - due).count();
    const std::size_t skip = pa_usec_to_bytes(static_cast<pa_usec_t>(lateUs), &samples->layout);
    const auto whole = static_cast<std::size_t>(pcm_.size()) / frame * frame;
    written_ = static_cast<qsizetype>(std::min(skip / frame * frame, whole));
  }
  if (ok) {
    pa_stream_set_write_callback(stream_, &SoundPlayer::OnWritable, this);
    const std::size_t room = pa_stream_writable_size(stream_);
    if (room != static_cast<std::size_t>(-1)) Write(room);
  } else {
    ReleaseLocked();
  }
  const qint64 lengthMs =
      ok ? static_cast<qint64>(pa_bytes_to_usec(static_cast<std::uint64_t>(pcm_.size() - written_),
                                                &samples->layout) /
                               1000)
         : 0;
  pa_threaded_mainloop_unlock(loop_);
  if (!ok) {
    FinishLater();
    return;
  }
  watchdog_.start(static_cast<int>(lengthMs) + kBufferMs + kWatchdogSlackMs);
}

void SoundPlayer::Write(std::size_t bytes) {
  const std::size_t left = static_cast<std::size_t>(pcm_.size() - written_);
  const std::size_t n = std::min(bytes, left);
  if (n > 0) {
    pa_stream_write(stream_, pcm_.constData() + written_, n, nullptr, 0, PA_SEEK_RELATIVE);
    written_ += static_cast<qsizetype>(n);
  }
  if (written_ == pcm_.size()) {
    // Everything is with the server, which reports when it has played it.
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_operation* drain = pa_stream_drain(stream_, &SoundPlayer::OnDrained, this);
    if (drain != nullptr) pa_operation_unref(drain);
  }
}

void SoundPlayer::OnWritable(pa_stream* stream, std::size_t bytes, void* self) {
  auto* player = static_cast<SoundPlayer*>(self);
  if (stream == player->stream_) player->Write(bytes);
}

void SoundPlayer::OnStreamState(pa_stream* stream, void* self) {
  auto* player = static_cast<SoundPlayer*>(self);
  // The server went away or refused the stream: the sound ends there, without a word.
  if (stream == player->stream_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
    const quint64 generation = player->generation_;
    QMetaObject::invokeMethod(
        player, [player, generation] { player->Ended(generation); }, Qt::QueuedConnection);
  }
}

void SoundPlayer::OnDrained(pa_stream* stream, int, void* self) {
  auto* player = static_cast<SoundPlayer*>(self);
  if (stream != player->stream_) return;
  const quint64 generation = player->generation_;
  QMetaObject::invokeMethod(
      player, [player, generation] { player->Ended(generation); }, Qt::QueuedConnection);
}

void SoundPlayer::Ended(quint64 generation) {
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_lock(loop_);
  const bool current = generation == generation_ && stream_ != nullptr;
  pa_threaded_mainloop_unlock(loop_);
  if (!current) return;
  Release();
  emit Finished();
}

void SoundPlayer::Release() {
  watchdog_.stop();
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_lock(loop_);
  ReleaseLocked();
  pa_threaded_mainloop_unlock(loop_);
}

void SoundPlayer::ReleaseLocked() {
  if (stream_ == nullptr) return;
  pa_stream_set_write_callback(stream_, nullptr, nullptr);
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

void SoundPlayer::FinishLater() {
  QMetaObject::invokeMethod(
      this,
      [this, generation = generation_] {
        if (generation == generation_ && stream_ == nullptr) emit Finished();
      },
      Qt::QueuedConnection);
}

}  // namespace xr::qt
