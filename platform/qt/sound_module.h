// The countdown cue's player, loaded from its module on demand so that the program starts
// without the sound stack. Without the module the cue is silent and nothing else changes.
#pragma once

#include <QLibrary>
#include <QString>

#include "platform/qt/sound/sound_module_abi.h"

namespace xr::qt {

class SoundModule {
 public:
  SoundModule();
  ~SoundModule();
  SoundModule(const SoundModule&) = delete;
  SoundModule& operator=(const SoundModule&) = delete;

  // Loads the module and connects the player to the sound output; later calls do nothing.
  void Load();
  // Plays the file, loading the module first if that has not happened yet.
  void Play(const QString& path);
  bool Loaded() const { return player_ != nullptr; }

 private:
  QLibrary library_;
  bool tried_ = false;
  void* player_ = nullptr;
  XrSoundPlay play_ = nullptr;
  XrSoundDestroy destroy_ = nullptr;
};

}  // namespace xr::qt
