#pragma once

// The program's artwork, drawn procedurally so that every picture is ours and regenerates
// byte for byte.

#include <QImage>
#include <QSize>
#include <string>

#include "companion_windows/catalogue.h"
#include "tools/art/ico_writer.h"

namespace xr::art {

// A stopwatch whose elapsed third is shaded: blue-to-teal case, light face. Without `smooth`
// edges are not antialiased, which the 16-colour images need: blended edge colours fall on
// unrelated palette entries there.
QImage AppIcon(int size, bool smooth = true);

// An envelope with a person badge. `monochrome` draws it in black and white, unsmoothed, for
// 1-bit images.
QImage ContactIcon(int size, bool smooth = true, bool monochrome = false);

// Light backgrounds of the more-apps window (533 × 367) and the contact window (726 × 506), with
// `scale` times as many pixels each way for screens that many device pixels to a logical one.
QImage MoreAppsBackground(int scale = 1);
QImage ContactBackground(int scale = 1);

// The QR code of `text`, crisp modules centred on white with at least a four-module quiet zone.
QImage QrPicture(const std::string& text, QSize size);

// Stands in for a contact picture whose channel is not configured.
QImage PlaceholderPicture(ContactPicture picture, QSize size);

Bitmap ToBitmap(const QImage& image);

}  // namespace xr::art
