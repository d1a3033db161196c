// The countdown cue's player, loaded from its module on demand so that the program starts
// without the sound stack. Without the module the cue is silent and nothing else changes.
//
// Everything that talks to the sound system (loading the module, finding the output device,
// connecting to the sound server, feeding the output) runs on a thread of its own: a sound
// server that accepts a connection and never answers blocks its client for half a minute at a
// time, and the clock must not notice. The GUI thread only hands requests over and never waits
// for that thread.
#pragma once

#include <QByteArray>
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/qt/sound/sound_module_abi.h"

class QThread;

namespace xr::qt {

struct SoundEntries {
  XrSoundCreate create = nullptr;
  XrSoundPlay play = nullptr;
  XrSoundDestroy destroy = nullptr;
};

// Loads the first of the candidate files that can serve as the sound module and fills entries.
// Returns empty on success, otherwise the one line that says why the cue will be silent: the
// module missing, a file that cannot be loaded, one of another build, or one lacking an entry
// point. Runs on the sound thread.
QString LoadSoundModule(QLibrary& library, const QStringList& candidates, SoundEntries& entries);

// Where the program looks for its module: next to itself, then in its installed library folder,
// found from the program's own folder so that the installed pair works under any prefix.
QStringList SoundModuleCandidates();

class SoundWorker;
struct SoundHandOver;

class SoundModule {
 public:
  explicit SoundModule(QStringList candidates = SoundModuleCandidates());
  ~SoundModule();
  SoundModule(const SoundModule&) = delete;
  SoundModule& operator=(const SoundModule&) = delete;

  // Starts the sound thread and has it load the module and connect to the sound output; later
  // calls do nothing. Returns at once.
  void Load();
  // Has the sound thread play the file from its beginning, loading the module first if need be.
  // Returns at once. Only the latest request waits for a busy thread, and one that has waited
  // too long, there or for the sound server to take it, is dropped: the cue comes a little late
  // or not at all, never the clock. The path is in bytes, as the file system takes it.
  void Play(const QByteArray& path);
  // Stops the sound thread, waiting for it at most waitMs. False once the sound stack has been
  // used at all: the program must then leave without running its static destructors, which
  // would pull the sound stack away under a thread still stuck in it, or under the sound
  // server's own client thread.
  bool Shutdown(int waitMs);

 private:
  // False when the cue is to stay silent: no thread could be had for it.
  bool StartThread();

  QStringList candidates_;
  // Shared with the sound thread, which may outlive this object when it is stuck at exit.
  std::shared_ptr<SoundHandOver> handOver_;
  QThread* thread_ = nullptr;
  SoundWorker* worker_ = nullptr;
  bool stopped_ = false;
  bool used_ = false;
};

}  // namespace xr::qt
