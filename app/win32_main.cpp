// 岫然计时器 on Windows: opens the main window and runs until it is closed.
#include "platform/win32/win_api.h"
// Needs windows.h first.
// clang-format off
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/win32_command_line.h"
#include "main_window/program.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_sound.h"
#include "platform/win32/win_system_dll.h"
#include "platform/win32/win_window_view.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by its bare name from the program's own folder.
  xr::win32::LoadDllsFromSystemOnly();
  if (xr::win32::AnswerCommandLine()) return 0;
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const xr::win32::PictureDecoder pictures;
  if (!xr::win32::RegisterFormClass(instance)) return 1;

  int status = 0;
  {
    xr::win32::CuePlayer sound;
    // The shell may take its time to find and start a browser; it wants COM on its thread.
    // Both are loaded there, at the first link: most runs never open one, and loading them
    // with the program made up much of its start-up.
    using xr::win32::SystemProc;
    bool com = false;
    xr::win32::Worker shell(
        [&com] {
          const auto init = SystemProc<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
          com = init != nullptr &&
                SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        },
        [&com] {
          if (com) SystemProc<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize")();
        });
    xr::win32::WinPlatform platform(
        instance, [&sound](const std::wstring& path) { sound.Play(path); },
        [&shell](const std::wstring& url) {
          shell.Post([url] {
            const auto open = SystemProc<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
            if (open != nullptr) {
              open(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            }
          });
        });
    xr::WindowHost host(platform);
    xr::Program program(platform, host);
    program.Start();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      HWND top = GetAncestor(msg.hwnd, GA_ROOT);
      // The core sees a key before any control does, and may keep it from them; Tab, Space and
      // Enter then follow the window's own tab order, drawn labels included, which the dialog
      // manager's walk through child windows would not.
      if (top != nullptr && platform.KeyMessage(top, msg)) {
        platform.ReleaseRetired();
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      platform.ReleaseRetired();
    }
    status = static_cast<int>(msg.wParam);
    // A wave device or a shell that does not return must not hold the exit up: a second at
    // most, then the process leaves without waiting for them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const bool soundEnded = sound.Shutdown(deadline);
    const bool shellEnded = shell.Shutdown(deadline);
    if (!soundEnded || !shellEnded) {
      std::fflush(nullptr);
      std::_Exit(status);
    }
  }
  return status;
}
