#include "platform/win32/win_platform.h"

#include <chrono>
#include <cmath>
#include <utility>

#include "controls/window.h"
#include "platform/win32/win_accessible.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_text.h"
#include "platform/win32/win_window_view.h"

namespace xr::win32 {

namespace {
// A variable of the environment; empty when it is unset.
std::string Env(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
  value.resize(got < n ? got : 0);
  return Utf8(value);
}

// What the core holds of a real window. The view may be on the stack of one of its own
// messages when the core lets go, so the platform frees it later.
class NativeHandle final : public NativeWindow {
 public:
  NativeHandle(WinPlatform& platform, Window& window, WinWindowView& view)
      : platform_(platform), window_(window), view_(view) {}
  ~NativeHandle() override { platform_.Forget(window_); }
  void ShowCentred() override { view_.ShowCentred(); }
  void Centre() override { view_.Centre(); }
  void Activate() override { view_.Activate(); }
  void ControlChanged(Control& control, Prop prop) override { view_.ControlChanged(control, prop); }
  void ArmTimer(Timer& timer, std::int64_t deadlineUs) override {
    view_.ArmTimer(timer, deadlineUs);
  }
  void CancelTimer(Timer& timer) override { view_.CancelTimer(timer); }

 private:
  WinPlatform& platform_;
  Window& window_;
  WinWindowView& view_;
};
}  // namespace

bool RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &WinWindowView::WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"XiuranForm";
  return RegisterClassExW(&wc) != 0 && RegisterReaderClasses(instance);
}

WinPlatform::WinPlatform(HINSTANCE instance, std::function<void(const std::wstring&)> playSound,
                         std::function<void(const std::wstring&)> openUrl)
    : instance_(instance), playSound_(std::move(playSound)), openUrl_(std::move(openUrl)) {}

WinPlatform::~WinPlatform() {
  views_.clear();
  retired_.clear();
}

void WinPlatform::ScaleChanged(const WinWindowView* view, double scale) {
  if (scaleOwner_ == nullptr) scaleOwner_ = view;
  if (scaleOwner_ == view) scale_ = scale;
}

void WinPlatform::ReleaseRetired() {
  if (!retired_.empty()) retired_.clear();
}

bool WinPlatform::IsOurs(HWND hwnd) const {
  for (const auto& [w, v] : views_) {
    if (v->Hwnd() == hwnd) return true;
  }
  return false;
}

bool WinPlatform::KeyMessage(HWND top, const MSG& msg) {
  const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  if (!down && msg.message != WM_KEYUP && msg.message != WM_SYSKEYUP) return false;
  // Alt+F4 closes the window. Bit 29 is the Alt key: with no control focused, the system sends
  // every key as a WM_SYSKEYDOWN, F4 alone included.
  const bool alt = (msg.lParam & (LPARAM{1} << 29)) != 0;
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && alt) return false;
  // Plain: neither Ctrl nor Alt is held, whichever of the two messages brought the key.
  const bool plain = !alt && GetKeyState(VK_CONTROL) >= 0;
  const bool repeat = down && (msg.lParam & (LPARAM{1} << 30)) != 0;
  for (const auto& [w, v] : views_) {
    if (v->Hwnd() == top) {
      return v->Key(static_cast<std::uint32_t>(msg.wParam), down, plain, repeat);
    }
  }
  return false;
}

std::unique_ptr<NativeWindow> WinPlatform::BuildWindow(Window& window, WindowHost& host) {
  auto view = std::make_unique<WinWindowView>(*this, window, host);
  WinWindowView& v = *view;
  views_[&window] = std::move(view);
  return std::make_unique<NativeHandle>(*this, window, v);
}

void WinPlatform::Forget(const Window& window) {
  auto it = views_.find(&window);
  if (it == views_.end()) return;
  if (scaleOwner_ == it->second.get()) scaleOwner_ = nullptr;
  it->second->Retire();
  retired_.push_back(std::move(it->second));
  views_.erase(it);
}

void WinPlatform::Quit() { PostQuitMessage(0); }

std::int64_t WinPlatform::MonotonicUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool WinPlatform::GetCursorPos(std::int32_t& x, std::int32_t& y) {
  POINT p;
  if (!::GetCursorPos(&p)) return false;
  x = static_cast<std::int32_t>(std::lround(p.x / scale_));
  y = static_cast<std::int32_t>(std::lround(p.y / scale_));
  return true;
}

bool WinPlatform::SetCursorPos(std::int32_t x, std::int32_t y) {
  return ::SetCursorPos(static_cast<int>(std::lround(x * scale_)),
                        static_cast<int>(std::lround(y * scale_))) != FALSE;
}

int WinPlatform::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

double WinPlatform::SecondsSinceMidnight() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

void WinPlatform::MessageBox(std::string_view text, std::string_view caption) {
  HWND owner = GetActiveWindow();
  if (owner != nullptr && !IsOurs(owner)) owner = nullptr;
  ::MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

void WinPlatform::OpenUrl(std::string_view url) {
  if (openUrl_) openUrl_(Wide(url));
}

void WinPlatform::PlaySoundFile(std::string_view path) {
  if (playSound_) playSound_(Wide(path));
}

void WinPlatform::ReportFailure(std::string_view line) {
  // One write for the whole line; a program started without a console has nowhere to show it
  // but the debugger.
  const std::string text = std::string(line) + "\n";
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (err == nullptr || err == INVALID_HANDLE_VALUE ||
      !WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    OutputDebugStringW(Wide(text).c_str());
  }
}

void WinPlatform::HoldScreen(bool held) {
  // The state belongs to the calling thread and ends with it: the core calls from the GUI
  // thread, which lives as long as the windows do.
  SetThreadExecutionState(held ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED
                               : ES_CONTINUOUS);
}

std::span<const std::uint8_t> WinPlatform::LoadResource(std::string_view type, int id) {
  HRSRC res = FindResourceW(instance_, MAKEINTRESOURCEW(id), Wide(type).c_str());
  HGLOBAL mem = res != nullptr ? ::LoadResource(instance_, res) : nullptr;
  const void* data = mem != nullptr ? LockResource(mem) : nullptr;
  if (data == nullptr) throw PlatformError("missing resource");
  // Mapped with the program file: valid as long as the program runs.
  return {static_cast<const std::uint8_t*>(data), SizeofResource(instance_, res)};
}

std::optional<std::string> WinPlatform::KeepCueFile(std::span<const std::uint8_t> bytes) {
  return win32::KeepCueFile(bytes, Env(L"systemdrive"), Env(L"LOCALAPPDATA"));
}

}  // namespace xr::win32
