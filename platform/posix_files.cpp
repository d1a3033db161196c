#include "platform/posix_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace xr::posix {

namespace {

std::string Error(const std::string& what, int error) { return what + ": " + std::strerror(error); }

class PosixOutFile final : public OutFile {
 public:
  // A file that cannot be written whole is removed: cut short, it would stay behind as a broken
  // copy and be played as one. It is removed from the directory it was made in, whatever now
  // stands at that directory's path.
  PosixOutFile(int dir, int fd, std::string name) : dir_(dir), fd_(fd), name_(std::move(name)) {}
  ~PosixOutFile() override {
    if (fd_ >= 0) ::close(fd_);
    ::close(dir_);
  }
  void Write(std::span<const std::uint8_t> bytes) override {
    if (fd_ < 0) throw PlatformError("file is closed");
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        Discard();
        throw PlatformError(Error("write", error));
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  void Close() override {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
      const int error = errno;
      ::unlinkat(dir_, name_.c_str(), 0);
      throw PlatformError(Error("close", error));
    }
  }

 private:
  void Discard() {
    ::close(fd_);
    fd_ = -1;
    ::unlinkat(dir_, name_.c_str(), 0);
  }

  int dir_;
  int fd_;
  std::string name_;
};

}  // namespace

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

std::unique_ptr<OutFile> OpenForOutput(std::string_view path) {
  const std::string p(path);
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos || slash + 1 == p.size()) {
    throw PlatformError("not a path to a file: " + p);
  }
  const std::string dirPath = slash == 0 ? "/" : p.substr(0, slash);
  const std::string name = p.substr(slash + 1);
  // The directory is checked and used through one descriptor: a link or another directory
  // swapped in at its path after the check is never written into.
  const int dir = OpenPrivateDir(dirPath.c_str());
  if (dir < 0) throw PlatformError(Error("not a directory of the user's own: " + dirPath, errno));
  // O_NOFOLLOW refuses a link planted at the path; O_NONBLOCK keeps a FIFO from holding up
  // start-up (it is refused just below, before anything is written to it).
  const int fd =
      ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int error = errno;
    ::close(dir);
    throw PlatformError(Error("open " + p, error));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    ::close(dir);
    throw PlatformError("not a regular file: " + p);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return std::make_unique<PosixOutFile>(dir, fd, name);
}

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

}  // namespace xr::posix
