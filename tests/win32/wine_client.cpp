// The client area of a window under Wine, for the end-to-end tests:
//
//   wine_client inset X_WINDOW_ID         prints LEFT TOP RIGHT BOTTOM
//   wine_client resize X_WINDOW_ID W H    gives the client area that size
//   wine_client texts X_WINDOW_ID         prints its title and its controls' texts, a line each
//
// With no window manager Wine draws the frame itself, inside the X window, and ignores sizes set
// on that X window from outside; so the tests ask Wine where the client area is, rather than
// guess the frame's metrics, and resize the window as a drag of its frame would. In physical
// pixels, as the X server counts them. Exits 1 when no window of the session has that X id.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

unsigned long long g_want = 0;
HWND g_found = nullptr;

BOOL CALLBACK Match(HWND hwnd, LPARAM) {
  // Wine's X11 driver keeps the X window of each top-level window in this property.
  const auto id = reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, L"__wine_x11_whole_window"));
  if (id == 0 || id != g_want) return TRUE;
  g_found = hwnd;
  return FALSE;
}

BOOL CALLBACK PrintText(HWND hwnd, LPARAM) {
  wchar_t text[512];
  char utf8[2048];
  const int n = GetWindowTextW(hwnd, text, 512);
  const int m = WideCharToMultiByte(CP_UTF8, 0, text, n, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("%.*s\n", m, utf8);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const bool inset = argc == 3 && std::strcmp(argv[1], "inset") == 0;
  const bool resize = argc == 5 && std::strcmp(argv[1], "resize") == 0;
  const bool texts = argc == 3 && std::strcmp(argv[1], "texts") == 0;
  if (!inset && !resize && !texts) {
    std::fprintf(stderr, "usage: wine_client inset|texts ID | wine_client resize ID W H\n");
    return 2;
  }
  SetProcessDPIAware();
  g_want = std::strtoull(argv[2], nullptr, 0);
  EnumWindows(&Match, 0);
  RECT outer;
  RECT client;
  POINT origin{0, 0};
  if (g_found == nullptr || !GetWindowRect(g_found, &outer) || !GetClientRect(g_found, &client) ||
      !ClientToScreen(g_found, &origin)) {
    std::fprintf(stderr, "wine_client: no window with X id %s\n", argv[2]);
    return 1;
  }
  if (texts) {
    PrintText(g_found, 0);
    EnumChildWindows(g_found, &PrintText, 0);
    return 0;
  }
  const long left = origin.x - outer.left;
  const long top = origin.y - outer.top;
  const long right = outer.right - origin.x - client.right;
  const long bottom = outer.bottom - origin.y - client.bottom;
  if (inset) {
    std::printf("%ld %ld %ld %ld\n", left, top, right, bottom);
    return 0;
  }
  const int w = std::atoi(argv[3]) + static_cast<int>(left + right);
  const int h = std::atoi(argv[4]) + static_cast<int>(top + bottom);
  return SetWindowPos(g_found, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0
                                                                                                : 1;
}
