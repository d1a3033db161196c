#include "platform/posix_env.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

namespace xr::posix {

void SettleHomeAndBaseDirs() {
  for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                           "XDG_RUNTIME_DIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '/') ::unsetenv(name);
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return;
  const passwd* entry = ::getpwuid(::getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') {
    ::setenv("HOME", entry->pw_dir, 1);
  } else {
    ::unsetenv("HOME");
  }
}

}  // namespace xr::posix
