// Where the real Windows layer keeps the cue from the program's own resource: the system drive's
// Windows directory, or, when that refuses it, the user's local application data. Both are
// pointed into a temporary directory through the environment.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cue/cue.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

enum class Kept { Nowhere, System, Local };

struct CueRow {
  const char* what;
  bool windowsDir = false;         // the drive has a Windows directory
  bool dirAtSystemPath = false;    // a directory stands where the cue goes in it
  const wchar_t* local = nullptr;  // LOCALAPPDATA, under the temporary directory; none: unset
  bool unreadable = false;         // the bytes run into memory that cannot be read
  Kept kept = Kept::Nowhere;
};

void PrintTo(const CueRow& row, std::ostream* os) { *os << row.what; }

class Win32Cue : public ::testing::TestWithParam<CueRow> {};

TEST_P(Win32Cue, KeptWholeInTheFirstPlaceThatTakesIt) {
  const CueRow& r = GetParam();
  wchar_t tmp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, tmp), 0u);
  const fs::path root = fs::path(tmp) / (L"xr-cue-" + std::to_wstring(GetCurrentProcessId()));
  fs::remove_all(root);
  fs::create_directories(root / L"drive");
  if (r.windowsDir) fs::create_directories(root / L"drive\\Windows");
  if (r.dirAtSystemPath) fs::create_directories(root / L"drive\\Windows\\3sdjs.wav");
  std::ofstream(root / L"file") << "x";
  const fs::path system = root / L"drive\\Windows\\3sdjs.wav";
  const fs::path local = root / (r.local != nullptr ? r.local : L"") / L"xiuran-timer\\3sdjs.wav";
  wchar_t drive[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"systemdrive", drive, MAX_PATH);
  ASSERT_TRUE(SetEnvironmentVariableW(L"systemdrive", (root / L"drive").wstring().c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(
      L"LOCALAPPDATA", r.local != nullptr ? (root / r.local).wstring().c_str() : nullptr));

  WinPlatform platform(GetModuleHandleW(nullptr), {});
  std::span<const std::uint8_t> bytes = platform.LoadResource(kCueResourceType, kCueResourceId);
  ASSERT_EQ(bytes.size(), kCueSize);
  // Two pages, the second unreadable; the bytes are the first and part of the second.
  auto* pages = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, 2 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD was = 0;
  ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &was));
  if (r.unreadable) bytes = {pages, 4096 + 100};

  const std::optional<std::string> kept = platform.KeepCueFile(bytes);
  switch (r.kept) {
    case Kept::Nowhere:
      EXPECT_EQ(kept, std::nullopt);
      break;
    case Kept::System:
      EXPECT_EQ(kept, Utf8(system.wstring()));
      EXPECT_TRUE(Read(system) == std::string(bytes.begin(), bytes.end()));
      break;
    case Kept::Local:
      EXPECT_EQ(kept, Utf8(local.wstring()));
      EXPECT_TRUE(Read(local) == std::string(bytes.begin(), bytes.end()));
      break;
  }
  // What a place did not keep is not left there either.
  EXPECT_EQ(fs::is_regular_file(system), r.kept == Kept::System);
  EXPECT_EQ(fs::exists(local), r.kept == Kept::Local);
  VirtualFree(pages, 0, MEM_RELEASE);
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  SetEnvironmentVariableW(L"systemdrive", drive);
  fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Win32Cue,
    ::testing::Values(CueRow{.what = "Windows directory takes it",
                             .windowsDir = true,
                             .local = L"local",
                             .kept = Kept::System},
                      CueRow{.what = "no Windows directory: local application data",
                             .local = L"local",
                             .kept = Kept::Local},
                      CueRow{.what = "directory at the Windows path: local application data",
                             .windowsDir = true,
                             .dirAtSystemPath = true,
                             .local = L"local",
                             .kept = Kept::Local},
                      CueRow{.what = "no Windows directory, no local application data"},
                      CueRow{.what = "local application data under a plain file",
                             .local = L"file\\local"},
                      CueRow{.what = "cut short in both places: nothing kept, nothing left",
                             .windowsDir = true,
                             .local = L"local",
                             .unreadable = true}));

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
