#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cmath>

#include "controls/units.h"

namespace xr::fake {

namespace {
constexpr int kFrameSide = 8;  // pixels of border left and right
constexpr int kFrameTop = 31;  // title bar and top border
constexpr int kFrameBottom = 8;
}  // namespace

class FakePlatform::Native final : public NativeWindow {
 public:
  struct Armed {
    std::int64_t seq = 0;
    bool armed = false;
    std::int64_t deadline = 0;
  };
  Native(FakePlatform& p, Window& w, WindowHost& h) : platform(p), window(w), host(h) {
    platform.natives_[&window] = this;
  }
  ~Native() override {
    platform.natives_.erase(&window);
    platform.calls.push_back("Unload(" + window.Name() + ")");
  }
  void ShowCentred() override {
    clientW = TwipsToPixels(window.design.clientWidth);
    clientH = TwipsToPixels(window.design.clientHeight);
    platform.calls.push_back("Show(" + window.Name() + ")");
    if (platform.lateFrame) {
      ReportCentred(clientW, clientH);
    } else {
      ReportCentred(clientW + 2 * kFrameSide, clientH + kFrameTop + kFrameBottom);
    }
    host.SizeChanged(window, clientW, clientH, false);
  }
  void Centre() override {
    platform.calls.push_back("Centre(" + window.Name() + ")");
    ReportCentred(TwipsToPixels(window.Width()), TwipsToPixels(window.Height()));
  }
  void ReportCentred(int outerW, int outerH) {
    Report((platform.screenWidthPx - outerW) / 2, (platform.screenHeightPx - outerH) / 2, outerW,
           outerH);
  }
  void Report(int left, int top, int outerW, int outerH) {
    host.FrameMoved(window, left, top, outerW, outerH, clientW, clientH);
  }
  void Activate() override {
    platform.activated.push_back(window.Name());
    platform.calls.push_back("Activate(" + window.Name() + ")");
  }
  void ControlChanged(Control&, Prop) override {}
  void ArmTimer(Timer& timer, std::int64_t deadlineUs) override {
    Armed& t = Known(timer);
    t.armed = true;
    t.deadline = deadlineUs;
  }
  void CancelTimer(Timer& timer) override { Known(timer).armed = false; }
  // Ties go in the order the core first spoke of the timers: the order a window creates them.
  Armed& Known(Timer& timer) {
    Armed& t = timers[&timer];
    if (t.seq == 0) t.seq = ++platform.timerSeq_;
    return t;
  }

  FakePlatform& platform;
  Window& window;
  WindowHost& host;
  std::map<Timer*, Armed> timers;
  int clientW = 0;
  int clientH = 0;
};

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform() = default;

void FakePlatform::Advance(std::int64_t ms) {
  const std::int64_t target = nowUs_ + ms * 1000;
  while (!ended) {
    Native* owner = nullptr;
    Timer* best = nullptr;
    const Native::Armed* bestTimer = nullptr;
    for (auto& [w, n] : natives_) {
      for (auto& [c, t] : n->timers) {
        if (!t.armed || t.deadline > target) continue;
        if (bestTimer == nullptr || t.deadline < bestTimer->deadline ||
            (t.deadline == bestTimer->deadline && t.seq < bestTimer->seq)) {
          owner = n;
          best = c;
          bestTimer = &t;
        }
      }
    }
    if (best == nullptr) break;
    nowUs_ = std::max(nowUs_, bestTimer->deadline);
    owner->timers[best].armed = false;  // one request, one call
    owner->host.TimerDue(*best);
  }
  if (!ended) nowUs_ = std::max(nowUs_, target);
}

bool FakePlatform::Click(Control& control) {
  auto it = natives_.find(&control.window());
  return it != natives_.end() && it->second->host.Clicked(control);
}

bool FakePlatform::Key(Window& window, std::uint32_t key) {
  auto it = natives_.find(&window);
  return it != natives_.end() && it->second->host.KeyDown(window, key);
}

bool FakePlatform::KeyUp(Window& window, std::uint32_t key) {
  auto it = natives_.find(&window);
  return it != natives_.end() && it->second->host.KeyUp(window, key);
}

void FakePlatform::Press(Window& window) {
  auto it = natives_.find(&window);
  if (it != natives_.end()) it->second->host.PointerPressed(window);
}

void FakePlatform::LoseKeyboard(Window& window) {
  auto it = natives_.find(&window);
  if (it != natives_.end()) it->second->host.KeyboardLost(window);
}

void FakePlatform::Close(Window& window) {
  auto it = natives_.find(&window);
  if (it != natives_.end()) it->second->host.CloseRequested(window);
}

void FakePlatform::ResizeClient(Window& window, int widthPx, int heightPx) {
  auto it = natives_.find(&window);
  if (it == natives_.end()) return;
  Native& n = *it->second;
  n.clientW = widthPx;
  n.clientH = heightPx;
  n.Report(TwipsToPixels(window.Left()), TwipsToPixels(window.Top()), widthPx + 2 * kFrameSide,
           heightPx + kFrameTop + kFrameBottom);
  n.host.SizeChanged(window, widthPx, heightPx, false);
}

void FakePlatform::FrameArrives(Window& window, int dx, int dy) {
  auto it = natives_.find(&window);
  if (it == natives_.end()) return;
  Native& n = *it->second;
  n.Report(TwipsToPixels(window.Left()) - kFrameSide + dx,
           TwipsToPixels(window.Top()) - kFrameTop + dy, n.clientW + 2 * kFrameSide,
           n.clientH + kFrameTop + kFrameBottom);
}

void FakePlatform::MoveFrame(Window& window, int leftPx, int topPx) {
  auto it = natives_.find(&window);
  if (it == natives_.end()) return;
  it->second->Report(leftPx, topPx, TwipsToPixels(window.Width()), TwipsToPixels(window.Height()));
}

std::unique_ptr<NativeWindow> FakePlatform::BuildWindow(Window& window, WindowHost& host) {
  return std::make_unique<Native>(*this, window, host);
}

void FakePlatform::Quit() {
  ended = true;
  calls.push_back("EndProgram");
}

bool FakePlatform::Shown(const Window& window) const { return natives_.count(&window) != 0; }

const TimerSchedule* FakePlatform::Schedule(const Timer& timer) const {
  auto it = natives_.find(&timer.window());
  return it == natives_.end() ? nullptr : it->second->host.Schedule(timer);
}

bool FakePlatform::GetCursorPos(std::int32_t& x, std::int32_t& y) {
  if (cursorPosFails) return false;
  x = pointerX;
  y = pointerY;
  return true;
}

bool FakePlatform::SetCursorPos(std::int32_t x, std::int32_t y) {
  calls.push_back("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
  if (pointerFixed) return false;
  pointerX = x;
  pointerY = y;
  return true;
}

int FakePlatform::ShowCursor(bool show) {
  ++showCursorCalls;
  displayCount += show ? 1 : -1;
  return displayCount;
}

double FakePlatform::SecondsSinceMidnight() {
  const double t = clockBase + static_cast<double>(nowUs_) / 1e6;
  return std::fmod(t, 86400.0);
}

void FakePlatform::MessageBox(std::string_view text, std::string_view caption) {
  messages.emplace_back(text);
  calls.push_back("MessageBox(" + std::string(text) + "|" + std::string(caption) + ")");
  if (duringMessageBox) duringMessageBox();
}

void FakePlatform::OpenUrl(std::string_view url) {
  openedUrls.emplace_back(url);
  calls.push_back("OpenUrl(" + std::string(url) + ")");
}

void FakePlatform::PlaySoundFile(std::string_view path) {
  playedSounds.emplace_back(path);
  calls.push_back("PlaySoundFile(" + std::string(path) + ")");
}

std::span<const std::uint8_t> FakePlatform::LoadResource(std::string_view type, int id) {
  auto it = resources.find(std::string(type) + "/" + std::to_string(id));
  if (it == resources.end()) throw PlatformError("no such resource");
  return it->second;
}

std::optional<std::string> FakePlatform::KeepCueFile(std::span<const std::uint8_t> bytes) {
  keptCues.emplace_back(bytes.begin(), bytes.end());
  calls.push_back("KeepCueFile(" + std::to_string(bytes.size()) + ")");
  return cuePlace;
}

}  // namespace xr::fake
