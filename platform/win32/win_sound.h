// The cue's player: a thread of its own reads the file and hands it to the wave device, so the
// GUI thread only names the file and returns.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/win32/win_worker.h"

namespace xr::win32 {

class Playback;

class CuePlayer {
 public:
  CuePlayer();
  ~CuePlayer();
  CuePlayer(const CuePlayer&) = delete;
  CuePlayer& operator=(const CuePlayer&) = delete;

  // Plays the file once from its beginning at half volume; a second call starts it again. A
  // file that cannot be read or played plays nothing.
  void Play(const std::wstring& path);

  // Stops the sound and ends the thread; false when the wave device still holds it at the
  // deadline (see Worker::Shutdown).
  bool Shutdown(std::chrono::steady_clock::time_point deadline);

 private:
  std::unique_ptr<Playback> playback_;  // used on the worker's thread only
  Worker worker_;                       // ends before the playback goes
};

}  // namespace xr::win32
