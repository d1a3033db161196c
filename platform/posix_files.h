// File operations on a POSIX file system, shared by every real platform layer on Unix.
#pragma once

#include <memory>
#include <string_view>

#include "platform/platform.h"

namespace xr::posix {

std::unique_ptr<OutFile> OpenForOutput(std::string_view path);
bool MakePrivateDir(std::string_view path);

}  // namespace xr::posix
