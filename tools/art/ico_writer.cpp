#include "tools/art/ico_writer.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace xr::art {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::size_t RowBytes(int width, int bitsPerPixel) {
  return static_cast<std::size_t>((width * bitsPerPixel + 31) / 32) * 4;
}

std::vector<Rgba> PaletteFor(const IcoImage& image) {
  switch (image.bitsPerPixel) {
    case 1:
      return MonochromePalette();
    case 4:
      return Vga16Palette();
    case 8:
      return MedianCutPalette(image.bitmap, 256);
    case 32:
      return {};
  }
  throw std::invalid_argument("icon depth must be 1, 4, 8 or 32 bits");
}

bool Transparent(Rgba p) { return p.a < 128; }

// The image record: header, palette, XOR bitmap and AND mask, rows bottom to top.
std::vector<std::uint8_t> EncodeImage(const IcoImage& image) {
  const Bitmap& bm = image.bitmap;
  const int bpp = image.bitsPerPixel;
  const std::vector<Rgba> palette = PaletteFor(image);
  const std::size_t xorRow = RowBytes(bm.width, bpp);
  const std::size_t andRow = RowBytes(bm.width, 1);

  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(bm.width));
  Put32(out, static_cast<std::uint32_t>(bm.height * 2));  // XOR bitmap and AND mask
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bpp));
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<std::uint32_t>((xorRow + andRow) * bm.height));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (const Rgba& c : palette) out.insert(out.end(), {c.b, c.g, c.r, 0});

  std::vector<std::uint8_t> indices;
  if (!palette.empty()) indices = Quantise(bm, palette);

  for (int y = bm.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(xorRow, 0);
    for (int x = 0; x < bm.width; ++x) {
      const Rgba p = bm.at(x, y);
      if (bpp == 32) {
        row[x * 4 + 0] = p.b;
        row[x * 4 + 1] = p.g;
        row[x * 4 + 2] = p.r;
        row[x * 4 + 3] = p.a;
        continue;
      }
      const std::uint8_t index = indices[static_cast<std::size_t>(y) * bm.width + x];
      const int bit = x * bpp;
      const int shift = 8 - bpp - bit % 8;  // leftmost pixel in the high bits
      row[bit / 8] |= static_cast<std::uint8_t>(index << shift);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = bm.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(andRow, 0);
    for (int x = 0; x < bm.width; ++x) {
      const bool clear = bpp == 32 ? bm.at(x, y).a == 0 : Transparent(bm.at(x, y));
      if (clear) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

const std::vector<Rgba>& MonochromePalette() {
  static const std::vector<Rgba> palette = {{0, 0, 0, 255}, {255, 255, 255, 255}};
  return palette;
}

const std::vector<Rgba>& Vga16Palette() {
  static const std::vector<Rgba> palette = {
      {0, 0, 0, 255},       {128, 0, 0, 255},   {0, 128, 0, 255},   {128, 128, 0, 255},
      {0, 0, 128, 255},     {128, 0, 128, 255}, {0, 128, 128, 255}, {192, 192, 192, 255},
      {128, 128, 128, 255}, {255, 0, 0, 255},   {0, 255, 0, 255},   {255, 255, 0, 255},
      {0, 0, 255, 255},     {255, 0, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 255}};
  return palette;
}

std::vector<Rgba> MedianCutPalette(const Bitmap& bitmap, std::size_t count) {
  struct Entry {
    std::array<std::uint8_t, 3> rgb;
    std::uint32_t weight;
  };
  // An ordered histogram keeps every step below independent of hashing or memory layout.
  std::map<std::array<std::uint8_t, 3>, std::uint32_t> histogram;
  for (const Rgba& p : bitmap.pixels) {
    if (!Transparent(p)) ++histogram[{p.r, p.g, p.b}];
  }
  std::vector<std::vector<Entry>> boxes(1);
  for (const auto& [rgb, weight] : histogram) boxes[0].push_back({rgb, weight});
  if (boxes[0].empty()) boxes.clear();

  auto range = [](const std::vector<Entry>& box, int channel) {
    int lo = 255, hi = 0;
    for (const Entry& e : box) {
      lo = std::min<int>(lo, e.rgb[channel]);
      hi = std::max<int>(hi, e.rgb[channel]);
    }
    return hi - lo;
  };
  while (boxes.size() + 1 < count) {
    // Split the box with the widest spread in any channel, along that channel.
    int bestBox = -1, bestChannel = 0, bestRange = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        const int r = range(boxes[i], channel);
        if (r > bestRange) bestBox = static_cast<int>(i), bestChannel = channel, bestRange = r;
      }
    }
    if (bestBox < 0) break;  // every box holds a single colour
    std::vector<Entry>& box = boxes[bestBox];
    std::sort(box.begin(), box.end(), [bestChannel](const Entry& a, const Entry& b) {
      return a.rgb[bestChannel] != b.rgb[bestChannel] ? a.rgb[bestChannel] < b.rgb[bestChannel]
                                                      : a.rgb < b.rgb;
    });
    std::uint64_t total = 0;
    for (const Entry& e : box) total += e.weight;
    std::uint64_t running = 0;
    std::size_t cut = 1;
    for (; cut < box.size(); ++cut) {
      running += box[cut - 1].weight;
      if (2 * running >= total) break;
    }
    // Keep both halves non-empty and never split inside a run of one channel value.
    cut = std::min(cut, box.size() - 1);
    while (cut > 1 && box[cut].rgb[bestChannel] == box[cut - 1].rgb[bestChannel]) --cut;
    while (cut < box.size() - 1 && box[cut].rgb[bestChannel] == box[cut - 1].rgb[bestChannel]) {
      ++cut;
    }
    std::vector<Entry> upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
    box.resize(cut);
    boxes.push_back(std::move(upper));
  }

  std::vector<Rgba> palette(count, Rgba{0, 0, 0, 255});
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    std::uint64_t sum[3] = {0, 0, 0}, total = 0;
    for (const Entry& e : boxes[i]) {
      for (int c = 0; c < 3; ++c) sum[c] += std::uint64_t{e.rgb[c]} * e.weight;
      total += e.weight;
    }
    auto mean = [&](int c) { return static_cast<std::uint8_t>((sum[c] + total / 2) / total); };
    palette[i + 1] = {mean(0), mean(1), mean(2), 255};
  }
  return palette;
}

int NearestColour(const std::vector<Rgba>& palette, int r, int g, int b) {
  int best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = r - palette[i].r;
    const long dg = g - palette[i].g;
    const long db = b - palette[i].b;
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

std::vector<std::uint8_t> Quantise(const Bitmap& bitmap, const std::vector<Rgba>& palette) {
  std::vector<std::uint8_t> indices(bitmap.pixels.size(), 0);
  for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
    const Rgba p = bitmap.pixels[i];
    if (!Transparent(p))
      indices[i] = static_cast<std::uint8_t>(NearestColour(palette, p.r, p.g, p.b));
  }
  return indices;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<IcoImage>& images) {
  std::vector<std::vector<std::uint8_t>> records;
  for (const IcoImage& image : images) {
    if (image.bitmap.width < 1 || image.bitmap.width > 256 || image.bitmap.height < 1 ||
        image.bitmap.height > 256 ||
        image.bitmap.pixels.size() !=
            static_cast<std::size_t>(image.bitmap.width) * image.bitmap.height) {
      throw std::invalid_argument("icon images must be 1 to 256 pixels and fully filled");
    }
    records.push_back(image.png.empty() ? EncodeImage(image) : image.png);
  }

  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon, not cursor
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IcoImage& image = images[i];
    out.push_back(static_cast<std::uint8_t>(image.bitmap.width % 256));
    out.push_back(static_cast<std::uint8_t>(image.bitmap.height % 256));
    out.push_back(static_cast<std::uint8_t>(image.bitsPerPixel < 8 ? 1 << image.bitsPerPixel : 0));
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(image.bitsPerPixel));
    Put32(out, static_cast<std::uint32_t>(records[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(records[i].size());
  }
  for (const auto& record : records) out.insert(out.end(), record.begin(), record.end());
  return out;
}

}  // namespace xr::art
