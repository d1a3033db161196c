#include "controls/window.h"

#include <exception>
#include <utility>

namespace xr {

namespace {
// One GUI thread: a handler that is still running (waiting in a modal box) holds off clicks and
// ticks for every window.
int g_handlerDepth = 0;

struct DepthGuard {
  DepthGuard() { ++g_handlerDepth; }
  ~DepthGuard() { --g_handlerDepth; }
};
}  // namespace

Window::Window(std::string name) : name_(std::move(name)) {}

Window::~Window() {
  if (WindowView* view = std::exchange(view_, nullptr)) view->WindowDestroyed();
}

bool Window::HandlerRunning() { return g_handlerDepth > 0; }

Control& Window::Add(Kind kind, std::string name) {
  controls_.push_back(std::make_unique<Control>(*this, kind, std::move(name)));
  return *controls_.back();
}

Control* Window::Find(std::string_view name) const {
  for (const auto& c : controls_) {
    if (c->Name() == name) return c.get();
  }
  return nullptr;
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
    case Event::Tick:
      if (control == nullptr || HandlerRunning()) return false;
      if (event == Event::Tick && !(control->Enabled() && control->Interval() > 0)) return false;
      if (event == Event::Click && !control->Visible()) return false;
      handler = event == Event::Click ? &control->onClick : &control->onTimer;
      break;
    case Event::KeyDown:
      return DeliverKeyDown();
  }
  if (*handler) Run(event, control, *handler);
  return true;
}

bool Window::DeliverKeyDown() {
  if (!onKeyDown || HandlerRunning()) return false;
  bool used = false;
  Run(Event::KeyDown, nullptr, [&] { used = onKeyDown(); });
  return used;
}

void Window::Run(Event event, Control* control, const std::function<void()>& handler) {
  DepthGuard guard;
  try {
    handler();
  } catch (const std::exception& e) {
    Failed(event, control, e.what());
  } catch (...) {
    Failed(event, control, "unknown failure");
  }
}

void Window::Failed(Event event, const Control* control, std::string what) {
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
      handler = control->Name() + " click";
      break;
    case Event::Tick:
      handler = control->Name() + " tick";
      break;
    case Event::KeyDown:
      handler = "key down";
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
