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

// The width of the mark round the control with the keyboard focus, in the same pixels: it grows
// with the window, so that a projected window shows it to the back of the room (a system's
// hairline vanishes at 1920 x 1080), and is never thinner than 2 pixels.
inline int FocusMarkPixels(int clientHeightPixels) {
  return clientHeightPixels / 160 > 2 ? clientHeightPixels / 160 : 2;
}

}  // namespace xr
