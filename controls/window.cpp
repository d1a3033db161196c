#include "controls/window.h"

#include <exception>
#include <utility>

namespace xr {

Window::Window(std::string name) : name_(std::move(name)) {}

Window::~Window() {
  if (WindowView* view = std::exchange(view_, nullptr)) view->WindowDestroyed();
}

Timer& Window::AddTimer(std::string name, int interval, bool enabled) {
  timers_.push_back(std::make_unique<Timer>(*this, std::move(name)));
  Timer& t = *timers_.back();
  t.SetInterval(interval);
  t.SetEnabled(enabled);
  return t;
}

Control* Window::Find(std::string_view name) const {
  for (const auto& c : controls_) {
    if (c->Name() == name) return c.get();
  }
  return nullptr;
}

std::vector<Control*> Window::TabOrder() const {
  // Inserted one by one after every control of the same or a lower index: a handful of controls,
  // and a fraction of the code a stable sort brings into the page's module.
  std::vector<Control*> order;
  for (const auto& c : controls_) {
    if (c->tabIndex < 0) continue;
    auto at = order.end();
    while (at != order.begin() && (*(at - 1))->tabIndex > c->tabIndex) --at;
    order.insert(at, c.get());
  }
  return order;
}

Control& Window::operator[](std::string_view name) const {
  Control* c = Find(name);
  if (c == nullptr) throw PropertyError("no control named " + std::string(name));
  return *c;
}

void Window::SetScale(float width, float height) {
  scaleWidth_ = width;
  scaleHeight_ = height;
}

void Window::SetFrame(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

bool Window::Deliver(Event event, Control* control) {
  std::function<void()>* handler = nullptr;
  switch (event) {
    case Event::Load:
      handler = &onLoad;
      break;
    case Event::Resize:
      handler = &onResize;
      break;
    case Event::Unload:
      handler = &onUnload;
      break;
    case Event::Click:
      if (control == nullptr || !control->Visible()) return false;
      handler = &control->onClick;
      break;
    case Event::Tick:
      return false;  // DeliverTick
    case Event::KeyDown:
      return DeliverKeyDown();
    case Event::PointerDown:
      handler = &onPointerDown;
      break;
  }
  if (*handler) Run(event, control != nullptr ? &control->Name() : nullptr, *handler);
  return true;
}

bool Window::DeliverTick(Timer& timer) {
  if (!timer.Running()) return false;
  if (timer.onTimer) Run(Event::Tick, &timer.Name(), timer.onTimer);
  return true;
}

bool Window::DeliverKeyDown() {
  if (!onKeyDown) return false;
  bool used = false;
  Run(Event::KeyDown, nullptr, [&] { used = onKeyDown(); });
  return used;
}

void Window::Run(Event event, const std::string* source, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Failed(event, source, e.what());
  } catch (...) {
    Failed(event, source, "unknown failure");
  }
}

void Window::Failed(Event event, const std::string* source, std::string what) {
  lastFailure_ = what;
  std::string handler;
  switch (event) {
    case Event::Load:
      handler = "load";
      break;
    case Event::Resize:
      handler = "resize";
      break;
    case Event::Unload:
      handler = "unload";
      break;
    case Event::Click:
      handler = *source + " click";
      break;
    case Event::Tick:
      handler = *source + " tick";
      break;
    case Event::KeyDown:
      handler = "key down";
      break;
    case Event::PointerDown:
      handler = "pointer down";
      break;
  }
  // A handler that unloaded its own window has nowhere left to report to.
  if (view_ == nullptr || !reportedHandlers_.insert(handler).second) return;
  // The text may carry a path from the environment: no control character reaches the terminal.
  for (char& ch : what) {
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) ch = '?';
  }
  view_->ReportFailure("xiuran-timer: " + name_ + ": " + handler + " failed: " + what);
}

}  // namespace xr
