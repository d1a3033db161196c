// 岫然计时器: opens the main window and runs until it is closed.
#include <QApplication>
#include <QByteArray>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/command_line.h"
#include "main_window/program.h"
#include "platform/posix_env.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt/sound_module.h"

namespace {

// Qt reports a display it cannot open with a warning, then a fatal error that aborts with a
// core dump; one line and a plain failure exit say the same thing to a user. Warnings while the
// application starts are held back until it is clear whether it starts at all.
bool g_starting = true;
QStringList g_heldWarnings;

void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    const QString reason = g_heldWarnings.isEmpty() ? message : g_heldWarnings.first();
    std::fprintf(stderr, "xiuran-timer: cannot start: %s\n",
                 qPrintable(reason.section('\n', 0, 0)));
    std::_Exit(1);
  }
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (g_starting) {
    g_heldWarnings << message;
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Far more than the program holds at any time: the usual hard limits are in the thousands.
constexpr long kFewOpenFiles = 256;

bool NoDisplayAtAll() {
  return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
         qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before anything else, so that they need no display.
  if (const auto answer = xr::CommandLineAnswer(xr::ReadCommandLine(argc, argv)); !answer.empty()) {
    std::fwrite(answer.data(), 1, answer.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  xr::posix::SurviveFailedWrites();
  xr::posix::SettleHomeAndBaseDirs();
  xr::posix::NoSessionBusUnlessGiven();
  // Under a small hard limit the X server's shared-memory images are left out: the descriptor
  // each one comes with is dropped by the kernel when no slot is free, and the toolkit then waits
  // for it forever, the window frozen. The GLib event loop is left out too: it aborts the program
  // when it cannot get a wake-up pipe for a thread.
  if (xr::posix::RaiseOpenFileLimit() < kFewOpenFiles) {
    setenv("QT_XCB_NO_MITSHM", "1", 0);
    setenv("QT_NO_GLIB", "1", 0);
  }
  if (NoDisplayAtAll()) {
    std::fprintf(stderr, "xiuran-timer: no display to open the window on (DISPLAY is not set)\n");
    return 1;
  }
  qInstallMessageHandler(OnQtMessage);
  xr::qt::StartArguments args(argc, argv);
  QApplication app(args.argc(), args.argv());
  g_starting = false;
  // An X server that was preferred and could not be reached leaves only warnings about itself
  // once Wayland has taken over; the one line below says what the user needs to know.
  if (args.added().empty() || xr::qt::PointerCanBeMoved()) {
    for (const QString& w : std::as_const(g_heldWarnings)) {
      std::fprintf(stderr, "%s\n", qPrintable(w));
    }
  }
  xr::qt::NoteWindowSystem();
  xr::qt::CloseWindowsOnSignals();
  QApplication::setApplicationName("xiuran-timer");
  // No display name: Qt would append it to every other window's title, and a window manager
  // would show "应用列表 — 岫然计时器" where the window's own caption is meant.
  QApplication::setDesktopFileName("xiuran-timer");

  xr::qt::SoundModule sound;
  xr::qt::QtPlatform platform([&sound](const QByteArray& path) { sound.Play(path); },
                              [&sound] { sound.Load(); });
  // By then the first frame has read the font list anyway, so the check costs next to nothing.
  platform.AfterFirstFrame([] { xr::qt::CheckChineseFonts(); });
  xr::WindowHost host(platform);
  xr::Program program(platform, host);
  program.Start();
  const int status = QApplication::exec();
  // A sound thread stuck in a silent sound server must not hold the exit up, and the sound
  // stack must not be torn down by the static destructors while its threads still run.
  if (!sound.Shutdown(1000)) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}
