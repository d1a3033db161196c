// --help and --version on Windows. The program is a GUI one and has no console of its own: it
// answers in the console of the program that started it, a command prompt say, and where there
// is none (Explorer, a shortcut) the arguments are ignored as any other.
#pragma once

#include "platform/win32/win_api.h"
// Needs windows.h first.
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "platform/win32/win_system_dll.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {

// Returns whether it answered, and the program is to end.
inline bool AnswerCommandLine() {
  // Most starts have no option at all, and the shell, which splits the line, is loaded only
  // when there may be one.
  const wchar_t* line = GetCommandLineW();
  if (wcsstr(line, L"--") == nullptr) return false;
  const auto split =
      SystemProc<decltype(&CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
  if (split == nullptr) return false;
  int argc = 0;
  wchar_t** argv = split(line, &argc);
  if (argv == nullptr) return false;
  const std::string_view answer = CommandLineAnswer(ReadCommandLine(argc, argv));
  LocalFree(argv);
  if (answer.empty()) return false;
  // Refused as already done where the console came with the process (Wine gives a program
  // started from a console that console, whatever its subsystem).
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
    return false;
  }
  // A handle the parent gave us (a redirection to a file or a pipe) comes first; else the
  // console's own screen.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE opened = INVALID_HANDLE_VALUE;
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    opened = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    out = opened;
  }
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring text = Wide(answer);
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    WriteFile(out, answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
  }
  if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
  FreeConsole();
  return true;
}

}  // namespace xr::win32
