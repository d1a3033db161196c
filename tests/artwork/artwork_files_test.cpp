// Reads the committed icons and pictures byte by byte, as Windows and the image loaders would,
// so that a wrong size, depth, offset or mask shows without any image library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kResources = XR_RESOURCES_DIR;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned Le16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return Le16(b, at) | (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}
std::int32_t Le32s(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(Le32(b, at));
}
unsigned Be16(const Bytes& b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }
std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (static_cast<std::uint32_t>(Be16(b, at)) << 16) | Be16(b, at + 2);
}

std::size_t Stride(unsigned width, unsigned bpp) { return (width * bpp + 31) / 32 * 4; }

// --- icons --------------------------------------------------------------------------------

struct IconImage {
  unsigned size;
  unsigned bpp;
  bool png = false;  // stored as a PNG file, as Windows reads its largest icons
};

struct IconFile {
  const char* name;
  std::size_t bytes;
  std::vector<IconImage> images;
};

const IconFile kIcons[] = {
    {"app.ico",
     193071,
     {{48, 4},
      {32, 4},
      {24, 4},
      {16, 4},
      {48, 8},
      {32, 8},
      {24, 8},
      {16, 8},
      {128, 32},
      {96, 32},
      {72, 32},
      {64, 32},
      {48, 32},
      {32, 32},
      {24, 32},
      {16, 32},
      {256, 32, true}}},
    {"contact.ico",
     26046,
     {{48, 1}, {48, 4}, {32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}}},
};

// One image record of an icon file, located through its directory entry.
struct Record {
  unsigned size, bpp;
  std::size_t offset, bytes;
  bool png;
};

// The colour a pixel contributes through the XOR bitmap (RGB), and whether the AND mask
// makes it transparent.
struct Pixel {
  std::uint8_t r, g, b, a;
  bool masked;
};

Pixel ReadPixel(const Bytes& file, const Record& rec, unsigned x, unsigned y) {
  const std::size_t paletteAt = rec.offset + 40;
  const std::size_t paletteBytes = rec.bpp <= 8 ? (std::size_t{1} << rec.bpp) * 4 : 0;
  const std::size_t xorAt = paletteAt + paletteBytes;
  const std::size_t xorStride = Stride(rec.size, rec.bpp);
  const std::size_t andAt = xorAt + xorStride * rec.size;
  const unsigned row = rec.size - 1 - y;  // rows are stored bottom up
  const bool masked = (file[andAt + Stride(rec.size, 1) * row + x / 8] >> (7 - x % 8)) & 1;
  if (rec.bpp == 32) {
    const std::size_t at = xorAt + xorStride * row + x * 4;
    return {file[at + 2], file[at + 1], file[at], file[at + 3], masked};
  }
  const std::size_t bit = static_cast<std::size_t>(x) * rec.bpp;
  const unsigned byte = file[xorAt + xorStride * row + bit / 8];
  const unsigned index = (byte >> (8 - rec.bpp - bit % 8)) & ((1u << rec.bpp) - 1);
  const std::size_t entry = paletteAt + index * 4;
  return {file[entry + 2], file[entry + 1], file[entry], 255, masked};
}

class IconFileTest : public testing::TestWithParam<IconFile> {
 protected:
  void SetUp() override {
    file_ = ReadFile(kResources + "/icons/" + GetParam().name);
    ASSERT_EQ(file_.size(), GetParam().bytes);
  }

  // Checks the header and directory and returns the records in directory order.
  std::vector<Record> Records() {
    std::vector<Record> records;
    EXPECT_EQ(Le16(file_, 0), 0u);
    EXPECT_EQ(Le16(file_, 2), 1u) << "type 1 is an icon";
    const std::size_t count = Le16(file_, 4);
    EXPECT_EQ(count, GetParam().images.size());
    if (count != GetParam().images.size()) return records;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = 6 + 16 * i;
      const IconImage want = GetParam().images[i];
      EXPECT_EQ(file_[at], want.size % 256) << "entry " << i;
      EXPECT_EQ(file_[at + 1], want.size % 256) << "entry " << i;
      EXPECT_EQ(file_[at + 2], want.bpp < 8 ? 1u << want.bpp : 0u) << "entry " << i;
      EXPECT_EQ(file_[at + 3], 0u);
      EXPECT_EQ(Le16(file_, at + 4), 1u) << "planes, entry " << i;
      EXPECT_EQ(Le16(file_, at + 6), want.bpp) << "entry " << i;
      records.push_back({want.size, want.bpp, Le32(file_, at + 12), Le32(file_, at + 8), want.png});
    }
    return records;
  }

  Bytes file_;
};

TEST_P(IconFileTest, DirectoryAndHeadersAgreeAndFillTheFileExactly) {
  std::size_t expectedOffset = 6 + 16 * GetParam().images.size();
  for (const Record& rec : Records()) {
    SCOPED_TRACE(std::to_string(rec.size) + " px, " + std::to_string(rec.bpp) + " bpp");
    // Records follow one another without gaps or overlaps, the last ending the file.
    ASSERT_EQ(rec.offset, expectedOffset);
    ASSERT_LE(rec.offset + rec.bytes, file_.size());
    expectedOffset += rec.bytes;

    const std::size_t h = rec.offset;
    if (rec.png) {
      const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
      EXPECT_TRUE(std::equal(signature.begin(), signature.end(), file_.begin() + h));
      EXPECT_EQ(std::string(file_.begin() + h + 12, file_.begin() + h + 16), "IHDR");
      EXPECT_EQ(Be32(file_, h + 16), rec.size);
      EXPECT_EQ(Be32(file_, h + 20), rec.size);
      EXPECT_EQ(file_[h + 25], 6) << "colour type RGBA";
      continue;
    }
    EXPECT_EQ(Le32(file_, h), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(Le32s(file_, h + 4), static_cast<std::int32_t>(rec.size));
    EXPECT_EQ(Le32s(file_, h + 8), static_cast<std::int32_t>(2 * rec.size)) << "XOR + AND";
    EXPECT_EQ(Le16(file_, h + 12), 1u);
    EXPECT_EQ(Le16(file_, h + 14), rec.bpp);
    EXPECT_EQ(Le32(file_, h + 16), 0u) << "uncompressed";
    EXPECT_EQ(Le32(file_, h + 32), 0u) << "full palette";

    const std::size_t palette = rec.bpp <= 8 ? (std::size_t{1} << rec.bpp) * 4 : 0;
    EXPECT_EQ(rec.bytes,
              40 + palette + (Stride(rec.size, rec.bpp) + Stride(rec.size, 1)) * rec.size);
    for (std::size_t i = 0; i < palette; i += 4) {
      EXPECT_EQ(file_[h + 40 + i + 3], 0u) << "reserved byte of palette entry " << i / 4;
    }
  }
  EXPECT_EQ(expectedOffset, file_.size());
}

// Windows draws a 32-bit image through its alpha, older systems through the AND mask: the two
// must agree, and the corners of both round-ish designs are clear.
TEST_P(IconFileTest, TrueColourMasksFollowAlpha) {
  for (const Record& rec : Records()) {
    if (rec.bpp != 32 || rec.png) continue;
    SCOPED_TRACE(std::to_string(rec.size) + " px");
    for (unsigned y = 0; y < rec.size; ++y) {
      for (unsigned x = 0; x < rec.size; ++x) {
        const Pixel p = ReadPixel(file_, rec, x, y);
        ASSERT_EQ(p.masked, p.a == 0) << x << "," << y;
      }
    }
    EXPECT_TRUE(ReadPixel(file_, rec, 0, 0).masked);
    EXPECT_TRUE(ReadPixel(file_, rec, rec.size - 1, rec.size - 1).masked);
  }
}

// Every paletted image is a reduction of the 32-bit image of its size: their masks agree and,
// but for the 1-bit drawing, so do their colours on average. A flipped row order, a palette in
// RGB instead of BGR order or a mask that drifts from the picture fails here.
TEST_P(IconFileTest, PalettedImagesMatchTheTrueColourImageOfTheirSize) {
  const std::vector<Record> records = Records();
  for (const Record& rec : records) {
    if (rec.bpp > 8) continue;
    SCOPED_TRACE(std::to_string(rec.size) + " px, " + std::to_string(rec.bpp) + " bpp");
    const auto full = std::find_if(records.begin(), records.end(), [&](const Record& r) {
      return r.bpp == 32 && r.size == rec.size;
    });
    ASSERT_NE(full, records.end());
    int maskDiffers = 0, both = 0;
    long colourDifference = 0;
    for (unsigned y = 0; y < rec.size; ++y) {
      for (unsigned x = 0; x < rec.size; ++x) {
        const Pixel p = ReadPixel(file_, rec, x, y);
        const Pixel q = ReadPixel(file_, *full, x, y);
        maskDiffers += p.masked != (q.a < 128);
        if (p.masked) {
          EXPECT_EQ(p.r | p.g | p.b, 0) << "transparent pixel " << x << "," << y << " not black";
        }
        if (!p.masked && q.a == 255) {
          ++both;
          colourDifference += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
      }
    }
    const double pixels = rec.size * rec.size;
    // The 16-colour and 1-bit images are drawn without antialiasing, so their outlines move by
    // a pixel here and there; the 256-colour images are the same drawing.
    EXPECT_LE(maskDiffers / pixels, rec.bpp == 8 ? 0.0 : 0.03);
    ASSERT_GT(both, 0);
    const double meanDifference = colourDifference / (3.0 * both);
    if (rec.bpp != 1) {
      EXPECT_LT(meanDifference, rec.bpp == 8 ? 2.0 : 45.0);
    }
  }
}

// Landmarks of the designs in the 32-bit images, on a 256-unit square: the shaded third of
// the stopwatch face lies upper right, the person badge of the envelope lower right.
TEST_P(IconFileTest, TrueColourImagesAreTheRightWayUp) {
  for (const Record& rec : Records()) {
    if (rec.bpp != 32 || rec.png) continue;
    SCOPED_TRACE(std::to_string(rec.size) + " px");
    auto at = [&](int x, int y) {
      return ReadPixel(file_, rec, x * rec.size / 256, y * rec.size / 256);
    };
    if (std::string(GetParam().name) == "app.ico") {
      const Pixel shaded = at(170, 110), plain = at(86, 110);
      EXPECT_GT(shaded.g - shaded.r, 20);
      EXPECT_LT(std::abs(plain.g - plain.r), 15);
      EXPECT_GT(plain.r + plain.g + plain.b, 600);
    } else {
      const Pixel badge = at(190, 200), paper = at(128, 100);
      EXPECT_GT(badge.g - badge.r, 60);
      EXPECT_GT(paper.r - paper.b, 10);
      EXPECT_GT(paper.r + paper.g + paper.b, 600);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Icons, IconFileTest, testing::ValuesIn(kIcons),
    [](const testing::TestParamInfo<IconFile>& info) {
      return std::string(info.param.name).substr(0, std::string(info.param.name).find('.'));
    });

// --- PNG and JPEG -------------------------------------------------------------------------

TEST(HicolorIcons, EachPngHasItsDirectorysSizeWithAlpha) {
  for (unsigned size : {16u, 24u, 32u, 48u, 64u, 72u, 96u, 128u, 256u}) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const Bytes png = ReadFile(kResources + "/icons/hicolor/" + name + "/apps/xiuran-timer.png");
    ASSERT_GE(png.size(), 33u) << name;
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin())) << name;
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR") << name;
    EXPECT_EQ(Be32(png, 16), size) << name;
    EXPECT_EQ(Be32(png, 20), size) << name;
    EXPECT_EQ(png[25], 6) << name << ": colour type RGBA";
  }
}

struct JpegSize {
  unsigned width = 0, height = 0;
};

// Walks the marker segments up to the first start-of-frame and reads its size.
std::optional<JpegSize> JpegFrameSize(const Bytes& jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (jpeg[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const std::size_t length = Be16(jpeg, at + 2);
    const bool startOfFrame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) {
      if (at + 9 > jpeg.size()) return std::nullopt;
      return JpegSize{Be16(jpeg, at + 7), Be16(jpeg, at + 5)};
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the data
    at += 2 + length;
  }
  return std::nullopt;
}

TEST(Pictures, JpegFramesHaveTheWindowsSizes) {
  const std::pair<const char*, JpegSize> pictures[] = {
      {"yylb_bg.jpg", {533, 367}},     {"lxzz_bg.jpg", {726, 506}},      {"image1.jpg", {388, 391}},
      {"image2.jpg", {893, 887}},      {"image3.jpg", {141, 148}},       {"image4.jpg", {849, 851}},
      {"yylb_bg@2x.jpg", {1066, 734}}, {"lxzz_bg@2x.jpg", {1452, 1012}},
  };
  for (const auto& [name, size] : pictures) {
    const auto frame = JpegFrameSize(ReadFile(kResources + "/pictures/" + name));
    ASSERT_TRUE(frame.has_value()) << name;
    EXPECT_EQ(frame->width, size.width) << name;
    EXPECT_EQ(frame->height, size.height) << name;
  }
}

// --- the resource list --------------------------------------------------------------------

TEST(ResourceList, NamesEveryPictureAndIconUnderItsAliasAndNothingElse) {
  const Bytes qrc = ReadFile(kResources + "/resources.qrc");
  const std::string text(qrc.begin(), qrc.end());
  const std::regex entry(R"re(<file alias="([^"]+)">([^<]+)</file>)re");
  std::set<std::string> aliases;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), entry);
       it != std::sregex_iterator(); ++it) {
    const std::string alias = (*it)[1];
    const std::string path = (*it)[2];
    aliases.insert(alias);
    EXPECT_EQ(alias, path);
    EXPECT_FALSE(ReadFile(kResources + "/" + path).empty()) << path;
  }
  EXPECT_EQ(aliases, (std::set<std::string>{"icons/app.ico", "icons/contact.ico",
                                            "pictures/yylb_bg.jpg", "pictures/lxzz_bg.jpg",
                                            "pictures/yylb_bg@2x.jpg", "pictures/lxzz_bg@2x.jpg",
                                            "pictures/image1.jpg", "pictures/image2.jpg",
                                            "pictures/image3.jpg", "pictures/image4.jpg"}));
  EXPECT_NE(text.find(R"(<qresource prefix="/">)"), std::string::npos);
}

}  // namespace
