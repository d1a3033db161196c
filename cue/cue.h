// The countdown cue: the sound the program carries, written out to a file at every start, and
// played from that file.
#pragma once

#include <string>
#include <vector>

#include "controls/platform.h"

namespace xr {

inline constexpr const char* kCueResourceType = "CUSTOM";
inline constexpr int kCueResourceId = 101;
inline constexpr const char* kCueFileName = "3sdjs.wav";
inline constexpr std::size_t kCueSize = 824912;

struct CueVars {
  std::string systemDrive;
  std::string cueDir;  // empty: the cue has no place and is never played
};

// Where the cue goes when the system's own directory cannot take it, in the order to try: the
// user's cache directory on Unix, then the one in the home directory; the local
// application-data folder where paths have drives. Only absolute paths: none when the
// environment and the password database name no usable place.
std::vector<std::string> PerUserCueDirs(Platform& platform);

// Writes the cue file and sets the program-wide variables. Never fails: a cue that cannot be
// written only means a silent countdown, and start-up must go on to lay out the window.
void ExtractCue(Platform& platform, CueVars& vars);

// Plays the cue file from its beginning, even while it is still playing. Plays nothing when the
// cue has no place.
void PlayCue(const CueVars& vars, Platform& platform);

}  // namespace xr
