// The windows as the program creates them, and the main window right after start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "companion_windows/catalogue.h"
#include "companion_windows/companion_forms.h"
#include "main_window/program.h"
#include "tests/core/harness.h"

namespace xr::test {

extern const char* const kCommittedDesignDump;

namespace {

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

std::string Hex(Color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%#x", c);
  return buf;
}

std::string Quoted(const std::string& s) { return '"' + s + '"'; }

// Every property a window and its controls have, one line each, in creation order: what the
// committed dump holds, and what a change to a design must change there too.
std::string Dump(const Window& w) {
  const WindowDesign& d = w.design;
  std::string out =
      "window " + w.Name() + " " + Quoted(w.caption) + " client " + Number(d.clientWidth) + "x" +
      Number(d.clientHeight) + " border " + (d.border == Border::Sizable ? "sizable" : "fixed") +
      " min " + std::to_string(d.minButton) + " max " + std::to_string(d.maxButton) + " back " +
      Hex(d.backColor) + " picture " + Quoted(d.picture) + " icon " + Quoted(d.icon) + "\n";
  for (const auto& owned : w.Controls()) {
    const Control& c = *owned;
    static constexpr const char* kKinds[] = {"label", "button", "picture"};
    out += std::string(kKinds[static_cast<int>(c.kind())]) + " " + c.Name();
    if (const auto* t = dynamic_cast<const TextControl*>(&c)) {
      out += " " + Quoted(t->Caption()) + " font " + t->fontName + " " + Number(t->FontSize()) +
             (t->bold ? " bold" : "") + " fore " + Hex(t->ForeColor());
    }
    if (const auto* l = dynamic_cast<const Label*>(&c)) {
      out += " back " + Hex(l->BackColor()) + (l->transparent ? " transparent" : "") +
             (l->align == Align::Center ? " centre" : " left") + (l->wordWrap ? " wrap" : "");
    }
    if (c.tabIndex >= 0 || c.kind() == Kind::Button) out += " tab " + std::to_string(c.tabIndex);
    if (const auto* p = dynamic_cast<const Picture*>(&c)) out += " " + Quoted(p->resource);
    static constexpr const char* kRoles[] = {"auto", "text", "button", "radio", "image", "clock"};
    out += " at " + Number(c.Left()) + "," + Number(c.Top()) + " " + Number(c.Width()) + "x" +
           Number(c.Height()) + (c.Visible() ? "" : " hidden") + " reads " +
           kRoles[static_cast<int>(c.AccessibleRole())] + " " + Quoted(c.AccessibleName()) +
           (c.access.partOf != nullptr ? " part of " + c.access.partOf->Name() : "") +
           // Every description is a catalogue's address, which a distributor chooses.
           (c.access.description.empty() ? "" : " described") + "\n";
  }
  for (const auto& t : w.Timers()) {
    out += "timer " + t->Name() + " interval " + std::to_string(t->Interval()) +
           (t->Enabled() ? " enabled" : "") + "\n";
  }
  return out;
}

// A distributor builds with a catalogue of their own: its texts stand in the dump by name.
std::string WithoutCatalogue(std::string dump) {
  const Catalogue& cat = TheCatalogue();
  std::vector<std::pair<std::string, std::string>> texts = {{InvitationText(), "{invitation}"},
                                                            {WeChatLabel(), "{wechat label}"},
                                                            {QQLabel(), "{qq label}"}};
  for (std::size_t i = 0; i < cat.links.size(); ++i) {
    texts.push_back({cat.links[i].caption, "{link " + std::to_string(i + 1) + "}"});
  }
  // The longest first: a text may hold a shorter one.
  std::stable_sort(texts.begin(), texts.end(),
                   [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  for (const auto& [text, name] : texts) {
    if (text.empty()) continue;
    for (auto at = dump.find(text); at != std::string::npos;
         at = dump.find(text, at + name.size())) {
      dump.replace(at, text.size(), name);
    }
  }
  return dump;
}

// The main window as created and right after start-up, which differ only where the first
// layout does not give a design value back exactly; then the two companion windows.
TEST(DesignState, EveryWindowAsTheCommittedDumpHasIt) {
  Harness h;
  std::string dump = Dump(h.Create().window) + "\n" + Dump(h.Open().window);
  Program program(h.platform, h.host);
  program.OpenMoreApps();
  program.OpenContact();
  dump += WithoutCatalogue("\n" + Dump(program.MoreApps()->window) + "\n" +
                           Dump(program.Contact()->window));
  if (dump != kCommittedDesignDump) {
    std::ofstream("design.actual.txt", std::ios::binary) << dump;
    ADD_FAILURE() << "the windows differ from tests/core/design.txt; what they are now is in "
                     "design.actual.txt in the test's directory";
  }
}

TEST(DesignState, FieldsStartAtZero) {
  Harness h;
  MainForm& f = h.Open();
  EXPECT_EQ(f.restX, 0);
  EXPECT_EQ(f.restY, 0);
  EXPECT_EQ(f.pointerX, 0);
  EXPECT_EQ(f.pointerY, 0);
  EXPECT_EQ(f.idleLimit, 0);
  EXPECT_EQ(f.lastMoveTime, 0);
  EXPECT_EQ(f.face.State().blinks, 0u);
}

TEST(DesignState, NothingFiresBeforeTheFirstStart) {
  Harness h;
  MainForm& f = h.Open();
  h.fake.pointerX = 700;  // a pointer that moves would be noticed by a running idle watch
  h.Advance(2 * 3600 * 1000);
  h.fake.pointerX = 10;
  h.Advance(60 * 1000);
  EXPECT_EQ(h.Face(), "00:00");
  EXPECT_EQ(f.colon.Caption(), ":");
  EXPECT_TRUE(f.colon.Visible());
  EXPECT_EQ(f.face.State().blinks, 0u);
  EXPECT_EQ(h.log, Log{});
  EXPECT_EQ(h.fake.showCursorCalls, 0);
  EXPECT_EQ(h.fake.displayCount, 0);
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_EQ(f.startButton.Caption(), "开 始");
  EXPECT_TRUE((f.face.State().mode == Mode::Countdown));
  for (const Timer* t : {&f.idleTimer, &f.tickTimer, &f.blinkTimer}) {
    const TimerSchedule* s = h.fake.Schedule(*t);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->Armed()) << t->Name();
  }
}

}  // namespace
}  // namespace xr::test
