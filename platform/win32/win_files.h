// File operations on a Windows file system, paths in UTF-8.
#pragma once

#include <memory>
#include <string_view>

#include "controls/platform.h"

namespace xr::win32 {

// Creates the file if missing, never truncates it, and refuses links, directories and devices.
std::unique_ptr<OutFile> OpenForOutput(std::string_view path);
// Creates the directory and its parents. True when the last one is then a real directory, not
// a link; the profile's own permissions already keep a per-user folder to its user.
bool MakePrivateDir(std::string_view path);

}  // namespace xr::win32
