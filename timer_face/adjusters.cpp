// The "+" and "-" labels step their own digit cell by one, wrapping within its range, and never
// carry into a neighbour. The two selectors choose the direction by their background colour.
#include "timer_face/face.h"

namespace xr {

namespace {
struct Adjuster {
  Control* cell;
  double upper;
  bool plus;
};

Adjuster Describe(const ClockFace& f, const Control& a) {
  if (&a == &f.jf1) return {&f.f1, 5, true};
  if (&a == &f.jf0) return {&f.f0, 9, true};
  if (&a == &f.jm1) return {&f.m1, 5, true};
  if (&a == &f.jm0) return {&f.m0, 9, true};
  if (&a == &f.kf1) return {&f.f1, 5, false};
  if (&a == &f.kf0) return {&f.f0, 9, false};
  if (&a == &f.km1) return {&f.m1, 5, false};
  return {&f.m0, 9, false};
}
}  // namespace

std::string AdjusterName(const ClockFace& face, const Control& adjuster) {
  const Adjuster a = Describe(face, adjuster);
  const char* cell = a.cell == &face.f1   ? "分钟十位"
                     : a.cell == &face.f0 ? "分钟个位"
                     : a.cell == &face.m1 ? "秒钟十位"
                                          : "秒钟个位";
  return std::string(cell) + (a.plus ? "加一" : "减一");
}

void AdjusterClick(ClockFace& face, Control& adjuster) {
  const Adjuster a = Describe(face, adjuster);
  const double v = DigitValue(*a.cell);
  if (a.plus) {
    SetDigit(*a.cell, v < a.upper ? v + 1 : 0);
  } else {
    SetDigit(*a.cell, (v <= a.upper && v >= 1) ? v - 1 : a.upper);
  }
  AnnounceFace(face);
}

namespace {
void Select(ClockFace& face, Control& chosen, Control& other) {
  chosen.SetBackColor(kSelectedColor);
  other.SetBackColor(kWhite);
  chosen.Announce(Prop::Checked);
  other.Announce(Prop::Checked);
  AnnounceFace(face);
}
}  // namespace

void SelectCountUp(ClockFace& face) { Select(face, face.zjs, face.djs); }

void SelectCountdown(ClockFace& face) { Select(face, face.djs, face.zjs); }

}  // namespace xr
