// Stand-ins for the sound module as a program may find it after a bad install: built once per
// fault, with no version, with another build's, or without an entry point.
#include "platform/qt/sound/sound_module_abi.h"

extern "C" {
#ifdef XR_FAKE_ABI
Q_DECL_EXPORT const char* xr_sound_abi() { return XR_FAKE_ABI; }
#elif defined(XR_FAKE_SAME_ABI)
Q_DECL_EXPORT const char* xr_sound_abi() { return kXrSoundAbi; }
#endif
Q_DECL_EXPORT void* xr_sound_create() { return nullptr; }
#ifndef XR_FAKE_NO_PLAY
Q_DECL_EXPORT void xr_sound_play(void*, const char*, long long) {}
#endif
Q_DECL_EXPORT void xr_sound_destroy(void*) {}
}
