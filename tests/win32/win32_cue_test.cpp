// The cue written out by the real Windows layer from the program's own resource: into the
// system's Windows directory, or, when that refuses it, into the user's local application data.
// Wine lets anyone write C:\Windows, so the refusal is injected.
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cue/cue.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {
namespace {

namespace fs = std::filesystem;

// The real platform, but for the Windows directory when a test says it refuses files.
class Refusing final : public Platform {
 public:
  explicit Refusing(bool refuseSystemDir) : refuse_(refuseSystemDir) {}
  // Any window built through real_ goes while real_ is still there.
  ~Refusing() override { Host().CloseAll(); }
  std::unique_ptr<NativeWindow> BuildWindow(Window& w, WindowHost& host) override {
    return real_.BuildWindow(w, host);
  }
  void Quit() override {}
  std::int64_t MonotonicUs() override { return real_.MonotonicUs(); }
  void ReportFailure(std::string_view line) override { real_.ReportFailure(line); }
  bool GetCursorPos(std::int32_t& x, std::int32_t& y) override { return real_.GetCursorPos(x, y); }
  bool SetCursorPos(std::int32_t x, std::int32_t y) override { return real_.SetCursorPos(x, y); }
  int ShowCursor(bool show) override { return real_.ShowCursor(show); }
  double SecondsSinceMidnight() override { return real_.SecondsSinceMidnight(); }
  void MessageBox(std::string_view, std::string_view) override {}
  void OpenUrl(std::string_view) override {}
  void PlaySoundFile(std::string_view) override {}
  std::optional<std::string> GetEnv(std::string_view n) override { return real_.GetEnv(n); }
  std::optional<std::string> PasswdHome() override { return real_.PasswdHome(); }
  std::span<const std::uint8_t> LoadResource(std::string_view type, int id) override {
    return real_.LoadResource(type, id);
  }
  bool DrivePaths() const override { return real_.DrivePaths(); }
  bool MakePrivateDir(std::string_view p) override { return real_.MakePrivateDir(p); }
  std::unique_ptr<OutFile> OpenForOutput(std::string_view path) override {
    if (refuse_ && path.find("\\Windows\\") != std::string_view::npos) {
      throw PlatformError("access denied");
    }
    return real_.OpenForOutput(path);
  }

 private:
  WinPlatform real_{GetModuleHandleW(nullptr), {}};
  bool refuse_;
};

std::string Read(const std::string& path) {
  std::ifstream in(fs::path(Wide(path)), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Win32Cue, WrittenWholeToTheWindowsDirectoryOrElseTheUsersOwn) {
  wchar_t tmp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, tmp), 0u);
  const fs::path local = fs::path(tmp) / (L"xr-local-" + std::to_wstring(GetCurrentProcessId()));
  fs::remove_all(local);
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", local.wstring().c_str()));
  const std::string drive = Refusing(false).GetEnv("systemdrive").value_or("");
  ASSERT_FALSE(drive.empty());
  for (const bool refuse : {false, true}) {
    SCOPED_TRACE(refuse ? "Windows directory refuses" : "Windows directory takes it");
    Refusing platform(refuse);
    const auto bytes = platform.LoadResource(kCueResourceType, kCueResourceId);
    ASSERT_EQ(bytes.size(), kCueSize);
    CueVars vars;
    ExtractCue(platform, vars);
    const std::string want =
        refuse ? Utf8(local.wstring()) + "\\xiuran-timer\\" : drive + "\\Windows\\";
    EXPECT_EQ(vars.cueDir, want);
    EXPECT_EQ(Read(vars.cueDir + kCueFileName), std::string(bytes.begin(), bytes.end()));
  }
  fs::remove_all(local);
}

// The version block as Explorer reads it: every language it lists, the neutral one first, names
// the program.
TEST(Win32Resources, VersionNamesTheProgramInEveryLanguageListed) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const DWORD size = GetFileVersionInfoSizeW(self, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, info.data()));
  const WORD* langs = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(const_cast<WORD**>(&langs)), &bytes));
  ASSERT_GE(bytes / 4, 1u);
  EXPECT_EQ(langs[0], 0) << "the first language listed is not the neutral one";
  for (UINT i = 0; i < bytes / 4; ++i) {
    wchar_t key[64];
    std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductName", langs[2 * i],
                  langs[2 * i + 1]);
    const wchar_t* name = nullptr;
    UINT chars = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), key,
                               reinterpret_cast<void**>(const_cast<wchar_t**>(&name)), &chars))
        << Utf8(key);
    EXPECT_EQ(std::wstring(name), L"岫然计时器");
  }
}

}  // namespace
}  // namespace xr::win32
