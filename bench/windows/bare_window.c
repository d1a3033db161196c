/* The least a Win32 program does to show a window of the timer's size and one line of text;
 * with XR_COMMON_CONTROLS, also one button of the common controls that the timer's manifest
 * asks for, which cost their own loading at start-up. */
#include <windows.h>
#ifdef XR_COMMON_CONTROLS
#include <commctrl.h>
#endif

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    TextOutW(dc, 10, 10, L"00:00", 5);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmd, int show) {
  (void)prev;
  (void)cmd;
  WNDCLASSW wc = {0};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszClassName = L"XrBare";
  RegisterClassW(&wc);
  RECT r = {0, 0, 520, 363};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowW(L"XrBare", L"bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                            r.right - r.left, r.bottom - r.top, NULL, NULL, instance, NULL);
#ifdef XR_COMMON_CONTROLS
  INITCOMMONCONTROLSEX icc = {sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CreateWindowW(L"BUTTON", L"go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 40, 80, 30, hwnd, NULL,
                instance, NULL);
#endif
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
