#include "cue/cue.h"

#include <memory>
#include <vector>

#include "controls/control.h"
#include "controls/window.h"

namespace xr {

std::string PerUserCueDir(Platform& platform) {
  if (platform.DrivePaths()) {
    const auto local = platform.GetEnv("LOCALAPPDATA");
    if (!local || local->empty()) return {};
    return *local + "\\xiuran-timer\\";
  }
  // Only an absolute XDG_CACHE_HOME counts; a relative one is ignored as the convention says.
  const auto cache = platform.GetEnv("XDG_CACHE_HOME");
  if (cache && !cache->empty() && cache->front() == '/') return *cache + "/xiuran-timer/";
  const auto home = platform.GetEnv("HOME");
  if (home && !home->empty() && home->front() == '/') return *home + "/.cache/xiuran-timer/";
  return {};
}

namespace {

std::unique_ptr<OutFile> OpenInPerUserDir(Platform& platform, CueVars& vars) {
  const std::string dir = PerUserCueDir(platform);
  if (dir.empty()) return nullptr;
  // Without drives the user's directory is the cue's only home, written or not.
  if (!platform.DrivePaths()) vars.cueDir = dir;
  if (!platform.MakePrivateDir(dir)) return nullptr;
  try {
    auto file = platform.OpenForOutput(dir + kCueFileName);
    vars.cueDir = dir;
    return file;
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

void ExtractCue(Platform& platform, CueVars& vars) {
  vars.systemDrive = platform.GetEnv("systemdrive").value_or("");
  vars.cueDir = vars.systemDrive + "\\Windows\\";

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

void PlayCue(const CueVars& vars, Control& player) { player.SetUrl(vars.cueDir + kCueFileName); }

}  // namespace xr
