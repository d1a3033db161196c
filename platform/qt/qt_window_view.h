// The real window of one model window: a top-level widget with a child widget per visible kind
// of control, and a precise timer per model timer. Property writes arrive here and are turned
// into widget changes; user input leaves here as events delivered to the model.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "controls/timer_schedule.h"
#include "controls/window.h"

namespace xr::qt {

class QtPlatform;
class WindowView;

class FormWidget final : public QWidget {
 public:
  FormWidget(WindowView* view, QWidget* parent = nullptr);
  void Detach() { view_ = nullptr; }
  QPixmap background;
  QColor backColor;
  std::string iconResource;  // set once the first frame is drawn

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  WindowView* view_;
  bool painted_ = false;
};

class WindowView final : public xr::WindowView {
 public:
  WindowView(QtPlatform& platform, Window& window);
  ~WindowView() override;

  void PropertyChanged(Control& control, Prop prop) override;
  void WindowDestroyed() override;
  void ReportFailure(std::string_view line) override;

  // Shows the window centred on the screen, with the focus on the first control in tab order.
  void ShowCentred();
  void Activate();
  FormWidget* Form() const { return form_; }
  QWidget* WidgetOf(const Control& control) const;
  Window& ModelWindow() const { return window_; }

  // From the widgets.
  void UserClicked(Control& control);
  void ClientResized();
  void FrameMoved();
  void Minimised(bool minimised);
  void CloseRequested();
  void FirstFrameDrawn();

 private:
  struct TimerDriver {
    QTimer qtimer;
    TimerSchedule schedule;
  };

  void Build();
  void ApplyGeometry(Control& control, QWidget* widget);
  void ApplyFont(Control& control, QWidget* widget);
  void ApplyColors(Control& control, QWidget* widget);
  void TimerChanged(Control& control, Prop prop);
  void TimerFired(Control& control);
  void Rearm(TimerDriver& driver);

  QtPlatform& platform_;
  Window& window_;
  FormWidget* form_;  // deleted later, never while it may be handling an event
  std::map<const Control*, QWidget*> widgets_;
  std::map<const Control*, std::unique_ptr<TimerDriver>> timers_;
  std::map<const Control*, int> fontPixels_;
  bool minimised_ = false;
  bool windowAlive_ = true;
};

// Monotonic microseconds, the clock every timer deadline is measured on.
std::int64_t MonotonicUs();

}  // namespace xr::qt
