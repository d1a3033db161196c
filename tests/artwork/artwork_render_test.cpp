// Decodes the committed pictures as the program will, reads the QR codes back module by module
// against libqrencode, and redraws everything to prove the committed files are what the
// generator makes from the catalogue.

#include <gtest/gtest.h>
#include <qrencode.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "companion_windows/catalogue.h"

namespace {

const QString kResources = XR_RESOURCES_DIR;

struct ContactFile {
  xr::ContactPicture picture;
  const char* path;
  QSize size;
};

const ContactFile kContactFiles[] = {
    {xr::ContactPicture::kWeChat, "pictures/image1.jpg", {388, 391}},
    {xr::ContactPicture::kQq, "pictures/image2.jpg", {893, 887}},
    {xr::ContactPicture::kAccount, "pictures/image3.jpg", {141, 148}},
    {xr::ContactPicture::kShare, "pictures/image4.jpg", {849, 851}},
};

xr::Catalogue CatalogueFrom(const std::string& text) {
  const xr::CatalogueParse parsed = xr::ParseCatalogue(text);
  EXPECT_TRUE(parsed.ok());
  return parsed.catalogue;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool Dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// Finds the code by its dark extent (the finder patterns fill three corners of it), then
// samples every module at its centre against libqrencode's matrix for `text`.
void ExpectQrCode(const QImage& image, const std::string& text) {
  std::unique_ptr<QRcode, void (*)(QRcode*)> code(
      QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
  ASSERT_TRUE(code);
  const int modules = code->width;

  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!Dark(image, x, y)) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "no dark pixel at all";
  const int width = right - left + 1;
  const int height = bottom - top + 1;
  ASSERT_EQ(width, height) << "the code is not square";
  ASSERT_EQ(width % modules, 0) << "modules are not whole pixels";
  const int module = width / modules;

  // Centred, with at least the four-module quiet zone the standard asks for.
  const int margins[] = {left, image.width() - 1 - right, top, image.height() - 1 - bottom};
  for (int margin : margins) EXPECT_GE(margin, 4 * module);
  EXPECT_LE(std::abs(margins[0] - margins[1]), 1);
  EXPECT_LE(std::abs(margins[2] - margins[3]), 1);

  int wrong = 0;
  for (int my = 0; my < modules; ++my) {
    for (int mx = 0; mx < modules; ++mx) {
      const bool want = code->data[my * modules + mx] & 1;
      const int x = left + mx * module + module / 2;
      const int y = top + my * module + module / 2;
      if (Dark(image, x, y) != want) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "of " << modules * modules << " modules";
}

// A placeholder is a light tile with a mid-grey glyph: no ink dark enough to pass for a code.
void ExpectPlaceholder(const QImage& image) {
  int glyph = 0, veryDark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int grey = qGray(image.pixel(x, y));
      glyph += grey < 200;
      veryDark += grey < 100;
    }
  }
  EXPECT_EQ(veryDark, 0);
  EXPECT_GT(glyph, image.width() * image.height() / 50) << "no glyph drawn";
}

void ExpectContactPictures(const QString& dir, const xr::Catalogue& catalogue) {
  for (const ContactFile& file : kContactFiles) {
    SCOPED_TRACE(file.path);
    const QImage image(dir + "/" + file.path);
    ASSERT_FALSE(image.isNull()) << "does not decode";
    EXPECT_EQ(image.size(), file.size);
    const std::string text = xr::ContactQrText(catalogue, file.picture);
    if (text.empty()) {
      ExpectPlaceholder(image);
    } else {
      ExpectQrCode(image, text);
    }
  }
}

// Runs the generator into a fresh folder.
bool Generate(const QString& catalogueFile, const QString& out) {
  QProcess process;
  process.start(XR_ART_TOOL, {"--catalogue", catalogueFile, "--out", out});
  if (!process.waitForFinished(120000)) return false;
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    ADD_FAILURE() << process.readAllStandardError().toStdString();
    return false;
  }
  return true;
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(CommittedPictures, ContactPicturesShowTheCataloguesChannels) {
  ExpectContactPictures(kResources, CatalogueFrom(ReadText(XR_CATALOGUE_FILE)));
}

TEST(CommittedPictures, BackgroundsDecodeLightEnoughForDarkText) {
  for (auto [path, size] : {std::pair{"pictures/yylb_bg.jpg", QSize(533, 367)},
                            std::pair{"pictures/lxzz_bg.jpg", QSize(726, 506)},
                            std::pair{"pictures/yylb_bg@2x.jpg", QSize(1066, 734)},
                            std::pair{"pictures/lxzz_bg@2x.jpg", QSize(1452, 1012)}}) {
    const QImage image(kResources + "/" + path);
    ASSERT_FALSE(image.isNull()) << path;
    EXPECT_EQ(image.size(), size) << path;
    // Text and buttons sit inside the visible client area; keep all of it pale.
    const int k = std::string_view(path).find("@2x") == std::string_view::npos ? 1 : 2;
    for (int y = 0; y < std::min(size.height(), 404 * k); y += 3) {
      for (int x = 0; x < std::min(size.width(), 720 * k); x += 3) {
        ASSERT_GT(qGray(image.pixel(x, y)), 190) << path << " at " << x << "," << y;
      }
    }
  }
}

TEST(CommittedPictures, QtReadsEveryImageOfBothIcons) {
  for (auto [path, count] : {std::pair{"icons/app.ico", 17}, std::pair{"icons/contact.ico", 10}}) {
    QImageReader reader(kResources + "/" + path);
    ASSERT_TRUE(reader.canRead()) << path;
    EXPECT_EQ(reader.imageCount(), count) << path;
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(reader.jumpToImage(i)) << path << " #" << i;
      const QImage image = reader.read();
      EXPECT_FALSE(image.isNull())
          << path << " #" << i << ": " << reader.errorString().toStdString();
    }
  }
}

// Antialiased drawing comes out a level lighter or darker in a few pixels from one machine to
// another, even with the same Qt: regenerated raster art is held to the committed files by its
// decoded pixels, within these limits, never by its bytes.
struct PixelLimits {
  int channel;   // largest difference in any channel, of 255
  double share;  // largest share of pixels that differ at all
};
constexpr PixelLimits kDrawn{2, 0.01};
// A palette fitted to the picture moves a whole entry by a level when a few pixels change.
constexpr PixelLimits kFittedPalette{2, 0.10};
// A pixel on the edge between two fixed colours goes wholly to the other one.
constexpr PixelLimits kFixedPalette{255, 0.01};
// JPEG spreads a level of difference in the drawing over its 8x8 blocks.
constexpr PixelLimits kJpeg{16, 0.10};

// Empty when the two pictures match within the limits, else what differs. Compared with alpha
// premultiplied, as they are seen: a faint pixel's colour is otherwise magnified by 1 / alpha.
std::string PixelMismatch(const QImage& fresh, const QImage& committed, PixelLimits limits) {
  if (fresh.isNull() || committed.isNull()) return "does not decode";
  if (fresh.size() != committed.size()) return "has another size";
  const QImage a = fresh.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage b = committed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  int worst = 0, differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int d = std::max(
          {std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
           std::abs(qBlue(ra[x]) - qBlue(rb[x])), std::abs(qAlpha(ra[x]) - qAlpha(rb[x]))});
      worst = std::max(worst, d);
      differing += d > 0;
    }
  }
  const double share = static_cast<double>(differing) / (a.width() * a.height());
  if (worst <= limits.channel && share <= limits.share) return {};
  std::ostringstream what;
  what << differing << " pixels (" << 100 * share << " %) differ, by up to " << worst;
  return what.str();
}

std::vector<QImage> Images(const QString& path) {
  std::vector<QImage> images;
  QImageReader reader(path);
  for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    images.push_back(reader.read());
  }
  return images;
}

std::uint32_t Le(const QByteArray& bytes, int at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) {
    v = v << 8 | (at + i < bytes.size() ? static_cast<std::uint8_t>(bytes[at + i]) : 0);
  }
  return v;
}

// An icon file's layout depends only on its images' sizes and depths: the header, the
// directory and every image's BITMAPINFOHEADER (a PNG image's signature and IHDR) are compared
// byte for byte, but for the length of a PNG image, which its compression decides.
QByteArray IcoLayout(const QByteArray& ico) {
  const int count = static_cast<int>(Le(ico, 4, 2));
  QByteArray layout = ico.left(6 + 16 * count);
  for (int i = 0; i < count; ++i) {
    const int at = static_cast<int>(Le(ico, 6 + 16 * i + 12, 4));
    const bool png = ico.mid(at, 4) == "\x89PNG";
    if (png) layout.replace(6 + 16 * i + 8, 4, QByteArray(4, '\0'));
    layout += ico.mid(at, png ? 29 : 40);
  }
  return layout;
}

PixelLimits IcoImageLimits(const QByteArray& ico, int image) {
  const std::uint32_t bpp = Le(ico, 6 + 16 * image + 6, 2);
  return bpp == 32 ? kDrawn : bpp == 8 ? kFittedPalette : kFixedPalette;
}

struct Regenerated {
  const char* path;
  PixelLimits limits;  // an icon's images have the limits of their depths
};
void PrintTo(const Regenerated& file, std::ostream* out) { *out << file.path; }

class RegeneratedArt : public testing::TestWithParam<Regenerated> {
 protected:
  static void SetUpTestSuite() {
    out_ = new QTemporaryDir;
    generated_ = out_->isValid() && Generate(XR_CATALOGUE_FILE, out_->path());
  }
  static void TearDownTestSuite() { delete out_; }
  static inline QTemporaryDir* out_ = nullptr;
  static inline bool generated_ = false;
};

TEST_P(RegeneratedArt, LooksLikeTheCommittedFile) {
  ASSERT_TRUE(generated_);
  const QString file = GetParam().path;
  const QString fresh = out_->path() + "/" + file;
  const QString committed = kResources + "/" + file;
  const bool ico = file.endsWith(".ico");
  const QByteArray icoBytes = ico ? Bytes(committed) : QByteArray();
  if (ico) {
    EXPECT_EQ(IcoLayout(Bytes(fresh)), IcoLayout(icoBytes));
  }
  const std::vector<QImage> freshImages = Images(fresh);
  const std::vector<QImage> committedImages = Images(committed);
  ASSERT_EQ(freshImages.size(), committedImages.size());
  for (std::size_t i = 0; i < freshImages.size(); ++i) {
    const PixelLimits limits =
        ico ? IcoImageLimits(icoBytes, static_cast<int>(i)) : GetParam().limits;
    EXPECT_EQ(PixelMismatch(freshImages[i], committedImages[i], limits), "")
        << "image " << i << ": run `ninja regenerate_art`";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RegeneratedArt,
    testing::Values(
        Regenerated{"icons/app.ico", {}}, Regenerated{"icons/contact.ico", {}},
        Regenerated{"icons/hicolor/16x16/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/24x24/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/32x32/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/48x48/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/64x64/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/72x72/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/96x96/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/128x128/apps/xiuran-timer.png", kDrawn},
        Regenerated{"icons/hicolor/256x256/apps/xiuran-timer.png", kDrawn},
        Regenerated{"pictures/yylb_bg.jpg", kJpeg}, Regenerated{"pictures/lxzz_bg.jpg", kJpeg},
        Regenerated{"pictures/yylb_bg@2x.jpg", kJpeg},
        Regenerated{"pictures/lxzz_bg@2x.jpg", kJpeg}, Regenerated{"pictures/image1.jpg", kJpeg},
        Regenerated{"pictures/image2.jpg", kJpeg}, Regenerated{"pictures/image3.jpg", kJpeg},
        Regenerated{"pictures/image4.jpg", kJpeg}),
    [](const testing::TestParamInfo<Regenerated>& info) {
      std::string name = info.param.path;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

// A catalogue with every channel filled in: each picture becomes the QR code of its address,
// or of its number where the address is left out, at all four of the pictures' odd sizes.
TEST(Regeneration, ConfiguredChannelsBecomeQrCodes) {
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  std::string text = ReadText(XR_CATALOGUE_FILE);
  ASSERT_FALSE(text.empty());
  std::string filled;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::string key = line.substr(0, line.find_first_of(" ="));
    if (key.rfind("wechat.", 0) == 0 || key.rfind("qq.", 0) == 0 || key.rfind("account.", 0) == 0 ||
        key == "share.target") {
      continue;
    }
    filled += line + "\n";
  }
  filled +=
      "wechat.number = example-wechat-id\n"
      "qq.number = 1234567890\n"
      "qq.address = https://example.org/qq/add-friend?id=1234567890\n"
      "account.name = 示例公众号\n"
      "account.handle = example_account\n"
      "share.target = https://example.org/share/a-longer-address-for-a-denser-code\n";
  const QString catalogueFile = out.filePath("catalogue.txt");
  {
    std::ofstream file(catalogueFile.toStdString(), std::ios::binary);
    file << filled;
  }
  ASSERT_TRUE(Generate(catalogueFile, out.filePath("resources")));
  const xr::Catalogue catalogue = CatalogueFrom(filled);
  for (xr::ContactPicture picture : xr::kContactPictures) {
    ASSERT_FALSE(xr::ContactQrText(catalogue, picture).empty());
  }
  ExpectContactPictures(out.filePath("resources"), catalogue);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // image-format plugins
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
