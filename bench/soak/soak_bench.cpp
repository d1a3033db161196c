// The random run of the whole program on the fake platform for as many events as asked, with
// every rule checked after every event. Prints the rate, the rules checked, the first rule broken
// (with the seed and event index that replay it) and the memory the run held at its start and
// at its end: a run of ten million events that keeps growing leaks somewhere.
//
//   xr-bench-soak [--events N] [--seed S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/core/random_run.h"

namespace {

// A memory figure of this process in kB ("VmRSS", "VmHWM"), from the kernel's own account.
long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
  }
  return -1;
}

int Usage(const char* me) {
  std::fprintf(stderr, "usage: %s [--events N] [--seed S]\n", me);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long long events = 10'000'000;
  unsigned long seed = 1;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    if (i + 1 < argc && std::strcmp(argv[i], "--events") == 0) {
      events = std::strtoll(argv[++i], &end, 10);
    } else if (i + 1 < argc && std::strcmp(argv[i], "--seed") == 0) {
      seed = std::strtoul(argv[++i], &end, 10);
    } else {
      return Usage(argv[0]);
    }
    if (end == nullptr || *end != '\0' || events < 1) return Usage(argv[0]);
  }

  xr::test::RandomRun run(static_cast<std::uint32_t>(seed));
  const long startRss = StatusKb("VmRSS");
  long earlyRss = startRss;
  const long long early = events / 100;
  std::string broken;
  long long at = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (; at < events && broken.empty(); ++at) {
    broken = run.Step();
    if (at + 1 == early) earlyRss = StatusKb("VmRSS");
  }
  if (broken.empty()) broken = run.Finish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const long endRss = StatusKb("VmRSS");

  const xr::test::RunCounts& n = run.Counts();
  std::printf("seed %lu, %lld events in %.2f s: %.0f events/s, %.1f virtual days\n", seed,
              static_cast<long long>(n.events), seconds, static_cast<double>(n.events) / seconds,
              static_cast<double>(run.NowMs()) / 86'400'000.0);
  std::printf("rules checked: %lld (%.1f per event), all after every event\n",
              static_cast<long long>(n.checks),
              static_cast<double>(n.checks) / static_cast<double>(n.events));
  std::printf(
      "events: %lld clicks (%lld handled; %lld starts, %lld refusals), %lld pointer moves, "
      "%lld waits (%lld idle hides), %lld resizes (%lld minimised), %lld windows opened, "
      "%lld closed, %lld links; lowest display count %d\n",
      static_cast<long long>(n.clicks), static_cast<long long>(n.handled),
      static_cast<long long>(n.starts), static_cast<long long>(n.refusals),
      static_cast<long long>(n.moves), static_cast<long long>(n.waits),
      static_cast<long long>(n.hides), static_cast<long long>(n.resizes),
      static_cast<long long>(n.minimises), static_cast<long long>(n.opens),
      static_cast<long long>(n.closes), static_cast<long long>(n.urls), n.lowestCount);
  std::printf(
      "RSS kB: %ld at start, %ld after 1%% of the events, %ld at the end (%+ld since 1%%, ratio "
      "%.4f); peak %ld\n",
      startRss, earlyRss, endRss, endRss - earlyRss,
      static_cast<double>(endRss) / static_cast<double>(earlyRss), StatusKb("VmHWM"));
  if (!broken.empty()) {
    std::printf("VIOLATION at event %lld (%s): %s\nreplay: --seed %lu --events %lld\n", at - 1,
                run.LastEvent().c_str(), broken.c_str(), seed, at);
    return 1;
  }
  std::printf("violations: none\n");
  return 0;
}
