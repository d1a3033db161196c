#include "platform/win32/win_system_dll.h"

#include <string>

namespace xr::win32 {

void LoadDllsFromSystemOnly() {
  // Windows 7 has it only with its 2011 loader update: looked up, not imported, so that the
  // program still starts without it.
  using SetDirsFn = BOOL(WINAPI*)(DWORD);
  const auto set = reinterpret_cast<SetDirsFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  // Without it, at least the current directory leaves the search.
  if (set == nullptr || !set(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

HMODULE SystemDll(const wchar_t* name) {
  // By its full path even where the loader knows the flag for the system folder: a loader was
  // seen to find a bare name beside the program all the same (Wine, for GDI+'s own import of the
  // imaging codecs), so none is trusted with one.
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  // The altered search looks for what it imports in its own folder first, where all of a system
  // DLL's imports are.
  return LoadLibraryExW((std::wstring(dir, n) + L"\\" + name).c_str(), nullptr,
                        LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace xr::win32
