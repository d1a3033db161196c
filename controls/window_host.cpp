#include "controls/window_host.h"

#include <optional>
#include <utility>
#include <vector>

#include "controls/units.h"

namespace xr {

// The core's side of one real window: every property write of the model window comes here and
// becomes what the platform must do.
class WindowHost::Hosted final : public WindowView {
 public:
  Hosted(WindowHost& host, Window& window) : host_(host), window_(window) {}
  ~Hosted() override {
    if (attached_) window_.SetView(nullptr);
  }

  void PropertyChanged(Control& c, Prop prop) override {
    if (native) native->ControlChanged(c, prop);
  }
  void TimerChanged(Timer& timer, bool intervalWritten) override {
    TimerSchedule& s = schedules[&timer];
    s.Update(timer, intervalWritten, host_.system_.MonotonicUs());
    Rearm(timer, s);
  }
  void WindowDestroyed() override {
    attached_ = false;
    host_.windows_.erase(&window_);
  }
  void ReportFailure(std::string_view line) override { host_.system_.ReportFailure(line); }

  void Rearm(Timer& timer, const TimerSchedule& s) {
    if (s.Armed()) {
      native->ArmTimer(timer, s.Deadline());
    } else {
      native->CancelTimer(timer);
    }
  }

  // The window is put in the centre by the platform, which alone knows the screen; the host
  // decides when that happens again. The frames reported during the platform's call, or the
  // first one after it where a platform reports later, are where the centring left the window.
  void BeginCentring() {
    centred.emplace();
    centring = Centring::InCall;
    frameSeen = false;
  }
  void EndCentring() { centring = frameSeen ? Centring::Done : Centring::AwaitingFrame; }

  // Where the latest centring left the window, in pixels; empty once something else has moved
  // or resized it.
  struct Placement {
    int left = 0, top = 0, width = 0, height = 0, clientWidth = 0, clientHeight = 0;
  };
  enum class Centring { Done, InCall, AwaitingFrame };

  WindowHost& host_;
  Window& window_;
  std::unique_ptr<NativeWindow> native;
  std::optional<Placement> centred;
  Centring centring = Centring::Done;
  bool frameSeen = false;
  std::map<const Timer*, TimerSchedule> schedules;
  bool firstShowingDone = false;
  bool minimised = false;
  std::set<std::uint32_t> keysUsedUp;  // held down since the window used them up
  bool attached_ = true;
};

WindowHost::WindowHost(WindowSystem& system) : system_(system) {}

WindowHost::~WindowHost() { CloseAll(); }

template <typename F>
auto WindowHost::Run(F&& deliver) {
  struct Counted {
    int& n;
    explicit Counted(int& count) : n(++count) {}
    ~Counted() { --n; }
  } counted(handlersRunning_);
  return deliver();
}

WindowHost::Hosted* WindowHost::Find(const Window& window) const {
  auto it = windows_.find(&window);
  return it == windows_.end() ? nullptr : it->second.get();
}

void WindowHost::Show(Window& window) {
  if (ending_) return;
  if (Hosted* h = Find(window)) {
    h->native->Activate();
    return;
  }
  auto owned = std::make_unique<Hosted>(*this, window);
  Hosted& h = *owned;
  windows_[&window] = std::move(owned);
  h.native = system_.BuildWindow(window, *this);
  window.SetView(&h);
  for (const auto& t : window.Timers()) h.TimerChanged(*t, false);
  window.SetScale(window.design.clientWidth, window.design.clientHeight);
  Run([&] { return window.Deliver(Event::Load); });
  // The load handler may have unloaded the window or ended the program.
  if (ending_ || Find(window) != &h) return;
  h.BeginCentring();
  h.native->ShowCentred();
  if (ending_ || Find(window) != &h) return;
  h.EndCentring();
  h.firstShowingDone = true;
  Run([&] { return window.Deliver(Event::Resize); });
}

void WindowHost::Unload(Window& window) { windows_.erase(&window); }

void WindowHost::EndProgram() {
  if (ending_) return;
  ending_ = true;
  CloseAll();
  system_.Quit();
}

void WindowHost::CloseAll() {
  // A native window's destructor may come back here; take them out first.
  auto all = std::exchange(windows_, {});
  all.clear();
}

void WindowHost::FrameMoved(Window& window, int leftPx, int topPx, int widthPx, int heightPx,
                            int clientWidthPx, int clientHeightPx) {
  Hosted* h = Find(window);
  if (ending_ || h == nullptr) return;
  window.SetFrame(PixelsToTwips(leftPx), PixelsToTwips(topPx), PixelsToTwips(widthPx),
                  PixelsToTwips(heightPx));
  if (!h->centred) return;
  Hosted::Placement& c = *h->centred;
  if (h->centring != Hosted::Centring::Done) {
    c = {leftPx, topPx, widthPx, heightPx, clientWidthPx, clientHeightPx};
    h->frameSeen = true;
    if (h->centring == Hosted::Centring::AwaitingFrame) h->centring = Hosted::Centring::Done;
    return;
  }
  if (clientWidthPx != c.clientWidth || clientHeightPx != c.clientHeight) {
    h->centred.reset();  // resized, maximised or minimised: no longer the window that was centred
  } else if (widthPx - clientWidthPx != c.width - c.clientWidth ||
             heightPx - clientHeightPx != c.height - c.clientHeight) {
    // A window manager has framed the window after it was shown, or framed it anew. Where the
    // new frame holds the old one, it framed the window where it stood, off centre by the
    // frame's margins; elsewhere, it placed the window itself, and may not let it be moved.
    const bool inPlace = leftPx <= c.left && topPx <= c.top &&
                         leftPx + widthPx >= c.left + c.width &&
                         topPx + heightPx >= c.top + c.height;
    if (!inPlace) {
      h->centred.reset();
      return;
    }
    h->BeginCentring();
    h->native->Centre();
    if (Find(window) == h) h->EndCentring();
  } else if (leftPx != c.left || topPx != c.top) {
    h->centred.reset();  // moved by the user or the window manager
  }
}

void WindowHost::SizeChanged(Window& window, int clientWidthPx, int clientHeightPx,
                             bool minimised) {
  Hosted* h = Find(window);
  if (ending_ || h == nullptr) return;
  if (minimised) {
    if (h->minimised) return;
    h->minimised = true;
    h->centred.reset();  // what frames it gets while it is an icon says nothing of its place
    window.SetScale(0, 0);
  } else {
    h->minimised = false;
    window.SetScale(PixelsToTwips(clientWidthPx), PixelsToTwips(clientHeightPx));
  }
  // The first showing delivers its own Resize once the window is up.
  if (h->firstShowingDone) Run([&] { return window.Deliver(Event::Resize); });
}

void WindowHost::CloseRequested(Window& window) {
  if (ending_ || Find(window) == nullptr) return;
  Run([&] { return window.Deliver(Event::Unload); });
  // The close box unloads the window whatever its handler did.
  if (!ending_) Unload(window);
}

void WindowHost::TimerDue(Timer& timer) {
  Hosted* h = Find(timer.window());
  if (ending_ || h == nullptr) return;
  auto it = h->schedules.find(&timer);
  if (it == h->schedules.end() || !it->second.Armed()) return;
  TimerSchedule& s = it->second;
  const std::int64_t now = system_.MonotonicUs();
  if (now < s.Deadline()) {
    h->Rearm(timer, s);
    return;
  }
  s.Fired(now);
  h->Rearm(timer, s);
  // The handler may stop this timer, start it again, unload the window or end the program.
  if (!Busy()) Run([&] { return timer.window().DeliverTick(timer); });
}

bool WindowHost::Clicked(Control& control) {
  if (ending_ || Busy() || Find(control.window()) == nullptr) return false;
  return Run([&] { return control.window().Deliver(Event::Click, &control); });
}

bool WindowHost::KeyDown(Window& window, std::uint32_t key) {
  if (ending_ || Find(window) == nullptr) return false;
  const bool used = !Busy() && Run([&] { return window.DeliverKeyDown(); });
  Hosted* h = Find(window);  // the handler may have unloaded the window
  if (h == nullptr) return used;
  // A key held down since it was used up stays used up until it goes up, whether its repeats
  // are marked as such or look like fresh presses: they would otherwise reach the control it
  // woke, which presses on the release, and a held Space would start and pause the clock over
  // and over.
  if (used) h->keysUsedUp.insert(key);
  return used || h->keysUsedUp.count(key) != 0;
}

void WindowHost::PointerPressed(Window& window) {
  if (ending_ || Busy() || Find(window) == nullptr) return;
  Run([&] { return window.Deliver(Event::PointerDown); });
}

bool WindowHost::KeyUp(Window& window, std::uint32_t key) {
  Hosted* h = Find(window);
  return !ending_ && h != nullptr && h->keysUsedUp.erase(key) != 0;
}

// A key held while the keyboard goes elsewhere and comes back is still the key that was used
// up: forgotten, its next repeat would reach the control it woke and press it on its release.
// One that went up elsewhere is forgotten at its next release here, after a press used up.
void WindowHost::KeyboardLost(Window&) {}

const TimerSchedule* WindowHost::Schedule(const Timer& timer) const {
  Hosted* h = Find(timer.window());
  if (h == nullptr) return nullptr;
  auto it = h->schedules.find(&timer);
  return it == h->schedules.end() ? nullptr : &it->second;
}

}  // namespace xr
