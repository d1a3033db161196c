// A screen reader's view of the running Windows program through MSAA, for msaa.sh: reads the main
// window's tree, presses through the elements' default actions, listens to the WinEvents the
// program sends while its clock runs, then closes the window. Exits 1 at the first difference.
// With "keys": the keyboard alone sets and starts a countdown, and the face is read as it runs.
#include <windows.h>
// After windows.h.
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
VARIANT g_self{};  // CHILDID_SELF

std::vector<std::pair<DWORD, HWND>> g_told;  // what readers are told of elements (OBJID_CLIENT)
void CALLBACK Listen(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_CLIENT) g_told.emplace_back(event, hwnd);
}
// Of that element, or with no hwnd of any.
bool Told(DWORD event, HWND hwnd) {
  for (const auto& [e, h] : g_told) {
    if (e == event && (hwnd == nullptr || h == hwnd)) return true;
  }
  return false;
}

void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "FAIL: %s\n", what.c_str());
  std::exit(1);
}

struct Element {
  IAccessible* acc = nullptr;
  HWND hwnd = nullptr;
  std::string Name() const {
    BSTR name = nullptr;
    char out[256] = "";
    if (acc->get_accName(g_self, &name) == S_OK) {
      WideCharToMultiByte(CP_UTF8, 0, name, -1, out, sizeof out, nullptr, nullptr);
    }
    SysFreeString(name);
    return out;
  }
  LONG State() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accState(g_self, &v)) ? v.lVal : 0;
  }
  LONG Role() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accRole(g_self, &v)) ? v.lVal : -1;
  }
  bool Checked() const { return (State() & STATE_SYSTEM_CHECKED) != 0; }
  void Press() const { Check(SUCCEEDED(acc->accDoDefaultAction(g_self)), "press " + Name()); }
};
std::vector<Element> g_tree;

// The elements of a window's client, printed as they are read.
std::vector<Element> Tree(const Element& frame) {
  std::vector<Element> tree;
  VARIANT kids[32];
  LONG got = 0;
  AccessibleChildren(frame.acc, 0, 32, kids, &got);
  for (LONG i = 0; i < got; ++i) {
    Element& e = tree.emplace_back();
    Check(kids[i].vt == VT_DISPATCH, "a child is no object");
    kids[i].pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&e.acc));
    WindowFromAccessibleObject(e.acc, &e.hwnd);
    std::printf("%ld \"%s\"%s\n", e.Role(), e.Name().c_str(), e.Checked() ? " checked" : "");
  }
  return tree;
}

const Element& Find(const std::string& name, const std::vector<Element>& tree = g_tree) {
  for (const Element& e : tree) {
    if (e.Name() == name) return e;
  }
  Check(false, "no element named " + name);
  std::abort();
}

// Waits while WinEvents come in; a limit for a stalled program, not a measure.
template <typename F>
void WaitFor(const std::string& what, F condition) {
  const ULONGLONG end = GetTickCount64() + 30000;
  for (MSG msg; !condition();) {
    Check(GetTickCount64() < end, "never saw " + what);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

// A window's client element, once the window is there.
Element Frame(const wchar_t* caption) {
  Element frame{};
  WaitFor("a window", [&] { return (frame.hwnd = FindWindowW(L"XiuranForm", caption)); });
  AccessibleObjectFromWindow(frame.hwnd, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                             reinterpret_cast<void**>(&frame.acc));
  Check(frame.acc != nullptr, "no element of a window");
  return frame;
}

// A stroke of a key, as the keyboard gives it to the window that has the focus.
void Stroke(WORD key, bool shift = false) {
  std::vector<INPUT> in;
  auto add = [&](WORD vk, DWORD flags) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.dwFlags = flags;
    in.push_back(i);
  };
  if (shift) add(VK_SHIFT, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  Check(SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size(), "input");
}

// From the first showing, Tab, Shift+Tab, Space and Enter alone: countdown, 00:05, start.
int Keys(const Element& frame) {
  g_tree = Tree(frame);
  const Element& face = Find("倒计时 00:00");
  struct Row {
    int tabs;    // Tab strokes, Shift+Tab when negative
    WORD press;  // then this key, so many times
    int presses;
    const char* focus;  // the element the keyboard is on then; none once the chrome hides
    const char* reads;  // what the face reads then, if it is checked
  };
  const Row rows[] = {{4, VK_SPACE, 1, "倒计时", "倒计时 00:00"},
                      {4, VK_SPACE, 4, "秒钟个位加一", "倒计时 00:04"},
                      {0, VK_RETURN, 1, "秒钟个位加一", "倒计时 00:05"},
                      {-8, 0, 0, "开 始", nullptr},
                      {0, VK_RETURN, 1, nullptr, nullptr}};
  for (const Row& r : rows) {
    const Element* e = r.focus != nullptr ? &Find(r.focus) : nullptr;
    for (int i = 0; i < (r.tabs < 0 ? -r.tabs : r.tabs); ++i) Stroke(VK_TAB, r.tabs < 0);
    for (int i = 0; i < r.presses; ++i) Stroke(r.press);
    if (e != nullptr) {
      WaitFor(std::string("the keyboard on ") + r.focus,
              [&] { return (e->State() & STATE_SYSTEM_FOCUSED) != 0; });
    }
    if (r.reads != nullptr) WaitFor(r.reads, [&] { return face.Name() == r.reads; });
  }
  // Running down from 00:05 since the start.
  WaitFor("the countdown running", [&] {
    const std::string now = face.Name();
    return now > "倒计时 00:00" && now < "倒计时 00:05";
  });
  PostMessageW(frame.hwnd, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  g_self.vt = VT_I4;
  const Element frame = Frame(L"岫然计时器");
  const HWND main = frame.hwnd;
  // The frame's name from its client: Wine's window object (OBJID_WINDOW) has no name or role.
  Check(frame.Name() == "岫然计时器", "no window 岫然计时器");
  if (argc > 1 && std::string(argv[1]) == "keys") return Keys(frame);
  g_tree = Tree(frame);

  // One element a control, the face's five windows one.
  std::vector<std::tuple<std::string, LONG, bool>> rows = {
      {"正计时", ROLE_SYSTEM_RADIOBUTTON, false},      {"倒计时", ROLE_SYSTEM_RADIOBUTTON, true},
      {"倒计时 00:00", ROLE_SYSTEM_STATICTEXT, false}, {"开 始", ROLE_SYSTEM_PUSHBUTTON, false},
      {"重 置", ROLE_SYSTEM_PUSHBUTTON, false},        {"更多应用", ROLE_SYSTEM_PUSHBUTTON, false}};
  for (const char* step : {"加一", "减一"}) {
    for (const char* place : {"分钟十位", "分钟个位", "秒钟十位", "秒钟个位"}) {
      rows.emplace_back(std::string(place) + step, ROLE_SYSTEM_PUSHBUTTON, false);
    }
  }
  Check(g_tree.size() == rows.size(), std::to_string(g_tree.size()) + " elements");
  for (const auto& [name, role, checked] : rows) {
    const Element& e = Find(name);
    Check(e.Role() == role && e.Checked() == checked, name);
  }

  // A reader that follows the pointer finds the face over its last digit, a part of it.
  const Element& face0 = Find("倒计时 00:00");
  LONG x = 0, y = 0, w = 0, h = 0;
  VARIANT hit{};
  Element under{};
  Check(SUCCEEDED(face0.acc->accLocation(&x, &y, &w, &h, g_self)) &&
            frame.acc->accHitTest(x + w * 9 / 10, y + h / 2, &hit) == S_OK &&
            hit.vt == VT_DISPATCH &&
            SUCCEEDED(hit.pdispVal->QueryInterface(kIidAccessible,
                                                   reinterpret_cast<void**>(&under.acc))) &&
            under.Name() == "倒计时 00:00",
        "the face is not found under its last digit");

  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &Listen, pid, 0,
                  WINEVENT_OUTOFCONTEXT);
  const Element &face = Find("倒计时 00:00"), &up = Find("正计时"), &down = Find("倒计时");
  Find("秒钟个位加一").Press();
  WaitFor("倒计时 00:01 told", [&] {
    return face.Name() == "倒计时 00:01" && Told(EVENT_OBJECT_NAMECHANGE, face.hwnd);
  });
  up.Press();
  WaitFor("正计时 checked and told", [&] {
    return up.Checked() && !down.Checked() && face.Name() == "正计时 00:01" &&
           Told(EVENT_OBJECT_STATECHANGE, up.hwnd);
  });

  // Running, the face reads on as it ticks, but nothing is told of it before a whole minute.
  g_told.clear();
  const Element& start = Find("开 始");
  start.Press();
  WaitFor("正计时 00:04", [&] { return face.Name() >= "正计时 00:04"; });
  Check(!Told(EVENT_OBJECT_NAMECHANGE, nullptr), "told a name while the clock ran in a minute");
  // By now the chrome has hidden: the pointer's return brings it back, the keyboard on 暂 停.
  POINT p{};
  GetCursorPos(&p);
  SetCursorPos(p.x + 40, p.y + 40);
  WaitFor("暂 停 shown and focused", [&] {
    return (start.State() & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_FOCUSED)) ==
           STATE_SYSTEM_FOCUSED;
  });
  start.Press();
  WaitFor("paused", [&] { return start.Name() == "开 始"; });
  Find("重 置").Press();
  WaitFor("正计时 00:00", [&] { return face.Name() == "正计时 00:00"; });

  // The companion windows' plain buttons, pressed as the main window's are: each opens or
  // closes a window.
  const std::tuple<const wchar_t*, const char*, const wchar_t*, bool> presses[] = {
      {L"岫然计时器", "更多应用", L"应用列表", true},
      {L"应用列表", "联系作者", L"联系作者", true},
      {L"联系作者", "关  闭", L"联系作者", false},
      {L"应用列表", "关  闭", L"应用列表", false}};
  for (const auto& [in, name, window, opens] : presses) {
    const Element button = Find(name, Tree(Frame(in)));
    Check(button.Role() == ROLE_SYSTEM_PUSHBUTTON, name);
    button.Press();
    WaitFor(name, [&] {
      HWND w = FindWindowW(L"XiuranForm", window);
      return (w != nullptr && IsWindowVisible(w) != FALSE) == opens;
    });
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  return 0;
}
