#include "tests/core/random_run.h"

#include <algorithm>

#include "companion_windows/companion_forms.h"
#include "timer_face/face.h"

namespace xr::test {

namespace {
// The main window's client area as designed, in pixels.
constexpr int kDesignWidthPx = 520;
constexpr int kDesignHeightPx = 363;

std::array<float, 5> Geometry(const Control& c) {
  const auto* text = dynamic_cast<const TextControl*>(&c);
  return {c.Left(), c.Top(), c.Width(), c.Height(), text != nullptr ? text->FontSize() : 0};
}
}  // namespace

RandomRun::RandomRun(std::uint32_t seed, double clockBase)
    : rng_(seed), widthPx_(kDesignWidthPx), heightPx_(kDesignHeightPx) {
  platform_.logging = false;
  fake_.cuePlace = kHomeCuePath;
  fake_.resources["CUSTOM/101"] = SmallCue();
  fake_.clockBase = clockBase;
  program_.Start();
  MainForm& f = program_.Main();

  // While the empty-countdown message is up, time passes and the user clicks at every window;
  // none of it may be handled.
  fake_.duringMessageBox = [this, &f] {
    const std::string face = FaceText(f);
    const std::uint64_t blinks = f.face.State().blinks;
    const int calls = fake_.showCursorCalls;
    fake_.pointerX += 3;
    fake_.Advance(1 + Pick(3000));
    const std::vector<Control*> targets = Targets();
    if (fake_.Click(*targets[Pick(static_cast<std::uint32_t>(targets.size()))])) {
      boxViolation_ = "a click was handled inside the message box";
    }
    if (FaceText(f) != face || f.face.State().blinks != blinks || fake_.showCursorCalls != calls) {
      boxViolation_ = "a tick was handled inside the message box";
    }
  };

  // An Advance can run several handlers; the display count must be right after each one, or a
  // CursorOff that left the count at 0 or more could be hidden by a later CursorOn.
  for (Timer* timer : {&f.idleTimer, &f.tickTimer}) {
    timer->onTimer = [this, timer, inner = timer->onTimer] {
      inner();
      const int count = fake_.displayCount;
      if ((count < 0) != (platform_.lastShowDirection < 0) && handlerViolation_.empty()) {
        handlerViolation_ = timer->Name() + " left the display count at " + std::to_string(count);
      }
    };
  }
}

RandomRun::~RandomRun() = default;

std::string RandomRun::FaceText(const MainForm& f) {
  return f.minuteTens.Caption() + f.minuteUnits.Caption() + ":" + f.secondTens.Caption() +
         f.secondUnits.Caption();
}

std::vector<Control*> RandomRun::Targets() const {
  MainForm& f = const_cast<Program&>(program_).Main();
  std::vector<Control*> out = {&f.minuteTensPlus,    &f.minuteUnitsPlus,  &f.secondTensPlus,
                               &f.secondUnitsPlus,   &f.minuteTensMinus,  &f.minuteUnitsMinus,
                               &f.secondTensMinus,   &f.secondUnitsMinus, &f.countUpSelector,
                               &f.countdownSelector, &f.startButton,      &f.resetButton,
                               &f.moreAppsButton};
  if (MoreAppsForm* m = const_cast<Program&>(program_).MoreApps()) {
    out.insert(out.end(), m->links.begin(), m->links.end());
    out.insert(out.end(), {&m->downloadSiteButton, &m->closeButton, &m->contactButton});
  }
  if (ContactForm* c = const_cast<Program&>(program_).Contact()) out.push_back(&c->closeButton);
  return out;
}

std::string RandomRun::Step() {
  ++counts_.events;
  MainForm& f = program_.Main();
  std::string broken;
  const std::uint32_t r = Pick(100);
  if (r < 43) {
    const std::vector<Control*> targets = Targets();
    Control& c = *targets[Pick(static_cast<std::uint32_t>(targets.size()))];
    // Nobody clicks in a minimised window; the user restores it first.
    broken = minimised_ && &c.window() == &f.window ? ResizeMain() : Click(c);
  } else if (r < 45) {
    broken = CloseCompanion();
  } else if (r < 65) {
    const std::uint32_t kind = Pick(10);
    if (kind < 4) {
      fake_.pointerX += static_cast<int>(Pick(3)) - 1;
      fake_.pointerY += static_cast<int>(Pick(3)) - 1;
    } else if (kind < 5) {
      fake_.pointerX = static_cast<int>(Pick(1920));
      fake_.pointerY = static_cast<int>(Pick(1080));
    } else if (kind < 6) {
      fake_.cursorPosFails = !fake_.cursorPosFails;
    }  // else the pointer stays where it is
    ++counts_.moves;
    last_ = {Kind::Move, nullptr, nullptr, fake_.pointerX, fake_.pointerY};
  } else if (r < 70) {
    broken = ResizeMain();
  } else {
    const std::int64_t ms = 1 + Pick(1500);
    const bool shown = f.chrome[0]->Visible();
    fake_.Advance(ms);
    ++counts_.waits;
    counts_.hides += (shown && !f.chrome[0]->Visible()) ? 1 : 0;
    last_ = {Kind::Wait, nullptr, nullptr, ms, 0};
  }
  counts_.lowestCount = std::min(counts_.lowestCount, fake_.displayCount);
  if (counts_.events % 4096 == 0) {
    fake_.calls.clear();
    fake_.messages.clear();
    fake_.playedSounds.clear();
    fake_.openedUrls.clear();
    fake_.activated.clear();
  }
  if (!Holds(handlerViolation_.empty())) return handlerViolation_;
  if (!Holds(boxViolation_.empty())) return boxViolation_;
  if (!broken.empty()) return broken;
  return Broken();
}

std::string RandomRun::Click(Control& c) {
  MainForm& f = program_.Main();
  MoreAppsForm* more = program_.MoreApps();
  ContactForm* contact = program_.Contact();
  last_ = {Kind::Click, &c, &c.window(), 0, 0};
  const bool expected = fake_.Shown(c.window()) && c.Visible();
  const bool wasStopped = f.startButton.Caption() == kStartCaption;
  const std::size_t messages = fake_.messages.size();
  const std::size_t urls = fake_.openedUrls.size();
  const bool got = fake_.Click(c);
  ++counts_.clicks;
  counts_.handled += got ? 1 : 0;
  if (!Holds(got == expected)) {
    return expected ? "a click on a shown control was dropped"
                    : "a click on a hidden control was handled";
  }
  if (!got) return {};
  if (&c == &f.startButton) {
    counts_.refusals += fake_.messages.size() > messages ? 1 : 0;
    counts_.starts += (wasStopped && f.startButton.Caption() == kPauseCaption) ? 1 : 0;
  }
  const bool link = more != nullptr &&
                    (&c == &more->downloadSiteButton ||
                     std::find(more->links.begin(), more->links.end(), &c) != more->links.end());
  counts_.urls += link ? 1 : 0;
  if (!Holds(fake_.openedUrls.size() - urls == (link ? 1u : 0u))) {
    return link ? "a link button opened no address" : "a click opened an address";
  }
  if (&c == &f.moreAppsButton || (more != nullptr && &c == &more->contactButton)) {
    ++counts_.opens;
    const Window* opened = &c == &f.moreAppsButton
                               ? (program_.MoreApps() ? &program_.MoreApps()->window : nullptr)
                               : (program_.Contact() ? &program_.Contact()->window : nullptr);
    if (!Holds(opened != nullptr && fake_.Shown(*opened))) return "the window did not open";
  }
  if ((more != nullptr && &c == &more->closeButton) ||
      (contact != nullptr && &c == &contact->closeButton)) {
    ++counts_.closes;
    if (!Holds(!fake_.Shown(c.window()))) return "the window stayed after its close button";
  }
  return {};
}

std::string RandomRun::CloseCompanion() {
  std::vector<Window*> open;
  if (MoreAppsForm* m = program_.MoreApps()) open.push_back(&m->window);
  if (ContactForm* c = program_.Contact()) open.push_back(&c->window);
  last_ = {Kind::CloseBox, nullptr, nullptr, 0, 0};
  if (open.empty()) return {};
  Window& w = *open[Pick(static_cast<std::uint32_t>(open.size()))];
  last_.window = &w;
  fake_.Close(w);
  ++counts_.closes;
  if (!Holds(!fake_.Shown(w))) return "the window stayed after its close box";
  return {};
}

std::string RandomRun::ResizeMain() {
  Window& w = program_.Main().window;
  ++counts_.resizes;
  if (minimised_) {
    minimised_ = false;
    last_ = {Kind::Restore, nullptr, &w, widthPx_, heightPx_};
    fake_.ResizeClient(w, widthPx_, heightPx_);
    for (const auto& [c, before] : beforeMinimise_) {
      if (!Holds(Geometry(*c) == before))
        return c->Name() + " came back from the minimise elsewhere";
    }
    return {};
  }
  if (Pick(4) == 0) {
    minimised_ = true;
    ++counts_.minimises;
    beforeMinimise_.clear();
    for (const auto& c : w.Controls()) beforeMinimise_.emplace_back(c.get(), Geometry(*c));
    last_ = {Kind::Minimise, nullptr, &w, 0, 0};
    fake_.ResizeClient(w, 0, 0);
    return {};
  }
  widthPx_ = 120 + static_cast<int>(Pick(1801));
  heightPx_ = 80 + static_cast<int>(Pick(1001));
  last_ = {Kind::Resize, nullptr, &w, widthPx_, heightPx_};
  fake_.ResizeClient(w, widthPx_, heightPx_);
  return {};
}

std::string RandomRun::Broken() {
  MainForm& f = program_.Main();
  struct Cell {
    const Label* c;
    char top;
  };
  for (const Cell cell : {Cell{&f.minuteTens, '5'}, Cell{&f.minuteUnits, '9'},
                          Cell{&f.secondTens, '5'}, Cell{&f.secondUnits, '9'}}) {
    const std::string& t = cell.c->Caption();
    if (!Holds(t.size() == 1 && t[0] >= '0' && t[0] <= cell.top)) {
      return cell.c->Name() + " holds \"" + t + "\"";
    }
  }
  const int seconds = TotalSeconds(f.face.State());
  if (!Holds(seconds >= 0 && seconds <= 3599)) return "face seconds " + std::to_string(seconds);

  const std::string& caption = f.startButton.Caption();
  if (!Holds(caption == kStartCaption || caption == kPauseCaption)) {
    return "start caption " + caption;
  }
  const bool stopped = caption == kStartCaption;
  if (!Holds(!stopped || !(f.tickTimer.Enabled() || f.blinkTimer.Enabled()))) {
    return "stopped with a timer on";
  }
  if (!Holds(!stopped || !(f.idleTimer.Enabled() && f.idleTimer.Interval() > 0))) {
    return "stopped, idle watch on";
  }
  if (!Holds(!stopped || f.colon.Visible())) return "stopped with the colon hidden";
  if (!Holds(f.blinkTimer.Enabled() || f.colon.Visible())) return "colon hidden without the blink";
  if (!Holds(stopped || f.blinkTimer.Enabled())) return "running without the blink";
  if (!Holds(stopped || (f.idleTimer.Enabled() && f.idleTimer.Interval() == 1000))) {
    return "running without the idle watch";
  }

  for (const Control* c : f.chrome) {
    if (!Holds(c->Visible() == f.chrome[0]->Visible())) return "chrome split at " + c->Name();
  }

  const int count = fake_.displayCount;
  const int last = platform_.lastShowDirection;
  if (!Holds((count < 0) == (last < 0))) {
    return "display count " + std::to_string(count) + " after a " +
           (last < 0   ? "hide"
            : last > 0 ? "show"
                       : "start");
  }
  if (!Holds(last >= 0 || !f.chrome[0]->Visible())) return "pointer hidden with the chrome shown";

  const Color colour = f.minuteTens.ForeColor();
  for (const Label* c : {&f.minuteUnits, &f.secondTens, &f.colon}) {
    if (!Holds(c->ForeColor() == colour)) return c->Name() + " coloured apart from the face";
  }
  if (!Holds(colour == kNormalFace || colour == kRed)) {
    return "face colour " + std::to_string(colour);
  }
  const ClockState& state = f.face.State();
  const Label& chosen = state.mode == Mode::Countdown ? f.countdownSelector : f.countUpSelector;
  if (!Holds(chosen.BackColor() == kSelectedColor)) return "the mode's selector not shown chosen";
  if (!Holds(f.minuteTens.AccessibleName().ends_with(FaceText(f))))
    return "the face shows another time";
  if (!Holds(colour == (state.alert ? kRed : kNormalFace))) {
    return "the face's colour is not its state's";
  }

  // A companion window the program holds is one the user can see, and one the user closed is
  // gone from the program: reopening builds it anew.
  MoreAppsForm* more = program_.MoreApps();
  ContactForm* contact = program_.Contact();
  if (!Holds(more == nullptr || fake_.Shown(more->window))) return "more-apps held but not shown";
  if (!Holds(contact == nullptr || fake_.Shown(contact->window))) {
    return "contact held but not shown";
  }
  if (!Holds(fake_.Shown(f.window) && !fake_.ended)) return "the main window went away";
  if (!Holds(f.window.LastFailure().empty())) return "a handler failed: " + f.window.LastFailure();
  return {};
}

std::string RandomRun::Finish() {
  MainForm& f = program_.Main();
  last_ = {Kind::End, nullptr, &f.window, 0, 0};
  fake_.Close(f.window);
  if (!Holds(fake_.ended)) return "closing the main window did not end the program";
  if (!Holds(fake_.displayCount >= 0)) return "the program ended with the pointer hidden";
  for (const Control* c : f.chrome) {
    if (!Holds(c->Visible())) return "the program ended with " + c->Name() + " hidden";
  }
  MoreAppsForm* more = program_.MoreApps();
  ContactForm* contact = program_.Contact();
  if (!Holds(!fake_.Shown(f.window) && !(more && fake_.Shown(more->window)) &&
             !(contact && fake_.Shown(contact->window)))) {
    return "a window outlived the program";
  }
  return {};
}

std::string RandomRun::LastEvent() const {
  const std::string where = last_.window != nullptr ? last_.window->Name() : std::string("-");
  switch (last_.kind) {
    case Kind::Click:
      return "click " + where + "." + last_.control->Name();
    case Kind::CloseBox:
      return "close box of " + where;
    case Kind::Move:
      return "pointer " + std::to_string(last_.a) + "," + std::to_string(last_.b);
    case Kind::Wait:
      return "wait " + std::to_string(last_.a) + " ms";
    case Kind::Resize:
      return "resize main to " + std::to_string(last_.a) + "x" + std::to_string(last_.b);
    case Kind::Minimise:
      return "minimise main";
    case Kind::Restore:
      return "restore main to " + std::to_string(last_.a) + "x" + std::to_string(last_.b);
    case Kind::End:
      return "close box of main";
  }
  return "?";
}

}  // namespace xr::test
