// The clock face as the timer's only store, and the controls that set it by hand: the digit
// adjusters and the mode selectors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

// --- Reading a digit cell -------------------------------------------------------------------

struct DigitTextRow {
  const char* text;
  double value;
};

class DigitValueTest : public ::testing::TestWithParam<DigitTextRow> {};

TEST_P(DigitValueTest, ReadsTheLeadingNumber) {
  Harness h;
  MainForm& f = h.Create();
  f.m1.SetCaption(GetParam().text);
  EXPECT_EQ(DigitValue(f.m1), GetParam().value) << "text \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DigitValueTest,
    ::testing::Values(DigitTextRow{"0", 0}, DigitTextRow{"5", 5}, DigitTextRow{"9", 9},
                      DigitTextRow{"", 0}, DigitTextRow{"x", 0}, DigitTextRow{":", 0},
                      DigitTextRow{"-", 0}, DigitTextRow{"+", 0}, DigitTextRow{".", 0},
                      DigitTextRow{"中", 0}, DigitTextRow{"x7", 0}, DigitTextRow{"12", 12},
                      DigitTextRow{"3a", 3}, DigitTextRow{"7:", 7}, DigitTextRow{"-2", -2},
                      DigitTextRow{"1.5", 1.5}, DigitTextRow{".5", 0.5}, DigitTextRow{"04", 4}));

// --- Total seconds --------------------------------------------------------------------------

struct FaceSecondsRow {
  const char* face;
  int seconds;
};

class FaceSecondsTest : public ::testing::TestWithParam<FaceSecondsRow> {};

TEST_P(FaceSecondsTest, SixtyTimesMinutesPlusSeconds) {
  Harness h;
  h.Create();
  h.SetFace(GetParam().face);
  EXPECT_EQ(FaceSeconds(h.f().face), GetParam().seconds) << GetParam().face;
}

INSTANTIATE_TEST_SUITE_P(
    Faces, FaceSecondsTest,
    ::testing::Values(FaceSecondsRow{"00:00", 0}, FaceSecondsRow{"00:01", 1},
                      FaceSecondsRow{"00:59", 59}, FaceSecondsRow{"01:00", 60},
                      FaceSecondsRow{"00:10", 10}, FaceSecondsRow{"10:00", 600},
                      FaceSecondsRow{"12:34", 754}, FaceSecondsRow{"50:05", 3005},
                      FaceSecondsRow{"59:59", 3599}, FaceSecondsRow{"0x:1x", 10}));

TEST(FaceAtStartUp, ReadsZeroInCountdownMode) {
  Harness h;
  MainForm& f = h.Open();
  EXPECT_EQ(FaceSeconds(f.face), 0);
  EXPECT_TRUE(CountdownSelected(f.face));
}

// --- Mode -----------------------------------------------------------------------------------

struct ModeColourRow {
  Color djs;
  Color zjs;
  bool countdown;
};

class CountdownSelectedTest : public ::testing::TestWithParam<ModeColourRow> {};

TEST_P(CountdownSelectedTest, OnlyTheExactSelectedColourOfTheCountdownSelectorCounts) {
  Harness h;
  MainForm& f = h.Create();
  f.djs.SetBackColor(GetParam().djs);
  f.zjs.SetBackColor(GetParam().zjs);
  EXPECT_EQ(CountdownSelected(f.face), GetParam().countdown)
      << std::hex << "djs " << GetParam().djs << " zjs " << GetParam().zjs;
}

INSTANTIATE_TEST_SUITE_P(
    Colours, CountdownSelectedTest,
    ::testing::Values(
        ModeColourRow{0xE0E0E0, 0xFFFFFF, true}, ModeColourRow{0xFFFFFF, 0xE0E0E0, false},
        ModeColourRow{0xE0E0E0, 0xE0E0E0, true},  // the count-up selector is never read
        ModeColourRow{0xFFFFFF, 0xFFFFFF, false}, ModeColourRow{0xE0E0DF, 0xFFFFFF, false},
        ModeColourRow{0xE0E0E1, 0xFFFFFF, false}, ModeColourRow{0x80E0E0E0, 0xFFFFFF, false},
        ModeColourRow{0x01E0E0E0, 0xFFFFFF, false}, ModeColourRow{0x000000, 0xFFFFFF, false},
        ModeColourRow{0x8000000F, 0xFFFFFF, false}));

// --- Writing the face -----------------------------------------------------------------------

TEST(SetDigit, WritesTheShortestDecimalText) {
  Harness h;
  MainForm& f = h.Create();
  for (int v = 0; v <= 9; ++v) {
    SetDigit(f.f0, v);
    EXPECT_EQ(f.f0.Caption(), std::string(1, static_cast<char>('0' + v)));
  }
}

TEST(SetFaceColor, ColoursTheFourDigitsAndTheColonInOrder) {
  Harness h;
  MainForm& f = h.Open();
  SetFaceColor(f.face, kRed);
  EXPECT_EQ(h.log, FaceColourWrites(kRed));
  for (const Control* c : {&f.f1, &f.f0, &f.m1, &f.m0, &f.mh1}) EXPECT_EQ(c->ForeColor(), kRed);
  EXPECT_EQ(f.zjs.ForeColor(), kNormalFace) << "the selectors are not part of the face";
}

// --- Digit adjusters ------------------------------------------------------------------------

struct AdjusterRow {
  const char* adjuster;
  const char* cell;
  const char* before;  // text of the cell
  const char* after;
};

class AdjusterStepTest : public ::testing::TestWithParam<AdjusterRow> {};

TEST_P(AdjusterStepTest, StepsItsOwnCellWithWrapAround) {
  const AdjusterRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("33:33");
  f.window[r.cell].SetCaption(r.before);
  const std::size_t mark = h.log.size();
  ASSERT_TRUE(h.Click(f.window[r.adjuster]));
  EXPECT_EQ(f.window[r.cell].Caption(), r.after) << r.adjuster << " on \"" << r.before << "\"";
  // One write, to its own cell: no carry, no borrow.
  EXPECT_EQ(h.DigitWrites(mark), Log{std::string(r.cell) + ".Caption=" + r.after});
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AdjusterStepTest,
    ::testing::Values(
        // "+" on the tens cells: 0..5 then 0.
        AdjusterRow{"jf1", "f1", "0", "1"}, AdjusterRow{"jf1", "f1", "4", "5"},
        AdjusterRow{"jf1", "f1", "5", "0"}, AdjusterRow{"jm1", "m1", "0", "1"},
        AdjusterRow{"jm1", "m1", "4", "5"}, AdjusterRow{"jm1", "m1", "5", "0"},
        // "+" on the units cells: 0..9 then 0.
        AdjusterRow{"jf0", "f0", "0", "1"}, AdjusterRow{"jf0", "f0", "5", "6"},
        AdjusterRow{"jf0", "f0", "8", "9"}, AdjusterRow{"jf0", "f0", "9", "0"},
        AdjusterRow{"jm0", "m0", "0", "1"}, AdjusterRow{"jm0", "m0", "8", "9"},
        AdjusterRow{"jm0", "m0", "9", "0"},
        // "-" on the tens cells: 5..0 then 5.
        AdjusterRow{"kf1", "f1", "1", "0"}, AdjusterRow{"kf1", "f1", "0", "5"},
        AdjusterRow{"kf1", "f1", "5", "4"}, AdjusterRow{"km1", "m1", "0", "5"},
        AdjusterRow{"km1", "m1", "1", "0"}, AdjusterRow{"km1", "m1", "5", "4"},
        // "-" on the units cells: 9..0 then 9.
        AdjusterRow{"kf0", "f0", "0", "9"}, AdjusterRow{"kf0", "f0", "1", "0"},
        AdjusterRow{"kf0", "f0", "9", "8"}, AdjusterRow{"km0", "m0", "0", "9"},
        AdjusterRow{"km0", "m0", "1", "0"}, AdjusterRow{"km0", "m0", "9", "8"},
        // Texts out of the cell's range: "+" gives 0 unless below the bound, "-" gives the bound.
        AdjusterRow{"jf1", "f1", "7", "0"}, AdjusterRow{"jm1", "m1", "6", "0"},
        AdjusterRow{"kf1", "f1", "7", "5"}, AdjusterRow{"km1", "m1", "6", "5"},
        AdjusterRow{"jf1", "f1", "", "1"}, AdjusterRow{"kf1", "f1", "", "5"},
        AdjusterRow{"jm0", "m0", "x", "1"}, AdjusterRow{"km0", "m0", "x", "9"},
        AdjusterRow{"jf0", "f0", "-1", "0"}, AdjusterRow{"kf0", "f0", "-1", "9"},
        AdjusterRow{"jm0", "m0", "12", "0"}, AdjusterRow{"km0", "m0", "12", "9"},
        AdjusterRow{"km1", "m1", "10", "5"}, AdjusterRow{"jm1", "m1", "3x", "4"}));

struct CycleRow {
  const char* adjuster;
  const char* cell;
  const char* visits;  // the cell's texts after each click, from "0"
};

class AdjusterCycleTest : public ::testing::TestWithParam<CycleRow> {};

TEST_P(AdjusterCycleTest, RunsThroughTheWholeRangeAndBack) {
  const CycleRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  std::string seen;
  for (std::size_t i = 0; r.visits[i] != '\0'; ++i) {
    ASSERT_TRUE(h.Click(f.window[r.adjuster]));
    seen += f.window[r.cell].Caption();
  }
  EXPECT_EQ(seen, r.visits) << r.adjuster;
  EXPECT_EQ(h.Face().size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    AllEight, AdjusterCycleTest,
    ::testing::Values(CycleRow{"jf1", "f1", "1234501"}, CycleRow{"jf0", "f0", "12345678901"},
                      CycleRow{"jm1", "m1", "1234501"}, CycleRow{"jm0", "m0", "12345678901"},
                      CycleRow{"kf1", "f1", "5432105"}, CycleRow{"kf0", "f0", "98765432109"},
                      CycleRow{"km1", "m1", "5432105"}, CycleRow{"km0", "m0", "98765432109"}));

struct FaceAdjustRow {
  const char* before;
  const char* adjuster;
  const char* after;
};

class AdjusterFaceTest : public ::testing::TestWithParam<FaceAdjustRow> {};

TEST_P(AdjusterFaceTest, NeverCarriesIntoANeighbour) {
  const FaceAdjustRow& r = GetParam();
  for (bool countUp : {false, true}) {
    Harness h;
    MainForm& f = h.Open();
    if (countUp) {
      ASSERT_TRUE(h.Click(f.zjs));
    }
    h.SetFace(r.before);
    ASSERT_TRUE(h.Click(f.window[r.adjuster]));
    EXPECT_EQ(h.Face(), r.after) << r.before << " " << r.adjuster
                                 << (countUp ? " count-up" : " countdown");
  }
}

INSTANTIATE_TEST_SUITE_P(Faces, AdjusterFaceTest,
                         ::testing::Values(FaceAdjustRow{"09:00", "jf0", "00:00"},
                                           FaceAdjustRow{"59:59", "jm0", "59:50"},
                                           FaceAdjustRow{"01:00", "km0", "01:09"},
                                           FaceAdjustRow{"00:00", "km1", "00:50"},
                                           FaceAdjustRow{"10:00", "kf1", "00:00"},
                                           FaceAdjustRow{"50:00", "jf1", "00:00"},
                                           FaceAdjustRow{"00:40", "jm1", "00:50"},
                                           FaceAdjustRow{"59:59", "jf1", "09:59"},
                                           FaceAdjustRow{"00:00", "kf0", "09:00"},
                                           FaceAdjustRow{"00:09", "jm0", "00:00"}));

// --- Mode selectors -------------------------------------------------------------------------

struct SelectorRow {
  std::vector<const char*> clicks;
  Log writes;  // of the last click
  bool countdown;
};

class SelectorTest : public ::testing::TestWithParam<SelectorRow> {};

TEST_P(SelectorTest, SelectedColourOnTheClickedWhiteOnTheOther) {
  Harness h;
  MainForm& f = h.Open();
  std::size_t mark = 0;
  for (const char* c : GetParam().clicks) {
    mark = h.log.size();
    ASSERT_TRUE(h.Click(f.window[c]));
  }
  EXPECT_EQ(Log(h.log.begin() + static_cast<std::ptrdiff_t>(mark), h.log.end()), GetParam().writes);
  EXPECT_EQ(CountdownSelected(f.face), GetParam().countdown);
  EXPECT_EQ(f.djs.BackColor(), GetParam().countdown ? kSelectedColor : kWhite);
  EXPECT_EQ(f.zjs.BackColor(), GetParam().countdown ? kWhite : kSelectedColor);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, SelectorTest,
    ::testing::Values(
        SelectorRow{{"zjs"}, {"zjs.BackColor=14737632", "djs.BackColor=16777215"}, false},
        SelectorRow{{"djs"}, {"djs.BackColor=14737632", "zjs.BackColor=16777215"}, true},
        SelectorRow{{"zjs", "djs"}, {"djs.BackColor=14737632", "zjs.BackColor=16777215"}, true},
        SelectorRow{{"zjs", "zjs"}, {"zjs.BackColor=14737632", "djs.BackColor=16777215"}, false},
        SelectorRow{{"djs", "zjs"}, {"zjs.BackColor=14737632", "djs.BackColor=16777215"}, false}));

TEST(Selector, LeavesTheFaceAndTheRunAlone) {
  Harness h;
  MainForm& f = h.Open();
  h.SetFace("12:34");
  ASSERT_TRUE(h.Click(f.zjs));
  ASSERT_TRUE(h.Click(f.djs));
  EXPECT_EQ(h.Face(), "12:34");
  EXPECT_EQ(f.开始.Caption(), kStartCaption);
  EXPECT_FALSE(f.Timer2.Enabled());
}

}  // namespace
}  // namespace xr::test
