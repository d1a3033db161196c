// 岫然计时器 on Windows: opens the main window and runs until it is closed.
#include "platform/win32/win_api.h"
// Needs windows.h first.
// clang-format off
#include <commctrl.h>
// clang-format on

#include "main_window/program.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_sound.h"
#include "platform/win32/win_window_view.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const xr::win32::PictureDecoder pictures;
  if (!xr::win32::RegisterFormClass(instance)) return 1;

  int status = 0;
  {
    xr::win32::CuePlayer sound;
    xr::win32::WinPlatform platform(instance,
                                    [&sound](const std::wstring& path) { sound.Play(path); });
    xr::Program program(platform);
    program.Start();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // Tab, Space and Enter move between and press the buttons as in a dialog.
      HWND top = GetAncestor(msg.hwnd, GA_ROOT);
      if (top == nullptr || !platform.IsOurs(top) || !IsDialogMessageW(top, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      platform.ReleaseRetired();
    }
    status = static_cast<int>(msg.wParam);
  }
  return status;
}
