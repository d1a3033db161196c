// The sound player as a module the program loads when a clock first runs: the sound stack (the
// sound server's client library) then costs nothing at start-up. Every
// entry point runs on the program's sound thread, never on its GUI thread.
#include <QByteArray>
#include <chrono>

#include "platform/qt/sound/sound_module_abi.h"
#include "platform/qt/sound/sound_player.h"

extern "C" {

Q_DECL_EXPORT const char* xr_sound_abi() { return kXrSoundAbi; }

Q_DECL_EXPORT void* xr_sound_create() { return new xr::qt::SoundPlayer(); }

Q_DECL_EXPORT void xr_sound_play(void* player, const char* path, long long dueUs) {
  using Clock = xr::qt::SoundPlayer::Clock;
  static_cast<xr::qt::SoundPlayer*>(player)->Play(
      QByteArray(path), Clock::time_point(std::chrono::microseconds(dueUs)));
}

Q_DECL_EXPORT void xr_sound_destroy(void* player) {
  delete static_cast<xr::qt::SoundPlayer*>(player);
}
}
