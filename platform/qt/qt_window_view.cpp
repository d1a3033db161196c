#include "platform/qt/qt_window_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "controls/units.h"
#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_window_system.h"

namespace xr::qt {

std::int64_t MonotonicUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

Qt::WindowFlags FlagsFor(const WindowDesign& d) {
  Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (d.minButton) f |= Qt::WindowMinimizeButtonHint;
  if (d.maxButton) f |= Qt::WindowMaximizeButtonHint;
  return f;
}

}  // namespace

ControlLabel::ControlLabel(QtWindow* view, Control& control, QWidget* parent)
    : QLabel(parent), view_(view), control_(control) {
  // A QLabel without an accessible name of its own tells a screen reader of every new text: a
  // digit cell would be spoken every second. What a reader hears of a control is the core's to
  // decide (Control::Announce), and the name it reads comes from the control data
  // (qt_accessible.cpp), never from this property.
  setAccessibleName(QString::fromStdString(control.Name()));
}

void ControlLabel::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) pressed_ = true;
  e->accept();
}

void ControlLabel::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->pos());
  pressed_ = false;
  e->accept();
  if (click) Activate();
}

namespace {
bool IsPressKey(const QKeyEvent& e) {
  return e.key() == Qt::Key_Space || e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter;
}
}  // namespace

void PaintFocusMark(QWidget& widget) {
  if (!widget.hasFocus()) return;
  const QWidget* form = widget.window();
  const int width = FocusMarkPixels(form != nullptr ? form->height() : widget.height());
  QPainter p(&widget);
  QPen pen(widget.palette().color(QPalette::Highlight), width);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const int half = width / 2;
  p.drawRect(widget.rect().adjusted(half, half, -(width - half), -(width - half)));
}

void ControlButton::paintEvent(QPaintEvent* e) {
  QPushButton::paintEvent(e);
  PaintFocusMark(*this);
}

// A plain button takes Space only; Enter presses it as well, as the user is told.
void ControlButton::keyPressEvent(QKeyEvent* e) {
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !e->isAutoRepeat()) {
    e->accept();
    click();
    return;
  }
  QPushButton::keyPressEvent(e);
}

void ControlLabel::keyPressEvent(QKeyEvent* e) {
  if (IsPressKey(*e) && focusPolicy() != Qt::NoFocus) {
    e->accept();
    Activate();
    return;
  }
  QLabel::keyPressEvent(e);
}

void ControlLabel::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  PaintFocusMark(*this);
}

void ControlLabel::Activate() {
  if (view_ != nullptr) view_->UserClicked(control_);
}

bool KeyWatch::eventFilter(QObject* watched, QEvent* event) {
  if (view_ != nullptr) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        if (view_->Key(*static_cast<QKeyEvent*>(event))) return true;
        break;
      case QEvent::FocusOut:
        view_->KeyboardLost();
        break;
      case QEvent::MouseButtonPress:
      case QEvent::TouchBegin:
        view_->PointerPressed();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

FormWidget::FormWidget(QtWindow* view, QWidget* parent) : QWidget(parent), view_(view) {}

void FormWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), backColor);
  // Drawn unscaled from the top-left corner: a larger picture is cut off at the edges. A scaled
  // screen takes the picture with twice the pixels, so that it is not an enlarged blur.
  if (devicePixelRatioF() > 1 && !backgroundHighResource.isEmpty()) {
    const QString high = std::exchange(backgroundHighResource, {});
    backgroundHigh_.load(high);
    ReleaseResource(high);
    backgroundHigh_.setDevicePixelRatio(2);
  }
  if (devicePixelRatioF() > 1 && !backgroundHigh_.isNull()) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(0, 0, backgroundHigh_);
  } else if (!background.isNull()) {
    p.drawPixmap(0, 0, background);
  }
  if (view_ != nullptr) view_->FrameMayHaveChanged();
  if (painted_) return;
  painted_ = true;
  // Queued behind this frame's flush: the icon (sixteen images to read) and whatever else the
  // first frame does not need wait until it is on the screen.
  QTimer::singleShot(0, this, [this] {
    if (!iconResource.empty()) setWindowIcon(ResourceIcon(iconResource));
    if (view_ != nullptr) view_->FirstFrameDrawn();
  });
}

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (view_ != nullptr) view_->ClientResized();
}

void FormWidget::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (view_ != nullptr) view_->FrameMoved();
}

void FormWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && view_ != nullptr) view_->FrameMayHaveChanged();
  if (event->type() != QEvent::WindowStateChange || view_ == nullptr) return;
  // Only a change into or out of the minimised state changes the client area the core sees.
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  if (change->oldState().testFlag(Qt::WindowMinimized) != isMinimized()) view_->ClientResized();
}

void FormWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  if (view_ != nullptr) view_->CloseRequested();
}

QtWindow::QtWindow(QtPlatform& platform, Window& window, WindowHost& host)
    : platform_(platform), window_(window), host_(host), form_(new FormWidget(this)) {
  Build();
  platform_.Register(window_, this);
  frameCheck_.setSingleShot(true);
  frameCheck_.setInterval(0);
  QObject::connect(&frameCheck_, &QTimer::timeout, [this] { FrameMoved(); });
}

QtWindow::~QtWindow() {
  platform_.Forget(window_, this);
  timers_.clear();
  // The widgets outlive this view until the event loop deletes them: cut them loose first.
  form_->Detach();
  for (auto& [control, widget] : widgets_) {
    if (auto* label = dynamic_cast<ControlLabel*>(widget)) label->Detach();
    QObject::disconnect(widget, nullptr, form_, nullptr);
  }
  form_->hide();
  form_->deleteLater();
}

void QtWindow::Build() {
  const WindowDesign& d = window_.design;
  form_->setAttribute(Qt::WA_DeleteOnClose, false);
  // The form's paint event fills every pixel it is asked for (the colour, then the picture over
  // it): Qt's own fill of a window's background beforehand would paint each changed digit's
  // cell twice at every tick.
  form_->setAttribute(Qt::WA_OpaquePaintEvent);
  form_->setWindowFlags(FlagsFor(d));
  form_->setWindowTitle(QString::fromStdString(window_.caption));
  form_->backColor = ResolveColor(d.backColor);
  form_->iconResource = d.icon;
  if (!d.picture.empty()) {
    const QString picture = ":/" + QString::fromStdString(d.picture);
    form_->background = QPixmap(picture);
    ReleaseResource(picture);
    const qsizetype dot = picture.lastIndexOf('.');
    const QString high = picture.left(dot) + "@2x" + picture.mid(dot);
    if (QFile::exists(high)) form_->backgroundHighResource = high;
  }
  const QSize client(TwipsToPixels(d.clientWidth), TwipsToPixels(d.clientHeight));
  if (d.border == Border::FixedSingle) {
    form_->setFixedSize(client);
  } else {
    form_->resize(client);
  }

  for (const auto& owned : window_.Controls()) {
    Control& c = *owned;
    QWidget* w = nullptr;
    switch (c.kind()) {
      case Kind::Label: {
        const auto& l = static_cast<const Label&>(c);
        auto* label = new ControlLabel(this, c, form_);
        label->setText(QString::fromStdString(l.Caption()));
        label->setAlignment((l.align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setWordWrap(l.wordWrap);
        label->setTextFormat(Qt::PlainText);
        label->setFocusPolicy(Qt::NoFocus);  // see below for those Tab reaches
        w = label;
        break;
      }
      case Kind::Button: {
        const auto& b = static_cast<const Button&>(c);
        auto* button = new ControlButton(QString::fromStdString(b.Caption()), form_);
        button->setAutoDefault(false);
        button->setFocusPolicy(b.tabIndex >= 0 ? Qt::StrongFocus : Qt::NoFocus);
        QObject::connect(button, &QPushButton::clicked, form_, [this, &c] { UserClicked(c); });
        // Qt's own button interface reads these; the press action is its click.
        if (c.AccessibleName() != b.Caption()) {
          button->setAccessibleName(QString::fromStdString(c.AccessibleName()));
        }
        button->setAccessibleDescription(QString::fromStdString(c.access.description));
        w = button;
        break;
      }
      case Kind::Picture: {
        auto* picture = new ControlLabel(this, c, form_);
        picture->setScaledContents(true);
        const QString path = ":/" + QString::fromStdString(static_cast<const Picture&>(c).resource);
        picture->setPixmap(QPixmap(path));
        ReleaseResource(path);
        picture->setFocusPolicy(Qt::NoFocus);
        w = picture;
        break;
      }
    }
    widgets_[&c] = w;
    ApplyGeometry(c, w);
    ApplyFont(c, w);
    ApplyColors(c, w);
    w->setVisible(c.Visible());
  }
  const std::vector<Control*> order = window_.TabOrder();
  std::vector<QPointer<QWidget>> chain;
  for (Control* c : order) chain.emplace_back(widgets_[c]);
  auto link = [](const std::vector<QPointer<QWidget>>& widgets) {
    QWidget* last = nullptr;
    for (const QPointer<QWidget>& w : widgets) {
      if (w.isNull() || w->focusPolicy() == Qt::NoFocus) continue;
      if (last != nullptr) QWidget::setTabOrder(last, w);
      last = w;
    }
  };
  link(chain);  // the buttons at once
  for (Control* c : order) {
    if (c->Visible()) {
      widgets_[c]->setFocus();
      break;
    }
  }
  // Labels that take the focus cost the first showing several milliseconds: they, and so the
  // keyboard's order that runs through them, come once the first frame is on the screen. Reached
  // by Tab only: a click on a "+" leaves the focus, and its mark, where they were.
  platform_.AfterFirstFrame([chain = std::move(chain), link] {
    for (const QPointer<QWidget>& w : chain) {
      if (!w.isNull() && w->focusPolicy() == Qt::NoFocus) w->setFocusPolicy(Qt::TabFocus);
    }
    link(chain);
  });
}

QWidget* QtWindow::WidgetOf(const Control& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

void QtWindow::ApplyGeometry(Control& c, QWidget* w) {
  w->setGeometry(TwipsToPixels(c.Left()), TwipsToPixels(c.Top()), TwipsToPixels(c.Width()),
                 TwipsToPixels(c.Height()));
}

void QtWindow::ApplyFont(Control& c, QWidget* w) {
  const auto* text = dynamic_cast<const TextControl*>(&c);
  if (text == nullptr) return;
  const int px = PointsToPixels(text->FontSize());
  int& last = fontPixels_[&c];
  if (last == px) return;
  last = px;
  w->setFont(MakeFont(text->fontName, text->FontSize(), text->bold));
}

void QtWindow::ApplyColors(Control& c, QWidget* w) {
  QPalette pal = w->palette();
  if (c.kind() == Kind::Label) {
    const auto& l = static_cast<const Label&>(c);
    pal.setColor(QPalette::WindowText, ResolveColor(l.ForeColor()));
    if (!l.transparent) pal.setColor(QPalette::Window, ResolveColor(l.BackColor()));
    w->setAutoFillBackground(!l.transparent);
  } else if (c.kind() == Kind::Button) {
    pal.setColor(QPalette::ButtonText, ResolveColor(static_cast<const Button&>(c).ForeColor()));
  }
  if (pal != w->palette()) w->setPalette(pal);
}

void QtWindow::ControlChanged(Control& c, Prop prop) {
  QWidget* w = WidgetOf(c);
  if (w == nullptr) return;
  switch (prop) {
    case Prop::Caption: {
      const QString text = QString::fromStdString(static_cast<const TextControl&>(c).Caption());
      if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != text) label->setText(text);
      } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        if (button->text() != text) button->setText(text);
      }
      break;
    }
    case Prop::ForeColor:
    case Prop::BackColor:
      ApplyColors(c, w);
      break;
    case Prop::Visible:
      if (w->isVisibleTo(form_) != c.Visible()) w->setVisible(c.Visible());
      break;
    case Prop::Left:
    case Prop::Top:
    case Prop::Width:
    case Prop::Height:
      ApplyGeometry(c, w);
      break;
    case Prop::FontSize:
      ApplyFont(c, w);
      break;
    case Prop::AccessibleName:
      AnnounceName(w);
      break;
    case Prop::Checked:
      AnnounceChecked(w);
      break;
    case Prop::Focus:
      w->setFocus(Qt::OtherFocusReason);
      break;
    default:
      break;
  }
}

void QtWindow::ArmTimer(Timer& timer, std::int64_t deadlineUs) {
  std::unique_ptr<QTimer>& t = timers_[&timer];
  if (!t) {
    t = std::make_unique<QTimer>();
    t->setTimerType(Qt::PreciseTimer);
    t->setSingleShot(true);
    QObject::connect(t.get(), &QTimer::timeout, form_, [this, &timer] {
      platform_.TimerWoke();
      host_.TimerDue(timer);
    });
  }
  const std::int64_t left = deadlineUs - platform_.MonotonicUs();
  // Whole milliseconds rounded up: never early, at most a millisecond late; the core computes
  // the next deadline from this one, so the lateness does not add up.
  t->start(left <= 0 ? 0 : static_cast<int>((left + 999) / 1000));
}

void QtWindow::CancelTimer(Timer& timer) {
  auto it = timers_.find(&timer);
  if (it != timers_.end()) it->second->stop();
}

void QtWindow::UserClicked(Control& c) { host_.Clicked(c); }

void QtWindow::ClientResized() {
  FrameMoved();
  host_.SizeChanged(window_, form_->width(), form_->height(), form_->isMinimized());
}

void QtWindow::FrameMoved(bool always) {
  const QRect f = form_->frameGeometry();
  const QSize client = form_->size();
  if (!always && f == reportedFrame_ && client == reportedClient_) return;
  reportedFrame_ = f;
  reportedClient_ = client;
  host_.FrameMoved(window_, f.x(), f.y(), f.width(), f.height(), client.width(), client.height());
}

void QtWindow::FrameMayHaveChanged() {
  if (!frameCheck_.isActive()) frameCheck_.start();
}

void QtWindow::FirstFrameDrawn() { platform_.FirstFrameDrawn(); }

void QtWindow::CloseRequested() { host_.CloseRequested(window_); }

bool QtWindow::Key(const QKeyEvent& event) {
  // The X key code where there is one: the same in the press and the release, whatever the
  // modifiers make of the key.
  const std::uint32_t key = event.nativeScanCode() != 0
                                ? event.nativeScanCode()
                                : static_cast<std::uint32_t>(event.key()) | 0x80000000u;
  if (event.type() == QEvent::KeyPress) return host_.KeyDown(window_, key);
  // X repeats a held key as a release and a press, and Qt marks the pair as a repeat only when
  // the press is already queued behind the release: a release is passed on, to the core and to
  // the focused button that clicks on it, only while the keyboard itself says the key is up.
  if (event.isAutoRepeat() || KeyIsDown(event.nativeScanCode())) return true;
  return host_.KeyUp(window_, key);
}

void QtWindow::ShowCentred() {
  // With its native window made first, the move events report the frame where it really is;
  // otherwise the first one reports it a frame margin off and no later one corrects it.
  form_->winId();
  // The native window gets each key once, before the widget with the focus, or the window
  // itself when none has it.
  form_->windowHandle()->installEventFilter(&keyWatch_);
  MoveToCentre(QGuiApplication::primaryScreen());
  form_->show();
  FrameMoved(true);
  // Only now, with the window already on its way to the screen: its first frame has to read the
  // font list anyway, and reading it earlier would hold back the map.
  if (SettleFonts()) {
    for (const auto& owned : window_.Controls()) {
      QWidget* w = WidgetOf(*owned);
      const auto* text = dynamic_cast<const TextControl*>(owned.get());
      if (w != nullptr && text != nullptr) {
        w->setFont(MakeFont(text->fontName, text->FontSize(), text->bold));
      }
    }
  }
}

void QtWindow::Centre() {
  MoveToCentre(form_->screen());
  FrameMoved(true);
}

void QtWindow::MoveToCentre(QScreen* screen) {
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = form_->frameGeometry().size();
  form_->move(area.x() + (area.width() - size.width()) / 2,
              area.y() + (area.height() - size.height()) / 2);
}

void QtWindow::Activate() {
  if (form_->isMinimized()) form_->showNormal();
  form_->raise();
  form_->activateWindow();
}

}  // namespace xr::qt
