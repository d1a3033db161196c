// When the face's reading is spoken: as the clock runs and as the user sets it.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

struct SpeechRow {
  const char* what;
  bool countdown;
  const char* face;
  std::vector<const char*> clicks;  // after the mode and the face are set
  int runSeconds;                   // 0: the clock is not started
  Log told;                         // from the clicks on
  const char* reading;              // the face's name at the end, told or not
};

class SpeechTest : public ::testing::TestWithParam<SpeechRow> {};

TEST_P(SpeechTest, ToldOnlyWhatTheRuleAllows) {
  const SpeechRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(r.countdown ? f.countdownSelector : f.countUpSelector));
  h.SetFace(r.face);
  h.told.clear();
  for (const char* c : r.clicks) ASSERT_TRUE(h.Click(f.window[c])) << c;
  if (r.runSeconds > 0) {
    ASSERT_TRUE(h.Click(f.startButton));
    h.Advance(1000 * r.runSeconds);
  }
  EXPECT_EQ(h.told, r.told);
  EXPECT_EQ(f.minuteTens.AccessibleName(), r.reading);
  // The selectors' state follows the mode the reading names.
  EXPECT_EQ(f.countdownSelector.Checked(), std::string_view(r.reading).starts_with("倒计时"));
  EXPECT_NE(f.countUpSelector.Checked(), f.countdownSelector.Checked());
}

Log Said(std::initializer_list<const char*> readings) {
  Log out;
  for (const char* s : readings) out.push_back(std::string("f1.Announce=") + s);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpeechTest,
    ::testing::Values(
        SpeechRow{"quiet between minutes", true, "02:30", {}, 20, {}, "倒计时 02:10"},
        SpeechRow{"a whole minute", true, "02:02", {}, 3, Said({"倒计时 02:00"}), "倒计时 01:59"},
        SpeechRow{"the last ten seconds",
                  true,
                  "00:12",
                  {},
                  12,
                  Said({"倒计时 00:10", "倒计时 00:09", "倒计时 00:08", "倒计时 00:07",
                        "倒计时 00:06", "倒计时 00:05", "倒计时 00:04", "倒计时 00:03",
                        "倒计时 00:02", "倒计时 00:01", "倒计时 00:00"}),
                  "倒计时 00:00"},
        SpeechRow{
            "a whole minute up", false, "00:58", {}, 3, Said({"正计时 01:00"}), "正计时 01:01"},
        SpeechRow{"up to the limit", false, "59:58", {}, 3, Said({"正计时 59:59"}), "正计时 59:59"},
        SpeechRow{"adjusters",
                  true,
                  "00:00",
                  {"jm1", "km0"},
                  0,
                  Said({"倒计时 00:10", "倒计时 00:19"}),
                  "倒计时 00:19"},
        SpeechRow{"a selector",
                  true,
                  "01:00",
                  {"zjs"},
                  0,
                  {"zjs.Checked=1", "djs.Checked=0", "f1.Announce=正计时 01:00"},
                  "正计时 01:00"},
        SpeechRow{"reset", false, "03:21", {"重置"}, 0, Said({"正计时 00:00"}), "正计时 00:00"}));

}  // namespace
}  // namespace xr::test
