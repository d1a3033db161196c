// Drives the main window on the fake platform the way a user and the clock would, and keeps one
// log of property writes and of pointer, message and program calls, so that a test can check
// the order in which a handler does things, not only where it ends up.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/window.h"
#include "cue/cue.h"
#include "main_window/main_form.h"
#include "platform/fake/fake_platform.h"
#include "tests/core/fake_world.h"
#include "timer_face/face.h"

namespace xr::test {

// Through memcpy: the libc++ of Debian's emscripten has no std::bit_cast.
inline std::uint32_t Bits(float v) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

namespace {
// Names a data row by its description in test output, instead of as a dump of its bytes.
template <typename Row>
requires requires(const Row& r) { r.what; }
void PrintTo(const Row& row, std::ostream* os) { *os << row.what; }
}  // namespace

inline std::string Describe(const Control& c, Prop p) {
  std::string s = c.Name() + ".";
  char buf[64];
  switch (p) {
    case Prop::Caption:
      return s + "Caption=" + dynamic_cast<const TextControl&>(c).Caption();
    case Prop::ForeColor:
      return s + "ForeColor=" + std::to_string(dynamic_cast<const TextControl&>(c).ForeColor());
    case Prop::BackColor:
      return s + "BackColor=" + std::to_string(dynamic_cast<const Label&>(c).BackColor());
    case Prop::Visible:
      return s + "Visible=" + (c.Visible() ? "1" : "0");
    case Prop::AccessibleName:
      return s + "Announce=" + c.AccessibleName();
    case Prop::Checked:
      return s + "Checked=" + (c.Checked() ? "1" : "0");
    case Prop::Focus:
      return s + "Focus";
    case Prop::Left:
      std::snprintf(buf, sizeof buf, "Left=%.9g", static_cast<double>(c.Left()));
      return s + buf;
    case Prop::Top:
      std::snprintf(buf, sizeof buf, "Top=%.9g", static_cast<double>(c.Top()));
      return s + buf;
    case Prop::Width:
      std::snprintf(buf, sizeof buf, "Width=%.9g", static_cast<double>(c.Width()));
      return s + buf;
    case Prop::Height:
      std::snprintf(buf, sizeof buf, "Height=%.9g", static_cast<double>(c.Height()));
      return s + buf;
    case Prop::FontSize:
      std::snprintf(buf, sizeof buf, "FontSize=%.9g",
                    static_cast<double>(dynamic_cast<const TextControl&>(c).FontSize()));
      return s + buf;
  }
  return s + "?";
}

// Sits between the window and the fake's own view: logs each property write, then lets the
// fake see it (timers are scheduled and the player plays from there).
// What a screen reader is told goes to a log of its own: it is not a property write.
class LoggingView final : public WindowView {
 public:
  LoggingView(WindowView* inner, Log& log, Log& told) : inner_(inner), log_(log), told_(told) {}
  bool logging = true;
  void PropertyChanged(Control& c, Prop p) override {
    const bool tells = p == Prop::AccessibleName || p == Prop::Checked;
    if (logging) (tells ? told_ : log_).push_back(Describe(c, p));
    if (inner_ != nullptr) inner_->PropertyChanged(c, p);
  }
  void TimerChanged(Timer& t, bool intervalWritten) override {
    if (logging) {
      log_.push_back(t.Name() + (intervalWritten
                                     ? ".Interval=" + std::to_string(t.Interval())
                                     : std::string(".Enabled=") + (t.Enabled() ? "1" : "0")));
    }
    if (inner_ != nullptr) inner_->TimerChanged(t, intervalWritten);
  }
  void WindowDestroyed() override {
    if (WindowView* inner = std::exchange(inner_, nullptr)) inner->WindowDestroyed();
  }
  void ReportFailure(std::string_view line) override {
    if (inner_ != nullptr) inner_->ReportFailure(line);
  }

 private:
  WindowView* inner_;
  Log& log_;
  Log& told_;
};

class Harness {
 public:
  Harness() {
    fake.cuePlace = kHomeCuePath;
    fake.resources["CUSTOM/101"] = SmallCue();
    fake.clockBase = 12 * 3600.0;
  }
  // The window goes first, while the view it reports its end to is still there.
  ~Harness() { form.reset(); }
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  // Creates the main window without showing it.
  MainForm& Create() {
    form = std::make_unique<MainForm>(platform, host);
    return *form;
  }
  // Program start: creates and shows the main window, then starts logging its writes.
  MainForm& Open() {
    if (!form) Create();
    host.Show(form->window);
    view = std::make_unique<LoggingView>(form->window.View(), log, told);
    form->window.SetView(view.get());
    log.clear();
    told.clear();
    return *form;
  }
  MainForm& f() { return *form; }

  void Logging(bool on) {
    platform.logging = on;
    if (view) view->logging = on;
  }

  // Puts the face at "mm:ss" directly, as if it had been set there.
  void SetFace(std::string_view mmss) {
    ClockState s = form->face.State();
    s.digits = {mmss[0] - '0', mmss[1] - '0', mmss[3] - '0', mmss[4] - '0'};
    form->face.Preset(s);
  }
  std::string Face() const {
    return form->minuteTens.Caption() + form->minuteUnits.Caption() + ":" +
           form->secondTens.Caption() + form->secondUnits.Caption();
  }
  bool Click(Control& c) { return fake.Click(c); }
  void Advance(std::int64_t ms) { fake.Advance(ms); }

  // Moves the pointer by a pixel and lets the next idle-watch tick see it, so that the chrome
  // comes back during a run. Assumes the run started on a whole second of virtual time.
  void NudgeAndWaitForTick() {
    fake.pointerX += 1;
    Advance(1000 - fake.NowMs() % 1000);
  }

  bool AllChrome(bool visible) const {
    for (const Control* c : form->chrome) {
      if (c->Visible() != visible) return false;
    }
    return true;
  }

  // The log entries from mark on that start with one of the prefixes.
  Log Entries(std::size_t mark, std::initializer_list<std::string_view> prefixes) const {
    Log out;
    for (std::size_t i = mark; i < log.size(); ++i) {
      for (std::string_view p : prefixes) {
        if (std::string_view(log[i]).substr(0, p.size()) == p) {
          out.push_back(log[i]);
          break;
        }
      }
    }
    return out;
  }
  Log DigitWrites(std::size_t mark) const {
    return Entries(mark, {"f1.Caption", "f0.Caption", "m1.Caption", "m0.Caption"});
  }

  fake::FakePlatform fake;
  Log log;
  Log told;  // what a screen reader was told, in order
  LoggingPlatform platform{fake, log};
  WindowHost host{platform};
  std::unique_ptr<MainForm> form;
  std::unique_ptr<LoggingView> view;
};

// A main window as the program makes it, for the names of its controls.
inline const MainForm& DesignedForm() {
  static fake::FakePlatform platform;
  static const MainForm form(platform, platform.Host());
  return form;
}

inline Log FaceColourWrites(Color c) {
  const MainForm& f = DesignedForm();
  Log out;
  for (const Label* cell :
       {&f.minuteTens, &f.minuteUnits, &f.secondTens, &f.secondUnits, &f.colon}) {
    out.push_back(cell->Name() + ".ForeColor=" + std::to_string(c));
  }
  return out;
}

// Shown again, the chrome gives the focus to the run button.
inline Log ChromeWrites(bool visible) {
  Log out;
  for (const Control* c : DesignedForm().chrome) {
    out.push_back(c->Name() + ".Visible=" + (visible ? "1" : "0"));
  }
  if (visible) out.push_back("开始.Focus");
  return out;
}

inline Log Concat(std::initializer_list<Log> parts) {
  Log out;
  for (const Log& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace xr::test
