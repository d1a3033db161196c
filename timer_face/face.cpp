#include "timer_face/face.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

#include "main_window/main_form.h"

namespace xr {

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

std::int16_t FaceSeconds(const MainForm& form) {
  const std::int16_t minutes = ToInt16(10 * DigitValue(form.f1) + DigitValue(form.f0));
  const std::int16_t seconds = ToInt16(10 * DigitValue(form.m1) + DigitValue(form.m0));
  return ToInt16(60.0 * minutes + seconds);
}

bool CountdownSelected(const MainForm& form) { return form.djs.BackColor() == kSelectedColor; }

void SetDigit(Control& cell, double value) {
  char text[32];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%.15g", value);
  }
  cell.SetCaption(text);
}

void SetFaceColor(MainForm& form, Color color) {
  for (Control* c : {&form.f1, &form.f0, &form.m1, &form.m0, &form.mh1}) c->SetForeColor(color);
}

void SetColonVisible(MainForm& form, bool visible) { form.mh1.SetVisible(visible); }

}  // namespace xr
