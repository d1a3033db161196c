// A long run of random events on every window, with the rules that must hold between any two
// events checked after every one of them; bench/soak runs the same thing far longer.
#include "tests/core/random_run.h"

#include <gtest/gtest.h>

#include <string>

namespace xr::test {
namespace {

constexpr long kEvents = 1'000'000;
constexpr std::uint32_t kSeed = 20240607u;

TEST(RandomRun, InvariantsHoldAfterEveryEvent) {
  RandomRun run(kSeed);
  for (long i = 0; i < kEvents; ++i) {
    const std::string broken = run.Step();
    if (!broken.empty()) {
      ADD_FAILURE() << "seed " << kSeed << ", event " << i << " (" << run.LastEvent()
                    << "): " << broken;
      return;
    }
  }
  const std::string broken = run.Finish();
  EXPECT_EQ(broken, "") << "at the end";

  // The run went through the states it is meant to exercise.
  const RunCounts& n = run.Counts();
  EXPECT_GT(n.handled, n.clicks / 4);
  EXPECT_GT(n.starts, 1000);
  EXPECT_GT(n.refusals, 100);
  EXPECT_GT(n.hides, 1000);
  EXPECT_LT(n.lowestCount, -3);
  EXPECT_GT(n.minimises, 1000);
  EXPECT_GT(n.opens, 1000);
  EXPECT_GT(n.closes, 1000);
  EXPECT_GT(n.urls, 1000);
  EXPECT_GT(run.NowMs(), 2LL * 86400 * 1000) << "midnight was crossed more than once";
  RecordProperty("events", std::to_string(kEvents));
}

}  // namespace
}  // namespace xr::test
