#pragma once

#include <QAudio>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

class QAudioSink;
class QBuffer;

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
// The samples go straight to a QAudioSink: QSoundEffect drops the end of a sound and never
// finishes without a sound server, and QMediaPlayer needs GStreamer and starts late.
class SoundPlayer : public QObject {
  Q_OBJECT

 public:
  explicit SoundPlayer(QObject* parent = nullptr);
  ~SoundPlayer() override;

  using Clock = std::chrono::steady_clock;
  // Returns at once; the sound plays while the event loop runs. Stops a sound still playing. A
  // sound that the output has not taken by latestStart (a sound server that stalls while the
  // stream is opened) is not played at all: it would come out of place.
  void Play(const QByteArray& path, Clock::time_point latestStart = Clock::time_point::max());

 signals:
  // The most recent Play has ended: the whole sound has been handed to the output, or it could
  // not be played at all. Always emitted from the event loop, never inside Play.
  void Finished();

 private:
  // The file's samples, ready for the sink.
  struct Prepared {
    QAudioFormat format;
    QByteArray pcm;
  };
  bool Prepare(const QByteArray& path);
  void OnStateChanged(QAudio::State state);
  void Release();
  void FinishLater();

  Prepared prepared_;

  QAudioSink* sink_ = nullptr;
  QBuffer* source_ = nullptr;
  QTimer drain_timer_;
  QTimer watchdog_;
  QElapsedTimer started_;
  qint64 length_ms_ = 0;  // of the samples with their trailing silence
  quint64 generation_ = 0;
};

}  // namespace xr::qt
