// What the program says about a sound module it cannot use, and which files the player refuses
// to read as a cue.
#include "platform/qt/sound_module.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <ostream>

#include "platform/posix_files.h"
#include "platform/qt/sound/sound_player.h"

namespace xr::qt {
namespace {

struct ModuleRow {
  const char* name;
  QStringList candidates;
  const char* says;  // part of the one line; empty when the module loads
};

void PrintTo(const ModuleRow& row, std::ostream* os) { *os << row.name; }

class ModuleErrors : public testing::TestWithParam<ModuleRow> {};

TEST_P(ModuleErrors, NameTheRealReasonInOneLine) {
  const ModuleRow& row = GetParam();
  QLibrary library;
  SoundEntries entries;
  const QString line = LoadSoundModule(library, row.candidates, entries);
  if (*row.says == '\0') {
    EXPECT_TRUE(line.isEmpty()) << qPrintable(line);
    EXPECT_TRUE(entries.create != nullptr && entries.play != nullptr && entries.destroy != nullptr);
    return;
  }
  EXPECT_TRUE(line.contains(QLatin1String(row.says))) << qPrintable(line);
  EXPECT_TRUE(line.endsWith(QLatin1String("the countdown is silent"))) << qPrintable(line);
  EXPECT_FALSE(line.contains(QLatin1Char('\n'))) << qPrintable(line);
  EXPECT_EQ(entries.play, nullptr);
}

const QString kNowhere = QStringLiteral("/nonexistent/libxiuran-timer-sound.so");

INSTANTIATE_TEST_SUITE_P(
    Rows, ModuleErrors,
    testing::Values(
        ModuleRow{"missing", {kNowhere}, "the sound module is missing"},
        ModuleRow{"not_a_library", {QStringLiteral(XR_NOT_A_LIBRARY)}, "cannot be loaded"},
        ModuleRow{
            "without_version", {QStringLiteral(XR_FAKE_NO_ABI)}, "is of another build (no version"},
        ModuleRow{"of_another_build",
                  {QStringLiteral(XR_FAKE_OTHER_ABI)},
                  "is of another build (xr-sound 0 qt 0.0.0; the program's is xr-sound"},
        ModuleRow{
            "lacking_an_entry_point", {QStringLiteral(XR_FAKE_NO_PLAY)}, "lacks xr_sound_play"},
        // The first file that can be used wins; the faults of others are not reported.
        ModuleRow{"bad_then_good",
                  {kNowhere, QStringLiteral(XR_FAKE_OTHER_ABI), QStringLiteral(XR_SOUND_MODULE)},
                  ""}),
    [](const testing::TestParamInfo<ModuleRow>& info) { return std::string(info.param.name); });

struct FileRow {
  const char* name;
  // Makes the thing to read in dir and returns the path to give the player.
  std::function<QString(const QDir& dir)> make;
  bool read;
};

QString CopyOfCue(const QDir& dir) {
  const QString path = dir.filePath(QStringLiteral("cue.wav"));
  QFile::copy(QStringLiteral(XR_CUE_WAV), path);
  return path;
}

QString SparseFile(const QDir& dir, qint64 size) {
  QFile file(dir.filePath(QStringLiteral("big.wav")));
  if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) return {};
  return file.fileName();
}

constexpr qint64 kCap = 8 * 1024 * 1024;

void PrintTo(const FileRow& row, std::ostream* os) { *os << row.name; }

class PlayerFiles : public testing::TestWithParam<FileRow> {};

TEST_P(PlayerFiles, ReadOnlyARegularFileOfCueSizeAtAnAbsolutePath) {
  const FileRow& row = GetParam();
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const QString path = row.make(QDir(temp.path()));
  ASSERT_FALSE(path.isEmpty());
  const std::optional<QByteArray> bytes = ReadSoundFile(QFile::encodeName(path));
  ASSERT_EQ(bytes.has_value(), row.read);
  if (row.read) {
    EXPECT_EQ(bytes->size(), QFileInfo(path).size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlayerFiles,
    testing::Values(
        FileRow{"the_cue", CopyOfCue, true},
        FileRow{"at_the_cap", [](const QDir& d) { return SparseFile(d, kCap); }, true},
        FileRow{"over_the_cap", [](const QDir& d) { return SparseFile(d, kCap + 1); }, false},
        FileRow{"missing", [](const QDir& d) { return d.filePath(QStringLiteral("none.wav")); },
                false},
        FileRow{"a_symbolic_link",
                [](const QDir& d) {
                  const QString link = d.filePath(QStringLiteral("link.wav"));
                  QFile::link(CopyOfCue(d), link);
                  return link;
                },
                false},
        // Opening a FIFO with no writer would block without O_NONBLOCK: a hang fails the test.
        FileRow{"a_fifo",
                [](const QDir& d) {
                  const QString fifo = d.filePath(QStringLiteral("fifo.wav"));
                  return ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 ? fifo
                                                                                  : QString();
                },
                false},
        FileRow{"a_directory",
                [](const QDir& d) {
                  d.mkdir(QStringLiteral("dir.wav"));
                  return d.filePath(QStringLiteral("dir.wav"));
                },
                false},
        FileRow{"a_relative_path",
                [](const QDir& d) {
                  CopyOfCue(d);
                  return QDir::setCurrent(d.path()) ? QStringLiteral("cue.wav") : QString();
                },
                false}),
    [](const testing::TestParamInfo<FileRow>& info) { return std::string(info.param.name); });

// The cue's directory as it stands when the file is opened in it, whatever was checked before:
// the writer and the player use a directory of the user's own alone, and never through a link.
struct DirRow {
  const char* name;
  const char* dir;  // under the test's directory, holding a copy of the cue
  mode_t mode;
  const char* link;  // made to point at dir, and used instead of it; empty: dir itself
  bool used;
};

void PrintTo(const DirRow& row, std::ostream* os) { *os << row.name; }

class CueDirectories : public testing::TestWithParam<DirRow> {};

TEST_P(CueDirectories, OnlyAPrivateOneIsUsed) {
  const DirRow& row = GetParam();
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const QByteArray base = QFile::encodeName(temp.path()) + '/';
  const QByteArray real = base + row.dir;
  ASSERT_EQ(::mkdir(real.constData(), 0700), 0);
  ASSERT_EQ(::chmod(real.constData(), row.mode), 0);
  std::filesystem::copy_file(XR_CUE_WAV, (real + "/cue.wav").toStdString());
  QByteArray used = real;
  if (*row.link != '\0') {
    used = base + row.link;
    ASSERT_EQ(::symlink(real.constData(), used.constData()), 0);
  }
  EXPECT_EQ(ReadSoundFile(used + "/cue.wav").has_value(), row.used);
  EXPECT_EQ(posix::WriteWhole((used + "/new.wav").toStdString(), {}), row.used);
  EXPECT_EQ(std::filesystem::exists((real + "/new.wav").toStdString()), row.used);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CueDirectories,
    testing::Values(DirRow{"own", "own", 0700, "", true},
                    DirRow{"swapped_for_a_link", "elsewhere", 0700, "swapped", false},
                    DirRow{"group_writable", "shared", 0770, "", false},
                    DirRow{"writable_by_all", "open", 0777, "", false},
                    DirRow{"named_in_no_encoding", "h\xe9", 0700, "", true}),
    [](const testing::TestParamInfo<DirRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace xr::qt
