// The fake platform reaches the machine's file system through these when a test asks for it;
// on Windows that is the real layer's file operations.
#include "platform/posix_files.h"
#include "platform/win32/win_files.h"

namespace xr::posix {

std::unique_ptr<OutFile> OpenForOutput(std::string_view path) { return win32::OpenForOutput(path); }
bool MakePrivateDir(std::string_view path) { return win32::MakePrivateDir(path); }
std::optional<std::string> PasswdHome() { return std::nullopt; }

}  // namespace xr::posix
