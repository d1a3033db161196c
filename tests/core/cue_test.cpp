// Writing the countdown cue out at start-up, on the fake's file map and on the real file system,
// and where PlayCue points the player.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

namespace fs = std::filesystem;
using fake::FileKind;

void ExpectLayoutCaptured(Harness& h) {
  MainForm& f = h.f();
  ASSERT_TRUE(f.layoutTable.has_value()) << "start-up must go on to the layout";
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 1)), Bits(0.107692309f));
  h.fake.ResizeClient(f.window, 1040, 726);
  EXPECT_EQ(f.minuteTens.Left(), 1680);
  EXPECT_EQ(f.moreAppsButton.FontSize(), 21);
}

std::vector<std::string> Opens(const fake::FakePlatform& p) {
  std::vector<std::string> out;
  for (const std::string& c : p.calls) {
    if (c.rfind("Open(", 0) == 0) out.push_back(c.substr(5, c.size() - 6));
  }
  return out;
}

std::string PlayedUrl(Harness& h) {
  h.fake.playedSounds.clear();
  PlayCue(h.f().cue, h.platform);
  return h.fake.playedSounds.empty() ? "" : h.fake.playedSounds.back();
}

// --- On the fake --------------------------------------------------------------------------------

struct FakeCueRow {
  const char* what = "";
  bool drivePaths = false;
  std::map<std::string, std::string> env = {};
  std::set<std::string> dirs = {};               // directories that exist
  std::set<std::string> failingDirs = {};        // directories that cannot be made
  std::map<std::string, FileKind> planted = {};  // what stands at a path before the start
  std::set<std::string> failingWrites = {};
  bool resource = true;
  std::string written = {};  // the file that holds the cue; empty: none
  std::vector<std::string> opens = {};
  std::string systemDrive = {};
  std::string url = {};  // where PlayCue points; empty: it writes no URL and nothing plays
  std::optional<std::string> passwdHome = std::nullopt;
};

class FakeCueTest : public ::testing::TestWithParam<FakeCueRow> {};

TEST_P(FakeCueTest, WritesTheCueWhereItMayAndStartUpGoesOn) {
  const FakeCueRow& r = GetParam();
  Harness h;
  h.fake.drivePaths = r.drivePaths;
  h.fake.env = r.env;
  h.fake.dirs = r.dirs;
  h.fake.failingDirs = r.failingDirs;
  h.fake.failingWrites = r.failingWrites;
  h.fake.passwdHome = r.passwdHome;
  if (!r.resource) h.fake.resources.clear();
  for (const auto& [path, kind] : r.planted) h.fake.files[path] = fake::FakeFile{kind, {}};
  h.Open();
  SCOPED_TRACE(r.what);

  EXPECT_EQ(Opens(h.fake), r.opens);
  for (const auto& [path, file] : h.fake.files) {
    SCOPED_TRACE(path);
    const auto planted = r.planted.find(path);
    if (planted != r.planted.end()) {
      EXPECT_EQ(file.kind, planted->second);
      EXPECT_TRUE(file.bytes.empty()) << "nothing is written into what stood there";
    } else if (path == r.written) {
      EXPECT_EQ(file.kind, FileKind::Regular);
      EXPECT_EQ(file.bytes, SmallCue());
    } else {
      ADD_FAILURE() << "unexpected file";
    }
  }
  if (!r.written.empty()) {
    EXPECT_EQ(h.fake.files.count(r.written), 1u);
  }
  EXPECT_EQ(h.f().cue.systemDrive, r.systemDrive);
  EXPECT_EQ(PlayedUrl(h), r.url);
  EXPECT_EQ(h.fake.playedSounds, r.url.empty() ? std::vector<std::string>{} : Log{r.url});
  ExpectLayoutCaptured(h);
}

const char* const kXdgCue = "/xdg/xiuran-timer/3sdjs.wav";
const char* const kWinCue = "C:\\Windows\\3sdjs.wav";
const char* const kLocalCue = "C:\\Users\\u\\AppData\\Local\\xiuran-timer\\3sdjs.wav";
const char* const kPwCue = "/home/pw/.cache/xiuran-timer/3sdjs.wav";

INSTANTIATE_TEST_SUITE_P(
    Places, FakeCueTest,
    ::testing::Values(
        FakeCueRow{"cache directory of the user",
                   false,
                   {{"XDG_CACHE_HOME", "/xdg"}, {"HOME", kHome}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   kXdgCue,
                   {kXdgCue},
                   "",
                   kXdgCue},
        FakeCueRow{"home directory",
                   false,
                   {{"HOME", kHome}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   kHomeCuePath,
                   {kHomeCuePath},
                   "",
                   kHomeCuePath},
        FakeCueRow{"relative cache directory ignored",
                   false,
                   {{"XDG_CACHE_HOME", "rel/cache"}, {"HOME", kHome}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   kHomeCuePath,
                   {kHomeCuePath},
                   "",
                   kHomeCuePath},
        FakeCueRow{"empty cache directory ignored",
                   false,
                   {{"XDG_CACHE_HOME", ""}, {"HOME", kHome}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   kHomeCuePath,
                   {kHomeCuePath},
                   "",
                   kHomeCuePath},
        FakeCueRow{"system drive means nothing without drive paths",
                   false,
                   {{"systemdrive", "C:"}, {"HOME", kHome}},
                   {"C:\\Windows"},
                   {},
                   {},
                   {},
                   true,
                   kHomeCuePath,
                   {kHomeCuePath},
                   "C:",
                   kHomeCuePath},
        FakeCueRow{"no home at all", false, {}, {}, {}, {}, {}, true, "", {}, "", ""},
        FakeCueRow{
            "relative home", false, {{"HOME", "home/u"}}, {}, {}, {}, {}, true, "", {}, "", ""},
        FakeCueRow{"cache directory cannot be made",
                   false,
                   {{"HOME", kHome}},
                   {},
                   {"/home/tester/.cache/xiuran-timer"},
                   {},
                   {},
                   true,
                   "",
                   {},
                   "",
                   ""},
        FakeCueRow{"writing fails",
                   false,
                   {{"HOME", kHome}},
                   {},
                   {},
                   {},
                   {kHomeCuePath},
                   true,
                   "",
                   {kHomeCuePath},
                   "",
                   ""},
        FakeCueRow{"no resource", false, {{"HOME", kHome}}, {}, {}, {}, {}, false, "", {}, "", ""},
        FakeCueRow{"symbolic link at the path",
                   false,
                   {{"HOME", kHome}},
                   {"/home/tester/.cache/xiuran-timer"},
                   {},
                   {{kHomeCuePath, FileKind::Symlink}},
                   {},
                   true,
                   "",
                   {kHomeCuePath},
                   "",
                   ""},
        FakeCueRow{"directory at the path",
                   false,
                   {{"HOME", kHome}},
                   {"/home/tester/.cache/xiuran-timer"},
                   {},
                   {{kHomeCuePath, FileKind::Directory}},
                   {},
                   true,
                   "",
                   {kHomeCuePath},
                   "",
                   ""},
        FakeCueRow{"FIFO at the path",
                   false,
                   {{"HOME", kHome}},
                   {"/home/tester/.cache/xiuran-timer"},
                   {},
                   {{kHomeCuePath, FileKind::Fifo}},
                   {},
                   true,
                   "",
                   {kHomeCuePath},
                   "",
                   ""},
        FakeCueRow{"system drive C:",
                   true,
                   {{"systemdrive", "C:"},
                    {"HOME", kHome},
                    {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   {"C:\\Windows"},
                   {},
                   {},
                   {},
                   true,
                   kWinCue,
                   {kWinCue},
                   "C:",
                   kWinCue},
        FakeCueRow{"system drive not set",
                   true,
                   {},
                   {"\\Windows"},
                   {},
                   {},
                   {},
                   true,
                   "\\Windows\\3sdjs.wav",
                   {"\\Windows\\3sdjs.wav"},
                   "",
                   "\\Windows\\3sdjs.wav"},
        FakeCueRow{"system directory refuses, local application data takes it",
                   true,
                   {{"systemdrive", "C:"}, {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   kLocalCue,
                   {kWinCue, kLocalCue},
                   "C:",
                   kLocalCue},
        FakeCueRow{"system directory refuses, no local application data",
                   true,
                   {{"systemdrive", "C:"}, {"HOME", kHome}},
                   {},
                   {},
                   {},
                   {},
                   true,
                   "",
                   {kWinCue},
                   "C:",
                   ""},
        FakeCueRow{"directory at the system path",
                   true,
                   {{"systemdrive", "C:"}, {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   {"C:\\Windows"},
                   {},
                   {{kWinCue, FileKind::Directory}},
                   {},
                   true,
                   kLocalCue,
                   {kWinCue, kLocalCue},
                   "C:",
                   kLocalCue},
        FakeCueRow{"link at the system path",
                   true,
                   {{"systemdrive", "C:"}, {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   {"C:\\Windows"},
                   {},
                   {{kWinCue, FileKind::Symlink}},
                   {},
                   true,
                   kLocalCue,
                   {kWinCue, kLocalCue},
                   "C:",
                   kLocalCue},
        FakeCueRow{"FIFO at both paths",
                   true,
                   {{"systemdrive", "C:"}, {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   {"C:\\Windows", "C:\\Users\\u\\AppData\\Local\\xiuran-timer"},
                   {},
                   {{kWinCue, FileKind::Fifo}, {kLocalCue, FileKind::Fifo}},
                   {},
                   true,
                   "",
                   {kWinCue, kLocalCue},
                   "C:",
                   ""},
        FakeCueRow{.what = "system directory fails the write, local application data takes it",
                   .drivePaths = true,
                   .env = {{"systemdrive", "C:"}, {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"}},
                   .dirs = {"C:\\Windows"},
                   .failingWrites = {kWinCue},
                   .written = kLocalCue,
                   .opens = {kWinCue, kLocalCue},
                   .systemDrive = "C:",
                   .url = kLocalCue},
        FakeCueRow{.what = "no resource: a file left in the system directory is not played",
                   .drivePaths = true,
                   .env = {{"systemdrive", "C:"}},
                   .dirs = {"C:\\Windows"},
                   .planted = {{kWinCue, FileKind::Regular}},
                   .resource = false,
                   .systemDrive = "C:"},
        FakeCueRow{.what = "no HOME: the password database's home",
                   .written = kPwCue,
                   .opens = {kPwCue},
                   .url = kPwCue,
                   .passwdHome = "/home/pw"},
        FakeCueRow{.what = "relative HOME: the password database's home",
                   .env = {{"HOME", "home/u"}},
                   .written = kPwCue,
                   .opens = {kPwCue},
                   .url = kPwCue,
                   .passwdHome = "/home/pw"},
        FakeCueRow{.what = "relative home in the password database too",
                   .env = {{"HOME", "home/u"}},
                   .passwdHome = "pw"},
        FakeCueRow{.what = "cache directory unusable, home takes it",
                   .env = {{"XDG_CACHE_HOME", "/xdg"}, {"HOME", kHome}},
                   .failingDirs = {"/xdg/xiuran-timer"},
                   .written = kHomeCuePath,
                   .opens = {kHomeCuePath},
                   .url = kHomeCuePath},
        FakeCueRow{.what = "cache directory and home both unusable",
                   .env = {{"XDG_CACHE_HOME", "/xdg"}, {"HOME", kHome}},
                   .failingDirs = {"/xdg/xiuran-timer", "/home/tester/.cache/xiuran-timer"}}));

struct ExistingRow {
  const char* what;
  std::vector<std::uint8_t> before;
};

class FakeExistingCueTest : public ::testing::TestWithParam<ExistingRow> {};

TEST_P(FakeExistingCueTest, OverwrittenFromTheFirstByteAndNeverTruncated) {
  const ExistingRow& r = GetParam();
  Harness h;
  h.fake.files[kHomeCuePath] = fake::FakeFile{FileKind::Regular, r.before};
  h.fake.dirs.insert("/home/tester/.cache/xiuran-timer");
  h.Open();
  const auto& after = h.fake.files[kHomeCuePath].bytes;
  const std::vector<std::uint8_t>& cue = SmallCue();
  ASSERT_EQ(after.size(), std::max(cue.size(), r.before.size())) << r.what;
  EXPECT_TRUE(std::equal(cue.begin(), cue.end(), after.begin())) << r.what;
  EXPECT_TRUE(std::equal(
      after.begin() + static_cast<std::ptrdiff_t>(cue.size()), after.end(),
      r.before.begin() + static_cast<std::ptrdiff_t>(std::min(cue.size(), r.before.size()))))
      << r.what << ": the bytes past the cue stay";
}

INSTANTIATE_TEST_SUITE_P(
    Files, FakeExistingCueTest,
    ::testing::Values(ExistingRow{"identical", SmallCue()},
                      ExistingRow{"shorter", std::vector<std::uint8_t>(100, 0xEE)},
                      ExistingRow{"longer",
                                  std::vector<std::uint8_t>(SmallCue().size() + 777, 0xEE)},
                      ExistingRow{"empty", {}}));

TEST(FakeCue, WrittenAgainAtEveryStart) {
  Harness first;
  first.Open();
  auto& file = first.fake.files[kHomeCuePath].bytes;
  ASSERT_EQ(file, SmallCue());
  file[0] = 'X';
  file[100] ^= 0xFF;
  first.form.reset();
  // A second run of the program on the same machine.
  MainForm second(first.platform, first.fake.Host());
  first.fake.ShowWindow(second.window);
  EXPECT_EQ(first.fake.files[kHomeCuePath].bytes, SmallCue());
  first.fake.UnloadWindow(second.window);
}

// --- On the real file system ---------------------------------------------------------------

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string AsText(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

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

// Runs start-up on a thread of its own. Start-up that has not come back after a long grace
// period is stuck on the FIFO: a reader is opened and drained to set it free, and the hang is
// reported as a failure instead of a test run that never ends.
void OpenGuarded(Harness& h, const std::string& fifo) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread starter([&] {
    h.Open();
    done.set_value();
  });
  if (finished.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "start-up blocked on the FIFO " << fifo;
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    char buf[4096];
    while (finished.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      if (fd >= 0) static_cast<void>(::read(fd, buf, sizeof buf));
    }
    if (fd >= 0) ::close(fd);
  }
  starter.join();
}

struct RealCueRow {
  const char* what;
  // Sets up the directory tree and the environment; paths relative to the temporary directory.
  void (*plant)(const TempDir& t, std::map<std::string, std::string>& env);
  const char* written;     // where the cue lands, relative; nullptr: nowhere
  const char* fifo;        // a FIFO planted at this relative path, if any
  bool fifoReader;         // with a reader waiting on it
  bool needsModes;         // relies on file modes, which root does not obey
  bool needsRoot = false;  // gives a file to another user
};

class RealCueTest : public ::testing::TestWithParam<RealCueRow> {};

TEST_P(RealCueTest, WritesOnlyAPlainFileInThePrivateDirectory) {
  const RealCueRow& r = GetParam();
  if (r.needsModes && ::geteuid() == 0) GTEST_SKIP() << "root ignores file modes";
  if (r.needsRoot && ::geteuid() != 0) GTEST_SKIP() << "only root can give a directory away";
  TempDir t;
  Harness h;
  h.fake.realFiles = true;
  h.fake.env.clear();
  r.plant(t, h.fake.env);
  int reader = -1;
  if (r.fifo != nullptr) {
    ASSERT_EQ(::mkfifo((t / r.fifo).c_str(), 0600), 0);
    if (r.fifoReader) reader = ::open((t / r.fifo).c_str(), O_RDONLY | O_NONBLOCK);
  }
  auto before = Tree(t.path());

  if (r.fifo != nullptr) {
    OpenGuarded(h, t / r.fifo);
  } else {
    h.Open();
  }
  SCOPED_TRACE(r.what);

  if (reader >= 0) {
    char buf[16];
    const ssize_t n = ::read(reader, buf, sizeof buf);
    EXPECT_LE(n, 0) << "nothing may be written into a FIFO";
    ::close(reader);
  }
  auto after = Tree(t.path());
  if (r.written != nullptr) {
    const std::string cue = AsText(SmallCue());
    ASSERT_EQ(after.count(r.written), 1u) << r.written;
    EXPECT_TRUE(after[r.written] == "file:" + cue) << "the cue file holds exactly the resource";
    if (before.count(fs::path(r.written).parent_path().string()) == 0) {
      EXPECT_EQ(Mode(fs::path(t / r.written).parent_path().string()), 0700);
    }
    EXPECT_EQ(PlayedUrl(h), t / r.written);
    // The written file and the directories made for it are the only change.
    after.erase(r.written);
    before.erase(r.written);
    for (fs::path p = fs::path(r.written).parent_path(); !p.empty(); p = p.parent_path()) {
      if (before.count(p.string()) == 0) after.erase(p.string());
    }
  } else {
    EXPECT_EQ(PlayedUrl(h), "") << "the player is never pointed anywhere";
    EXPECT_TRUE(h.fake.playedSounds.empty());
  }
  EXPECT_EQ(after, before) << "nothing else in the tree changes";
  ExpectLayoutCaptured(h);
}

void MkDirs(const std::string& p, int mode = 0755) {
  fs::create_directories(p);
  ::chmod(p.c_str(), static_cast<mode_t>(mode));
}

INSTANTIATE_TEST_SUITE_P(
    Trees, RealCueTest,
    ::testing::Values(RealCueRow{"fresh home",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "home");
                                   env["HOME"] = t / "home";
                                 },
                                 "home/.cache/xiuran-timer/3sdjs.wav", nullptr, false, false},
                      RealCueRow{"cache directory that does not exist yet",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "home");
                                   env["HOME"] = t / "home";
                                   env["XDG_CACHE_HOME"] = t / "a/b/c";
                                 },
                                 "a/b/c/xiuran-timer/3sdjs.wav", nullptr, false, false},
                      RealCueRow{"identical file from an earlier start",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   Spit(t / "c/xiuran-timer/3sdjs.wav", AsText(SmallCue()));
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 "c/xiuran-timer/3sdjs.wav", nullptr, false, false},
                      RealCueRow{"shorter damaged file",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   Spit(t / "c/xiuran-timer/3sdjs.wav", std::string(300, 'Z'));
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 "c/xiuran-timer/3sdjs.wav", nullptr, false, false},
                      RealCueRow{"link to a file outside",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "outside");
                                   Spit(t / "outside/precious", "keep me");
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   fs::create_symlink(t / "outside/precious",
                                                      t / "c/xiuran-timer/3sdjs.wav");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"dangling link",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "outside");
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   fs::create_symlink(t / "outside/new",
                                                      t / "c/xiuran-timer/3sdjs.wav");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"link in place of the program's directory",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "outside");
                                   MkDirs(t / "c");
                                   fs::create_directory_symlink(t / "outside",
                                                                t / "c/xiuran-timer");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"directory at the path",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer/3sdjs.wav");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"FIFO with nobody reading",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, "c/xiuran-timer/3sdjs.wav", false, false},
                      RealCueRow{"FIFO with a reader waiting",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, "c/xiuran-timer/3sdjs.wav", true, false},
                      RealCueRow{"cache directory is a plain file",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   Spit(t / "cachefile", "not a directory");
                                   env["XDG_CACHE_HOME"] = t / "cachefile";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"program's directory is a plain file",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c");
                                   Spit(t / "c/xiuran-timer", "not a directory");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"relative home only",
                                 [](const TempDir&, std::map<std::string, std::string>& env) {
                                   env["HOME"] = "relative/home";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"directory the user may not write",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0500);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, true},
                      RealCueRow{"program's directory writable by its group",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0770);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"program's directory writable by others",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0703);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false},
                      RealCueRow{"program's directory owned by another user",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0700);
                                   EXPECT_EQ(::chown((t / "c/xiuran-timer").c_str(), 65534, 65534),
                                             0);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 nullptr, nullptr, false, false, true},
                      RealCueRow{"shared cache directory, home takes it",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0777);
                                   MkDirs(t / "home");
                                   env["XDG_CACHE_HOME"] = t / "c";
                                   env["HOME"] = t / "home";
                                 },
                                 "home/.cache/xiuran-timer/3sdjs.wav", nullptr, false, false},
                      RealCueRow{"private directory readable by all",
                                 [](const TempDir& t, std::map<std::string, std::string>& env) {
                                   MkDirs(t / "c/xiuran-timer", 0755);
                                   env["XDG_CACHE_HOME"] = t / "c";
                                 },
                                 "c/xiuran-timer/3sdjs.wav", nullptr, false, false}));

TEST(RealCue, ALongerFileKeepsItsBytesPastTheResource) {
  const std::vector<std::uint8_t> full = SyntheticCue(kCueSize);
  ASSERT_EQ(full.size(), 824912u);
  TempDir t;
  MkDirs(t / "c/xiuran-timer", 0700);
  const std::string path = t / "c/xiuran-timer/3sdjs.wav";
  std::string old(kCueSize + 5000, '\0');
  for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(0xC3 ^ (i % 13));
  Spit(path, old);

  Harness h;
  h.fake.realFiles = true;
  h.fake.env = {{"XDG_CACHE_HOME", t / "c"}};
  h.fake.resources["CUSTOM/101"] = full;
  h.Open();

  const std::string now = Slurp(path);
  ASSERT_EQ(now.size(), old.size()) << "never truncated";
  EXPECT_TRUE(now.compare(0, kCueSize, AsText(full)) == 0) << "the resource from the first byte";
  EXPECT_TRUE(now.compare(kCueSize, std::string::npos, old, kCueSize, std::string::npos) == 0)
      << "bytes after offset 824,911 stay";
  ExpectLayoutCaptured(h);
}

TEST(RealCue, WrittenAgainAtEveryStart) {
  TempDir t;
  const std::string path = t / "c/xiuran-timer/3sdjs.wav";
  for (int run = 0; run < 2; ++run) {
    Harness h;
    h.fake.realFiles = true;
    h.fake.env = {{"XDG_CACHE_HOME", t / "c"}};
    h.Open();
    EXPECT_EQ(Slurp(path), AsText(SmallCue())) << "run " << run;
    std::string damaged = Slurp(path);
    damaged[10] = '!';
    Spit(path, damaged);
  }
}

}  // namespace
}  // namespace xr::test
