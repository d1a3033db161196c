#include "platform/win32/win_files.h"

#include <algorithm>
#include <string>

#include "platform/win32/win_api.h"
#include "platform/win32/win_text.h"

namespace xr::win32 {

namespace {

bool IsPlainDirectory(const std::wstring& path) {
  const DWORD attrs = GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Where an open handle really leads; empty where the file system cannot tell.
std::wstring FinalPath(HANDLE h) {
  std::wstring out(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), 0);
  if (n >= out.size()) {
    out.resize(n);
    n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), 0);
  }
  out.resize(n < out.size() ? n : 0);
  return out;
}

// Whether the open file is known to lie elsewhere than at its name in its directory. Wine shows
// a Unix symbolic link to a file as that file, attributes and all; only where its handle leads
// gives the link away. The leaf is compared as given: a short 8.3 alias would not match.
bool LeadsElsewhere(HANDLE file, const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  const HANDLE dir = CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  std::wstring expected = FinalPath(dir);
  CloseHandle(dir);
  if (expected.empty()) return false;
  // Its directory has a name on a drive and the file none: it lies somewhere else.
  const std::wstring actual = FinalPath(file);
  if (actual.empty()) return true;
  if (expected.back() != L'\\') expected += L'\\';
  expected += path.substr(slash + 1);
  return CompareStringOrdinal(actual.c_str(), static_cast<int>(actual.size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
}

HANDLE OpenLinkItself(const std::wstring& path, DWORD disposition) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

bool WriteWhole(std::string_view path, std::span<const std::uint8_t> bytes) {
  const std::wstring wpath = Wide(path);
  // The link itself is opened, not what it points to, so that it can be refused. A new file is
  // made only where nothing stands, not even a link that leads nowhere: Wine would create its
  // target.
  HANDLE h = OpenLinkItself(wpath, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
    h = OpenLinkItself(wpath, CREATE_NEW);
  }
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool plain =
      GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
      !LeadsElsewhere(h, wpath);
  if (!plain) {
    CloseHandle(h);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  const bool whole = CloseHandle(h) && done == bytes.size();
  // Cut short, the file would stay behind as a broken cue and be played as one.
  if (!whole) DeleteFileW(wpath.c_str());
  return whole;
}

bool MakePrivateDir(std::string_view path) {
  std::wstring w = Wide(path);
  while (!w.empty() && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  if (w.empty()) return false;
  // Parents first, each taken as it is.
  for (std::size_t i = 0; i < w.size(); ++i) {
    if ((w[i] == L'\\' || w[i] == L'/') && i > 0 && w[i - 1] != L':' && w[i - 1] != L'\\') {
      CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
    }
  }
  CreateDirectoryW(w.c_str(), nullptr);
  return IsPlainDirectory(w);
}

std::optional<std::string> KeepCueFile(std::span<const std::uint8_t> bytes,
                                       std::string_view systemDrive,
                                       std::string_view localAppData) {
  // The system's own directory is usually not writable by a user: the user's own folder takes
  // the cue then.
  std::string file = std::string(systemDrive) + "\\Windows\\" + kCueFileName;
  if (WriteWhole(file, bytes)) return file;
  if (localAppData.empty()) return std::nullopt;
  const std::string dir = std::string(localAppData) + "\\xiuran-timer\\";
  file = dir + kCueFileName;
  if (MakePrivateDir(dir) && WriteWhole(file, bytes)) return file;
  return std::nullopt;
}

}  // namespace xr::win32
