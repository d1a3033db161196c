#include "cue/cue.h"

#include <span>

namespace xr {

void ExtractCue(Platform& platform, CueVars& vars) {
  // The cue names a file only once a place holds the whole of it: a file left there by an
  // earlier run, perhaps by another user, is never what plays.
  vars.cueFile.clear();
  try {
    const std::span<const std::uint8_t> bytes =
        platform.LoadResource(kCueResourceType, kCueResourceId);
    vars.cueFile = platform.KeepCueFile(bytes).value_or("");
  } catch (const std::exception&) {
  }
}

void ReadyCue(const CueVars& vars, Platform& platform) {
  if (!vars.cueFile.empty()) platform.PrepareSound();
}

void PlayCue(const CueVars& vars, Platform& platform) {
  if (vars.cueFile.empty()) return;
  platform.PlaySoundFile(vars.cueFile);
}

}  // namespace xr
