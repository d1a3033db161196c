// A screen reader's view of the running Windows program through MSAA, for msaa.sh: reads the main
// window's tree, presses through the elements' default actions, listens to the WinEvents the
// program sends while its clock runs, then closes the window. Exits 1 at the first difference.
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
  LONG Role() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accRole(g_self, &v)) ? v.lVal : -1;
  }
  bool Checked() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accState(g_self, &v)) && (v.lVal & STATE_SYSTEM_CHECKED) != 0;
  }
  void Press() const { Check(SUCCEEDED(acc->accDoDefaultAction(g_self)), "press " + Name()); }
};
std::vector<Element> g_tree;

const Element& Find(const std::string& name) {
  for (const Element& e : g_tree) {
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

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  g_self.vt = VT_I4;
  HWND main = nullptr;
  WaitFor("the main window", [&] { return (main = FindWindowW(L"XiuranForm", L"岫然计时器")); });
  Element frame{nullptr, main};
  AccessibleObjectFromWindow(main, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                             reinterpret_cast<void**>(&frame.acc));
  // The frame's name from its client: Wine's window object (OBJID_WINDOW) has no name or role.
  Check(frame.acc != nullptr && frame.Name() == "岫然计时器", "no window 岫然计时器");
  VARIANT kids[32];
  LONG got = 0;
  AccessibleChildren(frame.acc, 0, 32, kids, &got);
  for (LONG i = 0; i < got; ++i) {
    Element& e = g_tree.emplace_back();
    Check(kids[i].vt == VT_DISPATCH, "a child is no object");
    kids[i].pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&e.acc));
    WindowFromAccessibleObject(e.acc, &e.hwnd);
    std::printf("%ld \"%s\"%s\n", e.Role(), e.Name().c_str(), e.Checked() ? " checked" : "");
  }

  // One element a control, the face's five windows one. Role 0: Windows' own object, to which
  // Wine gives no role of a button.
  std::vector<std::tuple<std::string, LONG, bool>> rows = {
      {"正计时", ROLE_SYSTEM_RADIOBUTTON, false},
      {"倒计时", ROLE_SYSTEM_RADIOBUTTON, true},
      {"倒计时 00:00", ROLE_SYSTEM_STATICTEXT, false},
      {"开 始", 0, false},
      {"重 置", 0, false},
      {"更多应用", 0, false}};
  for (const char* step : {"加一", "减一"}) {
    for (const char* place : {"分钟十位", "分钟个位", "秒钟十位", "秒钟个位"}) {
      rows.emplace_back(std::string(place) + step, ROLE_SYSTEM_PUSHBUTTON, false);
    }
  }
  Check(g_tree.size() == rows.size(), std::to_string(g_tree.size()) + " elements");
  for (const auto& [name, role, checked] : rows) {
    const Element& e = Find(name);
    Check((role == 0 || e.Role() == role) && e.Checked() == checked, name);
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
  // Wine's own button object has no default action; Windows' presses the button.
  if (FAILED(start.acc->accDoDefaultAction(g_self))) PostMessageW(start.hwnd, BM_CLICK, 0, 0);
  WaitFor("正计时 00:04", [&] { return face.Name() >= "正计时 00:04"; });
  Check(!Told(EVENT_OBJECT_NAMECHANGE, nullptr), "told a name while the clock ran in a minute");
  PostMessageW(main, WM_CLOSE, 0, 0);
  return 0;
}
