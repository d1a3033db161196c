// The platform on Qt Widgets: real windows for the model's windows, precise timers, the pointer,
// the modal box, the browser, the cue's sound and the program's resources.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "controls/platform.h"

class QWidget;

namespace xr::qt {

class QtWindow;

class QtPlatform final : public QObject, public Platform {
 public:
  // playSound stands in for the media player: it must start the file and return at once.
  // prepareSound readies it; it runs soon after a countdown first starts, a second at least
  // before its cue can be due, and never during start-up: a count-up never loads the sound.
  // The path is in bytes, as the environment and the file system gave it.
  explicit QtPlatform(std::function<void(const QByteArray&)> playSound = {},
                      std::function<void()> prepareSound = {});
  ~QtPlatform() override;

  std::unique_ptr<NativeWindow> BuildWindow(Window& window, WindowHost& host) override;
  void Quit() override;
  std::int64_t MonotonicUs() override;
  void ReportFailure(std::string_view line) override;
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  int ShowCursor(bool show) override;
  double SecondsSinceMidnight() override;
  void MessageBox(std::string_view text, std::string_view caption) override;
  void OpenUrl(std::string_view url) override;
  void PlaySoundFile(std::string_view path) override;
  void PrepareSound() override;
  void HoldScreen(bool held) override;
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override;
  std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes) override;

  // The real widget of a model window, for tests; null when it is not shown.
  QWidget* WidgetOf(const Window& window) const;
  QWidget* WidgetOf(const Control& control) const;
  int DisplayCount() const { return displayCount_; }

  // The real windows there are, for WidgetOf.
  void Register(const Window& window, QtWindow* native) { natives_[&window] = native; }
  void Forget(const Window& window, const QtWindow* native);
  // Runs the task once the first frame of the program has reached the screen (at once if it has
  // already): work the first frame does not need must not delay it.
  void AfterFirstFrame(std::function<void()> task);
  // Called by a view when its window has drawn its first frame.
  void FirstFrameDrawn();
  // Called by a view whenever one of its timers wakes the program.
  void TimerWoke();

 private:
  std::map<const Window*, QtWindow*> natives_;
  std::function<void(const QByteArray&)> playSound_;
  std::function<void()> prepareSound_;
  std::map<QString, QByteArray> unpackedResources_;
  std::vector<std::function<void()>> afterFirstFrame_;
  bool firstFrameDrawn_ = false;
  int displayCount_ = 0;
  std::unique_ptr<class ScreenHold> screenHold_;  // made when a clock first runs
  bool pointerMovable_;
};

}  // namespace xr::qt
