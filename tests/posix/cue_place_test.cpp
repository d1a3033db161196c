// Where the cue is kept on Unix, on the real file system in a temporary directory: which place
// takes it, and that nothing is written through a link, into a FIFO, into a directory others may
// write, or left behind cut short.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/posix_env.h"
#include "platform/posix_files.h"

namespace xr::posix {
namespace {

namespace fs = std::filesystem;
using Text = std::optional<std::string>;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A pattern that repeats only every 251 bytes, so that a shifted or partial copy shows.
const std::string& Cue() {
  static const std::string cue = [] {
    std::string s(4096, '\0');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 7 + 3) % 251);
    return s;
  }();
  return cue;
}

// Everything under a directory, without following links: kind, and content or link target.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    const auto st = e.symlink_status();
    if (fs::is_symlink(st)) {
      out[rel] = "link:" + fs::read_symlink(e.path()).string();
    } else if (fs::is_directory(st)) {
      out[rel] = "dir";
    } else if (fs::is_fifo(st)) {
      out[rel] = "fifo";
    } else {
      out[rel] = "file:" + Slurp(e.path().string());
    }
  }
  return out;
}

int Mode(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/xr-cue-XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

void MkDirs(const std::string& p, int mode = 0755) {
  fs::create_directories(p);
  ::chmod(p.c_str(), static_cast<mode_t>(mode));
}

struct Row {
  const char* what;
  void (*plant)(const TempDir& t) = nullptr;  // the tree before the start
  // XDG_CACHE_HOME, HOME and the password database's home; an absolute value is taken inside
  // the temporary directory, others as they are; none: unset.
  Text cache = std::nullopt;
  Text home = std::nullopt;
  Text passwd = std::nullopt;
  const char* kept = nullptr;          // where the cue is kept, relative; none: nowhere
  const char* fifo = nullptr;          // a FIFO planted here, relative
  bool fifoReader = false;             // with a reader waiting on it
  bool needsModes = false;             // relies on file modes, which root does not obey
  bool needsRoot = false;              // gives a directory to another user
  rlim_t fileSizeLimit = 0;            // none when 0
  std::vector<const char*> made = {};  // directories made though no cue is kept there
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.what; }

// A start stuck on the FIFO is set free after a long grace period by a reader that drains it, and
// reported as a failure instead of a test that never ends.
Text KeepGuarded(const std::string& fifo, const CueHomes& homes) {
  const std::string& cue = Cue();
  auto run = std::async(std::launch::async, [&] {
    return KeepCueFile({reinterpret_cast<const std::uint8_t*>(cue.data()), cue.size()}, homes);
  });
  if (run.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "blocked on the FIFO " << fifo;
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    char buf[4096];
    while (run.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      if (fd >= 0) static_cast<void>(::read(fd, buf, sizeof buf));
    }
    if (fd >= 0) ::close(fd);
  }
  return run.get();
}

class PosixCuePlace : public ::testing::TestWithParam<Row> {};

TEST_P(PosixCuePlace, KeptWholeOnlyInAPlaceOfTheUsersOwn) {
  const Row& r = GetParam();
  if (r.needsModes && ::geteuid() == 0) GTEST_SKIP() << "root ignores file modes";
  if (r.needsRoot && ::geteuid() != 0) GTEST_SKIP() << "only root can give a directory away";
  TempDir t;
  if (r.plant != nullptr) r.plant(t);
  const auto in = [&](const Text& v) -> Text {
    return v && v->starts_with('/') ? Text(t.path() + *v) : v;
  };
  const CueHomes homes{in(r.cache), in(r.home), [&] { return in(r.passwd); }};
  int reader = -1;
  if (r.fifo != nullptr) {
    ASSERT_EQ(::mkfifo((t / r.fifo).c_str(), 0600), 0);
    if (r.fifoReader) reader = ::open((t / r.fifo).c_str(), O_RDONLY | O_NONBLOCK);
  }
  auto before = Tree(t.path());
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  if (r.fileSizeLimit != 0) {
    SurviveFailedWrites();
    const rlimit small{r.fileSizeLimit, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }

  const Text kept = KeepGuarded(r.fifo != nullptr ? t / r.fifo : "", homes);
  ::setrlimit(RLIMIT_FSIZE, &limit);

  if (reader >= 0) {
    char buf[16];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0) << "nothing may be written into a FIFO";
    ::close(reader);
  }
  auto after = Tree(t.path());
  for (const char* dir : r.made) {
    EXPECT_EQ(after[dir], "dir") << dir;
    after.erase(dir);
  }
  if (r.kept == nullptr) {
    EXPECT_EQ(kept, std::nullopt);
  } else {
    EXPECT_EQ(kept, t / r.kept);
    // The cue from the first byte; whatever was there before stays past its end.
    std::string want = Cue();
    const std::string old = before.count(r.kept) != 0 ? before[r.kept].substr(5) : "";
    if (old.size() > want.size()) want += old.substr(want.size());
    EXPECT_TRUE(after[r.kept] == "file:" + want) << "the file holds exactly the cue";
    after.erase(r.kept);
    before.erase(r.kept);
    const fs::path dir = fs::path(r.kept).parent_path();
    if (before.count(dir.string()) == 0) {
      EXPECT_EQ(Mode(t / dir.string()), 0700);
    }
    for (fs::path p = dir; !p.empty(); p = p.parent_path()) {
      if (before.count(p.string()) == 0) after.erase(p.string());
    }
  }
  EXPECT_EQ(after, before) << "nothing else in the tree changes";
}

const char* const kHomeCue = "h/.cache/xiuran-timer/3sdjs.wav";
const char* const kCacheCue = "c/xiuran-timer/3sdjs.wav";

void Home(const TempDir& t) { MkDirs(t / "h"); }
void OwnDir(const TempDir& t) { MkDirs(t / "c/xiuran-timer", 0700); }
void Outside(const TempDir& t) {
  MkDirs(t / "outside");
  OwnDir(t);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PosixCuePlace,
    ::testing::Values(
        Row{.what = "fresh home", .plant = Home, .home = "/h", .kept = kHomeCue},
        Row{.what = "cache directory that does not exist yet",
            .plant = Home,
            .cache = "/a/b/c",
            .home = "/h",
            .kept = "a/b/c/xiuran-timer/3sdjs.wav"},
        Row{.what = "relative cache directory: home",
            .plant = Home,
            .cache = "c",
            .home = "/h",
            .kept = kHomeCue},
        Row{.what = "empty cache directory: home",
            .plant = Home,
            .cache = "",
            .home = "/h",
            .kept = kHomeCue},
        Row{.what = "no HOME: the password database's home",
            .plant = Home,
            .passwd = "/h",
            .kept = kHomeCue},
        Row{.what = "relative HOME: the password database's home",
            .plant = Home,
            .home = "h",
            .passwd = "/h",
            .kept = kHomeCue},
        Row{.what = "no home anywhere"},
        Row{.what = "relative homes only", .home = "h", .passwd = "pw"},
        Row{.what = "identical file from an earlier start",
            .plant =
                [](const TempDir& t) {
                  OwnDir(t);
                  Spit(t / kCacheCue, Cue());
                },
            .cache = "/c",
            .kept = kCacheCue},
        Row{.what = "damaged file of the same length",
            .plant =
                [](const TempDir& t) {
                  OwnDir(t);
                  Spit(t / kCacheCue, std::string(Cue().size(), 'Z'));
                },
            .cache = "/c",
            .kept = kCacheCue},
        Row{.what = "shorter file",
            .plant =
                [](const TempDir& t) {
                  OwnDir(t);
                  Spit(t / kCacheCue, std::string(300, 'Z'));
                },
            .cache = "/c",
            .kept = kCacheCue},
        Row{.what = "longer file keeps its bytes past the cue",
            .plant =
                [](const TempDir& t) {
                  OwnDir(t);
                  Spit(t / kCacheCue, std::string(Cue().size() + 5000, 'Z'));
                },
            .cache = "/c",
            .kept = kCacheCue},
        Row{.what = "link to a file outside",
            .plant =
                [](const TempDir& t) {
                  Outside(t);
                  Spit(t / "outside/precious", "keep me");
                  fs::create_symlink(t / "outside/precious", t / kCacheCue);
                },
            .cache = "/c"},
        Row{.what = "dangling link",
            .plant =
                [](const TempDir& t) {
                  Outside(t);
                  fs::create_symlink(t / "outside/new", t / kCacheCue);
                },
            .cache = "/c"},
        Row{.what = "link in place of the program's directory",
            .plant =
                [](const TempDir& t) {
                  MkDirs(t / "outside");
                  MkDirs(t / "c");
                  fs::create_directory_symlink(t / "outside", t / "c/xiuran-timer");
                },
            .cache = "/c"},
        Row{.what = "directory at the path",
            .plant = [](const TempDir& t) { MkDirs(t / kCacheCue); },
            .cache = "/c"},
        Row{.what = "FIFO with nobody reading", .plant = OwnDir, .cache = "/c", .fifo = kCacheCue},
        Row{.what = "FIFO with a reader waiting",
            .plant = OwnDir,
            .cache = "/c",
            .fifo = kCacheCue,
            .fifoReader = true},
        Row{.what = "cache directory is a plain file",
            .plant = [](const TempDir& t) { Spit(t / "c", "not a directory"); },
            .cache = "/c"},
        Row{.what = "program's directory is a plain file",
            .plant =
                [](const TempDir& t) {
                  MkDirs(t / "c");
                  Spit(t / "c/xiuran-timer", "not a directory");
                },
            .cache = "/c"},
        Row{.what = "directory the user may not write",
            .plant = [](const TempDir& t) { MkDirs(t / "c/xiuran-timer", 0500); },
            .cache = "/c",
            .needsModes = true},
        Row{.what = "program's directory writable by its group",
            .plant = [](const TempDir& t) { MkDirs(t / "c/xiuran-timer", 0770); },
            .cache = "/c"},
        Row{.what = "program's directory writable by others",
            .plant = [](const TempDir& t) { MkDirs(t / "c/xiuran-timer", 0703); },
            .cache = "/c"},
        Row{.what = "program's directory owned by another user",
            .plant =
                [](const TempDir& t) {
                  OwnDir(t);
                  EXPECT_EQ(::chown((t / "c/xiuran-timer").c_str(), 65534, 65534), 0);
                },
            .cache = "/c",
            .needsRoot = true},
        Row{.what = "shared cache directory: home",
            .plant =
                [](const TempDir& t) {
                  MkDirs(t / "c/xiuran-timer", 0777);
                  Home(t);
                },
            .cache = "/c",
            .home = "/h",
            .kept = kHomeCue},
        Row{.what = "private directory readable by all",
            .plant = [](const TempDir& t) { MkDirs(t / "c/xiuran-timer", 0755); },
            .cache = "/c",
            .kept = kCacheCue},
        Row{.what = "cut short in both places: nothing kept, nothing left",
            .plant = Home,
            .cache = "/c",
            .home = "/h",
            .fileSizeLimit = 1000,
            .made = {"c", "c/xiuran-timer", "h/.cache", "h/.cache/xiuran-timer"}}));

}  // namespace
}  // namespace xr::posix
