// The rules of real windows, kept once for every platform. A platform reports what happens to a
// real window through the WindowHost's inputs and carries out the NativeWindow outputs; it never
// decides an order, a unit or whether a handler runs.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "controls/timer_schedule.h"
#include "controls/window.h"

namespace xr {

// What the host asks of the machine's window system.
class WindowSystem {
 public:
  WindowSystem() = default;
  virtual ~WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  // Builds the real window of a model window, hidden, with its controls in their present state;
  // it reports what happens to it to the host. Called once per showing of a window that has no
  // real window.
  virtual std::unique_ptr<class NativeWindow> BuildWindow(Window& window,
                                                          class WindowHost& host) = 0;
  // Leaves the event loop. The real windows are already gone.
  virtual void Quit() = 0;
  // Microseconds on a clock that never goes back: the time base of timer deadlines.
  virtual std::int64_t MonotonicUs() = 0;
  // A failure ended a handler: one line of text, without its newline, for wherever the
  // program's diagnostics go.
  virtual void ReportFailure(std::string_view line) = 0;
};

// What a platform does for one real window. Destroying it destroys the real window; the platform
// may have to defer freeing native objects that are still handling an event.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  // The first showing: centred on the screen, focus on the first control in tab order. The frame
  // and client size that result are reported through WindowHost::FrameMoved and SizeChanged,
  // during this call or later.
  virtual void ShowCentred() = 0;
  // Centres the window again on the screen it opened on, its frame as it is now, without
  // resizing, raising or activating it; the frame that results is reported during this call.
  virtual void Centre() = 0;
  // A later showing: brings the window to the front, restoring it if minimised.
  virtual void Activate() = 0;
  // A label, button or picture had Caption, ForeColor, BackColor, Visible, Left, Top, Width,
  // Height or FontSize written; the control holds the new value. AccessibleName and Checked: a
  // screen reader is to be told of the control's present name or checked state. Focus: the
  // control takes the keyboard focus, as the user's Tab would give it.
  virtual void ControlChanged(Control& control, Prop prop) = 0;
  // Calls WindowHost::TimerDue(timer) once, at or after the deadline on Platform::MonotonicUs.
  // Replaces any earlier request for the same timer.
  virtual void ArmTimer(Timer& timer, std::int64_t deadlineUs) = 0;
  virtual void CancelTimer(Timer& timer) = 0;
};

class WindowHost {
 public:
  // Goes before the window system: its destructor closes every real window while they can still
  // reach it.
  explicit WindowHost(WindowSystem& system);
  ~WindowHost();
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // --- From the core's handlers ---
  // The first showing builds the real window, arms the timers its design enables, delivers
  // Load, shows it centred and delivers the Resize of the first showing; a later one only brings
  // it to the front.
  void Show(Window& window);
  // Destroys the real window without delivering Unload.
  void Unload(Window& window);
  // Every real window goes, no input reaches a handler any more, and the platform quits.
  void EndProgram();

  // --- From the platform: what happened to a real window, in logical pixels ---
  // The outer frame on the screen, with the size of the client area it holds at that moment; a
  // platform reports it whenever either may have changed, a window manager's frame coming after
  // the showing included. A window keeps the centre its first showing gave it while nobody else
  // moves or resizes it: when its frame changes round the same client area (a window manager
  // has framed it), the host centres it again.
  void FrameMoved(Window& window, int leftPx, int topPx, int widthPx, int heightPx,
                  int clientWidthPx, int clientHeightPx);
  // A minimised window has no client area: it is laid out at zero size once, and again at its
  // real size when restored.
  void SizeChanged(Window& window, int clientWidthPx, int clientHeightPx, bool minimised);
  // The close box: Unload, then the window goes unless the handler ended the program.
  void CloseRequested(Window& window);
  // A timer's requested deadline has come (or the platform woke early: it is asked again).
  void TimerDue(Timer& timer);
  // Returns whether a handler was run for the click. A click, a tick or a key that comes while
  // another handler is still running (a modal box is up) is dropped, as a late timer event is
  // never made up: there is one GUI thread, and the handler waiting in the box holds it.
  bool Clicked(Control& control);
  // A key went down while the window had the keyboard, whichever control had the focus, or
  // none; keys the system keeps for itself (closing a window) are not reported. A key held down
  // is reported again at every repeat, however the system marks it. key: any number that names
  // the key the same way in KeyDown and KeyUp. Returns true when the window used the key up:
  // the platform then hands it to no control.
  bool KeyDown(Window& window, std::uint32_t key);
  // The key went up. Returns true when it is used up, as its going down was.
  bool KeyUp(Window& window, std::uint32_t key);
  // A pointer button or a touch went down in the window, before whatever click it makes.
  void PointerPressed(Window& window);
  // The window lost the keyboard. A key held meanwhile stays as it was: used up if it was, until
  // it goes up here.
  void KeyboardLost(Window& window);
  // A modal box that cannot hold the thread (a browser's): MessageBox returns at once, and until
  // the box closes clicks, ticks and keys are dropped as they are while a handler waits in a box.
  void ModalBoxOpened() { ++modalBoxes_; }
  void ModalBoxClosed() {
    if (modalBoxes_ > 0) --modalBoxes_;
  }

  bool Ending() const { return ending_; }
  bool Shown(const Window& window) const { return windows_.count(&window) != 0; }
  const TimerSchedule* Schedule(const Timer& timer) const;
  // Destroys every real window; for a platform that is going away before its windows.
  void CloseAll();

 private:
  class Hosted;
  Hosted* Find(const Window& window) const;

  // Runs a handler through the window, counted as running while it does.
  template <typename F>
  auto Run(F&& deliver);

  WindowSystem& system_;
  std::map<const Window*, std::unique_ptr<Hosted>> windows_;
  bool ending_ = false;
  int handlersRunning_ = 0;
  int modalBoxes_ = 0;
  bool Busy() const { return handlersRunning_ > 0 || modalBoxes_ > 0; }
};

}  // namespace xr
