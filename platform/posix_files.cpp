#include "platform/posix_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace xr::posix {

int OpenPrivateDir(const char* path) {
  const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) return -1;
  struct stat st {};
  if (::fstat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    ::close(dir);
    errno = EPERM;
    return -1;
  }
  return dir;
}

bool WriteWhole(std::string_view path, std::span<const std::uint8_t> bytes) {
  const std::string p(path);
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos || slash + 1 == p.size()) return false;
  const std::string dirPath = slash == 0 ? "/" : p.substr(0, slash);
  const std::string name = p.substr(slash + 1);
  // The directory is checked and used through one descriptor: a link or another directory
  // swapped in at its path after the check is never written into.
  const int dir = OpenPrivateDir(dirPath.c_str());
  if (dir < 0) return false;
  // O_NOFOLLOW refuses a link planted at the path; O_NONBLOCK keeps a FIFO from holding up
  // start-up (it is refused just below, before anything is written to it).
  const int fd =
      ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    ::close(dir);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const std::uint8_t* at = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, at, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    at += n;
    left -= static_cast<std::size_t>(n);
  }
  const bool whole = ::close(fd) == 0 && left == 0;
  // Cut short, the file would stay behind as a broken copy and be played as one. It goes from
  // the directory it was made in, whatever now stands at that directory's path.
  if (!whole) ::unlinkat(dir, name.c_str(), 0);
  ::close(dir);
  return whole;
}

namespace {

// Creates a directory and its parents, the last one readable by the user alone. True only when
// the last one is then a directory of the user's own (OpenPrivateDir), whether just made or found
// there; parents are taken as they are.
bool MakePrivateDir(std::string_view path) {
  std::string p(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  // Parents get the usual mode; only the last component is the program's own.
  for (std::size_t i = 1; i < p.size(); ++i) {
    if (p[i] != '/') continue;
    const std::string parent = p.substr(0, i);
    if (::mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  if (::mkdir(p.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // Anyone else who may write here could put a link or a file of their own where the cue goes,
  // and the player would open whatever it is. A directory just made passes as it is: mkdir
  // gave it to the user, and the umask only ever takes bits away from 0700.
  const int dir = OpenPrivateDir(p.c_str());
  if (dir < 0) return false;
  ::close(dir);
  return true;
}

}  // namespace

std::optional<std::string> PasswdHome() {
  const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
  passwd entry{};
  passwd* found = nullptr;
  for (;;) {
    const int rc = ::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found);
    if (rc == EINTR) continue;
    // Entries from a directory service can outgrow the C library's hint.
    if (rc == ERANGE && buf.size() < (std::size_t{1} << 20)) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != 0) return std::nullopt;
    break;
  }
  if (found == nullptr || entry.pw_dir == nullptr || entry.pw_dir[0] == '\0') return std::nullopt;
  return std::string(entry.pw_dir);
}

CueHomes ProcessCueHomes() {
  const auto get = [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return std::string(v);
  };
  return {get("XDG_CACHE_HOME"), get("HOME")};
}

std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes, const CueHomes& homes) {
  // A relative path would be resolved against wherever the program happens to be started.
  const auto absolute = [](const std::optional<std::string>& p) {
    return p && !p->empty() && p->front() == '/';
  };
  std::vector<std::string> dirs;
  if (absolute(homes.cacheHome)) dirs.push_back(*homes.cacheHome + "/xiuran-timer/");
  std::optional<std::string> home = homes.home;
  // Started from a service or a cleared environment, the user still has a home of record.
  if (!absolute(home) && homes.passwdHome) home = homes.passwdHome();
  if (absolute(home)) {
    std::string dir = *home + "/.cache/xiuran-timer/";
    if (dirs.empty() || dirs.front() != dir) dirs.push_back(std::move(dir));
  }
  for (const std::string& dir : dirs) {
    std::string file = dir + kCueFileName;
    if (MakePrivateDir(dir) && WriteWhole(file, bytes)) return file;
  }
  return std::nullopt;
}

}  // namespace xr::posix
