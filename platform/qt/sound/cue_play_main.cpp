// Plays a sound file through SoundPlayer and exits when it has finished, or at once when it
// cannot be played:
//
//   xr-cue-play FILE [--repeat-after-ms N]
//
// --repeat-after-ms plays FILE again N ms after the first start, the way a second countdown
// restarts the cue. Exits 0 whether or not anything could be played; 2 on a bad command line.

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/sound/sound_player.h"

namespace {
QtMessageHandler g_next = nullptr;

// Like the cue, the tool plays silently when it cannot: the sound backend's notices about a
// missing server are not its output.
void DropSoundServerNotices(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
  if (message.startsWith(QLatin1String("xiuran-timer: no sound server")) || g_next == nullptr) {
    return;
  }
  g_next(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  g_next = qInstallMessageHandler(DropSoundServerNotices);
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  bool repeat_ok = true;
  const int repeat_ms = args.size() == 4 ? args[3].toInt(&repeat_ok) : -1;
  if ((args.size() != 2 && args.size() != 4) ||
      (args.size() == 4 &&
       (args[2] != QLatin1String("--repeat-after-ms") || !repeat_ok || repeat_ms < 0))) {
    std::fprintf(stderr, "usage: xr-cue-play FILE [--repeat-after-ms N]\n");
    return 2;
  }
  // The name's own bytes: a file name need not be text in any encoding.
  const QByteArray path(argv[1]);

  xr::qt::SoundPlayer player;
  bool repeat_pending = repeat_ms >= 0;
  QObject::connect(&player, &xr::qt::SoundPlayer::Finished, &app, [&] {
    if (!repeat_pending) {
      app.quit();
    }
  });
  player.Play(path);
  if (repeat_pending) {
    QTimer::singleShot(repeat_ms, &app, [&] {
      repeat_pending = false;
      player.Play(path);
    });
  }
  app.exec();
  // The sound stack's global objects must not be torn down while the sound server's client
  // thread still runs: its static destructors race that thread and abort now and then.
  std::fflush(nullptr);
  std::_Exit(0);
}
