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
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

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
                            std::pair{"pictures/lxzz_bg.jpg", QSize(726, 506)}}) {
    const QImage image(kResources + "/" + path);
    ASSERT_FALSE(image.isNull()) << path;
    EXPECT_EQ(image.size(), size) << path;
    // Text and buttons sit inside the visible client area; keep all of it pale.
    for (int y = 0; y < std::min(size.height(), 404); y += 3) {
      for (int x = 0; x < std::min(size.width(), 720); x += 3) {
        ASSERT_GT(qGray(image.pixel(x, y)), 190) << path << " at " << x << "," << y;
      }
    }
  }
}

TEST(CommittedPictures, QtReadsEveryImageOfBothIcons) {
  for (auto [path, count] : {std::pair{"icons/app.ico", 16}, std::pair{"icons/contact.ico", 10}}) {
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

TEST(Regeneration, GivesTheCommittedIconsByteForByte) {
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  ASSERT_TRUE(Generate(XR_CATALOGUE_FILE, out.path()));
  QStringList files = {"icons/app.ico", "icons/contact.ico"};
  for (int size : {16, 24, 32, 48, 64, 72, 96, 128}) {
    files << QString("icons/hicolor/%1x%1/apps/xiuran-timer.png").arg(size);
  }
  for (const QString& file : files) {
    const QByteArray committed = Bytes(kResources + "/" + file);
    ASSERT_FALSE(committed.isEmpty()) << file.toStdString();
    EXPECT_EQ(Bytes(out.path() + "/" + file), committed)
        << file.toStdString() << " differs: run `ninja regenerate_art`";
  }
  // The encoder may round differently elsewhere; the pictures must still look the same.
  for (const char* file : {"pictures/yylb_bg.jpg", "pictures/lxzz_bg.jpg", "pictures/image1.jpg",
                           "pictures/image2.jpg", "pictures/image3.jpg", "pictures/image4.jpg"}) {
    const QImage fresh(out.path() + "/" + file);
    const QImage committed(kResources + "/" + file);
    ASSERT_EQ(fresh.size(), committed.size()) << file;
    double difference = 0;
    for (int y = 0; y < fresh.height(); ++y) {
      for (int x = 0; x < fresh.width(); ++x) {
        difference += std::abs(qGray(fresh.pixel(x, y)) - qGray(committed.pixel(x, y)));
      }
    }
    EXPECT_LT(difference / (fresh.width() * fresh.height()), 1.0)
        << file << " differs: run `ninja regenerate_art`";
  }
}

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
