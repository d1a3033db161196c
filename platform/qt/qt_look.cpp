#include "platform/qt/qt_look.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QPalette>
#include <QResource>
#include <QStringList>
#include <cstdint>
#include <cstdio>

namespace xr::qt {

QColor ResolveColor(Color color) {
  if (!IsSystemColor(color)) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
  }
  const QPalette pal = QApplication::palette();
  switch (color & 0xFF) {
    case 5:  // window background: where documents are drawn
      return pal.color(QPalette::Base);
    case 8:  // window text
      return pal.color(QPalette::Text);
    case 15:  // button face
    case 11:
      return pal.color(QPalette::Button);
    case 18:  // button text
      return pal.color(QPalette::ButtonText);
    default:
      return pal.color(QPalette::WindowText);
  }
}

namespace {

QStringList Candidates(const std::string& face) {
  if (face == "楷体") {
    return {
        "KaiTi", "楷体", "AR PL UKai CN", "AR PL UKai TW", "AR PL KaitiM GB", "Noto Serif CJK SC"};
  }
  return {"SimSun",         "宋体",           "NSimSun",
          "AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC",
          "Noto Serif CJK"};
}

QString AnyChineseFamily() {
  const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  for (const QString& f : families) {
    if (!QFontDatabase::isPrivateFamily(f)) return f;
  }
  return {};
}

}  // namespace

QString ResolveFamily(const std::string& windowsFace) {
  static QHash<QString, QString> cache;
  const QString key = QString::fromStdString(windowsFace);
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  const QStringList installed = QFontDatabase::families();
  QString found;
  for (const QString& c : Candidates(windowsFace)) {
    if (installed.contains(c, Qt::CaseInsensitive)) {
      found = c;
      break;
    }
  }
  if (found.isEmpty()) found = AnyChineseFamily();
  cache.insert(key, found);
  return found;
}

bool CheckChineseFonts() {
  static const bool ok = [] {
    const bool any = !AnyChineseFamily().isEmpty();
    if (!any)
      std::fprintf(stderr, "xiuran-timer: no Chinese font installed; text may show as boxes\n");
    return any;
  }();
  return ok;
}

QIcon ResourceIcon(const std::string& resource) {
  static QHash<QString, QIcon> icons;
  const QString key = QString::fromStdString(resource);
  auto it = icons.find(key);
  if (it == icons.end()) {
    // Every image of the file is read here, once.
    it = icons.insert(key, QIcon(":/" + key));
    ReleaseResource(":/" + key);
  }
  return *it;
}

void ReleaseProgramPages(const void* data, std::size_t size) {
  // Only data inside a loaded object is the program file's own mapped pages; a copy on the heap
  // (a compressed resource, unpacked) must not be touched.
  Dl_info object{};
  if (data == nullptr || ::dladdr(data, &object) == 0) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + page - 1) / page * page;
  const std::uintptr_t last = (begin + size) / page * page;
  if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void ReleaseResource(const QString& path) {
  const QResource resource(path);
  // Compressed, what was read was an unpacked copy.
  if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) return;
  ReleaseProgramPages(resource.data(), static_cast<std::size_t>(resource.size()));
}

namespace {
bool g_fontsSettled = false;
}  // namespace

bool SettleFonts() {
  if (g_fontsSettled) return false;
  g_fontsSettled = true;
  QFontDatabase::families();  // reads the font list
  return true;
}

QFont MakeFont(const std::string& windowsFace, float points, bool bold) {
  QFont font;
  if (!g_fontsSettled) {
    font.setFamilies(Candidates(windowsFace));
  } else if (const QString family = ResolveFamily(windowsFace); !family.isEmpty()) {
    // One family that is known to be installed: the toolkit matches it at once, where a list
    // would cost a fontconfig substitution for every stand-in that is missing.
    font.setFamilies({family});
  }
  font.setPixelSize(PointsToPixels(points));
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

}  // namespace xr::qt
