// The real window of one model window: a top-level widget with a child widget per visible kind
// of control, and a precise timer per armed model timer. The core's outputs arrive here and are
// turned into widget calls; native events leave here as the core's inputs, untouched.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "controls/window.h"
#include "controls/window_host.h"

class QKeyEvent;
class QScreen;

namespace xr::qt {

class QtPlatform;
class QtWindow;

class FormWidget final : public QWidget {
 public:
  FormWidget(QtWindow* view, QWidget* parent = nullptr);
  void Detach() { view_ = nullptr; }
  // Null once the window is going: the model may be gone too.
  QtWindow* View() const { return view_; }
  QPixmap background;
  QString backgroundHighResource;  // the same picture at twice the pixels, where there is one
  QColor backColor;
  std::string iconResource;  // set once the first frame is drawn

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QtWindow* view_;
  bool painted_ = false;
  QPixmap backgroundHigh_;  // read when a scaled screen first needs it
};

// Draws the keyboard focus as a mark that grows with the window, round the widget's box.
void PaintFocusMark(QWidget& widget);

// A button of the model. Enter presses it as Space does, and its focus shows from afar.
class ControlButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

// A label or picture of the model. It takes a click like a button: press and release over it,
// or Space or Enter while it has the focus.
class ControlLabel final : public QLabel {
 public:
  ControlLabel(QtWindow* view, Control& control, QWidget* parent);
  void Detach() { view_ = nullptr; }
  // The model control, or null once the window is going.
  const Control* Model() const { return view_ != nullptr ? &control_ : nullptr; }
  QtWindow* View() const { return view_; }
  // A click from the mouse or a screen reader's press: the same way into the core.
  void Activate();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  QtWindow* view_;
  Control& control_;
  bool pressed_ = false;
};

// Sees every key and every press that reaches a real window, before any widget does, whichever
// has the focus, and the window losing the keyboard.
class KeyWatch final : public QObject {
 public:
  explicit KeyWatch(QtWindow* view) : view_(view) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtWindow* view_;
};

class QtWindow final : public NativeWindow {
 public:
  QtWindow(QtPlatform& platform, Window& window, WindowHost& host);
  ~QtWindow() override;

  void ShowCentred() override;
  void Centre() override;
  void Activate() override;
  void ControlChanged(Control& control, Prop prop) override;
  void ArmTimer(Timer& timer, std::int64_t deadlineUs) override;
  void CancelTimer(Timer& timer) override;

  FormWidget* Form() const { return form_; }
  QWidget* WidgetOf(const Control& control) const;
  const std::map<const Control*, QWidget*>& Widgets() const { return widgets_; }

  // From the widgets.
  void UserClicked(Control& control);
  void ClientResized();
  // Reports the frame and the client size when they differ from the last report, or always.
  void FrameMoved(bool always = false);
  // A window manager frames a window after it is shown, without a move or resize event: the
  // frame is looked at again once the event at hand is handled.
  void FrameMayHaveChanged();
  void CloseRequested();
  void FirstFrameDrawn();
  // A key event for the window; returns whether it is used up.
  bool Key(const QKeyEvent& event);
  void KeyboardLost() { host_.KeyboardLost(window_); }
  void PointerPressed() { host_.PointerPressed(window_); }

 private:
  void Build();
  void MoveToCentre(QScreen* screen);
  void ApplyGeometry(Control& control, QWidget* widget);
  void ApplyFont(Control& control, QWidget* widget);
  void ApplyColors(Control& control, QWidget* widget);

  QtPlatform& platform_;
  Window& window_;
  WindowHost& host_;
  FormWidget* form_;  // deleted later, never while it may be handling an event
  std::map<const Control*, QWidget*> widgets_;
  std::map<const Timer*, std::unique_ptr<QTimer>> timers_;
  std::map<const Control*, int> fontPixels_;
  QRect reportedFrame_;
  QSize reportedClient_;
  QTimer frameCheck_;  // goes with this view; the form may outlive it
  KeyWatch keyWatch_{this};
};

// Monotonic microseconds, the clock every timer deadline is measured on.
std::int64_t MonotonicUs();

}  // namespace xr::qt
