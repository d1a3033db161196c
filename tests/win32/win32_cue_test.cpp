// The cue written out by the real Windows layer from the program's own resource: into the
// system's Windows directory, or, when that refuses it, into the user's local application data.
// Wine lets anyone write C:\Windows, so the refusal is injected.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cue/cue.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_text.h"
#include "tests/forwarding_platform.h"

namespace xr::win32 {
namespace {

namespace fs = std::filesystem;

// The real platform, but for the Windows directory when a test says it refuses files; boxes,
// links and sounds go nowhere.
class Refusing final : public test::ForwardingPlatform {
 public:
  explicit Refusing(bool refuseSystemDir) : ForwardingPlatform(real_), refuse_(refuseSystemDir) {}
  void Quit() override {}
  void MessageBox(std::string_view, std::string_view) override {}
  void OpenUrl(std::string_view) override {}
  void PlaySoundFile(std::string_view) override {}
  std::unique_ptr<OutFile> OpenForOutput(std::string_view path) override {
    if (refuse_ && path.find("\\Windows\\") != std::string_view::npos) {
      throw PlatformError("access denied");
    }
    return ForwardingPlatform::OpenForOutput(path);
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

// Stored as Chinese (PRC), the program's language, as Windows' resource tools list them.
TEST(Win32Resources, StoredInChineseSimplified) {
  const HMODULE self = GetModuleHandleW(nullptr);
  const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  const struct {
    const wchar_t* type;
    const wchar_t* name;
  } rows[] = {
      {L"CUSTOM", MAKEINTRESOURCEW(kCueResourceId)},
      {RT_RCDATA, L"PICTURES_YYLB_BG_JPG"},
      {RT_GROUP_ICON, L"ICONS_APP_ICO"},
      {RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO)},
  };
  for (const auto& row : rows) {
    EXPECT_NE(FindResourceExW(self, row.type, row.name, chinese), nullptr)
        << (IS_INTRESOURCE(row.name) ? std::to_string(reinterpret_cast<std::uintptr_t>(row.name))
                                     : Utf8(row.name));
  }
}

// The version block as Explorer reads it: every language it lists, the neutral one first, names
// the program and its copyright holders.
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
    for (const wchar_t* field : {L"CompanyName", L"LegalCopyright"}) {
      std::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\%ls", langs[2 * i], langs[2 * i + 1],
                    field);
      ASSERT_TRUE(VerQueryValueW(info.data(), key,
                                 reinterpret_cast<void**>(const_cast<wchar_t**>(&name)), &chars))
          << Utf8(key);
      EXPECT_NE(std::wstring(name).find(L"the 岫然计时器 developers"), std::wstring::npos);
    }
  }
}

}  // namespace
}  // namespace xr::win32
