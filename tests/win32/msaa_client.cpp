// A screen reader's view of the running Windows program through MSAA, for msaa.sh: reads the main
// window's tree, presses through the elements' default actions, listens to the WinEvents the
// program sends while its clock runs, then closes the window. Exits 1 at the first difference.
#include <windows.h>
// After windows.h.
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct Heard {
  DWORD event;
  HWND hwnd;
  LONG object;
};
std::vector<Heard> g_heard;

void CALLBACK Listen(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (event != EVENT_OBJECT_LOCATIONCHANGE) g_heard.push_back({event, hwnd, object});
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "FAIL: %s\n", what.c_str());
  std::exit(1);
}

std::string Utf8(const wchar_t* text) {
  if (text == nullptr) return {};
  std::string out(static_cast<std::size_t>(
                      WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()), nullptr,
                      nullptr);
  out.pop_back();
  return out;
}

VARIANT Self() {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

struct Element {
  IAccessible* acc;
  HWND hwnd;
  std::string Name() const {
    BSTR name = nullptr;
    acc->get_accName(Self(), &name);
    std::string out = Utf8(name);
    SysFreeString(name);
    return out;
  }
  LONG Role() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accRole(Self(), &v)) && v.vt == VT_I4 ? v.lVal : -1;
  }
  bool Checked() const {
    VARIANT v{};
    return SUCCEEDED(acc->get_accState(Self(), &v)) && v.vt == VT_I4 &&
           (v.lVal & STATE_SYSTEM_CHECKED) != 0;
  }
};

std::vector<Element> g_tree;

const Element& Find(const std::string& name) {
  for (const Element& e : g_tree) {
    if (e.Name() == name) return e;
  }
  Fail("no element named " + name);
}

// Waits for the condition while WinEvents are delivered; a limit, not a measure.
template <typename F>
void WaitFor(const std::string& what, F condition) {
  const ULONGLONG end = GetTickCount64() + 30000;
  while (!condition()) {
    if (GetTickCount64() > end) Fail("never saw " + what);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

bool Told(DWORD event, HWND hwnd) {
  for (const Heard& h : g_heard) {
    if (h.event == event && h.hwnd == hwnd && h.object == OBJID_CLIENT) return true;
  }
  return false;
}

void Press(const Element& e) {
  if (FAILED(e.acc->accDoDefaultAction(Self()))) Fail("could not press " + e.Name());
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND main = nullptr;
  WaitFor("the main window", [&] { return (main = FindWindowW(L"XiuranForm", L"岫然计时器")); });
  IAccessible* client = nullptr;
  if (FAILED(AccessibleObjectFromWindow(main, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                        reinterpret_cast<void**>(&client)))) {
    Fail("no client object");
  }
  // The frame's name: Wine's window object (OBJID_WINDOW) has neither name nor role.
  if (const std::string title = Element{client, main}.Name(); title != "岫然计时器") {
    Fail("the window reads " + title);
  }
  LONG count = 0;
  client->get_accChildCount(&count);
  std::vector<VARIANT> kids(static_cast<std::size_t>(count));
  LONG got = 0;
  AccessibleChildren(client, 0, count, kids.data(), &got);
  for (LONG i = 0; i < got; ++i) {
    IAccessible* acc = nullptr;
    if (kids[i].vt != VT_DISPATCH ||
        FAILED(kids[i].pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&acc)))) {
      Fail("child " + std::to_string(i) + " is no object");
    }
    HWND hwnd = nullptr;
    WindowFromAccessibleObject(acc, &hwnd);
    g_tree.push_back({acc, hwnd});
  }
  for (const Element& e : g_tree) {
    std::printf("%ld \"%s\"%s\n", e.Role(), e.Name().c_str(), e.Checked() ? " checked" : "");
  }

  // The tree: one element a control, the face's five windows one element, named as on Linux.
  struct Row {
    std::string name;
    LONG role;  // 0: Windows' own object, whose role Wine does not give
    bool checked;
  };
  std::vector<Row> rows = {{"正计时", ROLE_SYSTEM_RADIOBUTTON, false},
                           {"倒计时", ROLE_SYSTEM_RADIOBUTTON, true},
                           {"倒计时 00:00", ROLE_SYSTEM_STATICTEXT, false},
                           {"开 始", 0, false},
                           {"重 置", 0, false},
                           {"更多应用", 0, false}};
  for (const char* step : {"加一", "减一"}) {
    for (const char* place : {"分钟十位", "分钟个位", "秒钟十位", "秒钟个位"}) {
      rows.push_back({std::string(place) + step, ROLE_SYSTEM_PUSHBUTTON, false});
    }
  }
  if (g_tree.size() != rows.size()) {
    Fail(std::to_string(g_tree.size()) + " elements, the table " + std::to_string(rows.size()));
  }
  for (const Row& row : rows) {
    const Element& e = Find(row.name);
    if ((row.role != 0 && e.Role() != row.role) || e.Checked() != row.checked) {
      Fail(row.name + " reads role " + std::to_string(e.Role()));
    }
  }

  HWINEVENTHOOK hook = nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  hook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &Listen, pid,
                         0, WINEVENT_OUTOFCONTEXT);
  if (hook == nullptr) Fail("no WinEvent hook");

  const Element& face = Find("倒计时 00:00");
  Press(Find("秒钟个位加一"));
  WaitFor("倒计时 00:01 told", [&] {
    return face.Name() == "倒计时 00:01" && Told(EVENT_OBJECT_NAMECHANGE, face.hwnd);
  });
  const Element& up = Find("正计时");
  const Element& down = Find("倒计时");
  Press(up);
  WaitFor("正计时 checked and told", [&] {
    return up.Checked() && !down.Checked() && face.Name() == "正计时 00:01" &&
           Told(EVENT_OBJECT_STATECHANGE, up.hwnd);
  });

  // Running, the face reads on as it ticks, but nothing is told of it before a whole minute.
  g_heard.clear();
  const Element& start = Find("开 始");
  // Wine's own button object has no default action; Windows' presses the button.
  if (FAILED(start.acc->accDoDefaultAction(Self()))) PostMessageW(start.hwnd, BM_CLICK, 0, 0);
  WaitFor("正计时 00:04", [&] { return face.Name() >= "正计时 00:04"; });
  for (const Heard& h : g_heard) {
    if (h.event == EVENT_OBJECT_NAMECHANGE && h.object == OBJID_CLIENT) {
      Fail("told a name change while the clock ran, before a whole minute");
    }
  }
  std::printf("heard %zu events while the clock ran to %s\n", g_heard.size(), face.Name().c_str());
  UnhookWinEvent(hook);
  PostMessageW(main, WM_CLOSE, 0, 0);
  return 0;
}
