#include "platform/qt/sound_module.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/posix_env.h"

namespace xr::qt {

namespace {

// A cue asked for longer ago than this is over before it could start (it lasts under five
// seconds); a later one starts as far into itself as it is late (the player).
constexpr auto kStaleRequest = std::chrono::seconds(5);

// The player says why the cue is silent (no sound server), and would say it again at every
// cue, as a sound backend of Qt's does at every retry. The first such notice of a run is let
// through, to tell why it is silent, and the rest are dropped. Whatever is said on the sound
// thread counts, and so do a sound backend's own words on the sound server's client threads.
QtMessageHandler g_nextHandler = nullptr;
std::atomic<Qt::HANDLE> g_soundThreadId{nullptr};
std::atomic<bool> g_soundNoticeShown{false};

bool IsSoundNotice(const QMessageLogContext& context, const QString& message) {
  if (QThread::currentThreadId() == g_soundThreadId.load()) return true;
  const char* category = context.category != nullptr ? context.category : "";
  return qstrncmp(category, "qt.multimedia", 13) == 0 ||
         message.startsWith(QLatin1String("PulseAudioService")) ||
         message.startsWith(QLatin1String("QAudio")) ||
         message.startsWith(QLatin1String("QPulseAudio"));
}

void FilterSoundNotices(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg && IsSoundNotice(context, message) && g_soundNoticeShown.exchange(true)) {
    return;
  }
  if (g_nextHandler != nullptr) {
    g_nextHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(message));
  }
}

void InstallSoundNoticeFilter() {
  static std::once_flag once;
  std::call_once(once, [] { g_nextHandler = qInstallMessageHandler(FilterSoundNotices); });
}

QString TryModule(QLibrary& library, const QString& file, SoundEntries& entries) {
  library.setFileName(file);
  if (!library.load()) {
    return QStringLiteral("cannot be loaded (%1)").arg(library.errorString());
  }
  const auto abi = reinterpret_cast<XrSoundAbi>(library.resolve("xr_sound_abi"));
  const QString theirs = abi != nullptr ? QString::fromUtf8(abi()) : QStringLiteral("no version");
  if (theirs != QLatin1String(kXrSoundAbi)) {
    return QStringLiteral("%1 is of another build (%2; the program's is %3)")
        .arg(file, theirs, QLatin1String(kXrSoundAbi));
  }
  SoundEntries found;
  found.create = reinterpret_cast<XrSoundCreate>(library.resolve("xr_sound_create"));
  found.play = reinterpret_cast<XrSoundPlay>(library.resolve("xr_sound_play"));
  found.destroy = reinterpret_cast<XrSoundDestroy>(library.resolve("xr_sound_destroy"));
  QStringList missing;
  if (found.create == nullptr) missing << QStringLiteral("xr_sound_create");
  if (found.play == nullptr) missing << QStringLiteral("xr_sound_play");
  if (found.destroy == nullptr) missing << QStringLiteral("xr_sound_destroy");
  if (!missing.isEmpty()) {
    return QStringLiteral("%1 lacks %2").arg(file, missing.join(QLatin1String(", ")));
  }
  entries = found;
  return {};
}

}  // namespace

QStringList SoundModuleCandidates() {
  const QString name = QStringLiteral("lib%1.so").arg(QLatin1String(kXrSoundModuleName));
  const QDir programDir(QCoreApplication::applicationDirPath());
  return {programDir.filePath(name),
          QDir::cleanPath(programDir.filePath(QStringLiteral(XR_SOUND_MODULE_RELDIR "/") + name))};
}

QString LoadSoundModule(QLibrary& library, const QStringList& candidates, SoundEntries& entries) {
  QString failure;
  for (const QString& file : candidates) {
    if (!QFileInfo::exists(file)) continue;
    const QString why = TryModule(library, file, entries);
    if (why.isEmpty()) return {};
    if (failure.isEmpty()) failure = why;
  }
  return QStringLiteral("xiuran-timer: the sound module %1; the countdown is silent")
      .arg(failure.isEmpty() ? QStringLiteral("is missing") : failure);
}

struct SoundHandOver {
  struct Request {
    QByteArray path;
    std::chrono::steady_clock::time_point made;
  };
  // Guards only the two fields below, never a call into the sound system.
  std::mutex mutex;
  std::optional<Request> latest;
  bool posted = false;
};

// Lives on the sound thread and owns everything of the sound system.
class SoundWorker : public QObject {
 public:
  SoundWorker(QStringList candidates, std::shared_ptr<SoundHandOver> handOver)
      : candidates_(std::move(candidates)), handOver_(std::move(handOver)) {}

  void Load() {
    if (tried_) return;
    tried_ = true;
    const QString failure = LoadSoundModule(library_, candidates_, entries_);
    if (!failure.isEmpty()) {
      std::fprintf(stderr, "%s\n", qPrintable(failure));
      return;
    }
    player_ = entries_.create();
  }

  void Serve() {
    std::optional<SoundHandOver::Request> request;
    {
      const std::lock_guard lock(handOver_->mutex);
      request = std::exchange(handOver_->latest, std::nullopt);
      handOver_->posted = false;
    }
    if (!request) return;
    Load();
    if (player_ == nullptr) return;
    if (std::chrono::steady_clock::now() > request->made + kStaleRequest) return;
    entries_.play(
        player_, request->path.constData(),
        std::chrono::duration_cast<std::chrono::microseconds>(request->made.time_since_epoch())
            .count());
  }

  void Stop() {
    if (player_ != nullptr) entries_.destroy(player_);
    player_ = nullptr;
    // The library stays loaded: the sound stack keeps global objects of its own.
    QThread::currentThread()->quit();
  }

 private:
  QStringList candidates_;
  std::shared_ptr<SoundHandOver> handOver_;
  QLibrary library_;
  SoundEntries entries_;
  bool tried_ = false;
  void* player_ = nullptr;
};

SoundModule::SoundModule(QStringList candidates)
    : candidates_(std::move(candidates)), handOver_(std::make_shared<SoundHandOver>()) {
  InstallSoundNoticeFilter();
}

SoundModule::~SoundModule() {
  // A module that main() did not shut down: a short wait, then the thread is left to the end of
  // the process rather than destroyed while it runs.
  Shutdown(1000);
}

// A thread with its own event loop, the module, the server's socket and the sound stack's own
// pipes and shared memory: that many descriptors at least must be free for the cue, or the sound
// thread's first pipe fails, and that failure is fatal to the whole program.
constexpr int kDescriptorsForSound = 12;

bool SoundModule::StartThread() {
  if (thread_ != nullptr) return true;
  if (stopped_) return false;
  if (!posix::DescriptorsFree(kDescriptorsForSound)) {
    stopped_ = true;
    std::fprintf(stderr, "xiuran-timer: too many open files; the countdown's cue is silent\n");
    return false;
  }
  used_ = true;
  thread_ = new QThread();
  thread_->setObjectName(QStringLiteral("sound"));
  worker_ = new SoundWorker(candidates_, handOver_);
  worker_->moveToThread(thread_);
  QObject::connect(thread_, &QThread::started, worker_,
                   [] { g_soundThreadId.store(QThread::currentThreadId()); });
  thread_->start();
  return true;
}

void SoundModule::Load() {
  if (stopped_ || !StartThread()) return;
  QMetaObject::invokeMethod(
      worker_, [w = worker_] { w->Load(); }, Qt::QueuedConnection);
}

void SoundModule::Play(const QByteArray& path) {
  if (stopped_ || !StartThread()) return;
  bool post = false;
  {
    const std::lock_guard lock(handOver_->mutex);
    handOver_->latest = SoundHandOver::Request{path, std::chrono::steady_clock::now()};
    post = !std::exchange(handOver_->posted, true);
  }
  if (post) {
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->Serve(); }, Qt::QueuedConnection);
  }
}

bool SoundModule::Shutdown(int waitMs) {
  if (stopped_) return !used_;
  stopped_ = true;
  if (thread_ == nullptr) return !used_;
  QMetaObject::invokeMethod(
      worker_, [w = worker_] { w->Stop(); }, Qt::QueuedConnection);
  if (!thread_->wait(QDeadlineTimer(waitMs))) {
    // Stuck in the sound system: the thread and its worker are left to the end of the process.
    thread_ = nullptr;
    worker_ = nullptr;
    return false;
  }
  delete worker_;
  delete thread_;
  worker_ = nullptr;
  thread_ = nullptr;
  // Even with the thread gone, the sound stack's own global objects disconnect from the server
  // in the static destructors without holding its client's lock, while the client's thread
  // still runs: about one exit in thirty aborted that way.
  return false;
}

}  // namespace xr::qt
