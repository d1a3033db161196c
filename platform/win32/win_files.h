// File operations on a Windows file system, paths in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controls/platform.h"

namespace xr::win32 {

// Writes the bytes into the file at path from its first byte, creating it if missing and never
// truncating it; refuses links, directories and devices. True when the whole went in; a file
// that took only part of it is removed.
bool WriteWhole(std::string_view path, std::span<const std::uint8_t> bytes);
// Creates the directory and its parents. True when the last one is then a real directory, not
// a link; the profile's own permissions already keep a per-user folder to its user.
bool MakePrivateDir(std::string_view path);

// The cue's places on Windows, in order: the system drive's Windows directory, then the user's
// local application data (Platform::KeepCueFile). Empty values name no place of the user's.
std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes,
                                       std::string_view systemDrive, std::string_view localAppData);

}  // namespace xr::win32
