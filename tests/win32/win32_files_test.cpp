// The Windows layer's file operations on a real file system (under Wine in this tree), and the
// text conversion every caption and path goes through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/win_api.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {
namespace {

namespace fs = std::filesystem;

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t tmp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, tmp), 0u);
    root_ = fs::path(tmp) / (L"xr-win-" + std::to_wstring(GetCurrentProcessId()) + L"-岫然");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string At(const std::wstring& rel) const { return Utf8((root_ / rel).wstring()); }
  static std::string Read(const std::string& path) {
    std::ifstream in(fs::path(Wide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(fs::path(Wide(path)), std::ios::binary) << bytes;
  }
  fs::path root_;
};

TEST_F(Win32FilesTest, WritesFromTheFirstByteNeverTruncatingAndRefusesADirectory) {
  struct Row {
    const wchar_t* name;
    const char* before;  // nullptr: no file there
    const char* written;
    const char* after;
  };
  for (const Row& r : {Row{L"new.wav", nullptr, "abc", "abc"},
                       Row{L"longer.wav", "0123456789", "abc", "abc3456789"},
                       Row{L"计时.wav", "xy", "abcd", "abcd"}}) {
    SCOPED_TRACE(Utf8(r.name));
    const std::string path = At(r.name);
    if (r.before != nullptr) Put(path, r.before);
    const std::string w = r.written;
    EXPECT_TRUE(WriteWhole(path, {reinterpret_cast<const std::uint8_t*>(w.data()), w.size()}));
    EXPECT_EQ(Read(path), r.after);
  }
  fs::create_directory(root_ / L"dir.wav");
  EXPECT_FALSE(WriteWhole(At(L"dir.wav"), {}));
}

TEST_F(Win32FilesTest, MakesTheDirectoryWithItsParentsButNotOverAFile) {
  EXPECT_TRUE(MakePrivateDir(At(L"a\\b\\xiuran-timer\\")));
  EXPECT_TRUE(fs::is_directory(root_ / L"a\\b\\xiuran-timer"));
  EXPECT_TRUE(MakePrivateDir(At(L"a\\b\\xiuran-timer")));  // found there
  Put(At(L"plain"), "x");
  EXPECT_FALSE(MakePrivateDir(At(L"plain\\")));
}

// Wine cannot make a Windows link; these are Unix ones (tests/win32/CMakeLists.txt), which it
// shows as what they lead to. A link is refused, dangling or not, and nothing is written or
// created where it leads.
TEST_F(Win32FilesTest, RefusesAUnixLinkAndLeavesWhereItLeadsAlone) {
  const char* dir = std::getenv("XR_UNIX_LINKS");
  if (dir == nullptr) GTEST_SKIP() << "no Unix links planted (XR_UNIX_LINKS)";
  const std::string d = std::string(dir) + "/";
  for (const char* link : {"link.wav", "dangling.wav"}) {
    EXPECT_FALSE(WriteWhole(d + link, {})) << link;
  }
  EXPECT_EQ(Read(d + "target.wav"), "kept");
  EXPECT_FALSE(fs::exists(Wide(d + "missing.wav")));
}

TEST(Win32Text, RoundTripsChineseAndAstralText) {
  for (const std::string s : {"", "岫然计时器", "请先设置倒记时时间！", "a\U0001F600b"}) {
    EXPECT_EQ(Utf8(Wide(s)), s);
  }
  EXPECT_EQ(Wide("倒计时"), L"倒计时");
}

}  // namespace
}  // namespace xr::win32
