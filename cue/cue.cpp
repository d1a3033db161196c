#include "cue/cue.h"

#include <memory>
#include <vector>

#include "controls/control.h"
#include "controls/window.h"

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

// The first per-user place that is the user's own and takes the file; cueDir follows it only
// then, so that the player is never pointed at a place that did not take the cue.
std::unique_ptr<OutFile> OpenInPerUserDir(Platform& platform, CueVars& vars) {
  for (const std::string& dir : PerUserCueDirs(platform)) {
    if (!platform.MakePrivateDir(dir)) continue;
    try {
      auto file = platform.OpenForOutput(dir + kCueFileName);
      vars.cueDir = dir;
      return file;
    } catch (const std::exception&) {
    }
  }
  return nullptr;
}

}  // namespace

void ExtractCue(Platform& platform, CueVars& vars) {
  vars.systemDrive = platform.GetEnv("systemdrive").value_or("");
  // Without drives "\Windows\" is a relative name: the cue has no place until a directory of
  // the user's own takes it.
  vars.cueDir = platform.DrivePaths() ? vars.systemDrive + "\\Windows\\" : std::string();

  std::span<const std::uint8_t> bytes;
  try {
    bytes = platform.LoadResource(kCueResourceType, kCueResourceId);
  } catch (const std::exception&) {
    return;
  }

  // The system's own directory is usually not writable by a user, and has no meaning at all
  // where paths have no drives: the user's own directory takes the cue then.
  std::unique_ptr<OutFile> file;
  if (platform.DrivePaths()) {
    try {
      file = platform.OpenForOutput(vars.cueDir + kCueFileName);
    } catch (const std::exception&) {
      file = nullptr;
    }
  }
  if (!file) file = OpenInPerUserDir(platform, vars);
  if (!file) return;

  SkipOnFailure([&] { file->Write(bytes); });
  SkipOnFailure([&] { file->Close(); });
}

void PlayCue(const CueVars& vars, Control& player) {
  if (vars.cueDir.empty()) return;
  player.SetUrl(vars.cueDir + kCueFileName);
}

}  // namespace xr
