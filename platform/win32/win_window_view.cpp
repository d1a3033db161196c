#include "platform/win32/win_window_view.h"

#include <objidl.h>
#include <shlwapi.h>
#include <windowsx.h>
// After windows.h and objidl.h, which the GDI+ headers expect.
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "controls/units.h"
#include "platform/win32/win_accessible.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_system_dll.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {

COLORREF ResolveColor(Color color) {
  // Both layouts are Windows' own: 0x00BBGGRR, or a system colour's index in the low byte.
  if (IsSystemColor(color)) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

namespace {

constexpr int kFirstControlId = 100;

// The resource compiler takes names that are identifiers only: "pictures/a.jpg" is there as
// PICTURES_A_JPG. FindResource compares names without case.
std::wstring ResourceName(const std::string& name) {
  std::wstring w = Wide(name);
  std::replace_if(
      w.begin(), w.end(), [](wchar_t ch) { return ch == L'/' || ch == L'.'; }, L'_');
  return w;
}

UINT DpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (fn != nullptr && hwnd != nullptr) {
    const UINT dpi = fn(hwnd);
    if (dpi != 0) return dpi;
  }
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

RECT FrameFor(DWORD style, int clientW, int clientH, UINT dpi) {
  RECT r{0, 0, clientW, clientH};
  using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto fn = reinterpret_cast<AdjustFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (fn != nullptr) {
    fn(&r, style, FALSE, 0, dpi);
  } else {
    AdjustWindowRectEx(&r, style, FALSE, 0);
  }
  return r;
}

// Physical pixels to the core's logical ones.
int Logical(LONG px, double scale) {
  return static_cast<int>(std::lround(static_cast<double>(px) / scale));
}

DWORD StyleFor(const WindowDesign& d) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  if (d.border == Border::Sizable) style |= WS_THICKFRAME;
  if (d.minButton) style |= WS_MINIMIZEBOX;
  if (d.maxButton) style |= WS_MAXIMIZEBOX;
  return style;
}

}  // namespace

namespace {

// GDI+ and the memory stream it reads from, looked up at the first picture: most runs never open
// a window that has one, and loading them with the program made up much of its start-up.
struct PictureApi {
  decltype(&Gdiplus::GdiplusStartup) startup = nullptr;
  decltype(&Gdiplus::GdiplusShutdown) shutdown = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) fromStream = nullptr;
  decltype(&Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap) toHbitmap = nullptr;
  decltype(&Gdiplus::DllExports::GdipDisposeImage) dispose = nullptr;
  decltype(&SHCreateMemStream) memStream = nullptr;
};

const PictureApi& Pictures() {
  static const PictureApi api = [] {
    PictureApi a;
    // GDI+ imports the imaging codecs by their bare name, and not every loader keeps that name
    // out of the program's folder: loaded first from the system folder, they are what it finds.
    if (SystemDll(L"windowscodecs.dll") == nullptr) return a;
    const wchar_t* gdiplus = L"gdiplus.dll";
    a.startup = SystemProc<decltype(a.startup)>(gdiplus, "GdiplusStartup");
    a.shutdown = SystemProc<decltype(a.shutdown)>(gdiplus, "GdiplusShutdown");
    a.fromStream = SystemProc<decltype(a.fromStream)>(gdiplus, "GdipCreateBitmapFromStream");
    a.toHbitmap = SystemProc<decltype(a.toHbitmap)>(gdiplus, "GdipCreateHBITMAPFromBitmap");
    a.dispose = SystemProc<decltype(a.dispose)>(gdiplus, "GdipDisposeImage");
    a.memStream = SystemProc<decltype(a.memStream)>(L"shlwapi.dll", "SHCreateMemStream");
    const bool whole =
        a.startup && a.shutdown && a.fromStream && a.toHbitmap && a.dispose && a.memStream;
    return whole ? a : PictureApi{};
  }();
  return api;
}

// The living decoder's GDI+ token (0 until the first picture); null while none lives.
ULONG_PTR* decoderToken = nullptr;

}  // namespace

PictureDecoder::PictureDecoder() { decoderToken = &token_; }

PictureDecoder::~PictureDecoder() {
  decoderToken = nullptr;
  if (token_ != 0) Pictures().shutdown(token_);
}

HBITMAP LoadPictureResource(HINSTANCE instance, const std::string& name) {
  if (decoderToken == nullptr) return nullptr;
  const PictureApi& api = Pictures();
  if (api.startup == nullptr) return nullptr;
  if (*decoderToken == 0) {
    Gdiplus::GdiplusStartupInput input;
    if (api.startup(decoderToken, &input, nullptr) != Gdiplus::Ok) *decoderToken = 0;
    if (*decoderToken == 0) return nullptr;
  }
  HRSRC res = FindResourceW(instance, ResourceName(name).c_str(), MAKEINTRESOURCEW(10));
  if (res == nullptr) return nullptr;
  HGLOBAL mem = ::LoadResource(instance, res);
  const void* data = mem != nullptr ? LockResource(mem) : nullptr;
  if (data == nullptr) return nullptr;
  IStream* stream = api.memStream(static_cast<const BYTE*>(data), SizeofResource(instance, res));
  if (stream == nullptr) return nullptr;
  HBITMAP out = nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (api.fromStream(stream, &bitmap) == Gdiplus::Ok) {
    api.toHbitmap(bitmap, &out, 0);
    api.dispose(bitmap);
  }
  stream->Release();
  return out;
}

WinWindowView::WinWindowView(WinPlatform& platform, Window& window, WindowHost& host)
    : platform_(platform), host_(host), window_(&window) {
  Build();
}

WinWindowView::~WinWindowView() {
  Retire();
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
  for (auto& [control, image] : images_) DeleteObject(image);
  if (background_ != nullptr) DeleteObject(background_);
  if (picture_ != nullptr) DeleteObject(picture_);
}

void WinWindowView::Retire() {
  window_ = nullptr;
  if (hwnd_ != nullptr) {
    const HWND h = std::exchange(hwnd_, nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
  }
  children_.clear();
}

int WinWindowView::Px(float twips) const {
  return static_cast<int>(
      std::lround(static_cast<double>(twips / static_cast<float>(kTwipsPerPixel)) * scale_));
}

void WinWindowView::Build() {
  Window& w = *window_;
  const WindowDesign& d = w.design;
  const DWORD style = StyleFor(d);
  hwnd_ = CreateWindowExW(0, L"XiuranForm", Wide(w.caption).c_str(), style, CW_USEDEFAULT,
                          CW_USEDEFAULT, 100, 100, nullptr, nullptr, platform_.Instance(), this);
  if (hwnd_ == nullptr) throw PlatformError("CreateWindowEx failed");
  scale_ = DpiOf(hwnd_) / 96.0;
  platform_.ScaleChanged(this, scale_);
  if (!d.picture.empty()) picture_ = LoadPictureResource(platform_.Instance(), d.picture);

  // What the keyboard reaches on top, in the window's own tab order, so that nothing covers a
  // control Tab can land on; then the rest in the window's order, the first on top.
  stacked_ = w.TabOrder();
  for (const auto& owned : w.Controls()) {
    if (owned->tabIndex < 0) stacked_.push_back(owned.get());
  }
  for (Control* owned : stacked_) {
    Control& c = *owned;
    // Labels are drawn by the form: under Wine each child window cost half a millisecond of the
    // start-up.
    if (c.kind() == Kind::Label) {
      labelsShown_[&c] = Shown::Of(static_cast<const Label&>(c));
      continue;
    }
    DWORD cstyle = WS_CHILD;
    const wchar_t* cls = kReaderLabelClass;
    if (c.kind() == Kind::Button) {
      cls = kReaderButtonClass;
      cstyle |= BS_PUSHBUTTON | BS_NOTIFY;
    } else {
      cstyle |= SS_NOTIFY | SS_OWNERDRAW;
      images_[&c] =
          LoadPictureResource(platform_.Instance(), static_cast<const Picture&>(c).resource);
    }
    const auto* text = dynamic_cast<const TextControl*>(&c);
    // In place and shown from the start: each later move or show is a round of messages and
    // server calls per child, a good part of the program's start-up under Wine. Each new child
    // goes below those before it, so the windows stack as the list does.
    if (c.Visible()) cstyle |= WS_VISIBLE;
    HWND child = CreateWindowExW(0, cls, Wide(text != nullptr ? text->Caption() : "").c_str(),
                                 cstyle, Px(c.Left()), Px(c.Top()), Px(c.Width()), Px(c.Height()),
                                 hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(c))),
                                 platform_.Instance(), nullptr);
    if (child == nullptr) continue;
    children_[&c] = child;
    // A new child has the system font; nothing of it is on screen yet to redraw.
    if (text != nullptr) {
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*text)), FALSE);
    }
  }
}

void WinWindowView::ApplyGeometry(Control& c, HWND child) {
  MoveWindow(child, Px(c.Left()), Px(c.Top()), Px(c.Width()), Px(c.Height()), TRUE);
}

HFONT WinWindowView::FontFor(const TextControl& c) {
  // Points at the window's real DPI, as the geometry is: both scale together.
  const int height =
      -std::max(1, static_cast<int>(std::lround(c.FontSize() * 96.0 / 72.0 * scale_)));
  const auto key = std::make_tuple(c.fontName, height, c.bold);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  HFONT font =
      CreateFontW(height, 0, 0, 0, c.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                  GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, Wide(c.fontName).c_str());
  fonts_[key] = font;
  return font;
}

void WinWindowView::ApplyFont(Control& c, HWND child) {
  const auto* text = dynamic_cast<const TextControl*>(&c);
  if (text == nullptr) return;
  HFONT font = FontFor(*text);
  if (reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) != font) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void WinWindowView::ApplyAllGeometry() {
  if (window_ == nullptr) return;
  for (auto& [control, child] : children_) {
    Control& c = *const_cast<Control*>(control);
    ApplyGeometry(c, child);
    ApplyFont(c, child);
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

HBRUSH WinWindowView::SolidBrush(COLORREF color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second;
  return brushes_[color] = CreateSolidBrush(color);
}

// The window's background as one brush, the picture in it: any part of the window is painted
// again with one fill, so that text a label no longer shows goes with it.
void WinWindowView::RebuildBackground() {
  if (window_ == nullptr || picture_ == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  HDC screen = GetDC(hwnd_);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ oldCanvas = SelectObject(dc, canvas);
  FillRect(dc, &client, SolidBrush(ResolveColor(window_->design.backColor)));
  HDC src = CreateCompatibleDC(screen);
  HGDIOBJ oldSrc = SelectObject(src, picture_);
  BITMAP bm{};
  GetObjectW(picture_, sizeof bm, &bm);
  // Unscaled from the top-left, as designed; a larger picture is cut off at the edges.
  BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
  SelectObject(src, oldSrc);
  DeleteDC(src);
  SelectObject(dc, oldCanvas);
  DeleteDC(dc);
  ReleaseDC(hwnd_, screen);
  if (background_ != nullptr) DeleteObject(background_);
  background_ = CreatePatternBrush(canvas);
  DeleteObject(canvas);
}

Control* WinWindowView::ControlById(int id) const {
  if (window_ == nullptr) return nullptr;
  const auto& controls = window_->Controls();
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(controls.size())) return nullptr;
  return controls[static_cast<std::size_t>(index)].get();
}

int WinWindowView::IdOf(const Control& c) const {
  if (window_ == nullptr) return 0;
  const auto& controls = window_->Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].get() == &c) return kFirstControlId + static_cast<int>(i);
  }
  return 0;
}

HWND WinWindowView::ChildWindow(const Control& c) const {
  auto it = children_.find(&c);
  return it != children_.end() ? it->second : nullptr;
}

RECT WinWindowView::Place(const Control& c) const {
  const int left = Px(c.Left());
  const int top = Px(c.Top());
  return RECT{left, top, left + Px(c.Width()), top + Px(c.Height())};
}

std::vector<Control*> WinWindowView::ReaderChildren() const {
  std::vector<Control*> out;
  if (window_ == nullptr) return out;
  for (Control* c : stacked_) {
    if (c->access.partOf == nullptr) out.push_back(c);
  }
  return out;
}

WinWindowView::Shown WinWindowView::Shown::Of(const Label& l) {
  return Shown{l.Caption(), l.ForeColor(), l.BackColor(), l.FontSize(), l.Visible()};
}

void WinWindowView::Redraw(const Control& c) {
  Shown now = Shown::Of(static_cast<const Label&>(c));
  Shown& before = labelsShown_[&c];
  if (now == before) return;
  before = std::move(now);
  // Not erased by the system: the paint draws the ground under the labels itself.
  const RECT r = Place(c);
  InvalidateRect(hwnd_, &r, FALSE);
}

void WinWindowView::ControlChanged(Control& c, Prop prop) {
  if (window_ == nullptr) return;
  if (prop == Prop::Focus) {
    Focus(c);
    return;
  }
  if (&c == focused_) {
    // The mark round it goes with it; where it was is not kept, as for a moved label.
    if (prop == Prop::Visible) InvalidateMark();
    if (prop == Prop::Left || prop == Prop::Top || prop == Prop::Width || prop == Prop::Height) {
      InvalidateRect(hwnd_, nullptr, FALSE);
    }
  }
  HWND child = ChildWindow(c);
  if (child == nullptr) {
    if (c.kind() != Kind::Label) return;
    switch (prop) {
      case Prop::Caption:
      case Prop::ForeColor:
      case Prop::BackColor:
      case Prop::Visible:
      case Prop::FontSize:
        Redraw(c);
        break;
      case Prop::Left:
      case Prop::Top:
      case Prop::Width:
      case Prop::Height:
        // Where it was is not kept; the layout moves everything at once anyway.
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
      case Prop::AccessibleName:
      case Prop::Checked: {
        const auto readers = ReaderChildren();
        const auto at = std::find(readers.begin(), readers.end(), &c);
        if (at != readers.end()) {
          AnnounceToReaders(hwnd_, static_cast<LONG>(at - readers.begin()) + 1, prop);
        }
        break;
      }
      default:
        break;
    }
    return;
  }
  switch (prop) {
    case Prop::Caption:
      SetWindowTextW(child, Wide(static_cast<const TextControl&>(c).Caption()).c_str());
      break;
    case Prop::ForeColor:
    case Prop::BackColor:
      InvalidateRect(child, nullptr, TRUE);
      break;
    case Prop::Visible:
      if ((IsWindowVisible(child) != FALSE) != c.Visible()) {
        ::ShowWindow(child, c.Visible() ? SW_SHOWNA : SW_HIDE);
      }
      break;
    case Prop::Left:
    case Prop::Top:
    case Prop::Width:
    case Prop::Height:
      ApplyGeometry(c, child);
      break;
    case Prop::FontSize:
      ApplyFont(c, child);
      break;
    case Prop::AccessibleName:
    case Prop::Checked:
      AnnounceToReaders(child, CHILDID_SELF, prop);
      break;
    default:
      break;
  }
}

// The ground, then the labels from the bottom of the stack up. Straight onto the window: a copy
// off screen first cost a bitmap as large as what is painted, 8 MB for a full screen.
void WinWindowView::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (window_ != nullptr) {
    HBRUSH ground =
        background_ != nullptr ? background_ : SolidBrush(ResolveColor(window_->design.backColor));
    FillRect(dc, &ps.rcPaint, ground);
    // A tick repaints one digit's place: the labels it does not touch are not laid out again.
    for (auto it = stacked_.rbegin(); it != stacked_.rend(); ++it) {
      const RECT place = Place(**it);
      RECT overlap;
      if ((*it)->kind() == Kind::Label && (*it)->Visible() &&
          IntersectRect(&overlap, &place, &ps.rcPaint) != FALSE) {
        DrawLabel(dc, static_cast<const Label&>(**it));
      }
    }
    if (const Control* marked = KeyboardOn()) {
      const RECT outer = MarkRect(*marked);
      RECT overlap;
      if (IntersectRect(&overlap, &outer, &ps.rcPaint) != FALSE) {
        // Four bars rather than a pen: the line stays inside the box however wide it grows.
        const int w = MarkWidth();
        HBRUSH mark = GetSysColorBrush(COLOR_HIGHLIGHT);
        const RECT bars[] = {{outer.left, outer.top, outer.right, outer.top + w},
                             {outer.left, outer.bottom - w, outer.right, outer.bottom},
                             {outer.left, outer.top, outer.left + w, outer.bottom},
                             {outer.right - w, outer.top, outer.right, outer.bottom}};
        for (const RECT& bar : bars) FillRect(dc, &bar, mark);
      }
    }
  }
  EndPaint(hwnd_, &ps);
}

int WinWindowView::MarkWidth() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return FocusMarkPixels(static_cast<int>(client.bottom));
}

// Inside a drawn label's box; round a button's window, which the form cannot draw into.
RECT WinWindowView::MarkRect(const Control& c) const {
  RECT r = Place(c);
  if (ChildWindow(c) != nullptr) {
    const int w = MarkWidth();
    InflateRect(&r, w, w);
  }
  return r;
}

void WinWindowView::InvalidateMark() {
  if (focused_ == nullptr || hwnd_ == nullptr) return;
  const RECT r = MarkRect(*focused_);
  InvalidateRect(hwnd_, &r, FALSE);
}

const Control* WinWindowView::KeyboardOn() const {
  if (window_ == nullptr || focused_ == nullptr || !focused_->Visible()) return nullptr;
  HWND child = ChildWindow(*focused_);
  return GetFocus() == (child != nullptr ? child : hwnd_) ? focused_ : nullptr;
}

void WinWindowView::FocusMoved(Control* c) {
  if (c == focused_) return;
  InvalidateMark();
  focused_ = c;
  InvalidateMark();
}

// A button's window takes the system's focus itself; a drawn label has the form keep it. While
// another window is active the control is only noted: the form hands it the focus when it is
// active again, rather than taking the user away from where they are.
void WinWindowView::Focus(Control& c) {
  if (hwnd_ == nullptr || c.tabIndex < 0) return;
  HWND child = ChildWindow(c);
  if (child == nullptr && c.kind() != Kind::Label) return;
  FocusMoved(&c);
  if (GetActiveWindow() != hwnd_) return;
  if (child != nullptr) {
    SetFocus(child);
  } else if (GetFocus() != hwnd_) {
    SetFocus(hwnd_);  // its WM_SETFOCUS tells the readers
  } else {
    TellFocus();
  }
}

void WinWindowView::TellFocus() {
  if (focused_ == nullptr || ChildWindow(*focused_) != nullptr) return;
  const auto readers = ReaderChildren();
  const auto at = std::find(readers.begin(), readers.end(), focused_);
  if (at != readers.end()) {
    AnnounceFocusToReaders(hwnd_, static_cast<LONG>(at - readers.begin()) + 1);
  }
}

// The window's own tab order, from the control with the focus on, the hidden ones passed over.
void WinWindowView::MoveFocus(int step) {
  const auto order = window_->TabOrder();
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  if (n == 0) return;
  const auto at = std::find(order.begin(), order.end(), focused_);
  std::ptrdiff_t i = at != order.end() ? at - order.begin() : (step > 0 ? n - 1 : 0);
  for (std::ptrdiff_t k = 0; k < n; ++k) {
    i = (i + n + step) % n;
    if (order[static_cast<std::size_t>(i)]->Visible()) {
      Focus(*order[static_cast<std::size_t>(i)]);
      return;
    }
  }
}

void WinWindowView::DrawLabel(HDC dc, const Label& l) {
  RECT r = Place(l);
  if (!l.transparent) FillRect(dc, &r, SolidBrush(ResolveColor(l.BackColor())));
  const std::wstring text = Wide(l.Caption());
  if (text.empty()) return;
  // As the system's static text draws it, by the same alignment and wrap.
  UINT format = DT_NOPREFIX | DT_EXPANDTABS |
                (l.align == Align::Center ? DT_CENTER | DT_WORDBREAK
                 : l.wordWrap             ? DT_LEFT | DT_WORDBREAK
                                          : DT_LEFT);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ResolveColor(l.ForeColor()));
  HGDIOBJ oldFont = SelectObject(dc, FontFor(l));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  SelectObject(dc, oldFont);
}

Control* WinWindowView::LabelAt(POINT p) const {
  for (Control* c : stacked_) {
    if (c->kind() != Kind::Label || !c->Visible()) continue;
    const RECT r = Place(*c);
    if (PtInRect(&r, p) != FALSE) return c;
  }
  return nullptr;
}

// A window timer's id: 1 and up in the window's order of timers; 0 is none.
UINT_PTR WinWindowView::TimerId(const Timer& timer) const {
  if (window_ == nullptr) return 0;
  const auto& timers = window_->Timers();
  for (std::size_t i = 0; i < timers.size(); ++i) {
    if (timers[i].get() == &timer) return i + 1;
  }
  return 0;
}

void WinWindowView::ArmTimer(Timer& timer, std::int64_t deadlineUs) {
  const UINT_PTR id = TimerId(timer);
  if (hwnd_ == nullptr || id == 0) return;
  const std::int64_t left = deadlineUs - platform_.MonotonicUs();
  // Whole milliseconds rounded up: never early; the core computes the next deadline from this
  // one, not from when the message came, so lateness does not add up.
  const UINT ms = left <= 0 ? USER_TIMER_MINIMUM : static_cast<UINT>((left + 999) / 1000);
  SetTimer(hwnd_, id, std::max<UINT>(ms, USER_TIMER_MINIMUM), nullptr);
}

void WinWindowView::CancelTimer(Timer& timer) {
  const UINT_PTR id = TimerId(timer);
  if (hwnd_ != nullptr && id != 0) KillTimer(hwnd_, id);
}

void WinWindowView::TimerFired(UINT_PTR id) {
  // A window timer repeats; the core asked for one call and arms the next itself.
  KillTimer(hwnd_, id);
  if (window_ == nullptr || id == 0 || id > window_->Timers().size()) return;
  // The handler may stop this timer, start it again, unload the window or end the program.
  host_.TimerDue(*window_->Timers()[id - 1]);
}

bool WinWindowView::Key(std::uint32_t virtualKey, bool down, bool plain, bool repeat) {
  if (window_ == nullptr) return false;
  const bool used = down ? host_.KeyDown(*window_, virtualKey) : host_.KeyUp(*window_, virtualKey);
  // A handler may have closed the window: the key has nowhere left to go.
  if (used || window_ == nullptr) return true;
  if (!plain) return false;
  switch (virtualKey) {
    case VK_TAB:
      if (down) MoveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
      return true;
    case VK_SPACE:
    case VK_RETURN:
      // One press per stroke, as a click is, however long the key is held; the same for a
      // button's window as for a drawn label.
      if (down && !repeat && KeyboardOn() != nullptr) host_.Clicked(*focused_);
      return true;
    default:
      return false;
  }
}

void WinWindowView::Clicked(int id) {
  if (Control* c = ControlById(id)) host_.Clicked(*c);
}

void WinWindowView::FrameMoved() {
  if (window_ == nullptr || hwnd_ == nullptr) return;
  RECT r;
  if (!GetWindowRect(hwnd_, &r)) return;
  // Screen positions in the core's logical pixels at the main window's scale, so that the
  // centre it computes for the pointer is the centre of the window on a scaled screen too.
  const double s = platform_.Scale();
  RECT client{};
  GetClientRect(hwnd_, &client);
  host_.FrameMoved(*window_, Logical(r.left, s), Logical(r.top, s), Logical(r.right - r.left, s),
                   Logical(r.bottom - r.top, s), Logical(client.right, s),
                   Logical(client.bottom, s));
}

void WinWindowView::ClientResized(bool minimised) {
  if (window_ == nullptr || !shown_) return;
  if (minimised) {
    host_.SizeChanged(*window_, 0, 0, true);
    return;
  }
  FrameMoved();
  if (window_ == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  RebuildBackground();
  host_.SizeChanged(*window_, Logical(client.right, scale_), Logical(client.bottom, scale_), false);
}

void WinWindowView::ShowCentred() {
  if (window_ == nullptr) return;
  const WindowDesign& d = window_->design;
  const DWORD style = StyleFor(d);
  // Sized for the DPI of the screen it opens on, then centred in that screen's work area.
  HMONITOR monitor = MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(monitor, &mi);
  const RECT frame = FrameFor(style, Px(d.clientWidth), Px(d.clientHeight), DpiOf(hwnd_));
  const int fw = frame.right - frame.left;
  const int fh = frame.bottom - frame.top;
  const RECT& area = mi.rcWork;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - fw) / 2,
               area.top + (area.bottom - area.top - fh) / 2, fw, fh, SWP_NOZORDER | SWP_NOACTIVATE);
  // The first paint comes with the showing, before the resize that follows: with no picture
  // ready then, the ground would stay plain, as nothing asks for a paint again.
  RebuildBackground();
  shown_ = true;
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  for (Control* c : window_->TabOrder()) {
    if (!c->Visible()) continue;
    Focus(*c);
    break;
  }
  ClientResized(false);
  SetIcons();
}

void WinWindowView::SetIcons() {
  if (window_ == nullptr || hwnd_ == nullptr || window_->design.icon.empty()) return;
  // After the first frame, as the Qt program does: Wine makes each icon over for the X server,
  // a few milliseconds that would otherwise hold the window back from the screen.
  const std::wstring name = ResourceName(window_->design.icon);
  for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
    const int px = GetSystemMetrics(size);
    HANDLE icon = LoadImageW(platform_.Instance(), name.c_str(), IMAGE_ICON, px, px, LR_SHARED);
    if (icon != nullptr) SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
}

void WinWindowView::Centre() {
  if (hwnd_ == nullptr) return;
  HMONITOR monitor = MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  RECT r{};
  if (!GetMonitorInfoW(monitor, &mi) || !GetWindowRect(hwnd_, &r)) return;
  const RECT& area = mi.rcWork;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - (r.right - r.left)) / 2,
               area.top + (area.bottom - area.top - (r.bottom - r.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  FrameMoved();
}

void WinWindowView::Activate() {
  if (hwnd_ == nullptr) return;
  if (IsIconic(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
}

LRESULT CALLBACK WinWindowView::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* view = static_cast<WinWindowView*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    view->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  auto* view = reinterpret_cast<WinWindowView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return view->Handle(msg, wp, lp);
}

WinWindowView* WinWindowView::Of(HWND form) {
  return reinterpret_cast<WinWindowView*>(GetWindowLongPtrW(form, GWLP_USERDATA));
}

Control* WinWindowView::ControlOf(HWND child) {
  WinWindowView* view = Of(GetParent(child));
  return view != nullptr ? view->ControlById(GetDlgCtrlID(child)) : nullptr;
}

LRESULT WinWindowView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETOBJECT: {
      LRESULT answer = 0;
      if (AnswerReader(hwnd_, wp, lp, answer)) return answer;
      break;
    }
    case WM_COMMAND: {
      const int code = HIWORD(wp);
      if (lp != 0 && code == BN_SETFOCUS) FocusMoved(ControlById(LOWORD(wp)));
      if (lp != 0 && code == BN_KILLFOCUS) InvalidateMark();
      // A second quick click on a picture is a double click to Windows, and a click to the core.
      if (lp != 0 && (code == BN_CLICKED || code == STN_DBLCLK)) Clicked(LOWORD(wp));
      return 0;
    }
    case WM_SETFOCUS:
      // The window itself keeps the keyboard only for a drawn label: otherwise it goes back to
      // the control that last had it, after a message box, another program or a click on the
      // background, unless that control is out of sight now.
      if (focused_ != nullptr && focused_->Visible()) {
        HWND child = ChildWindow(*focused_);
        if (child == nullptr) {
          InvalidateMark();
          TellFocus();
        } else if (IsWindowVisible(child) != FALSE && IsWindowEnabled(child) != FALSE) {
          SetFocus(child);
        }
      }
      return 0;
    case WM_KILLFOCUS:
      InvalidateMark();
      return 0;
    case WM_TIMER:
      TimerFired(wp);
      return 0;
    case WM_SIZE:
      ClientResized(wp == SIZE_MINIMIZED);
      return 0;
    case WM_MOVE:
      FrameMoved();
      return 0;
    case WM_CLOSE:
      if (window_ != nullptr) host_.CloseRequested(*window_);
      return 0;
    case WM_ACTIVATE:
      // A key held now goes up in another window.
      if (LOWORD(wp) == WA_INACTIVE && window_ != nullptr) host_.KeyboardLost(*window_);
      break;
    case WM_ERASEBKGND:
      return 1;  // the paint draws the ground with the labels
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN:
      if (window_ != nullptr) host_.PointerPressed(*window_);
      // A label takes every click, a quick second one too (the form has no double clicks); the
      // focus comes to it from Tab only, as in the Qt program, so the mark stays off the face.
      if (Control* c = LabelAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) host_.Clicked(*c);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (window_ != nullptr) host_.PointerPressed(*window_);
      break;
    case WM_PARENTNOTIFY:
      // A press on a button, which is a window of its own; a touch comes as the left button's.
      if (LOWORD(wp) == WM_LBUTTONDOWN || LOWORD(wp) == WM_RBUTTONDOWN ||
          LOWORD(wp) == WM_MBUTTONDOWN) {
        if (window_ != nullptr) host_.PointerPressed(*window_);
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      Control* c = ControlById(static_cast<int>(item->CtlID));
      auto it = c != nullptr ? images_.find(c) : images_.end();
      if (it == images_.end() || it->second == nullptr) return TRUE;
      HDC src = CreateCompatibleDC(item->hDC);
      HGDIOBJ old = SelectObject(src, it->second);
      BITMAP bm{};
      GetObjectW(it->second, sizeof bm, &bm);
      const RECT& r = item->rcItem;
      // Stretched to the control, as a picture control with scaled contents is.
      SetStretchBltMode(item->hDC, HALFTONE);
      StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0,
                 bm.bmWidth, bm.bmHeight, SRCCOPY);
      SelectObject(src, old);
      DeleteDC(src);
      return TRUE;
    }
    case WM_DPICHANGED: {
      scale_ = HIWORD(wp) / 96.0;
      platform_.ScaleChanged(this, scale_);
      const RECT* r = reinterpret_cast<const RECT*>(lp);
      ApplyAllGeometry();
      SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace xr::win32
