// Functions of Windows DLLs that are not among the system's known ones (winmm, oleacc, ...).
// Such a DLL imported statically, or loaded by its bare name, is searched for in the program's
// own folder first, where anyone who can write that folder (a download folder, a per-user
// install) can plant a copy that runs inside the program. They are loaded from the system
// folder only, at run time.
#pragma once

#include "platform/win32/win_api.h"

namespace xr::win32 {

// Keeps every later load by a bare name (ours, or one a system DLL makes for us) out of the
// program's folder and the current directory. The first thing the program does.
void LoadDllsFromSystemOnly();

// The DLL from the system folder, by its full path, kept loaded for the rest of the run; null
// when missing.
HMODULE SystemDll(const wchar_t* name);

// fn from that DLL, or null.
template <typename Fn>
Fn SystemProc(const wchar_t* dll, const char* fn) {
  HMODULE module = SystemDll(dll);
  return module == nullptr
             ? nullptr
             : reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, fn)));
}

}  // namespace xr::win32
