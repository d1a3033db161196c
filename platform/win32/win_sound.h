// The cue's player: a thread of its own reads the file and hands it to the wave device, so the
// GUI thread only names the file and returns.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace xr::win32 {

class CuePlayer {
 public:
  CuePlayer();
  ~CuePlayer();
  CuePlayer(const CuePlayer&) = delete;
  CuePlayer& operator=(const CuePlayer&) = delete;

  // Plays the file once from its beginning at half volume; a second call starts it again. A
  // file that cannot be read or played plays nothing.
  void Play(const std::wstring& path);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::wstring> pending_;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace xr::win32
