// The thread behind the cue and the links: jobs in order between enter and leave, and an exit
// that a job stuck in the system holds up only until the deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/win_worker.h"

namespace xr::win32 {
namespace {

using namespace std::chrono_literals;

TEST(Win32Worker, ShutdownEndsTheThreadOrGivesUpAtTheDeadline) {
  struct Row {
    const char* name;
    bool jobReturns;
    std::chrono::milliseconds limit;
    bool ended;
  };
  for (const Row& row :
       {Row{"job returns", true, 10s, true}, Row{"job stuck", false, 100ms, false}}) {
    SCOPED_TRACE(row.name);
    std::mutex m;
    std::vector<std::string> seen;
    auto log = [&](const char* what) {
      std::lock_guard lock(m);
      seen.emplace_back(what);
    };
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    {
      Worker worker([&] { log("enter"); }, [&] { log("leave"); });
      worker.Post([&] {
        log("job");
        started.set_value();
        if (!row.jobReturns) released.wait();
      });
      started.get_future().wait();
      // Behind a job that has not returned: dropped by the shutdown, never run.
      if (!row.jobReturns) worker.Post([&] { log("queued"); });
      EXPECT_EQ(worker.Shutdown(std::chrono::steady_clock::now() + row.limit), row.ended);
      worker.Post([&] { log("after shutdown"); });
      release.set_value();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"enter", "job", "leave"}));
  }
}

}  // namespace
}  // namespace xr::win32
