// One run of the program on the real Qt layer: the platform, the program on top of it, and the
// ways a test reaches the widgets that stand for the model's windows and controls.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <string_view>

#include "main_window/program.h"
#include "platform/qt/qt_platform.h"

namespace xr::qttest {

class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens the main window and waits until it is on screen.
  void Start();

  qt::QtPlatform& platform() { return *platform_; }
  WindowHost& host() { return *host_; }
  Program& program() { return *program_; }
  MainForm& main() { return program_->Main(); }

  // The top-level widget of a model window; null when it is not shown.
  QWidget* form(const Window& window) const { return platform_->WidgetOf(window); }
  QWidget* form() { return form(main().window); }
  // The widget of a named control of a window (the main window by default).
  QWidget* widget(const Window& window, std::string_view name) const;
  QWidget* widget(std::string_view name) { return widget(main().window, name); }

  // The face as the model holds it and as the labels show it, both as "mm:ss".
  QString modelFace();
  QString shownFace();

  // A left click in the middle of a control's widget.
  void Click(const Window& window, std::string_view name);
  void Click(std::string_view name) { Click(main().window, name); }

  // Files handed to the sound player, in order.
  QStringList sounds;
  // How often the sound player was readied.
  int soundPreparations = 0;

 private:
  std::unique_ptr<qt::QtPlatform> platform_;
  std::unique_ptr<WindowHost> host_;
  std::unique_ptr<Program> program_;
};

// The text a label or a button shows.
QString TextOf(const QWidget* widget);
// Top-level widgets that are visible at the moment, optionally only those with a title.
QList<QWidget*> VisibleTopLevels(const QString& title = {});
// Runs the deletions that closed windows have queued.
void FlushDeletes();
// Makes a window the active one and waits until it is.
bool Activate(QWidget* form);
// Closes a window from inside a running event loop and returns that loop's exit code: 0 when
// the close ended the program (which leaves every event loop), 99 when it did not.
int CloseInsideEventLoop(QWidget* form);
// Presses and releases a key as the user would: through the window, to whatever has the focus.
void PressKey(QWidget* form, Qt::Key key);

}  // namespace xr::qttest
