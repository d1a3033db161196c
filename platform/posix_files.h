// File operations on a POSIX file system and the user's entry in the password database, shared
// by every real platform layer on Unix.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "controls/platform.h"

namespace xr::posix {

// Opens a file for output in a directory of the user's own (owned by the user, writable by nobody
// else, not a symbolic link), checked and used through one descriptor.
std::unique_ptr<OutFile> OpenForOutput(std::string_view path);
// A descriptor of the directory at path when it is the user's own, as above; -1 otherwise, with
// errno set (EPERM for a directory of someone else's or one that others may write).
int OpenPrivateDir(const char* path);
bool MakePrivateDir(std::string_view path);
std::optional<std::string> PasswdHome();

}  // namespace xr::posix
