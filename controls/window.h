// A window of the model: its design, its controls in creation order, its client-area scale and
// outer frame as the platform reports them, and its handlers. The core's WindowHost delivers events
// here; only the window runs handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/timer.h"

namespace xr {

enum class Border : std::uint8_t { Sizable, FixedSingle };

struct WindowDesign {
  Border border = Border::Sizable;
  bool minButton = true;
  bool maxButton = true;
  float clientWidth = 0;   // twips
  float clientHeight = 0;  // twips
  Color backColor = kWindowBackColor;
  std::string picture;  // resource name of the background, drawn unscaled from the top-left
  std::string icon;     // resource name of the window icon
};

// Where a window's property writes go: the core's WindowHost while the window is shown (a test
// may put a recorder in front of it). It learns of every write, even one that stores the value
// the property already had: a second write of the player's URL must start the sound again.
class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void PropertyChanged(Control& control, Prop prop) = 0;
  // A timer's Interval (intervalWritten) or Enabled was written.
  virtual void TimerChanged(Timer& timer, bool intervalWritten) = 0;
  // The model window is being destroyed: the view must let go of it and never touch it again.
  // The view may be destroyed inside this call.
  virtual void WindowDestroyed() = 0;
  // A failure ended one of the window's handlers: one line of text, without its newline, for
  // wherever the program's diagnostics go.
  virtual void ReportFailure(std::string_view line) = 0;
};

enum class Event : std::uint8_t { Load, Resize, Unload, Click, Tick, KeyDown, PointerDown };

class Window {
 public:
  explicit Window(std::string name);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& Name() const { return name_; }
  std::string caption;
  WindowDesign design;

  // A control of kind T (Label, Button, Picture), after every control added before it.
  template <typename T>
  T& Add(std::string name) {
    auto owned = std::make_unique<T>(*this, std::move(name));
    T& control = *owned;
    controls_.push_back(std::move(owned));
    return control;
  }
  Timer& AddTimer(std::string name, int interval, bool enabled);
  // In creation order, which is also the order of the layout's rows.
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  const std::vector<std::unique_ptr<Timer>>& Timers() const { return timers_; }
  // The controls that take the keyboard focus, in the order Tab visits them: by tabIndex, ties in
  // creation order. The first one shown has the focus when the window first shows.
  std::vector<Control*> TabOrder() const;
  // Throws PropertyError for a name the window does not have.
  Control& operator[](std::string_view name) const;
  Control* Find(std::string_view name) const;
  // The control of that name as its kind; throws PropertyError when it is another kind.
  template <typename T>
  T& Get(std::string_view name) const {
    T* control = dynamic_cast<T*>(&(*this)[name]);
    if (control == nullptr) throw PropertyError(std::string(name) + " is another kind");
    return *control;
  }

  // Client area in twips, as the platform last reported it.
  float ScaleWidth() const { return scaleWidth_; }
  float ScaleHeight() const { return scaleHeight_; }
  // The outer frame in screen twips.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }

  // Host side: record geometry without running any handler.
  void SetScale(float width, float height);
  void SetFrame(float left, float top, float width, float height);
  void SetView(WindowView* view) { view_ = view; }
  WindowView* View() const { return view_; }

  // Host side: deliver an event. Returns false when it was not handled: a click on a hidden
  // control, a tick of a timer that no longer runs. A failure inside a handler ends that handler
  // only. Whether another handler is still running is the host's business (WindowHost).
  bool Deliver(Event event, Control* control = nullptr);
  bool DeliverTick(Timer& timer);
  // Host side: a key went down in the window. Returns true when onKeyDown used it up, and the
  // key must not reach the focused control; a key whose handler fails goes on as usual.
  bool DeliverKeyDown();

  std::function<void()> onLoad;
  std::function<void()> onResize;
  std::function<void()> onUnload;
  // Returns whether the key is used up.
  std::function<bool()> onKeyDown;
  // A pointer button or a touch went down anywhere in the window, on a control or not.
  std::function<void()> onPointerDown;

  // The text of the last failure that ended a handler. The first failure of each handler is
  // also reported through the view, naming the window and the handler; a handler that fails
  // again (a timer's, every tick) is not reported again.
  const std::string& LastFailure() const { return lastFailure_; }

 private:
  friend class Control;
  friend class Timer;
  void Notify(Control& c, Prop p) {
    if (view_ != nullptr) view_->PropertyChanged(c, p);
  }
  void TimerWritten(Timer& t, bool intervalWritten) {
    if (view_ != nullptr) view_->TimerChanged(t, intervalWritten);
  }
  void Run(Event event, const std::string* source, const std::function<void()>& handler);
  void Failed(Event event, const std::string* source, std::string what);

  std::string name_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Timer>> timers_;
  float scaleWidth_ = 0, scaleHeight_ = 0;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  WindowView* view_ = nullptr;
  std::string lastFailure_;
  std::set<std::string> reportedHandlers_;
};

// Runs one statement of a skip-on-failure stretch: a failure abandons the statement silently.
template <typename F>
void SkipOnFailure(F&& statement) noexcept {
  try {
    statement();
  } catch (...) {
  }
}

}  // namespace xr
