#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cmath>

#include "platform/posix_files.h"

namespace xr::fake {

namespace {
constexpr float kTwipsPerPixel = 15;
constexpr int kFrameSide = 8;  // pixels of border left and right
constexpr int kFrameTop = 31;  // title bar and top border
constexpr int kFrameBottom = 8;

std::string Parent(const std::string& path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string Trimmed(std::string dir) {
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir;
}
}  // namespace

class FakePlatform::View final : public WindowView {
 public:
  View(FakePlatform& p, Window& w) : platform(p), window(w) {}
  void PropertyChanged(Control& c, Prop prop) override {
    if (c.kind() == Kind::Timer && (prop == Prop::Enabled || prop == Prop::Interval)) {
      auto& t = timers[&c];
      if (t.seq == 0) t.seq = ++platform.timerSeq_;
      t.schedule.Update(c, prop, platform.nowUs_);
    } else if (c.kind() == Kind::MediaPlayer && prop == Prop::Url) {
      platform.PlaySoundFile(c.Url());
    }
  }
  void WindowDestroyed() override { platform.views_.erase(&window); }
  void ReportFailure(std::string_view line) override { platform.failureReports.emplace_back(line); }
  struct Timer {
    std::int64_t seq = 0;
    TimerSchedule schedule;
  };
  FakePlatform& platform;
  Window& window;
  std::map<Control*, Timer> timers;
};

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform() {
  for (auto& [w, v] : views_) const_cast<Window*>(w)->SetView(nullptr);
}

void FakePlatform::Advance(std::int64_t ms) {
  const std::int64_t target = nowUs_ + ms * 1000;
  for (;;) {
    View* bestView = nullptr;
    Control* best = nullptr;
    std::int64_t bestDeadline = 0;
    std::int64_t bestSeq = 0;
    for (auto& [w, v] : views_) {
      for (auto& [c, t] : v->timers) {
        if (!t.schedule.Armed() || t.schedule.Deadline() > target) continue;
        const auto d = t.schedule.Deadline();
        if (best == nullptr || d < bestDeadline || (d == bestDeadline && t.seq < bestSeq)) {
          best = c;
          bestView = v.get();
          bestDeadline = d;
          bestSeq = t.seq;
        }
      }
    }
    if (best == nullptr) break;
    nowUs_ = bestDeadline;
    bestView->timers[best].schedule.Fired(nowUs_);
    bestView->window.Deliver(Event::Tick, best);
    if (ended) break;
  }
  if (!ended) nowUs_ = target;
}

bool FakePlatform::Click(Control& control) {
  if (!Shown(control.window())) return false;
  return control.window().Deliver(Event::Click, &control);
}

void FakePlatform::Close(Window& window) {
  if (!Shown(window)) return;
  window.Deliver(Event::Unload);
  if (!ended) UnloadWindow(window);
}

void FakePlatform::ResizeClient(Window& window, int widthPx, int heightPx) {
  window.SetScale(static_cast<float>(widthPx) * kTwipsPerPixel,
                  static_cast<float>(heightPx) * kTwipsPerPixel);
  window.SetFrame(window.Left(), window.Top(),
                  static_cast<float>(widthPx + 2 * kFrameSide) * kTwipsPerPixel,
                  static_cast<float>(heightPx + kFrameTop + kFrameBottom) * kTwipsPerPixel);
  window.Deliver(Event::Resize);
}

void FakePlatform::ShowWindow(Window& window) {
  if (Shown(window)) {
    activated.push_back(window.Name());
    calls.push_back("Activate(" + window.Name() + ")");
    return;
  }
  auto view = std::make_unique<View>(*this, window);
  window.SetView(view.get());
  views_[&window] = std::move(view);
  // Timers created with the window are running from the start if their design says so.
  for (const auto& c : window.Controls()) {
    if (c->kind() == Kind::Timer) views_[&window]->PropertyChanged(*c, Prop::Enabled);
  }
  const int w = static_cast<int>(std::lround(window.design.clientWidth / kTwipsPerPixel));
  const int h = static_cast<int>(std::lround(window.design.clientHeight / kTwipsPerPixel));
  window.SetScale(window.design.clientWidth, window.design.clientHeight);
  const int outerW = w + 2 * kFrameSide;
  const int outerH = h + kFrameTop + kFrameBottom;
  const int left = (screenWidthPx - outerW) / 2;
  const int top = (screenHeightPx - outerH) / 2;
  window.SetFrame(
      static_cast<float>(left) * kTwipsPerPixel, static_cast<float>(top) * kTwipsPerPixel,
      static_cast<float>(outerW) * kTwipsPerPixel, static_cast<float>(outerH) * kTwipsPerPixel);
  calls.push_back("Show(" + window.Name() + ")");
  window.Deliver(Event::Load);
  window.Deliver(Event::Resize);
}

void FakePlatform::UnloadWindow(Window& window) {
  auto it = views_.find(&window);
  if (it == views_.end()) return;
  window.SetView(nullptr);
  views_.erase(it);
  calls.push_back("Unload(" + window.Name() + ")");
}

void FakePlatform::EndProgram() {
  ended = true;
  calls.push_back("EndProgram");
  for (auto& [w, v] : views_) const_cast<Window*>(w)->SetView(nullptr);
  views_.clear();
}

bool FakePlatform::Shown(const Window& window) const { return views_.count(&window) != 0; }

const TimerSchedule* FakePlatform::Schedule(const Control& timer) const {
  for (const auto& [w, v] : views_) {
    auto it = v->timers.find(const_cast<Control*>(&timer));
    if (it != v->timers.end()) return &it->second.schedule;
  }
  return nullptr;
}

bool FakePlatform::GetCursorPos(std::int32_t& x, std::int32_t& y) {
  if (cursorPosFails) return false;
  x = pointerX;
  y = pointerY;
  return true;
}

bool FakePlatform::SetCursorPos(std::int32_t x, std::int32_t y) {
  pointerX = x;
  pointerY = y;
  calls.push_back("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
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

std::optional<std::string> FakePlatform::GetEnv(std::string_view name) {
  auto it = env.find(std::string(name));
  if (it == env.end()) return std::nullopt;
  return it->second;
}

std::span<const std::uint8_t> FakePlatform::LoadResource(std::string_view type, int id) {
  auto it = resources.find(std::string(type) + "/" + std::to_string(id));
  if (it == resources.end()) throw PlatformError("no such resource");
  return it->second;
}

bool FakePlatform::MakePrivateDir(std::string_view path) {
  if (realFiles) return posix::MakePrivateDir(path);
  const std::string dir = Trimmed(std::string(path));
  if (failingDirs.count(dir) != 0) return false;
  dirs.insert(dir);
  return true;
}

namespace {
class MapFile final : public OutFile {
 public:
  MapFile(FakePlatform& p, FakeFile& f) : platform_(p), file_(f) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    if (platform_.failWrites) throw PlatformError("write failed");
    if (file_.bytes.size() < pos_ + bytes.size()) file_.bytes.resize(pos_ + bytes.size());
    std::copy(bytes.begin(), bytes.end(), file_.bytes.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ += bytes.size();
  }
  void Close() override {}

 private:
  FakePlatform& platform_;
  FakeFile& file_;
  std::size_t pos_ = 0;
};
}  // namespace

std::unique_ptr<OutFile> FakePlatform::OpenForOutput(std::string_view path) {
  calls.push_back("Open(" + std::string(path) + ")");
  if (realFiles) return posix::OpenForOutput(path);
  const std::string p(path);
  if (dirs.count(Trimmed(Parent(p))) == 0) throw PlatformError("no such directory");
  auto it = files.find(p);
  if (it != files.end() && it->second.kind != FileKind::Regular) {
    throw PlatformError("not a regular file");
  }
  FakeFile& f = files[p];
  return std::make_unique<MapFile>(*this, f);
}

}  // namespace xr::fake
