// Proportional layout: the ratios recorded at load and their application on every resize.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

struct Geo {
  float left, top, width, height, font;
};

std::map<std::string, Geo> Snapshot(const Window& w) {
  std::map<std::string, Geo> out;
  for (const auto& c : w.Controls()) {
    const float font = dynamic_cast<const TextControl&>(*c).FontSize();
    out[c->Name()] = {c->Left(), c->Top(), c->Width(), c->Height(), font};
  }
  return out;
}

std::vector<std::string> IncludedNames(const Window& w) {
  std::vector<std::string> out;
  for (const auto& c : w.Controls()) out.push_back(c->Name());
  return out;
}

// Design values, from a window that was created but never shown.
std::map<std::string, Geo> DesignGeometry() {
  Harness h;
  return Snapshot(h.Create().window);
}

TEST(LayoutCapture, RowsFollowTheCollectionOrderOfIncludedControls) {
  Harness h;
  MainForm& f = h.Open();
  EXPECT_EQ(
      IncludedNames(f.window),
      (std::vector<std::string>{"more", "重置", "开始", "km0", "km1", "kf0", "kf1", "jm0", "jm1",
                                "jf0", "jf1", "mh1", "m0", "m1", "f0", "djs", "zjs", "f1"}));
  ASSERT_TRUE(f.layoutTable.has_value());
  const auto design = DesignGeometry();
  int row = 0;
  for (const std::string& name : IncludedNames(f.window)) {
    ++row;
    SCOPED_TRACE(name);
    const Geo& g = design.at(name);
    EXPECT_EQ(Bits(f.layoutTable->Get(row, 1)), Bits(g.left / 7800.0f));
    EXPECT_EQ(Bits(f.layoutTable->Get(row, 2)), Bits(g.top / 5445.0f));
    EXPECT_EQ(Bits(f.layoutTable->Get(row, 3)), Bits(g.width / 7800.0f));
    EXPECT_EQ(Bits(f.layoutTable->Get(row, 4)), Bits(g.height / 5445.0f));
    EXPECT_EQ(Bits(f.layoutTable->Get(row, 5)), Bits(g.font / 5445.0f));
  }
  for (int r = 19; r <= 30; ++r) {
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(f.layoutTable->Get(r, c), 0.0f) << r << "," << c;
  }
}

TEST(LayoutCapture, WorkedExampleRowOfTheTensOfMinutes) {
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(f.layoutTable.has_value());
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 1)), Bits(0.107692309f));
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 2)), Bits(0.264462799f));
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 3)), Bits(0.155769229f));
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 4)), Bits(0.4214876f));
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 5)), Bits(0.0202479344f));
}

struct ResizeRow {
  const char* what;
  int widthPx;
  int heightPx;
  bool exact;                 // every value but one is the design value times the factor, exactly
  std::uint32_t djsLeftBits;  // the one that is not, when the others are exact
};

class LayoutApplyTest : public ::testing::TestWithParam<ResizeRow> {};

TEST_P(LayoutApplyTest, EveryControlScalesWithTheClientArea) {
  const ResizeRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  h.fake.ResizeClient(f.window, 700, 500);  // somewhere else first: every resize starts afresh
  h.fake.ResizeClient(f.window, r.widthPx, r.heightPx);
  const double fx = r.widthPx * 15.0 / 7800.0;
  const double fy = r.heightPx * 15.0 / 5445.0;
  // Narrower than 5:4, the width bounds the fonts: they are as they would be at 5:4.
  const bool narrow = r.widthPx < 1.25 * r.heightPx;
  const double ff = narrow ? r.widthPx * 15.0 / 1.25 / 5445.0 : fy;
  const auto design = DesignGeometry();
  for (const auto& [name, g] : Snapshot(f.window)) {
    SCOPED_TRACE(std::string(r.what) + " " + name);
    const Geo& d = design.at(name);
    const double want[5] = {d.left * fx, d.top * fy, d.width * fx, d.height * fy, d.font * ff};
    const float got[5] = {g.left, g.top, g.width, g.height, g.font};
    for (int k = 0; k < 5; ++k) {
      if (narrow && k == 4) {
        EXPECT_NEAR(got[k], want[k], want[k] * 1e-6) << "font";
      } else if (r.exact && name == "djs" && k == 0) {
        EXPECT_EQ(Bits(got[k]), r.djsLeftBits) << got[k];
      } else if (r.exact) {
        EXPECT_EQ(Bits(got[k]), Bits(static_cast<float>(want[k]))) << "column " << k + 1;
      } else {
        EXPECT_NEAR(got[k], want[k], std::fabs(want[k]) * 1e-6) << "column " << k + 1;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutApplyTest,
    ::testing::Values(ResizeRow{"design size", 520, 363, true, 0x45778001u},  // 3960.00024
                      ResizeRow{"doubled", 1040, 726, true, 0x45F78001u},     // 7920.00049
                      ResizeRow{"wider only", 1040, 363, true, 0x45F78001u},
                      ResizeRow{"taller only", 520, 726, true, 0x45778001u},
                      ResizeRow{"half as wide", 260, 363, true, 0x44F78001u},
                      ResizeRow{"lower only", 520, 121, false, 0x45778001u},
                      ResizeRow{"19200 by 10800", 1280, 720, false, 0},
                      ResizeRow{"odd size", 777, 555, false, 0},
                      ResizeRow{"16:10", 1280, 800, false, 0},
                      ResizeRow{"4:3", 1024, 768, false, 0},
                      ResizeRow{"5:4, the narrowest the height alone sizes", 1280, 1024, false, 0},
                      ResizeRow{"a phone held upright", 390, 844, false, 0},
                      ResizeRow{"a phone on its side", 844, 390, false, 0}));

TEST(LayoutApply, WorkedExampleAtTwiceTheDesignSize) {
  Harness h;
  MainForm& f = h.Open();
  h.fake.ResizeClient(f.window, 1040, 726);
  EXPECT_EQ(f.minuteTens.Left(), 1680);
  EXPECT_EQ(f.minuteTens.Top(), 2880);
  EXPECT_EQ(f.minuteTens.Width(), 2430);
  EXPECT_EQ(f.minuteTens.Height(), 4590);
  EXPECT_EQ(f.minuteTens.FontSize(), 220.5f);
  EXPECT_EQ(Bits(f.countdownSelector.Left()), Bits(7920.00049f));
}

TEST(LayoutApply, WorkedExampleAt19200By10800) {
  Harness h;
  MainForm& f = h.Open();
  h.fake.ResizeClient(f.window, 1280, 720);
  EXPECT_EQ(Bits(f.minuteTens.Left()), Bits(2067.69238f));
  EXPECT_EQ(Bits(f.minuteTens.Top()), Bits(2856.19824f));
  EXPECT_EQ(Bits(f.minuteTens.Width()), Bits(2990.76929f));
  EXPECT_EQ(Bits(f.minuteTens.Height()), Bits(4552.06592f));
  EXPECT_EQ(Bits(f.minuteTens.FontSize()), Bits(218.677689f));
}

TEST(LayoutApply, MinimiseAndRestoreGiveBackExactlyTheLayoutBefore) {
  for (auto [w, hgt] : {std::pair{1040, 726}, std::pair{1280, 720}, std::pair{777, 555}}) {
    Harness h;
    MainForm& f = h.Open();
    h.fake.ResizeClient(f.window, w, hgt);
    const auto before = Snapshot(f.window);
    h.fake.ResizeClient(f.window, 0, 0);
    h.fake.ResizeClient(f.window, w, hgt);
    for (const auto& [name, g] : Snapshot(f.window)) {
      SCOPED_TRACE(name + " at " + std::to_string(w) + "x" + std::to_string(hgt));
      const Geo& b = before.at(name);
      EXPECT_EQ(Bits(g.left), Bits(b.left));
      EXPECT_EQ(Bits(g.top), Bits(b.top));
      EXPECT_EQ(Bits(g.width), Bits(b.width));
      EXPECT_EQ(Bits(g.height), Bits(b.height));
      EXPECT_EQ(Bits(g.font), Bits(b.font));
    }
  }
}

TEST(LayoutApply, HiddenChromeIsResizedAndComesBackInPlace) {
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(f.countUpSelector));
  ASSERT_TRUE(h.Click(f.startButton));
  ASSERT_TRUE(h.AllChrome(false));
  h.fake.ResizeClient(f.window, 1040, 726);
  const auto design = DesignGeometry();
  for (const Control* c : f.chrome) {
    SCOPED_TRACE(c->Name());
    EXPECT_FALSE(c->Visible());
    if (c->Name() != "djs") {
      EXPECT_EQ(c->Left(), 2 * design.at(c->Name()).left);
    }
    EXPECT_EQ(c->Top(), 2 * design.at(c->Name()).top);
    EXPECT_EQ(c->Width(), 2 * design.at(c->Name()).width);
    EXPECT_EQ(c->Height(), 2 * design.at(c->Name()).height);
    EXPECT_EQ(dynamic_cast<const TextControl*>(c)->FontSize(), 2 * design.at(c->Name()).font);
  }
  h.NudgeAndWaitForTick();  // the idle watch shows them again
  EXPECT_TRUE(h.AllChrome(true));
  EXPECT_EQ(f.startButton.Left(), 1920);
  EXPECT_EQ(f.moreAppsButton.FontSize(), 21);
}

TEST(LayoutApply, TimersAreNeverTouched) {
  Harness h;
  MainForm& f = h.Open();
  for (auto [w, hgt] : {std::pair{1040, 726}, std::pair{0, 0}, std::pair{1280, 720}}) {
    h.fake.ResizeClient(f.window, w, hgt);
    EXPECT_EQ(f.idleTimer.Interval(), 0);
    EXPECT_EQ(f.tickTimer.Interval(), 1000);
    EXPECT_EQ(f.blinkTimer.Interval(), 500);
    EXPECT_TRUE(f.idleTimer.Enabled());
    EXPECT_FALSE(f.tickTimer.Enabled());
    EXPECT_FALSE(f.blinkTimer.Enabled());
  }
  for (const std::string& entry : h.log) {
    EXPECT_NE(entry.rfind("Timer", 0), 0u) << entry;
  }
}

TEST(LayoutApply, AResizeBeforeTheLoadChangesNothing) {
  Harness h;
  MainForm& f = h.Create();
  const auto design = DesignGeometry();
  f.window.SetScale(15600, 10890);
  f.window.Deliver(Event::Resize);
  EXPECT_FALSE(f.layoutTable.has_value());
  for (const auto& [name, g] : Snapshot(f.window)) {
    SCOPED_TRACE(name);
    EXPECT_EQ(g.left, design.at(name).left);
    EXPECT_EQ(g.top, design.at(name).top);
    EXPECT_EQ(g.width, design.at(name).width);
    EXPECT_EQ(g.height, design.at(name).height);
    EXPECT_EQ(g.font, design.at(name).font);
  }
}

TEST(LayoutApply, TheThirtyFirstIncludedControlKeepsItsDesignGeometry) {
  Harness h;
  MainForm& f = h.Create();
  // Rows 19 to 30 go to the extra labels; the 31st and later have no row.
  struct Extra {
    std::string name;
    bool scaled;
  };
  std::vector<Extra> extras;
  for (int i = 1; i <= 14; ++i) extras.push_back({"x" + std::to_string(i), i <= 12});
  float left = 100;
  for (const Extra& e : extras) {
    Label& c = f.window.Add<Label>(e.name);
    c.SetCaption("?");
    c.SetLeft(left);
    c.SetTop(300);
    c.SetWidth(600);
    c.SetHeight(150);
    c.SetFontSize(9);
    left += 200;
  }
  h.Open();
  h.fake.ResizeClient(f.window, 1040, 726);
  left = 100;
  for (const Extra& e : extras) {
    SCOPED_TRACE(e.name);
    const Label& c = f.window.Get<Label>(e.name);
    const float k = e.scaled ? 2.0f : 1.0f;
    // Scaled values carry the rounding of their ratios; untouched ones are exact.
    EXPECT_FLOAT_EQ(c.Left(), k * left);
    EXPECT_FLOAT_EQ(c.Top(), k * 300);
    EXPECT_FLOAT_EQ(c.Width(), k * 600);
    EXPECT_FLOAT_EQ(c.Height(), k * 150);
    EXPECT_FLOAT_EQ(c.FontSize(), k * 9);
    if (!e.scaled) {
      EXPECT_EQ(c.Left(), left);
      EXPECT_EQ(c.FontSize(), 9);
    }
    left += 200;
  }
  EXPECT_EQ(f.minuteTens.Left(), 1680) << "the designed controls still take their rows";
  EXPECT_EQ(Bits(f.layoutTable->Get(30, 1)), Bits(2300.0f / 7800.0f));
}

}  // namespace
}  // namespace xr::test
