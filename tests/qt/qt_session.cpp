#include "tests/qt/qt_session.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace xr::qttest {

Session::Session()
    : platform_(std::make_unique<qt::QtPlatform>(
          [this](const QByteArray& path) { sounds << QString::fromUtf8(path); },
          [this] { ++soundPreparations; })),
      host_(std::make_unique<WindowHost>(*platform_)),
      program_(std::make_unique<Program>(*platform_, *host_)) {}

Session::~Session() {
  // The views refer to the model's windows, so they go first, while the windows still exist.
  host_.reset();
  platform_.reset();
  program_.reset();
  FlushDeletes();
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
}

void Session::Start() {
  program_->Start();
  if (QWidget* f = form()) {
    (void)QTest::qWaitForWindowExposed(f);
  }
}

QWidget* Session::widget(const Window& window, std::string_view name) const {
  const Control* c = window.Find(name);
  return c == nullptr ? nullptr : platform_->WidgetOf(*c);
}

QString Session::modelFace() {
  MainForm& f = main();
  return QString::fromStdString(f.minuteTens.Caption() + f.minuteUnits.Caption() + ":" +
                                f.secondTens.Caption() + f.secondUnits.Caption());
}

QString Session::shownFace() {
  return TextOf(widget("f1")) + TextOf(widget("f0")) + ":" + TextOf(widget("m1")) +
         TextOf(widget("m0"));
}

void Session::Click(const Window& window, std::string_view name) {
  QWidget* w = widget(window, name);
  if (w != nullptr) QTest::mouseClick(w, Qt::LeftButton);
}

QString TextOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  return QStringLiteral("<no text>");
}

QList<QWidget*> VisibleTopLevels(const QString& title) {
  QList<QWidget*> shown;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && (title.isEmpty() || w->windowTitle() == title)) shown << w;
  }
  return shown;
}

void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

bool Activate(QWidget* form) {
  if (form == nullptr) return false;
  form->activateWindow();
  return QTest::qWaitForWindowActive(form);
}

int CloseInsideEventLoop(QWidget* form) {
  QEventLoop loop;
  QTimer::singleShot(0, &loop, [form] { form->close(); });
  // Only a guard against waiting for ever: a close that ends the program returns at once.
  QTimer::singleShot(5000, &loop, [&loop] { loop.exit(99); });
  return loop.exec();
}

void PressKey(QWidget* form, Qt::Key key) {
  if (form != nullptr && form->windowHandle() != nullptr) {
    QTest::keyClick(form->windowHandle(), key);
  }
}

}  // namespace xr::qttest
