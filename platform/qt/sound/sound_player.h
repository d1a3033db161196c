#pragma once

#include <QAudio>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

class QAudioSink;
class QBuffer;

namespace xr::qt {

// The bytes of the regular file at an absolute path, read through one descriptor that does not
// follow a symbolic link; nothing for a relative path, a link, a FIFO, a device, a directory or
// a file larger than any sound the player takes.
std::optional<QByteArray> ReadSoundFile(const QString& path);

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

  // Returns at once; the sound plays while the event loop runs. Stops a sound still playing.
  void Play(const QString& path);

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
  bool Prepare(const QString& path);
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
