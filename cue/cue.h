// The countdown cue: the sound the program carries, kept as a file wherever the system keeps it
// at every start, and played from that file.
#pragma once

#include <string>

#include "controls/platform.h"

namespace xr {

inline constexpr const char* kCueResourceType = "CUSTOM";
inline constexpr int kCueResourceId = 101;
inline constexpr std::size_t kCueSize = 824912;

struct CueVars {
  std::string cueFile;  // empty: the cue has no place and is never played
};

// Has the platform keep the cue file and remembers where. Never fails: a cue that cannot be
// kept only means a silent countdown, and start-up must go on to lay out the window.
void ExtractCue(Platform& platform, CueVars& vars);

// A run that can end in the cue has started: the platform readies its sound for it, unless the
// cue has no place and never plays.
void ReadyCue(const CueVars& vars, Platform& platform);

// Plays the cue file from its beginning, even while it is still playing. Plays nothing when the
// cue has no place.
void PlayCue(const CueVars& vars, Platform& platform);

}  // namespace xr
