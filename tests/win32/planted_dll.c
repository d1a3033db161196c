/* A DLL as an attacker would leave it beside the program, built as winmm.dll and as
 * windowscodecs.dll. Loaded, it leaves the file NAME.dll.loaded beside itself; its wave functions
 * find no device, so a program that loads it as winmm still runs. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcpyW(path + n, L".loaded");
      HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }
  return TRUE;
}

#define NO_DEVICE 6 /* MMSYSERR_NODRIVER */
__declspec(dllexport) UINT WINAPI waveOutOpen(void) { return NO_DEVICE; }
__declspec(dllexport) UINT WINAPI waveOutPrepareHeader(void) { return NO_DEVICE; }
__declspec(dllexport) UINT WINAPI waveOutWrite(void) { return NO_DEVICE; }
__declspec(dllexport) UINT WINAPI waveOutUnprepareHeader(void) { return NO_DEVICE; }
__declspec(dllexport) UINT WINAPI waveOutReset(void) { return NO_DEVICE; }
__declspec(dllexport) UINT WINAPI waveOutClose(void) { return NO_DEVICE; }
