// Which window system Qt is to open the windows on, decided before the application exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xr::qt {

// The program's arguments for QApplication. Where a Wayland session also offers an X server
// (XWayland), the X server comes first, with Wayland after it should the X server fail: only
// there can a start move the pointer to the window's centre. A platform the user chose, with
// QT_QPA_PLATFORM or -platform, is left alone. The object must outlive the application, which
// keeps pointers into it.
class StartArguments {
 public:
  StartArguments(int argc, char** argv);
  StartArguments(const StartArguments&) = delete;
  StartArguments& operator=(const StartArguments&) = delete;

  int& argc() { return argc_; }
  char** argv() { return argv_.data(); }
  // The platform list added, empty when none was.
  const std::string& added() const { return platform_; }

 private:
  std::string option_ = "-platform";
  std::string platform_;
  std::vector<char*> argv_;
  int argc_ = 0;
};

// Whether the window system the application runs on lets a program move the pointer.
bool PointerCanBeMoved();

// Once the application is built: SIGTERM, SIGINT and SIGHUP, with which a session or a terminal
// ends a program, close its windows as their close boxes would, so that it leaves as it does
// when the user closes it.
void CloseWindowsOnSignals();

// Once the application is built: says in one line on stderr when the pointer cannot be moved.
void NoteWindowSystem();

// Moves the pointer to a point of Qt's screen coordinates on an X server without waiting for it:
// QCursor::setPos asks the server where the pointer is, twice, before it moves it, and the start
// of a clock waits on those answers, tens of milliseconds on a busy machine. False where there
// is no X server (Wayland, offscreen).
bool WarpPointer(int x, int y);

// Whether the X server holds the key of this X key code down at this moment. False where there is
// no X server to ask (Wayland, offscreen), whose key events mark every repeat as one.
bool KeyIsDown(std::uint32_t keyCode);

}  // namespace xr::qt
