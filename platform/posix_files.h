// File operations on a POSIX file system and the user's entry in the password database, shared
// by every real platform layer on Unix.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace xr::posix {

std::unique_ptr<OutFile> OpenForOutput(std::string_view path);
bool MakePrivateDir(std::string_view path);
std::optional<std::string> PasswdHome();

}  // namespace xr::posix
