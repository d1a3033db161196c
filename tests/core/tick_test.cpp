// A held-up event loop: the tick timer makes up no missed tick and keeps its beat.
#include <gtest/gtest.h>

#include "tests/core/harness.h"

namespace xr::test {
namespace {

struct LateRow {
  const char* what;
  std::int64_t stallMs;   // how long after the start the loop first runs again
  std::int64_t nextTick;  // when the second tick is due, from the start
};

class LateTickTest : public ::testing::TestWithParam<LateRow> {};

TEST_P(LateTickTest, MissedTicksAreNotMadeUpAndTheBeatKeepsItsPhase) {
  const LateRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(f.countUpSelector));
  const std::int64_t start = h.fake.NowMs();
  ASSERT_TRUE(h.Click(f.startButton));
  h.fake.Stall(r.stallMs);
  h.Advance(0);
  EXPECT_EQ(h.Face(), "00:01") << "one late tick for all the missed ones";
  h.Advance(start + r.nextTick - 1 - h.fake.NowMs());
  EXPECT_EQ(h.Face(), "00:01");
  h.Advance(1);
  EXPECT_EQ(h.Face(), "00:02");
}

INSTANTIATE_TEST_SUITE_P(Stalls, LateTickTest,
                         ::testing::Values(LateRow{"late, none missed", 1200, 2000},
                                           LateRow{"one missed", 2500, 3000},
                                           LateRow{"due again at the late moment", 3000, 4000},
                                           LateRow{"many missed", 9999, 10000}));

}  // namespace
}  // namespace xr::test
