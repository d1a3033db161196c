#include "timer_face/face.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

namespace xr {

ClockFace::ClockFace(const FaceControls& controls, FaceHost& h) : FaceControls(controls), host(h) {
  开始.onClick = [this] { StartClick(*this); };
  重置.onClick = [this] { ResetClick(*this); };
  for (Control* a : {&jf1, &jf0, &jm1, &jm0, &kf1, &kf0, &km1, &km0}) {
    a->onClick = [this, a] { AdjusterClick(*this, *a); };
  }
  zjs.onClick = [this] { SelectCountUp(*this); };
  djs.onClick = [this] { SelectCountdown(*this); };
  Timer2.onTimer = [this] { Timer2Tick(*this); };
  Timer3.onTimer = [this] { Timer3Tick(*this); };

  for (Control* a : {&jf1, &jf0, &jm1, &jm0, &kf1, &kf0, &km1, &km0}) {
    a->access.role = Role::Button;
    a->access.name = AdjusterName(*this, *a);
  }
  zjs.access.role = Role::RadioButton;
  zjs.access.checked = [this] { return !CountdownSelected(*this); };
  djs.access.role = Role::RadioButton;
  djs.access.checked = [this] { return CountdownSelected(*this); };
  f1.access.role = Role::Clock;
  f1.access.liveName = [this] { return FaceReading(*this); };
  for (Control* part : {&f0, &mh1, &m1, &m0}) part->access.partOf = &f1;
}

std::string FaceReading(const ClockFace& face) {
  return std::string(CountdownSelected(face) ? "倒计时 " : "正计时 ") + face.f1.Caption() +
         face.f0.Caption() + ":" + face.m1.Caption() + face.m0.Caption();
}

void AnnounceFace(ClockFace& face) { face.f1.Announce(Prop::AccessibleName); }

bool TickIsAnnounced(const ClockFace& face) {
  if (!face.Timer2.Enabled()) return true;
  if (DigitValue(face.m1) == 0 && DigitValue(face.m0) == 0) return true;
  return CountdownSelected(face) && FaceSeconds(face) <= 10;
}

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    number += text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      number += text[i++];
      digits = true;
    }
  }
  if (!digits) return 0;
  return std::strtod(number.c_str(), nullptr);
}

namespace {
template <typename Int>
Int RoundChecked(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode takes halves to even
  if (!(r >= std::numeric_limits<Int>::min() && r <= std::numeric_limits<Int>::max())) {
    throw std::overflow_error("overflow");
  }
  return static_cast<Int>(r);
}
}  // namespace

std::int16_t ToInt16(double value) { return RoundChecked<std::int16_t>(value); }
std::int32_t ToInt32(double value) { return RoundChecked<std::int32_t>(value); }

double DigitValue(const Control& cell) { return LeadingNumber(cell.Caption()); }

std::int16_t FaceSeconds(const ClockFace& face) {
  const std::int16_t minutes = ToInt16(10 * DigitValue(face.f1) + DigitValue(face.f0));
  const std::int16_t seconds = ToInt16(10 * DigitValue(face.m1) + DigitValue(face.m0));
  return ToInt16(60.0 * minutes + seconds);
}

bool CountdownSelected(const ClockFace& face) { return face.djs.BackColor() == kSelectedColor; }

void SetDigit(Control& cell, double value) {
  char text[32];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%.15g", value);
  }
  cell.SetCaption(text);
}

void SetFaceColor(ClockFace& face, Color color) {
  for (Control* c : {&face.f1, &face.f0, &face.m1, &face.m0, &face.mh1}) c->SetForeColor(color);
}

void SetColonVisible(ClockFace& face, bool visible) { face.mh1.SetVisible(visible); }

}  // namespace xr
