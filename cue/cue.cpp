#include "cue/cue.h"

#include <memory>
#include <span>
#include <vector>

namespace xr {

std::vector<std::string> PerUserCueDirs(Platform& platform) {
  if (platform.DrivePaths()) {
    const auto local = platform.GetEnv("LOCALAPPDATA");
    if (!local || local->empty()) return {};
    return {*local + "\\xiuran-timer\\"};
  }
  // A relative path would be resolved against wherever the program happens to be started.
  const auto absolute = [](const std::optional<std::string>& p) {
    return p && !p->empty() && p->front() == '/';
  };
  std::vector<std::string> dirs;
  const auto cache = platform.GetEnv("XDG_CACHE_HOME");
  if (absolute(cache)) dirs.push_back(*cache + "/xiuran-timer/");
  auto home = platform.GetEnv("HOME");
  // Started from a service or a cleared environment, the user still has a home of record.
  if (!absolute(home)) home = platform.PasswdHome();
  if (absolute(home)) {
    std::string dir = *home + "/.cache/xiuran-timer/";
    if (dirs.empty() || dirs.front() != dir) dirs.push_back(std::move(dir));
  }
  return dirs;
}

namespace {

// A file that took only part of the cue is removed by the platform: the place did not take it.
bool WriteWhole(Platform& platform, const std::string& path, std::span<const std::uint8_t> bytes) {
  try {
    auto file = platform.OpenForOutput(path);
    file->Write(bytes);
    file->Close();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

void ExtractCue(Platform& platform, CueVars& vars) {
  vars.systemDrive = platform.GetEnv("systemdrive").value_or("");
  // cueDir names a place only once that place holds the whole cue: a file left there by an
  // earlier run, perhaps by another user, is never what plays.
  vars.cueDir.clear();

  std::span<const std::uint8_t> bytes;
  try {
    bytes = platform.LoadResource(kCueResourceType, kCueResourceId);
  } catch (const std::exception&) {
    return;
  }

  // The system's own directory is usually not writable by a user, and has no meaning at all
  // where paths have no drives ("\Windows\" would be relative): the user's own directory
  // takes the cue then.
  if (platform.DrivePaths()) {
    const std::string dir = vars.systemDrive + "\\Windows\\";
    if (WriteWhole(platform, dir + kCueFileName, bytes)) {
      vars.cueDir = dir;
      return;
    }
  }
  for (const std::string& dir : PerUserCueDirs(platform)) {
    if (platform.MakePrivateDir(dir) && WriteWhole(platform, dir + kCueFileName, bytes)) {
      vars.cueDir = dir;
      return;
    }
  }
}

void PlayCue(const CueVars& vars, Platform& platform) {
  if (vars.cueDir.empty()) return;
  platform.PlaySoundFile(vars.cueDir + kCueFileName);
}

}  // namespace xr
