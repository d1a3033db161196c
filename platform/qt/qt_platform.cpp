#include "platform/qt/qt_platform.h"

#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPixmapCache>
#include <QPushButton>
#include <QResource>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <utility>

#include "controls/window.h"
#include "platform/posix_files.h"
#include "platform/qt/qt_accessible.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_window_system.h"
#include "platform/qt/qt_window_view.h"
#include "platform/qt/screen_hold.h"

namespace xr::qt {

QtPlatform::QtPlatform(std::function<void(const QByteArray&)> playSound,
                       std::function<void()> prepareSound)
    : playSound_(std::move(playSound)),
      prepareSound_(std::move(prepareSound)),
      pointerMovable_(PointerCanBeMoved()) {
  InstallAccessibility();
  // The style keeps an image of every button it draws, for each size and state (hovered,
  // pressed, focused) it has met, up to 10 MB: a full-screen window's buttons take over 100 kB
  // each, so the heap grew a step whenever the pointer showed the buttons in a new state. Drawn
  // afresh instead, which only happens while the buttons are shown, never per tick.
  QPixmapCache::setCacheLimit(0);
}

void QtPlatform::PrepareSound() {
  if (!prepareSound_) return;
  // Once, and after the click that started the countdown has been handled.
  QTimer::singleShot(0, this, std::exchange(prepareSound_, {}));
}

void QtPlatform::HoldScreen(bool held) {
  if (!screenHold_) {
    if (!held) return;
    screenHold_ = std::make_unique<ScreenHold>();
  }
  screenHold_->Set(held);
}

void QtPlatform::TimerWoke() {
  if (screenHold_) screenHold_->TimerWoke();
}

QtPlatform::~QtPlatform() {
  if (displayCount_ < 0) QGuiApplication::restoreOverrideCursor();
}

std::unique_ptr<NativeWindow> QtPlatform::BuildWindow(Window& window, WindowHost& host) {
  return std::make_unique<QtWindow>(*this, window, host);
}

void QtPlatform::Forget(const Window& window, const QtWindow* native) {
  auto it = natives_.find(&window);
  if (it != natives_.end() && it->second == native) natives_.erase(it);
}

void QtPlatform::AfterFirstFrame(std::function<void()> task) {
  if (firstFrameDrawn_) {
    task();
    return;
  }
  afterFirstFrame_.push_back(std::move(task));
}

void QtPlatform::FirstFrameDrawn() {
  if (firstFrameDrawn_) return;
  firstFrameDrawn_ = true;
  // A task may add another: that one runs at once, after the ones already waiting.
  for (auto& task : std::exchange(afterFirstFrame_, {})) task();
}

void QtPlatform::Quit() { QCoreApplication::exit(0); }

std::int64_t QtPlatform::MonotonicUs() { return qt::MonotonicUs(); }

QWidget* QtPlatform::WidgetOf(const Window& window) const {
  auto it = natives_.find(&window);
  return it == natives_.end() ? nullptr : it->second->Form();
}

QWidget* QtPlatform::WidgetOf(const Control& control) const {
  auto it = natives_.find(&control.window());
  return it == natives_.end() ? nullptr : it->second->WidgetOf(control);
}

bool QtPlatform::GetCursorPos(std::int32_t& x, std::int32_t& y) {
  const QPoint p = QCursor::pos();
  x = p.x();
  y = p.y();
  return true;
}

bool QtPlatform::SetCursorPos(std::int32_t x, std::int32_t y) {
  // Wayland refuses, with a warning at every start.
  if (!pointerMovable_) return false;
  if (!WarpPointer(x, y)) QCursor::setPos(x, y);
  return true;
}

int QtPlatform::ShowCursor(bool show) {
  const int before = displayCount_;
  displayCount_ += show ? 1 : -1;
  // One blank override cursor over every window of the program while the count is negative.
  if (before >= 0 && displayCount_ < 0) QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  if (before < 0 && displayCount_ >= 0) QGuiApplication::restoreOverrideCursor();
  return displayCount_;
}

double QtPlatform::SecondsSinceMidnight() {
  using namespace std::chrono;
  // One reading of the wall clock, split into the local time of day and its microseconds.
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&secs, &local);
  const auto us = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000;
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         static_cast<double>(us < 0 ? us + 1000000 : us) / 1e6;
}

void QtPlatform::MessageBox(std::string_view text, std::string_view caption) {
  QWidget* parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption.data(), caption.size()),
                  QString::fromUtf8(text.data(), text.size()), QMessageBox::Ok, parent);
  // The box speaks the program's language whatever the locale; Qt's own translations would put
  // all of Qt's diagnostics into Chinese as well, for whoever reads them under any locale.
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

void QtPlatform::OpenUrl(std::string_view url) {
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.data(), url.size()), QUrl::StrictMode));
}

void QtPlatform::PlaySoundFile(std::string_view path) {
  if (playSound_) playSound_(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

void QtPlatform::ReportFailure(std::string_view line) {
  // One write for the whole line, so that it never interleaves with another process's output.
  std::string text(line);
  text += '\n';
  // A line that cannot be written is lost, never fatal.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

std::span<const std::uint8_t> QtPlatform::LoadResource(std::string_view type, int id) {
  const QString name =
      QStringLiteral(":/%1/%2").arg(QString::fromUtf8(type.data(), type.size())).arg(id);
  const QResource resource(name);
  if (!resource.isValid() || resource.data() == nullptr) throw PlatformError("missing resource");
  if (resource.compressionAlgorithm() == QResource::NoCompression) {
    // Straight from the program file's mapped data: no copy.
    return {reinterpret_cast<const std::uint8_t*>(resource.data()),
            static_cast<std::size_t>(resource.size())};
  }
  QByteArray& unpacked = unpackedResources_[name];
  if (unpacked.isEmpty()) unpacked = resource.uncompressedData();
  return {reinterpret_cast<const std::uint8_t*>(unpacked.constData()),
          static_cast<std::size_t>(unpacked.size())};
}

std::optional<std::string> QtPlatform::KeepCueFile(std::span<const std::uint8_t> bytes) {
  std::optional<std::string> kept = posix::KeepCueFile(bytes);
  // Written, the cue is played from its file: its bytes in the program are not read again.
  ReleaseProgramPages(bytes.data(), bytes.size());
  return kept;
}

}  // namespace xr::qt
