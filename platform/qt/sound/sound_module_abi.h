// The entry points of the sound module, resolved by name when the program loads it.
#pragma once

extern "C" {
using XrSoundCreate = void* (*)();
using XrSoundPlay = void (*)(void* player, const char* utf8Path);
using XrSoundDestroy = void (*)(void* player);
}

inline constexpr const char* kXrSoundModuleName = "xiuran-timer-sound";
