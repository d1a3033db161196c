#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <optional>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace xr::qt {

// The bytes of the regular file at an absolute path (bytes as the system takes them, whatever
// their encoding), read through one descriptor that does not follow a symbolic link, in a
// directory of the user's own opened once; nothing for a relative path, a link, a FIFO, a device,
// a directory, a file larger than any sound the player takes, or a file in a directory that is
// a link, someone else's or writable by others.
std::optional<QByteArray> ReadSoundFile(const QByteArray& path);

// Plays a WAVE file once, in the background, the way the cue's media player control does: from
// its beginning, at volume 50 of 100, starting over on every call, and silently doing nothing
// when the file cannot be played or there is no sound output.
//
// The samples go to the sound server through its own client library (PulseAudio's, which
// PipeWire serves too), on a connection of the player's own that is made again whenever the
// server has gone: Qt Multimedia shares one connection that it tries to make again only once,
// three seconds after losing it, and leaves every later sound silent when the server is not back
// by then. QSoundEffect also drops the end of a sound, and QMediaPlayer needs GStreamer and
// starts late.
class SoundPlayer : public QObject {
  Q_OBJECT

 public:
  using Clock = std::chrono::steady_clock;

  explicit SoundPlayer(QObject* parent = nullptr);
  ~SoundPlayer() override;

  // Returns once the stream is open or has failed; the sound plays while the event loop runs.
  // Stops a sound still playing. due: when the sound was to start. A sound that starts late (a
  // server that stalls while the stream is opened) starts as far into itself as it is late, so
  // that what is heard still lines up with what it marks; one late by all its length is not
  // played. Without a due time it starts from its beginning whenever it can.
  void Play(const QByteArray& path, Clock::time_point due = Clock::time_point::max());

 signals:
  // The most recent Play has ended: the server has played the whole sound, or it could not be
  // played at all. Always emitted from the event loop, never inside Play.
  void Finished();

 private:
  // With the loop locked: whether the connection is ready, waiting for it until the deadline;
  // one that has failed is replaced by a new one.
  bool Connect(Clock::time_point deadline);
  void Release();
  void ReleaseLocked();
  void Write(std::size_t bytes);
  void FinishLater();
  void Ended(quint64 generation);

  static void OnWritable(pa_stream* stream, std::size_t bytes, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  static void OnDrained(pa_stream* stream, int success, void* self);

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  // The samples being played, and how many have gone to the server; the loop's thread reads
  // them, with the loop locked.
  QByteArray pcm_;
  qsizetype written_ = 0;
  quint64 generation_ = 0;  // of the latest Play; written with the loop locked
  QTimer watchdog_;
};

}  // namespace xr::qt
