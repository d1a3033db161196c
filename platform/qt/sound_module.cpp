#include "platform/qt/sound_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>

namespace xr::qt {

namespace {
QStringList Candidates() {
  const QString here = QCoreApplication::applicationDirPath();
  return {QDir(here).filePath(QString("lib%1.so").arg(kXrSoundModuleName)),
          QDir(QStringLiteral(XR_SOUND_MODULE_DIR))
              .filePath(QString("lib%1.so").arg(kXrSoundModuleName))};
}
}  // namespace

SoundModule::SoundModule() = default;

SoundModule::~SoundModule() {
  if (player_ != nullptr && destroy_ != nullptr) destroy_(player_);
  // The library stays loaded: Qt objects it made may still be queued for deletion.
}

void SoundModule::Load() {
  if (tried_) return;
  tried_ = true;
  for (const QString& file : Candidates()) {
    library_.setFileName(file);
    if (library_.load()) break;
  }
  if (!library_.isLoaded()) {
    std::fprintf(stderr, "xiuran-timer: the sound module is missing; the countdown is silent\n");
    return;
  }
  auto create = reinterpret_cast<XrSoundCreate>(library_.resolve("xr_sound_create"));
  play_ = reinterpret_cast<XrSoundPlay>(library_.resolve("xr_sound_play"));
  destroy_ = reinterpret_cast<XrSoundDestroy>(library_.resolve("xr_sound_destroy"));
  if (create == nullptr || play_ == nullptr || destroy_ == nullptr) return;
  player_ = create();
}

void SoundModule::Play(const QString& path) {
  Load();
  if (player_ != nullptr) play_(player_, path.toUtf8().constData());
}

}  // namespace xr::qt
