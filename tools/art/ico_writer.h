#pragma once

// Writes Windows icon files in the classic uncompressed layout (BITMAPINFOHEADER, palette,
// XOR bitmap, AND mask), including the 1-, 4- and 8-bit depths that Qt's writer cannot make, and
// PNG-compressed images for the largest size.

#include <array>
#include <cstdint>
#include <vector>

namespace xr::art {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Straight (not premultiplied) alpha, rows top to bottom.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;
  Rgba at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct IcoImage {
  Bitmap bitmap;
  // 1: black and white; 4: the 16 standard VGA colours; 8: a palette of 256 fitted to the
  // image; 32: BGRA. Pixels with alpha below 128 are transparent at 1, 4 and 8 bits.
  int bitsPerPixel = 32;
  // When set, the image is stored as this PNG file instead, as Windows Vista and later read a
  // 256-pixel image; bitmap then only gives its size.
  std::vector<std::uint8_t> png = {};
};

const std::vector<Rgba>& MonochromePalette();  // black, white
const std::vector<Rgba>& Vga16Palette();

// Black first (transparent pixels point at it, so that their XOR colour leaves the screen as it
// is), then up to count - 1 colours cut from the opaque pixels by median cut. An image with
// fewer distinct colours gets each of them exactly; unused entries stay black.
std::vector<Rgba> MedianCutPalette(const Bitmap& bitmap, std::size_t count);

// Index of the palette colour nearest to (r, g, b), weighted towards the eye's sensitivity.
int NearestColour(const std::vector<Rgba>& palette, int r, int g, int b);

// Palette indices for a bitmap (transparent pixels get index 0).
std::vector<std::uint8_t> Quantise(const Bitmap& bitmap, const std::vector<Rgba>& palette);

std::vector<std::uint8_t> EncodeIco(const std::vector<IcoImage>& images);

}  // namespace xr::art
