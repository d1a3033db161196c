#include "platform/web/web_platform.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

#include "controls/units.h"
#include "cue/cue.h"
#include "cue/wav_pcm.h"

// What the page does for this layer, in page.js; strings go as UTF-8.
// clang-format off
EM_JS(int, xr_js_build_window, (int id, int isPage, const char* caption, int width, int height,
                                 unsigned back, const char* picture, const char* icon), {
  return XrPage.buildWindow(id, isPage, UTF8ToString(caption), width, height, back,
                            UTF8ToString(picture), UTF8ToString(icon));
});
EM_JS(void, xr_js_add_control, (int window, int id, int kind, const char* name, const char* text,
                                int tabPlace, int alignLeft, int wordWrap, int transparent), {
  XrPage.addControl(window, id, kind, UTF8ToString(name), UTF8ToString(text), tabPlace, alignLeft,
                    wordWrap, transparent);
});
EM_JS(void, xr_js_set_text, (int id, const char* text), {
  XrPage.setText(id, UTF8ToString(text));
});
EM_JS(void, xr_js_set_picture, (int id, const char* resource), {
  XrPage.setPicture(id, UTF8ToString(resource));
});
EM_JS(void, xr_js_set_geometry, (int id, int left, int top, int width, int height), {
  XrPage.setGeometry(id, left, top, width, height);
});
EM_JS(void, xr_js_set_colors, (int id, unsigned fore, unsigned back), {
  XrPage.setColors(id, fore, back);
});
EM_JS(void, xr_js_set_font, (int id, const char* face, int px, int bold), {
  XrPage.setFont(id, UTF8ToString(face), px, bold);
});
EM_JS(void, xr_js_set_visible, (int id, int visible), { XrPage.setVisible(id, visible); });
EM_JS(void, xr_js_focus, (int id), { XrPage.focus(id); });
EM_JS(void, xr_js_set_access, (int id, int role, const char* name, const char* description,
                               int checked, int folded), {
  XrPage.setAccess(id, role, UTF8ToString(name), UTF8ToString(description), checked, folded);
});
EM_JS(void, xr_js_announce, (const char* text), { XrPage.announce(UTF8ToString(text)); });
EM_JS(void, xr_js_show_centred, (int window, int recentre, int first), {
  XrPage.showCentred(window, recentre, first);
});
EM_JS(void, xr_js_activate, (int window, int first), { XrPage.activate(window, first); });
EM_JS(void, xr_js_remove_window, (int window), { XrPage.removeWindow(window); });
EM_JS(void, xr_js_arm_timer, (int id, double ms), { XrPage.armTimer(id, ms); });
EM_JS(void, xr_js_message_box, (const char* text, const char* caption), {
  XrPage.messageBox(UTF8ToString(text), UTF8ToString(caption));
});
EM_JS(void, xr_js_open_url, (const char* url), { XrPage.openUrl(UTF8ToString(url)); });
EM_JS(void, xr_js_hide_cursor, (int hide), { XrPage.hideCursor(hide); });
EM_JS(void, xr_js_log, (const char* line, int error), { XrPage.log(UTF8ToString(line), error); });
EM_JS(void, xr_js_cue, (const unsigned char* bytes, int frames, int channels, int rate), {
  XrPage.setCue(HEAPU8.subarray(bytes, bytes + frames * channels * 2), frames, channels, rate);
});
EM_JS(void, xr_js_play_cue, (), { XrPage.playCue(); });
EM_JS(void, xr_js_hold_screen, (int held), { XrPage.holdScreen(held); });
EM_JS(int, xr_js_resource_size, (const char* name), {
  return XrPage.resourceSize(UTF8ToString(name));
});
EM_JS(void, xr_js_copy_resource, (const char* name, unsigned char* to), {
  XrPage.copyResource(UTF8ToString(name), to);
});
EM_JS(void, xr_js_quit, (), { XrPage.quit(); });
EM_JS(double, xr_js_seconds_since_midnight, (), {
  const d = new Date();
  return d.getHours() * 3600 + d.getMinutes() * 60 + d.getSeconds() + d.getMilliseconds() / 1000;
});
// clang-format on

namespace xr::web {

namespace {

WebPlatform* g_current = nullptr;

int Px(float twips) { return TwipsToPixels(twips); }

// As the other platforms draw a point: four thirds of a logical pixel.
int FontPixels(float points) {
  return std::max(1, static_cast<int>(std::lround(points * 4.0f / 3.0f)));
}

constexpr int kCaptionHeight = 24;  // a box window's title bar
constexpr int kBorder = 1;

}  // namespace

class WebPlatform::WebWindow final : public NativeWindow {
 public:
  WebWindow(WebPlatform& platform, Window& window, WindowHost& host, bool isPage)
      : platform_(platform),
        window_(window),
        host_(host),
        id_(platform.nextId_++),
        isPage_(isPage) {
    platform_.windows_[id_] = this;
    const WindowDesign& d = window.design;
    xr_js_build_window(id_, isPage, window.caption.c_str(), Px(d.clientWidth), Px(d.clientHeight),
                       d.backColor, d.picture.c_str(), d.icon.c_str());
    // The page's tabindex is the control's place in the core's order, counted from 1 since 0
    // would put it after every numbered one; the browser then only follows it.
    tabOrder_ = window.TabOrder();
    for (const auto& owned : window.Controls()) {
      Control& c = *owned;
      const int id = platform_.nextId_++;
      controls_[id] = &c;
      ids_[&c] = id;
      const auto* text = dynamic_cast<const TextControl*>(&c);
      const auto* label = dynamic_cast<const Label*>(&c);
      const auto place = std::find(tabOrder_.begin(), tabOrder_.end(), &c);
      xr_js_add_control(
          id_, id, static_cast<int>(c.kind()), c.Name().c_str(),
          text != nullptr ? text->Caption().c_str() : "",
          place == tabOrder_.end() ? 0 : static_cast<int>(place - tabOrder_.begin()) + 1,
          label != nullptr && label->align == Align::Left, label != nullptr && label->wordWrap,
          label != nullptr && label->transparent);
      if (const auto* picture = dynamic_cast<const Picture*>(&c)) {
        xr_js_set_picture(id, picture->resource.c_str());
      }
      Geometry(c);
      Font(c);
      Colors(c);
      xr_js_set_visible(id, c.Visible());
      Access(c);
    }
  }
  ~WebWindow() override {
    for (const auto& [timer, id] : timerIds_) xr_js_arm_timer(id, -1);
    xr_js_remove_window(id_);
    platform_.windows_.erase(id_);
  }

  // The page reports the frame it gave the window during the call; a box window keeps its
  // design size, which the browser's zoom never changes in logical pixels.
  void ShowCentred() override {
    xr_js_show_centred(id_, 0, FirstInOrder());
    if (!isPage_) {
      const WindowDesign& d = window_.design;
      host_.SizeChanged(window_, Px(d.clientWidth), Px(d.clientHeight), false);
    }
  }
  void Centre() override { xr_js_show_centred(id_, 1, 0); }
  void Activate() override { xr_js_activate(id_, FirstInOrder()); }

  // Where the focus goes when the window first shows, or is brought forward without it: the
  // first control in the order that is shown now; 0 for none.
  int FirstInOrder() const {
    for (const Control* c : tabOrder_) {
      if (c->Visible()) return ids_.at(c);
    }
    return 0;
  }

  void ControlChanged(Control& c, Prop prop) override {
    const int id = ids_.at(&c);
    switch (prop) {
      case Prop::Caption:
        xr_js_set_text(id, static_cast<const TextControl&>(c).Caption().c_str());
        // A name that is the caption follows it; a digit folded into its clock has none.
        if (c.access.partOf == nullptr) Access(c);
        RefreshDerived();
        break;
      case Prop::ForeColor:
      case Prop::BackColor:
        Colors(c);
        break;
      case Prop::AccessibleName:
        Access(c);
        xr_js_announce(c.AccessibleName().c_str());
        break;
      case Prop::Checked:
        RefreshDerived();  // the page tells a reader of a changed aria-checked by itself
        break;
      case Prop::Visible:
        xr_js_set_visible(id, c.Visible());
        break;
      case Prop::Left:
      case Prop::Top:
      case Prop::Width:
      case Prop::Height:
        Geometry(c);
        break;
      case Prop::FontSize:
        Font(c);
        break;
      case Prop::Focus:
        xr_js_focus(id);
        break;
      default:
        break;
    }
  }

  void ArmTimer(Timer& timer, std::int64_t deadlineUs) override {
    int& id = timerIds_[&timer];
    if (id == 0) {
      id = platform_.nextId_++;
      timers_[id] = &timer;
    }
    const std::int64_t left = deadlineUs - platform_.MonotonicUs();
    // To the microsecond: the worker wakes at the whole millisecond after, and gives the page
    // every timer then due at once. The core computes the next deadline from this one, so the
    // lateness does not add up.
    xr_js_arm_timer(id, left <= 0 ? 0.0 : static_cast<double>(left) / 1000.0);
  }
  void CancelTimer(Timer& timer) override {
    auto it = timerIds_.find(&timer);
    if (it != timerIds_.end()) xr_js_arm_timer(it->second, -1);
  }

  // What a reader finds in the page: the core's role, name and state of the control; a control
  // folded into another one's element is hidden from it.
  void Access(const Control& c) {
    xr_js_set_access(ids_.at(&c), static_cast<int>(c.AccessibleRole()), c.AccessibleName().c_str(),
                     c.access.description.c_str(), c.Checked(), c.access.partOf != nullptr);
  }
  // Names and states read from other controls change with them; the page keeps no function to
  // ask, so they are written again (the page skips what has not changed).
  void RefreshDerived() {
    for (const auto& owned : window_.Controls()) {
      if (owned->access.liveName || owned->access.checked) Access(*owned);
    }
  }

  void Geometry(Control& c) {
    xr_js_set_geometry(ids_.at(&c), Px(c.Left()), Px(c.Top()), Px(c.Width()), Px(c.Height()));
  }
  void Font(Control& c) {
    if (const auto* text = dynamic_cast<const TextControl*>(&c)) {
      xr_js_set_font(ids_.at(&c), text->fontName.c_str(), FontPixels(text->FontSize()), text->bold);
    }
  }
  void Colors(Control& c) {
    if (const auto* label = dynamic_cast<const Label*>(&c)) {
      xr_js_set_colors(ids_.at(&c), label->ForeColor(),
                       label->transparent ? kButtonFaceColor : label->BackColor());
    } else if (const auto* button = dynamic_cast<const Button*>(&c)) {
      xr_js_set_colors(ids_.at(&c), button->ForeColor(), kButtonFaceColor);
    }
  }

  WebPlatform& platform_;
  Window& window_;
  WindowHost& host_;
  const int id_;
  const bool isPage_;
  std::map<int, Control*> controls_;
  std::map<const Control*, int> ids_;
  std::vector<Control*> tabOrder_;
  std::map<int, Timer*> timers_;
  std::map<const Timer*, int> timerIds_;
};

WebPlatform::WebPlatform() { g_current = this; }

WebPlatform::~WebPlatform() {
  if (g_current == this) g_current = nullptr;
}

WebPlatform* WebPlatform::Current() { return g_current; }

WebPlatform::WebWindow* WebPlatform::FindWindow(int id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second;
}

void WebPlatform::Clicked(int control) {
  for (const auto& [id, page] : windows_) {
    auto it = page->controls_.find(control);
    if (it != page->controls_.end()) {
      page->host_.Clicked(*it->second);
      return;
    }
  }
}

void WebPlatform::TimerDue(int timer) {
  for (const auto& [id, page] : windows_) {
    auto it = page->timers_.find(timer);
    if (it != page->timers_.end()) {
      page->host_.TimerDue(*it->second);
      return;
    }
  }
}

bool WebPlatform::Key(int window, std::uint32_t key, bool down) {
  WebWindow* page = FindWindow(window);
  if (page == nullptr) return false;
  return down ? page->host_.KeyDown(page->window_, key) : page->host_.KeyUp(page->window_, key);
}

void WebPlatform::KeyboardLost(int window) {
  if (WebWindow* page = FindWindow(window)) page->host_.KeyboardLost(page->window_);
}

void WebPlatform::PointerPressed(int window) {
  if (WebWindow* page = FindWindow(window)) page->host_.PointerPressed(page->window_);
}

void WebPlatform::FrameMoved(int window, int left, int top, int width, int height) {
  WebWindow* page = FindWindow(window);
  if (page == nullptr) return;
  const int clientW = page->isPage_ ? width : width - 2 * kBorder;
  const int clientH = page->isPage_ ? height : height - 2 * kBorder - kCaptionHeight;
  page->host_.FrameMoved(page->window_, left, top, width, height, clientW, clientH);
}

void WebPlatform::ViewportResized(int width, int height) {
  for (const auto& [id, page] : windows_) {
    if (!page->isPage_) continue;
    page->host_.FrameMoved(page->window_, 0, 0, width, height, width, height);
    if (FindWindow(id) == page) page->host_.SizeChanged(page->window_, width, height, false);
    return;
  }
}

void WebPlatform::CloseRequested(int window) {
  if (WebWindow* page = FindWindow(window)) page->host_.CloseRequested(page->window_);
}

void WebPlatform::BoxClosed() {
  if (host_ != nullptr) host_->ModalBoxClosed();
}

void WebPlatform::PointerMoved(int x, int y) { pointer_.emplace(x, y); }

std::unique_ptr<NativeWindow> WebPlatform::BuildWindow(Window& window, WindowHost& host) {
  host_ = &host;
  const bool isPage = std::none_of(windows_.begin(), windows_.end(),
                                   [](const auto& w) { return w.second->isPage_; });
  return std::make_unique<WebWindow>(*this, window, host, isPage);
}

void WebPlatform::Quit() { xr_js_quit(); }

std::int64_t WebPlatform::MonotonicUs() {
  return static_cast<std::int64_t>(std::llround(emscripten_get_now() * 1000.0));
}

void WebPlatform::ReportFailure(std::string_view line) { xr_js_log(std::string(line).c_str(), 1); }

bool WebPlatform::GetCursorPos(std::int32_t& x, std::int32_t& y) {
  if (!pointer_) return false;
  x = pointer_->first;
  y = pointer_->second;
  return true;
}

bool WebPlatform::SetCursorPos(std::int32_t, std::int32_t) {
  if (!toldAboutPointer_) {
    toldAboutPointer_ = true;
    xr_js_log("xiuran-timer: a page cannot move the pointer; it stays where it is", 0);
  }
  return false;
}

int WebPlatform::ShowCursor(bool show) {
  displayCount_ += show ? 1 : -1;
  xr_js_hide_cursor(displayCount_ < 0);
  return displayCount_;
}

double WebPlatform::SecondsSinceMidnight() { return xr_js_seconds_since_midnight(); }

void WebPlatform::MessageBox(std::string_view text, std::string_view caption) {
  // The page cannot wait here: the box stays up after the handler returns, and the host drops
  // what comes meanwhile until the page says it has closed.
  if (host_ != nullptr) host_->ModalBoxOpened();
  xr_js_message_box(std::string(text).c_str(), std::string(caption).c_str());
}

void WebPlatform::OpenUrl(std::string_view url) { xr_js_open_url(std::string(url).c_str()); }

void WebPlatform::HoldScreen(bool held) { xr_js_hold_screen(held); }

void WebPlatform::PlaySoundFile(std::string_view path) {
  if (path != std::string("/cue/") + kCueFileName) return;
  if (cue_.empty()) {
    // Fetched once the program showed: until it is in, or when it never came, nothing plays.
    try {
      const auto bytes = LoadResource(kCueResourceType, kCueResourceId);
      cue_.assign(bytes.begin(), bytes.end());
    } catch (const PlatformError&) {
    }
    if (cue_.empty()) return;
  }
  if (!cueHandedOver_) {
    // Decoded here rather than by the browser, which would resample it to its own rate.
    const auto pcm = ParseWav(cue_);
    if (!pcm) return;
    const int frames = static_cast<int>(pcm->data.size() / (2u * pcm->channels));
    xr_js_cue(pcm->data.data(), frames, pcm->channels, static_cast<int>(pcm->sample_rate));
    cueHandedOver_ = true;
  }
  xr_js_play_cue();
}

// The page fetches the program's resources beside the module rather than inside it, once the
// program shows: the module compiles sooner, the program takes input before the cue (825 kB) is
// in, and no file system comes with it. One still on its way is empty; it is asked for again.
std::span<const std::uint8_t> WebPlatform::LoadResource(std::string_view type, int id) {
  const std::string name = std::string(type) + "/" + std::to_string(id);
  auto it = resources_.find(name);
  if (it == resources_.end()) {
    const int size = xr_js_resource_size(name.c_str());
    if (size == -2) return {};
    if (size < 0) throw PlatformError("no resource " + name);
    // Left uninitialised for the page to fill: zeroing the cue first took longer than its copy.
    Resource r{std::unique_ptr<std::uint8_t[]>(new std::uint8_t[static_cast<std::size_t>(size)]),
               static_cast<std::size_t>(size)};
    xr_js_copy_resource(name.c_str(), r.bytes.get());
    it = resources_.emplace(name, std::move(r)).first;
  }
  return {it->second.bytes.get(), it->second.size};
}

std::optional<std::string> WebPlatform::KeepCueFile(std::span<const std::uint8_t> bytes) {
  cue_.assign(bytes.begin(), bytes.end());
  cueHandedOver_ = false;
  return std::string("/cue/") + kCueFileName;
}

}  // namespace xr::web

// The page's events, by the numbers the layer gave out.
extern "C" {
EMSCRIPTEN_KEEPALIVE void xr_clicked(int control) {
  if (auto* p = xr::web::WebPlatform::Current()) p->Clicked(control);
}
EMSCRIPTEN_KEEPALIVE void xr_timer_due(int timer) {
  if (auto* p = xr::web::WebPlatform::Current()) p->TimerDue(timer);
}
EMSCRIPTEN_KEEPALIVE int xr_key(int window, unsigned key, int down) {
  auto* p = xr::web::WebPlatform::Current();
  return p != nullptr && p->Key(window, key, down != 0) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE void xr_keyboard_lost(int window) {
  if (auto* p = xr::web::WebPlatform::Current()) p->KeyboardLost(window);
}
EMSCRIPTEN_KEEPALIVE void xr_pointer_pressed(int window) {
  if (auto* p = xr::web::WebPlatform::Current()) p->PointerPressed(window);
}
EMSCRIPTEN_KEEPALIVE void xr_frame_moved(int window, int left, int top, int width, int height) {
  if (auto* p = xr::web::WebPlatform::Current()) p->FrameMoved(window, left, top, width, height);
}
EMSCRIPTEN_KEEPALIVE void xr_viewport_resized(int width, int height) {
  if (auto* p = xr::web::WebPlatform::Current()) p->ViewportResized(width, height);
}
EMSCRIPTEN_KEEPALIVE void xr_close_requested(int window) {
  if (auto* p = xr::web::WebPlatform::Current()) p->CloseRequested(window);
}
EMSCRIPTEN_KEEPALIVE void xr_box_closed() {
  if (auto* p = xr::web::WebPlatform::Current()) p->BoxClosed();
}
EMSCRIPTEN_KEEPALIVE void xr_pointer_moved(int x, int y) {
  if (auto* p = xr::web::WebPlatform::Current()) p->PointerMoved(x, y);
}
}
