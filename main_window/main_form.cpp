#include "main_window/main_form.h"

#include <stdexcept>

namespace xr {

namespace {

struct Geometry {
  float left, top, width, height, fontSize;
};

Control& Button(Window& w, const char* name, const char* caption, Geometry g, int tab) {
  Control& c = w.Add(Kind::CommandButton, name);
  c.SetCaption(caption);
  c.Move(g.left, g.top, g.width, g.height);
  c.SetFontSize(g.fontSize);
  c.design.tabIndex = tab;
  return c;
}

Control& Label(Window& w, const char* name, const char* caption, Geometry g) {
  Control& c = w.Add(Kind::Label, name);
  c.SetCaption(caption);
  c.Move(g.left, g.top, g.width, g.height);
  c.SetFontSize(g.fontSize);
  c.SetForeColor(kButtonTextColor);
  c.design.transparent = true;
  c.design.align = Align::Center;
  return c;
}

Control& Timer(Window& w, const char* name, int interval, bool enabled) {
  Control& c = w.Add(Kind::Timer, name);
  c.SetInterval(interval);
  c.SetEnabled(enabled);
  return c;
}

Control& Player(Window& w) {
  Control& c = w.Add(Kind::MediaPlayer, "WindowsMediaPlayer1");
  c.Move(0, 0, 615, 495);
  c.SetVisible(false);
  return c;
}

Control& Selector(Window& w, const char* name, const char* caption, float left, Color back) {
  Control& c = Label(w, name, caption, {left, 120, 1815, 465, 21.75f});
  c.design.transparent = false;
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

bool IsLayoutIncluded(const Control& control) {
  return control.Name().find("Timer") == std::string::npos &&
         control.Name() != "WindowsMediaPlayer1";
}

MainForm::MainForm(Platform& p)
    : platform(p),
      more(Button(window, "more", "更多应用", {5520, 4560, 1215, 495, 10.5f}, 18)),
      Timer3(Timer(window, "Timer3", 500, false)),
      Timer2(Timer(window, "Timer2", 1000, false)),
      重置(Button(window, "重置", "重 置", {3240, 4560, 1215, 495, 15}, 4)),
      Timer1(Timer(window, "Timer1", 0, true)),
      开始(Button(window, "开始", kStartCaption, {960, 4560, 1215, 495, 15}, 0)),
      WindowsMediaPlayer1(Player(window)),
      km0(Label(window, "km0", "-", {6000, 3600, 735, 495, 27.75f})),
      km1(Label(window, "km1", "-", {4680, 3600, 735, 495, 27.75f})),
      kf0(Label(window, "kf0", "-", {2400, 3600, 735, 495, 27.75f})),
      kf1(Label(window, "kf1", "-", {1080, 3600, 735, 495, 27.75f})),
      jm0(Label(window, "jm0", "+", {6000, 960, 735, 495, 27.75f})),
      jm1(Label(window, "jm1", "+", {4680, 960, 735, 495, 27.75f})),
      jf0(Label(window, "jf0", "+", {2400, 960, 735, 495, 27.75f})),
      jf1(Label(window, "jf1", "+", {1080, 960, 735, 495, 27.75f})),
      mh1(Label(window, "mh1", ":", {3360, 1200, 1215, 2295, 110.25f})),
      m0(Label(window, "m0", "0", {5760, 1440, 1215, 2295, 110.25f})),
      m1(Label(window, "m1", "0", {4440, 1440, 1215, 2295, 110.25f})),
      f0(Label(window, "f0", "0", {2160, 1440, 1215, 2295, 110.25f})),
      djs(Selector(window, "djs", "倒计时", 3960, kSelectedColor)),
      zjs(Selector(window, "zjs", "正计时", 2160, kWhite)),
      f1(Label(window, "f1", "0", {840, 1440, 1215, 2295, 110.25f})),
      face({.minuteTens = f1,
            .minuteUnits = f0,
            .secondTens = m1,
            .secondUnits = m0,
            .colon = mh1,
            .countUpSelector = zjs,
            .countdownSelector = djs,
            .minuteTensPlus = jf1,
            .minuteUnitsPlus = jf0,
            .secondTensPlus = jm1,
            .secondUnitsPlus = jm0,
            .minuteTensMinus = kf1,
            .minuteUnitsMinus = kf0,
            .secondTensMinus = km1,
            .secondUnitsMinus = km0,
            .runButton = 开始,
            .resetButton = 重置,
            .tickTimer = Timer2,
            .blinkTimer = Timer3},
           *this),
      chrome{&开始, &重置, &more, &zjs, &djs, &jf1, &jf0, &jm1, &jm0, &kf1, &kf0, &km1, &km0} {
  window.caption = kProgramTitle;
  window.design.border = Border::Sizable;
  window.design.clientWidth = 7800;
  window.design.clientHeight = 5445;
  window.design.backColor = kWindowBackColor;
  window.design.icon = "icons/app.ico";
  m0.SetForeColor(kBlack);

  window.onLoad = [this] { Load(); };
  window.onResize = [this] { Resize(); };
  window.onUnload = [this] { Unload(); };
  more.onClick = [this] {
    if (openMoreApps) openMoreApps();
  };
  Timer1.onTimer = [this] { Timer1Tick(); };
  window.onKeyDown = [this] { return KeyDown(); };
}

void MainForm::Load() {
  ExtractCue(platform, cue);
  CaptureLayout();
}

void MainForm::CaptureLayout() {
  SkipOnFailure([&] { layoutTable.emplace(); });
  std::int16_t row = 0;
  for (const auto& c : window.Controls()) {
    if (!IsLayoutIncluded(*c)) continue;
    ++row;
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
    ratio(
        5, [&] { return c->FontSize(); }, sh);
  }
}

void MainForm::Resize() {
  std::int16_t row = 0;
  for (const auto& c : window.Controls()) {
    if (!IsLayoutIncluded(*c)) continue;
    ++row;
    Control& k = *c;
    auto cell = [&](int column) { return layoutTable.value().Get(row, column); };
    SkipOnFailure([&] { k.SetLeft(cell(1) * window.ScaleWidth()); });
    SkipOnFailure([&] { k.SetTop(cell(2) * window.ScaleHeight()); });
    SkipOnFailure([&] { k.SetWidth(cell(3) * window.ScaleWidth()); });
    SkipOnFailure([&] { k.SetHeight(cell(4) * window.ScaleHeight()); });
    SkipOnFailure([&] { k.SetFontSize(cell(5) * window.ScaleHeight()); });
  }
}

void MainForm::SetChromeVisible(bool visible) {
  for (Control* c : chrome) c->SetVisible(visible);
}

void MainForm::PlayCue() { xr::PlayCue(cue, WindowsMediaPlayer1); }

void MainForm::ShowMessage(const char* text) { platform.MessageBox(text, kProgramTitle); }

}  // namespace xr
