// The cue's player: a thread of its own reads the file and hands it to the wave device, so the
// GUI thread only names the file and returns.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "platform/win32/win_api.h"
#include "platform/win32/win_worker.h"
// Needs windows.h first.
// clang-format off
#include <mmsystem.h>
// clang-format on

namespace xr::win32 {

// The wave device's functions the player uses.
struct WaveOutApi {
  decltype(&::waveOutOpen) open = nullptr;
  decltype(&::waveOutPrepareHeader) prepare = nullptr;
  decltype(&::waveOutWrite) write = nullptr;
  decltype(&::waveOutUnprepareHeader) unprepare = nullptr;
  decltype(&::waveOutReset) reset = nullptr;
  decltype(&::waveOutClose) close = nullptr;
};

// winmm's, from the system folder (never a copy beside the program); all null without it.
const WaveOutApi& SystemWaveOut();

class Playback;

class CuePlayer {
 public:
  // The device's functions are looked up on the player's thread, at the first cue.
  explicit CuePlayer(const WaveOutApi& (*api)() = &SystemWaveOut);
  ~CuePlayer();
  CuePlayer(const CuePlayer&) = delete;
  CuePlayer& operator=(const CuePlayer&) = delete;

  // Plays the file once from its beginning at half volume; a second call starts it again. A
  // file that cannot be read or played plays nothing. The device is closed once the sound has
  // played out: an open one costs CPU for as long as it is open and keeps Windows from sleeping.
  void Play(const std::wstring& path);

  // Stops the sound and ends the thread; false when the wave device still holds it at the
  // deadline (see Worker::Shutdown).
  bool Shutdown(std::chrono::steady_clock::time_point deadline);

 private:
  // Set by the device (opened, played out, closed), by a newer Play and by Shutdown.
  std::unique_ptr<void, decltype(&CloseHandle)> wake_;
  std::atomic<int> waiting_{0};  // Plays handed over but not started
  std::atomic<bool> ending_{false};
  std::unique_ptr<Playback> playback_;  // used on the worker's thread only
  Worker worker_;                       // ends before the playback goes
};

}  // namespace xr::win32
