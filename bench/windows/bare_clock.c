/* The floor for a running count-up under Wine: the least a Win32 program does to count up once a
 * second in a window of the timer's size, as the timer does while it runs: every second it reads
 * the pointer (the timer's idle rule does) and redraws the changed digits, every half second it
 * shows or hides the colon. Digits in the face the timer asks for, scaled to the window. */
#include <windows.h>

enum { kTickTimer = 1, kColonTimer = 2 };

static int seconds;
static BOOL colonShown = TRUE;
static POINT pointer;

static RECT DigitsRect(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  r.top = r.bottom * 1440 / 5445;
  r.bottom = r.bottom * (1440 + 2295) / 5445;
  return r;
}

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kTickTimer) {
        GetCursorPos(&pointer);
        ++seconds;
      } else {
        colonShown = !colonShown;
      }
      {
        RECT r = DigitsRect(hwnd);
        InvalidateRect(hwnd, &r, TRUE);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r = DigitsRect(hwnd);
      HFONT font = CreateFontW(-(r.bottom - r.top), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH, L"\x5b8b\x4f53" /* 宋体 */);
      HGDIOBJ old = SelectObject(dc, font);
      wchar_t text[6] = {(wchar_t)(L'0' + seconds / 600 % 10),
                         (wchar_t)(L'0' + seconds / 60 % 10),
                         colonShown ? L':' : L' ',
                         (wchar_t)(L'0' + seconds % 60 / 10),
                         (wchar_t)(L'0' + seconds % 10),
                         0};
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, text, 5, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmd, int show) {
  (void)prev;
  (void)cmd;
  WNDCLASSW wc = {0};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  wc.lpszClassName = L"XrBareClock";
  RegisterClassW(&wc);
  RECT r = {0, 0, 520, 363};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd =
      CreateWindowW(L"XrBareClock", L"bare clock", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, NULL, NULL, instance, NULL);
  SetTimer(hwnd, kTickTimer, 1000, NULL);
  SetTimer(hwnd, kColonTimer, 500, NULL);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
