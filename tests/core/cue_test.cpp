// The countdown cue at start-up: kept through the platform, readied for a countdown, and played
// from where it was kept.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CueRow {
  const char* what;
  bool resource = true;
  std::optional<std::string> place = std::nullopt;  // the platform's answer
  std::string played = {};                          // what PlayCue plays; empty: nothing
};

class CueTest : public ::testing::TestWithParam<CueRow> {};

TEST_P(CueTest, KeptAtStartAndPlayedOnlyFromWhereThePlatformKeptIt) {
  const CueRow& r = GetParam();
  Harness h;
  h.fake.cuePlace = r.place;
  if (!r.resource) h.fake.resources.clear();
  MainForm& f = h.Open();
  EXPECT_EQ(h.fake.keptCues, r.resource ? std::vector<Bytes>{SmallCue()} : std::vector<Bytes>{});
  PlayCue(f.cue, h.platform);
  EXPECT_EQ(h.fake.playedSounds, r.played.empty() ? Log{} : Log{r.played});
  // The sound is readied for a countdown, which ends in the cue, never for a count-up.
  const auto readiedBy = [&r](bool countdown) {
    Harness run;
    run.fake.cuePlace = r.place;
    if (!r.resource) run.fake.resources.clear();
    MainForm& m = run.Open();
    EXPECT_TRUE(run.Click(countdown ? m.countdownSelector : m.countUpSelector));
    EXPECT_TRUE(run.Click(m.secondUnitsPlus));
    EXPECT_TRUE(run.Click(m.startButton));
    return run.fake.soundPreparations;
  };
  EXPECT_EQ(readiedBy(false), 0);
  EXPECT_EQ(readiedBy(true), r.played.empty() ? 0 : 1);
  // Start-up goes on to the layout whatever became of the cue.
  ASSERT_TRUE(f.layoutTable.has_value());
  EXPECT_EQ(Bits(f.layoutTable->Get(18, 1)), Bits(0.107692309f));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CueTest,
    ::testing::Values(CueRow{.what = "kept", .place = "/c/3sdjs.wav", .played = "/c/3sdjs.wav"},
                      CueRow{.what = "no place took it"},
                      CueRow{.what = "no resource: a file the platform has is never played",
                             .resource = false,
                             .place = "/c/3sdjs.wav"}));

TEST(Cue, KeptAgainAtEveryStart) {
  Harness h;
  h.Open();
  // A second run of the program on the same machine.
  MainForm second(h.platform, h.fake.Host());
  h.fake.ShowWindow(second.window);
  EXPECT_EQ(h.fake.keptCues, (std::vector<Bytes>{SmallCue(), SmallCue()}));
  h.fake.UnloadWindow(second.window);
}

}  // namespace
}  // namespace xr::test
