#include "platform/posix_env.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <vector>

#include "platform/posix_files.h"

namespace xr::posix {

namespace {
void Nothing(int) {}
}  // namespace

void SurviveFailedWrites() {
  // Caught rather than ignored: a program started from here (the browser) gets the usual
  // dispositions back when it is executed, as it would not with SIG_IGN.
  struct sigaction action {};
  action.sa_handler = Nothing;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGXFSZ, SIGPIPE}) sigaction(sig, &action, nullptr);
}

void SettleHomeAndBaseDirs() {
  for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                           "XDG_RUNTIME_DIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '/') ::unsetenv(name);
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return;
  const auto recorded = PasswdHome();
  if (recorded && recorded->front() == '/') {
    ::setenv("HOME", recorded->c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
}

long RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return limit.rlim_cur == RLIM_INFINITY ? std::numeric_limits<long>::max()
                                         : static_cast<long>(limit.rlim_cur);
}

bool DescriptorsFree(int n) {
  std::vector<int> taken;
  while (static_cast<int>(taken.size()) < n) {
    const int fd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) break;
    taken.push_back(fd);
  }
  const bool enough = static_cast<int>(taken.size()) == n;
  for (int fd : taken) close(fd);
  return enough;
}

void NoSessionBusUnlessGiven() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

}  // namespace xr::posix
