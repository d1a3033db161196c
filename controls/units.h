// The one conversion between the model's twips and the screen's pixels. The model works in
// logical pixels of 96 dpi whatever the display: a platform that sees other pixels converts them
// to logical ones before it reports a size or a position, and back before it sets one.
#pragma once

#include <cmath>
#include <cstdint>

namespace xr {

inline constexpr std::int32_t kTwipsPerPixel = 15;

inline float PixelsToTwips(int pixels) {
  return static_cast<float>(pixels) * static_cast<float>(kTwipsPerPixel);
}

// Rounded to the nearest pixel: what a platform draws a control's box at.
inline int TwipsToPixels(float twips) {
  return static_cast<int>(std::lround(twips / static_cast<float>(kTwipsPerPixel)));
}

}  // namespace xr
