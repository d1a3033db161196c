#include "platform/qt/qt_window_system.h"

#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace xr::qt {

namespace {
bool Set(const char* name) { return !qEnvironmentVariableIsEmpty(name); }

int g_signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
  const char byte = 1;
  // Only a write may happen here; the event loop does the rest.
  // A full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}
}  // namespace

void CloseWindowsOnSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
    return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char bytes[16];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    QApplication::closeAllWindows();
  });
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

StartArguments::StartArguments(int argc, char** argv) : argv_(argv, argv + argc) {
  bool chosen = Set("QT_QPA_PLATFORM");
  for (int i = 1; i < argc; ++i) chosen = chosen || std::strcmp(argv[i], "-platform") == 0;
  // Qt itself puts Wayland first in a Wayland session; without DISPLAY it is all there is.
  const bool wayland = Set("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
  if (!chosen && wayland && Set("DISPLAY")) {
    platform_ = "xcb;wayland";
    argv_.insert(argv_.begin() + 1, {option_.data(), platform_.data()});
  }
  argc_ = static_cast<int>(argv_.size());
  argv_.push_back(nullptr);
}

bool PointerCanBeMoved() { return !QGuiApplication::platformName().startsWith("wayland"); }

void NoteWindowSystem() {
  if (PointerCanBeMoved()) return;
  std::fprintf(stderr,
               "xiuran-timer: running on Wayland without an X server, which lets no program move "
               "the pointer: a start leaves it where it is\n");
}

bool WarpPointer(int x, int y) {
  const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return false;
  const QPoint at(x, y);
  QScreen* screen = QGuiApplication::screenAt(at);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  // A scaled screen keeps its top-left corner in the server's pixels and scales from there.
  const QPoint origin = screen->geometry().topLeft();
  const QPoint native = origin + (at - origin) * screen->devicePixelRatio();
  // The root of the X screen the program runs on, which DISPLAY names (":0.1" is the second):
  // a warp on another screen's root takes the pointer off this one altogether.
  char* host = nullptr;
  int displayNumber = 0;
  int screenNumber = 0;
  if (xcb_parse_display(nullptr, &host, &displayNumber, &screenNumber) == 0) screenNumber = 0;
  std::free(host);
  xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (; roots.rem > 0 && screenNumber > 0; --screenNumber) xcb_screen_next(&roots);
  const xcb_screen_t* root = roots.rem > 0 ? roots.data : nullptr;
  if (root == nullptr) return false;
  xcb_warp_pointer(connection, XCB_NONE, root->root, 0, 0, 0, 0,
                   static_cast<std::int16_t>(native.x()), static_cast<std::int16_t>(native.y()));
  xcb_flush(connection);
  return true;
}

bool KeyIsDown(std::uint32_t keyCode) {
  if (keyCode == 0 || keyCode > 255) return false;
  const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return false;
  // One round trip, only for a key release.
  xcb_query_keymap_reply_t* keys =
      xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
  if (keys == nullptr) return false;
  const bool down = ((keys->keys[keyCode / 8] >> (keyCode % 8)) & 1) != 0;
  std::free(keys);
  return down;
}

}  // namespace xr::qt
