#include "tools/art/artwork.h"

#include <qrencode.h>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace xr::art {
namespace {

constexpr double kDesign = 256.0;  // icons are drawn on a 256-unit square, then scaled
constexpr double kPi = 3.14159265358979323846;

// A point `r` from `centre` in the direction `degrees` clockwise from twelve o'clock.
QPointF Polar(QPointF centre, double degrees, double r) {
  const double a = degrees * kPi / 180.0;
  return {centre.x() + r * std::sin(a), centre.y() - r * std::cos(a)};
}

QImage TransparentSquare(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A pen that stays at least `minPixels` device pixels wide however small the icon.
QPen DesignPen(QColor colour, double width, double unitsPerPixel, double minPixels = 1.0) {
  QPen pen(colour, std::max(width, minPixels * unitsPerPixel));
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

}  // namespace

QImage AppIcon(int size, bool smooth) {
  QImage image = TransparentSquare(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, smooth);
  p.scale(size / kDesign, size / kDesign);
  const double unit = kDesign / size;  // design units per device pixel
  const bool small = size <= 24;
  const bool tiny = size <= 16;

  const QPointF centre(128, 146);
  const QColor crownColour("#176b73");
  const QColor inkColour("#1f3a4d");

  // Crown and stem, then the side button, behind the case.
  p.setPen(Qt::NoPen);
  p.setBrush(crownColour);
  p.drawRoundedRect(QRectF(102, 6, 52, 24), 7, 7);
  p.drawRect(QRectF(117, 24, 22, 24));
  if (!tiny) {
    p.save();
    p.translate(centre);
    p.rotate(45);
    p.drawRoundedRect(QRectF(-13, -124, 26, 26), 5, 5);
    p.restore();
  }

  // Case.
  QLinearGradient caseGradient(QPointF(40, 44), QPointF(216, 248));
  caseGradient.setColorAt(0.0, QColor("#2e86c1"));
  caseGradient.setColorAt(1.0, QColor("#17a398"));
  p.setBrush(caseGradient);
  p.drawEllipse(centre, 106, 106);
  if (smooth && !small) {
    // A soft sheen on the upper left of the case.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(centre.x() - 96, centre.y() - 96, 192, 192), 100 * 16, 70 * 16);
    p.setPen(Qt::NoPen);
  }

  // Face, with the elapsed third shaded.
  const double faceRadius = tiny ? 80 : 84;
  p.setBrush(QColor("#f4fafb"));
  p.drawEllipse(centre, faceRadius, faceRadius);
  p.setBrush(QColor("#b7e3dd"));
  const double wedge = faceRadius - 8;
  p.drawPie(QRectF(centre.x() - wedge, centre.y() - wedge, 2 * wedge, 2 * wedge), 90 * 16,
            -120 * 16);

  // Hour marks: twelve at full size, the four quarters when small, none when tiny.
  if (!tiny) {
    for (int i = 0; i < 12; ++i) {
      const bool quarter = i % 3 == 0;
      if (small && !quarter) continue;
      p.setPen(DesignPen(inkColour, quarter ? 9 : 5, unit));
      p.drawLine(Polar(centre, i * 30.0, quarter ? 62 : 70), Polar(centre, i * 30.0, 78));
    }
  }

  // The hand at the edge of the shaded third, and its hub.
  p.setPen(DesignPen(inkColour, 11, unit, 1.5));
  p.drawLine(centre, Polar(centre, 120, tiny ? 66 : 70));
  p.setPen(Qt::NoPen);
  p.setBrush(inkColour);
  p.drawEllipse(centre, 13, 13);
  if (!small) {
    p.setBrush(QColor("#17a398"));
    p.drawEllipse(centre, 5, 5);
  }
  p.end();
  return image;
}

QImage ContactIcon(int size, bool smooth, bool monochrome) {
  QImage image = TransparentSquare(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, smooth && !monochrome);
  p.scale(size / kDesign, size / kDesign);
  const double unit = kDesign / size;
  const bool tiny = size <= 16;

  const QColor paper = monochrome ? QColor(Qt::white) : QColor("#fff4e0");
  const QColor line = monochrome ? QColor(Qt::black) : QColor("#c8742a");
  const QColor fold = monochrome ? QColor(Qt::black) : QColor("#e2ad76");
  const QColor badge = monochrome ? QColor(Qt::black) : QColor("#17a398");
  const QColor figure = QColor(Qt::white);

  // Envelope, its flap and, when there is room, the folds of its lower half.
  const QRectF body(16, 52, 224, 156);
  p.setPen(DesignPen(line, 12, unit, 1.0));
  p.setBrush(paper);
  p.drawRoundedRect(body, 14, 14);
  if (!tiny) {
    p.setPen(DesignPen(fold, 6, unit));
    p.drawLine(QPointF(28, 196), QPointF(104, 126));
  }
  p.setPen(DesignPen(line, 12, unit, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(26, 64), QPointF(128, 142), QPointF(230, 64)}));

  // Person badge over the lower right corner, ringed in white to stand off the envelope.
  const QPointF badgeCentre(190, 190);
  const double badgeRadius = tiny ? 62 : 58;
  p.setPen(QPen(figure, std::max(8.0, unit)));
  p.setBrush(badge);
  p.drawEllipse(badgeCentre, badgeRadius, badgeRadius);
  if (!tiny) {
    p.setPen(Qt::NoPen);
    p.setBrush(figure);
    p.drawEllipse(QPointF(badgeCentre.x(), badgeCentre.y() - 16), 17, 17);
    QPainterPath inside;
    inside.addEllipse(badgeCentre, badgeRadius - 8, badgeRadius - 8);
    QPainterPath shoulders;
    shoulders.addEllipse(QPointF(badgeCentre.x(), badgeCentre.y() + 42), 36, 28);
    p.drawPath(shoulders.intersected(inside));
  }
  p.end();
  return image;
}

QImage MoreAppsBackground(int scale) {
  QImage image(QSize(533, 367) * scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);  // the same drawing, in as many pixels as the screen has
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 367);
  sky.setColorAt(0.0, QColor("#f4f9fb"));
  sky.setColorAt(1.0, QColor("#e1edf1"));
  p.fillRect(image.rect(), sky);

  // A large, faint dial rising from the lower right corner.
  const QPointF centre(476, 322);
  p.setBrush(QColor(255, 255, 255, 70));
  p.setPen(QPen(QColor("#cfe0e7"), 2));
  p.drawEllipse(centre, 176, 176);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, 146, 146);
  for (int i = 0; i < 60; ++i) {
    const bool five = i % 5 == 0;
    p.setPen(
        QPen(QColor(five ? "#c6dae2" : "#d6e5eb"), five ? 3 : 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(Polar(centre, i * 6.0, five ? 150 : 158), Polar(centre, i * 6.0, 170));
  }
  p.setPen(QPen(QColor("#d3e3e9"), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre, Polar(centre, -40, 128));

  // Two soft arcs in the upper left balance the dial.
  p.setPen(QPen(QColor("#e0ecf0"), 2));
  p.drawEllipse(QPointF(18, 14), 84, 84);
  p.drawEllipse(QPointF(18, 14), 60, 60);
  p.end();
  return image;
}

QImage ContactBackground(int scale) {
  QImage image(QSize(726, 506) * scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient paper(0, 0, 726, 506);
  paper.setColorAt(0.0, QColor("#fcf9f2"));
  paper.setColorAt(1.0, QColor("#edf4f0"));
  p.fillRect(image.rect(), paper);

  // Faint rings in the upper right corner.
  p.setBrush(Qt::NoBrush);
  for (int r = 50; r <= 170; r += 40) {
    p.setPen(QPen(QColor(23, 163, 152, 22), 2));
    p.drawEllipse(QPointF(700, 24), r, r);
  }

  // Two gentle waves along the bottom, below the pictures and the button.
  for (int layer = 0; layer < 2; ++layer) {
    QPainterPath wave;
    const double base = 372 + layer * 22;
    wave.moveTo(0, 506);
    for (int x = 0; x <= 726; x += 6) {
      wave.lineTo(x, base + 10 * std::sin((x / 726.0) * 2 * kPi * 1.5 + layer * 1.7));
    }
    wave.lineTo(726, 506);
    wave.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(23, 163, 152, layer == 0 ? 18 : 26));
    p.drawPath(wave);
  }
  p.end();
  return image;
}

QImage QrPicture(const std::string& text, QSize size) {
  std::unique_ptr<QRcode, void (*)(QRcode*)> code(
      QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
  if (!code) throw std::runtime_error("cannot make a QR code of: " + text);

  const int modules = code->width;
  constexpr int kQuietModules = 4;
  const int modulePixels = std::min(size.width(), size.height()) / (modules + 2 * kQuietModules);
  if (modulePixels < 1) throw std::runtime_error("picture too small for the QR code of: " + text);

  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);  // no antialiasing: modules stay whole pixels
  const int x0 = (size.width() - modules * modulePixels) / 2;
  const int y0 = (size.height() - modules * modulePixels) / 2;
  for (int y = 0; y < modules; ++y) {
    for (int x = 0; x < modules; ++x) {
      if (code->data[y * modules + x] & 1) {
        p.fillRect(x0 + x * modulePixels, y0 + y * modulePixels, modulePixels, modulePixels,
                   Qt::black);
      }
    }
  }
  p.end();
  return image;
}

QImage PlaceholderPicture(ContactPicture picture, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  const QColor background("#efefef");
  const QColor glyph("#b4b4b4");
  image.fill(background);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  const double side = std::min(size.width(), size.height());
  const double border = std::max(1.0, std::round(side / 140.0));
  p.setPen(QPen(QColor("#c8c8c8"), border));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(border / 2, border / 2, size.width() - border, size.height() - border));

  // The glyph is drawn on a 100-unit square centred in the picture, 42% of its shorter side.
  // Large units keep the curves smooth where paths are combined.
  p.translate(size.width() / 2.0, size.height() / 2.0);
  p.scale(side * 0.0042, side * 0.0042);
  p.setPen(Qt::NoPen);
  p.setBrush(glyph);
  switch (picture) {
    case ContactPicture::kWeChat: {  // two chat bubbles
      auto bubble = [](QPointF centre, double rx, double ry, const QPolygonF& tail) {
        QPainterPath oval, point;
        oval.addEllipse(centre, rx, ry);
        point.addPolygon(tail);
        point.closeSubpath();
        return oval.united(point);
      };
      p.drawPath(bubble(QPointF(-14, -12), 36, 29,
                        QPolygonF({QPointF(-30, 0), QPointF(-42, 26), QPointF(-14, 10)})));
      p.setPen(QPen(background, 5));
      p.drawPath(bubble(QPointF(20, 16), 30, 24,
                        QPolygonF({QPointF(30, 26), QPointF(46, 46), QPointF(20, 34)})));
      p.setPen(Qt::NoPen);
      p.setBrush(background);
      for (double x : {-26.0, -2.0}) p.drawEllipse(QPointF(x, -16), 4.5, 4.5);
      for (double x : {10.0, 30.0}) p.drawEllipse(QPointF(x, 12), 3.8, 3.8);
      break;
    }
    case ContactPicture::kQq: {  // a person
      p.drawEllipse(QPointF(0, -20), 20, 20);
      QPainterPath shoulders;
      shoulders.addRoundedRect(QRectF(-40, 6, 80, 44), 30, 30);
      QPainterPath cut;
      cut.addRect(QRectF(-50, 6, 100, 40));
      p.drawPath(shoulders.intersected(cut));
      break;
    }
    case ContactPicture::kAccount: {  // an article page
      p.setPen(QPen(glyph, 7));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(-42, -34, 84, 68), 8, 8);
      p.setPen(Qt::NoPen);
      p.setBrush(glyph);
      p.drawRect(QRectF(-28, -20, 22, 20));
      p.setPen(QPen(glyph, 6, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, -16), QPointF(28, -16));
      p.drawLine(QPointF(4, -4), QPointF(28, -4));
      p.drawLine(QPointF(-28, 10), QPointF(28, 10));
      p.drawLine(QPointF(-28, 21), QPointF(16, 21));
      break;
    }
    case ContactPicture::kShare: {  // three linked nodes
      const QPointF a(26, -28), b(-26, 0), c(26, 28);
      p.setPen(QPen(glyph, 7));
      p.drawLine(a, b);
      p.drawLine(b, c);
      p.setPen(Qt::NoPen);
      for (QPointF node : {a, b, c}) p.drawEllipse(node, 13, 13);
      break;
    }
  }
  p.end();
  return image;
}

Bitmap ToBitmap(const QImage& image) {
  const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
  Bitmap bitmap;
  bitmap.width = straight.width();
  bitmap.height = straight.height();
  bitmap.pixels.reserve(static_cast<std::size_t>(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
    for (int x = 0; x < bitmap.width; ++x) {
      const QRgb c = row[x];
      bitmap.pixels.push_back(
          {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
           static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qAlpha(c))});
    }
  }
  return bitmap;
}

}  // namespace xr::art
