// File operations on a POSIX file system and the user's entry in the password database, shared
// by every real platform layer on Unix.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controls/platform.h"

namespace xr::posix {

// A descriptor of the directory at path when it is the user's own (owned by the user, writable by
// nobody else, not a symbolic link); -1 otherwise, with errno set (EPERM for a directory of
// someone else's or one that others may write).
int OpenPrivateDir(const char* path);
// Writes the bytes into the file at path from its first byte, never truncating it, in a directory
// of the user's own as above, checked and used through one descriptor. Refuses anything that is
// not a regular file, a link included, without ever blocking on it. True when the whole went in;
// a file that took only part of it is removed.
bool WriteWhole(std::string_view path, std::span<const std::uint8_t> bytes);
std::optional<std::string> PasswdHome();

// What the cue's places are made of.
struct CueHomes {
  std::optional<std::string> cacheHome;  // XDG_CACHE_HOME
  std::optional<std::string> home;       // HOME
  // Asked only when HOME names no absolute path.
  std::function<std::optional<std::string>()> passwdHome = &PasswdHome;
};
// This process's environment and password database.
CueHomes ProcessCueHomes();

// The cue's places on Unix, in order: the user's cache directory, then the one in the home
// directory, each made readable by the user alone (Platform::KeepCueFile).
std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes,
                                       const CueHomes& homes = ProcessCueHomes());

}  // namespace xr::posix
