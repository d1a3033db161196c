#include "main_window/main_form.h"

#include <algorithm>
#include <stdexcept>

namespace xr {

namespace {

struct Geometry {
  float left, top, width, height, fontSize;
};

template <typename T>
T& Text(Window& w, const char* name, const char* caption, Geometry g) {
  T& c = w.Add<T>(name);
  c.SetCaption(caption);
  c.Move(g.left, g.top, g.width, g.height);
  c.SetFontSize(g.fontSize);
  return c;
}

Button& MakeButton(Window& w, const char* name, const char* caption, Geometry g, int tab) {
  Button& c = Text<Button>(w, name, caption, g);
  c.tabIndex = tab;
  return c;
}

Label& MakeLabel(Window& w, const char* name, const char* caption, Geometry g) {
  Label& c = Text<Label>(w, name, caption, g);
  c.SetForeColor(kButtonTextColor);
  c.transparent = true;
  c.align = Align::Center;
  return c;
}

Label& MakeSelector(Window& w, const char* name, const char* caption, float left, Color back) {
  Label& c = MakeLabel(w, name, caption, {left, 120, 1815, 465, 21.75f});
  c.transparent = false;
  c.SetBackColor(back);
  return c;
}

}  // namespace

float LayoutTable::Get(int row, int column) const {
  const auto& cell = cells_[Index(row, column)];
  return cell ? *cell : 0.0f;
}

void LayoutTable::Set(int row, int column, float value) { cells_[Index(row, column)] = value; }

std::size_t LayoutTable::Index(int row, int column) {
  if (row < 1 || row > kLayoutRows || column < 1 || column > kLayoutColumns) {
    throw std::out_of_range("layout table subscript out of range");
  }
  return static_cast<std::size_t>((row - 1) * kLayoutColumns + (column - 1));
}

MainForm::MainForm(Platform& p, WindowHost& h)
    : platform(p),
      host(h),
      moreAppsButton(MakeButton(window, "more", "更多应用", {5520, 4560, 1215, 495, 10.5f}, 18)),
      resetButton(MakeButton(window, "重置", "重 置", {3240, 4560, 1215, 495, 15}, 4)),
      startButton(MakeButton(window, "开始", kStartCaption, {960, 4560, 1215, 495, 15}, 0)),
      secondUnitsMinus(MakeLabel(window, "km0", "-", {6000, 3600, 735, 495, 27.75f})),
      secondTensMinus(MakeLabel(window, "km1", "-", {4680, 3600, 735, 495, 27.75f})),
      minuteUnitsMinus(MakeLabel(window, "kf0", "-", {2400, 3600, 735, 495, 27.75f})),
      minuteTensMinus(MakeLabel(window, "kf1", "-", {1080, 3600, 735, 495, 27.75f})),
      secondUnitsPlus(MakeLabel(window, "jm0", "+", {6000, 960, 735, 495, 27.75f})),
      secondTensPlus(MakeLabel(window, "jm1", "+", {4680, 960, 735, 495, 27.75f})),
      minuteUnitsPlus(MakeLabel(window, "jf0", "+", {2400, 960, 735, 495, 27.75f})),
      minuteTensPlus(MakeLabel(window, "jf1", "+", {1080, 960, 735, 495, 27.75f})),
      colon(MakeLabel(window, "mh1", ":", {3360, 1200, 1215, 2295, 110.25f})),
      secondUnits(MakeLabel(window, "m0", "0", {5760, 1440, 1215, 2295, 110.25f})),
      secondTens(MakeLabel(window, "m1", "0", {4440, 1440, 1215, 2295, 110.25f})),
      minuteUnits(MakeLabel(window, "f0", "0", {2160, 1440, 1215, 2295, 110.25f})),
      countdownSelector(MakeSelector(window, "djs", "倒计时", 3960, kSelectedColor)),
      countUpSelector(MakeSelector(window, "zjs", "正计时", 2160, kWhite)),
      minuteTens(MakeLabel(window, "f1", "0", {840, 1440, 1215, 2295, 110.25f})),
      blinkTimer(window.AddTimer("Timer3", 500, false)),
      tickTimer(window.AddTimer("Timer2", 1000, false)),
      idleTimer(window.AddTimer("Timer1", 0, true)),
      face({.minuteTens = minuteTens,
            .minuteUnits = minuteUnits,
            .secondTens = secondTens,
            .secondUnits = secondUnits,
            .colon = colon,
            .countUpSelector = countUpSelector,
            .countdownSelector = countdownSelector,
            .minuteTensPlus = minuteTensPlus,
            .minuteUnitsPlus = minuteUnitsPlus,
            .secondTensPlus = secondTensPlus,
            .secondUnitsPlus = secondUnitsPlus,
            .minuteTensMinus = minuteTensMinus,
            .minuteUnitsMinus = minuteUnitsMinus,
            .secondTensMinus = secondTensMinus,
            .secondUnitsMinus = secondUnitsMinus,
            .startButton = startButton,
            .resetButton = resetButton,
            .tickTimer = tickTimer,
            .blinkTimer = blinkTimer},
           *this),
      chrome{&startButton,       &resetButton,     &moreAppsButton,   &countUpSelector,
             &countdownSelector, &minuteTensPlus,  &minuteUnitsPlus,  &secondTensPlus,
             &secondUnitsPlus,   &minuteTensMinus, &minuteUnitsMinus, &secondTensMinus,
             &secondUnitsMinus} {
  window.caption = kProgramTitle;
  window.design.border = Border::Sizable;
  window.design.clientWidth = 7800;
  window.design.clientHeight = 5445;
  window.design.backColor = kWindowBackColor;
  window.design.icon = "icons/app.ico";
  secondUnits.SetForeColor(kBlack);

  // After the three buttons the keyboard goes on through the rest of the chrome, in reading
  // order: the selectors, the "+" row, the "-" row.
  int tab = moreAppsButton.tabIndex;
  for (auto c = chrome.begin() + 3; c != chrome.end(); ++c) (*c)->tabIndex = ++tab;

  window.onLoad = [this] { Load(); };
  window.onResize = [this] { Resize(); };
  window.onUnload = [this] { Unload(); };
  moreAppsButton.onClick = [this] {
    if (openMoreApps) openMoreApps();
  };
  idleTimer.onTimer = [this] { IdleTick(); };
  window.onKeyDown = [this] { return KeyDown(); };
  window.onPointerDown = [this] { PointerDown(); };
}

void MainForm::Load() {
  ExtractCue(platform, cue);
  CaptureLayout();
}

void MainForm::CaptureLayout() {
  SkipOnFailure([&] { layoutTable.emplace(); });
  std::int16_t row = 0;
  // Every control has a place and a row; the timers, which have none, are not controls.
  for (const auto& c : window.Controls()) {
    ++row;
    const auto* text = dynamic_cast<const TextControl*>(c.get());
    auto ratio = [&](int column, auto property, auto scale) {
      SkipOnFailure([&] {
        const float s = scale();
        if (s == 0) throw std::domain_error("division by zero");
        layoutTable.value().Set(row, column, property() / s);
      });
    };
    auto sw = [&] { return window.ScaleWidth(); };
    auto sh = [&] { return window.ScaleHeight(); };
    ratio(
        1, [&] { return c->Left(); }, sw);
    ratio(
        2, [&] { return c->Top(); }, sh);
    ratio(
        3, [&] { return c->Width(); }, sw);
    ratio(
        4, [&] { return c->Height(); }, sh);
    // A picture has no font: its cell stays empty, and reads as 0.
    if (text != nullptr) {
      ratio(
          5, [&] { return text->FontSize(); }, sh);
    }
  }
}

// The fonts follow the client area's height, down to the narrowest common screen (5:4). A window
// narrower than that (a phone held upright, a tall narrow window) bounds them by its width as
// well, so that the digits and captions still fit the controls that shrink with the width.
constexpr float kNarrowestShape = 1.25f;

void MainForm::Resize() {
  std::int16_t row = 0;
  for (const auto& c : window.Controls()) {
    ++row;
    Control& k = *c;
    auto* text = dynamic_cast<TextControl*>(&k);
    auto cell = [&](int column) { return layoutTable.value().Get(row, column); };
    SkipOnFailure([&] { k.SetLeft(cell(1) * window.ScaleWidth()); });
    SkipOnFailure([&] { k.SetTop(cell(2) * window.ScaleHeight()); });
    SkipOnFailure([&] { k.SetWidth(cell(3) * window.ScaleWidth()); });
    SkipOnFailure([&] { k.SetHeight(cell(4) * window.ScaleHeight()); });
    if (text != nullptr) {
      SkipOnFailure([&] {
        text->SetFontSize(cell(5) *
                          std::min(window.ScaleHeight(), window.ScaleWidth() / kNarrowestShape));
      });
    }
  }
}

// Whenever the chrome comes back the focus is on the run button, whatever the platform did with
// it while it was hidden (moved it along to the next control, or to the window): a Space then
// pauses and never presses a control the user could not see it reach.
void MainForm::SetChromeVisible(bool visible) {
  for (Control* c : chrome) c->SetVisible(visible);
  if (visible) startButton.TakeFocus();
}

// Asked only when the hold changes, so that a platform lets go exactly once what it took.
void MainForm::HoldScreen(bool held) {
  if (held == screenHeld) return;
  screenHeld = held;
  platform.HoldScreen(held);
}

void MainForm::ReadyCue() { xr::ReadyCue(cue, platform); }

void MainForm::PlayCue() { xr::PlayCue(cue, platform); }

void MainForm::ShowMessage(const char* text) { platform.MessageBox(text, kProgramTitle); }

}  // namespace xr
