// Draws the program's icons and pictures into a resources folder.
//
//   xr_art --catalogue <catalogue file> --out <resources folder>
//
// The contact pictures show QR codes of the channels the catalogue configures. Running it twice
// gives the same bytes: nothing depends on the clock, the fonts or the screen.

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "companion_windows/catalogue.h"
#include "tools/art/artwork.h"
#include "tools/art/ico_writer.h"

namespace {

using xr::art::IcoImage;
using xr::art::ToBitmap;

void WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size())) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
}

void WriteImage(const QString& path, const QImage& image, const char* format, int quality) {
  QImageWriter writer(path, format);
  writer.setQuality(quality);
  if (!writer.write(image)) {
    throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                             writer.errorString().toStdString());
  }
}

std::vector<std::uint8_t> PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) {
    throw std::runtime_error("cannot encode a PNG: " + writer.errorString().toStdString());
  }
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// The largest image last: it alone is compressed, and its size then moves no other's offset.
std::vector<std::uint8_t> AppIco() {
  std::vector<IcoImage> images;
  for (int size : {48, 32, 24, 16}) images.push_back({ToBitmap(xr::art::AppIcon(size, false)), 4});
  for (int size : {48, 32, 24, 16}) images.push_back({ToBitmap(xr::art::AppIcon(size)), 8});
  for (int size : {128, 96, 72, 64, 48, 32, 24, 16}) {
    images.push_back({ToBitmap(xr::art::AppIcon(size)), 32});
  }
  const QImage large = xr::art::AppIcon(256);
  images.push_back({ToBitmap(large), 32, PngBytes(large)});
  return xr::art::EncodeIco(images);
}

std::vector<std::uint8_t> ContactIco() {
  std::vector<IcoImage> images;
  images.push_back({ToBitmap(xr::art::ContactIcon(48, false, true)), 1});
  for (int bpp : {4, 8, 32}) {
    for (int size : {48, 32, 16}) {
      images.push_back({ToBitmap(xr::art::ContactIcon(size, bpp != 4)), bpp});
    }
  }
  return xr::art::EncodeIco(images);
}

struct ContactPictureFile {
  xr::ContactPicture picture;
  const char* name;
  QSize size;
};

constexpr ContactPictureFile kContactFiles[] = {
    {xr::ContactPicture::kWeChat, "image1.jpg", {388, 391}},
    {xr::ContactPicture::kQq, "image2.jpg", {893, 887}},
    {xr::ContactPicture::kAccount, "image3.jpg", {141, 148}},
    {xr::ContactPicture::kShare, "image4.jpg", {849, 851}},
};

constexpr int kJpegQuality = 90;

void Generate(const xr::Catalogue& catalogue, const QString& out) {
  const QDir root(out);
  for (const char* sub : {"icons", "pictures"}) {
    if (!root.mkpath(sub)) throw std::runtime_error("cannot create " + out.toStdString());
  }
  WriteBytes(root.filePath("icons/app.ico"), AppIco());
  WriteBytes(root.filePath("icons/contact.ico"), ContactIco());
  for (int size : {16, 24, 32, 48, 64, 72, 96, 128, 256}) {
    const QString dir = QString("icons/hicolor/%1x%1/apps").arg(size);
    if (!root.mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
    WriteImage(root.filePath(dir + "/xiuran-timer.png"), xr::art::AppIcon(size), "png", -1);
  }

  // Each background also at twice the pixels, which a scaled screen draws instead of enlarging it.
  for (int scale : {1, 2}) {
    const QString suffix = scale == 1 ? ".jpg" : "@2x.jpg";
    WriteImage(root.filePath("pictures/yylb_bg" + suffix), xr::art::MoreAppsBackground(scale),
               "jpeg", kJpegQuality);
    WriteImage(root.filePath("pictures/lxzz_bg" + suffix), xr::art::ContactBackground(scale),
               "jpeg", kJpegQuality);
  }
  for (const ContactPictureFile& file : kContactFiles) {
    const std::string text = xr::ContactQrText(catalogue, file.picture);
    const QImage image = text.empty() ? xr::art::PlaceholderPicture(file.picture, file.size)
                                      : xr::art::QrPicture(text, file.size);
    WriteImage(root.filePath(QString("pictures/") + file.name), image, "jpeg", kJpegQuality);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // for the image-format plugins
  std::string catalogueFile;
  QString out;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--catalogue") {
      catalogueFile = argv[i + 1];
    } else if (option == "--out") {
      out = QString::fromLocal8Bit(argv[i + 1]);
    }
  }
  if (catalogueFile.empty() || out.isEmpty() || argc != 5) {
    std::cerr << "usage: xr_art --catalogue <catalogue file> --out <resources folder>\n";
    return 2;
  }

  std::ifstream in(catalogueFile, std::ios::binary);
  if (!in) {
    std::cerr << catalogueFile << ": cannot read the catalogue file\n";
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const xr::CatalogueParse parsed = xr::ParseCatalogue(text.str());
  if (!parsed.ok()) {
    for (const std::string& error : parsed.errors)
      std::cerr << catalogueFile << ": " << error << '\n';
    return 1;
  }

  try {
    Generate(parsed.catalogue, out);
  } catch (const std::exception& e) {
    std::cerr << "xr_art: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
