// The entry points of the sound module, resolved by name when the program loads it.
#pragma once

#include <QtGlobal>

extern "C" {
using XrSoundAbi = const char* (*)();
using XrSoundCreate = void* (*)();
// path: the file's name in bytes, as the system takes it. dueUs: when the sound was to start, on
// std::chrono's steady clock; one that starts late starts as far into itself as it is late.
using XrSoundPlay = void (*)(void* player, const char* path, long long dueUs);
using XrSoundDestroy = void (*)(void* player);
}

inline constexpr const char* kXrSoundModuleName = "xiuran-timer-sound";

// What the program and the module must agree on: the entry points above (bump the number when
// one changes) and the Qt they were built with, since the module's objects and the program's
// event loop share Qt's internals. The module exports it as xr_sound_abi().
#define XR_SOUND_ABI_NUMBER "4"
inline constexpr const char* kXrSoundAbi = "xr-sound " XR_SOUND_ABI_NUMBER " qt " QT_VERSION_STR;
