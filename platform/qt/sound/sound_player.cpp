#include "platform/qt/sound/sound_player.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
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
// What the sound server buffers ahead of the output. The sink refills it from the event loop
// every 20 ms, so it is what carries the sound through a busy or starved GUI thread: at 100 ms a
// loaded two-core machine left audible gaps. It does not delay the start, which the server
// begins as soon as the first chunks arrive.
constexpr int kBufferMs = 1000;
// Silence after the sound, so that the stream's end, however the server handles it, only ever
// cuts silence.
constexpr int kTrailingSilenceMs = 250;
// The sink reports the end when it has handed everything to the server, up to a buffer ahead of
// what is heard; the stream is closed only when the sound's own length has passed since the
// start, plus this much.
constexpr int kDrainMs = 300;
// Beyond the sound's own length: a sink that never reports the end is given up after this.
constexpr int kWatchdogSlackMs = 3000;

// Volume 50 of 100 is half amplitude. The samples are scaled here rather than by the sink or the
// server, whose volume controls may follow a curve or affect other streams.
QByteArray HalfLevelPcm(std::span<const std::uint8_t> pcm, const QAudioFormat& format) {
  const qsizetype silence = format.bytesForDuration(kTrailingSilenceMs * 1000);
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

// Qt connects to the sound server the first time the audio devices are asked for. Done here,
// before any Play, so that the first cue does not wait for the connection either.
void ConnectToSoundServer() {
  static bool connected = false;
  if (!connected) {
    connected = true;
    (void)QMediaDevices::defaultAudioOutput();
  }
}

}  // namespace

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
  ConnectToSoundServer();
  drain_timer_.setSingleShot(true);
  watchdog_.setSingleShot(true);
  const auto done = [this] {
    Release();
    emit Finished();
  };
  connect(&drain_timer_, &QTimer::timeout, this, done);
  connect(&watchdog_, &QTimer::timeout, this, done);
}

SoundPlayer::~SoundPlayer() { Release(); }

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

bool SoundPlayer::Prepare(const QByteArray& path) {
  // Read at every Play, as the cue's media control loads its file each time its URL is set; for
  // the cue that is about a millisecond on the sound thread.
  const std::optional<QByteArray> bytes = ReadSoundFile(path);
  if (!bytes) {
    return false;
  }
  const std::optional<WavPcm> wav = ParseWav(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->constData()),
                                    static_cast<std::size_t>(bytes->size())));
  if (!wav || wav->data.empty()) {
    return false;
  }
  prepared_.format = QAudioFormat();
  prepared_.format.setSampleRate(static_cast<int>(wav->sample_rate));
  prepared_.format.setChannelCount(wav->channels);
  prepared_.format.setSampleFormat(QAudioFormat::Int16);
  prepared_.pcm = HalfLevelPcm(wav->data, prepared_.format);
  return true;
}

void SoundPlayer::Play(const QByteArray& path, Clock::time_point latestStart) {
  Release();
  ++generation_;

  if (!Prepare(path)) {
    FinishLater();
    return;
  }
  const QAudioFormat& format = prepared_.format;
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull() || !device.isFormatSupported(format)) {
    FinishLater();
    return;
  }

  source_ = new QBuffer(this);
  source_->setData(prepared_.pcm);  // shared, not copied
  source_->open(QIODevice::ReadOnly);
  sink_ = new QAudioSink(device, format, this);
  sink_->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
  sink_->start(source_);
  // Connected only now: a sink that fails to open reports it from inside start().
  connect(sink_, &QAudioSink::stateChanged, this, &SoundPlayer::OnStateChanged);
  // start() waits for the server to open the stream, however long that takes; the samples only
  // go out from the event loop afterwards, so a late start can still be taken back.
  if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState ||
      Clock::now() > latestStart) {
    Release();
    FinishLater();
    return;
  }
  started_.start();
  length_ms_ = format.durationForBytes(static_cast<qint32>(source_->size())) / 1000;
  watchdog_.start(static_cast<int>(length_ms_) + kDrainMs + kWatchdogSlackMs);
}

void SoundPlayer::OnStateChanged(QAudio::State state) {
  if (sink_ == nullptr || sender() != sink_) {
    return;
  }
  if (state == QAudio::IdleState && source_->atEnd()) {
    // Everything has been handed to the server; it still has to play its buffer out.
    if (!drain_timer_.isActive()) {
      const qint64 left_ms = length_ms_ - started_.elapsed();
      drain_timer_.start(static_cast<int>(std::max<qint64>(left_ms, 0)) + kDrainMs);
    }
  } else if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
    // The server went away or refused the stream: give up without a word.
    Release();
    FinishLater();
  }
  // Idle before the end is an underrun; the sink refills itself from the buffer and goes on.
}

void SoundPlayer::Release() {
  drain_timer_.stop();
  watchdog_.stop();
  if (sink_ != nullptr) {
    disconnect(sink_, nullptr, this, nullptr);
    sink_->stop();
    // Deleted later: the sink's destructor runs the event loop, which must not happen inside
    // Play or inside one of the sink's own signals.
    sink_->deleteLater();
    sink_ = nullptr;
  }
  if (source_ != nullptr) {
    source_->deleteLater();
    source_ = nullptr;
  }
}

void SoundPlayer::FinishLater() {
  const quint64 generation = generation_;
  QTimer::singleShot(0, this, [this, generation] {
    if (generation == generation_ && sink_ == nullptr) {
      emit Finished();
    }
  });
}

}  // namespace xr::qt
