// What the tick benchmark prints, shared by the program's run and the bare timer's, so that the
// two are summed up the same way.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace xr::bench {

inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  // Nearest rank.
  const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
  return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

inline std::vector<double> Magnitudes(const std::vector<double>& v) {
  std::vector<double> m;
  for (double x : v) m.push_back(std::fabs(x));
  return m;
}

inline void PrintSpread(const char* what, const std::vector<double>& v) {
  if (v.empty()) return;
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  std::printf("%-34s median %+8.3f  p99 |.| %7.3f  max |.| %7.3f  (min %+8.3f, max %+8.3f) ms\n",
              what, Percentile(v, 50), Percentile(Magnitudes(v), 99),
              Percentile(Magnitudes(v), 100), *lo, *hi);
}

// One line run.sh reads: the figures it takes medians of and compares with the bare timer's.
inline void PrintSummary(double totalError, const std::vector<double>& intervals,
                         const std::vector<double>& lateness) {
  std::printf(
      "summary total_error_ms %.3f interval_p99_ms %.3f lateness_median_ms %.3f "
      "lateness_p99_ms %.3f\n",
      totalError, Percentile(Magnitudes(intervals), 99), Percentile(lateness, 50),
      Percentile(Magnitudes(lateness), 99));
}

inline std::string LoadAverage() {
  std::ifstream f("/proc/loadavg");
  std::string a, b, c;
  f >> a >> b >> c;
  return a + " " + b + " " + c;
}

}  // namespace xr::bench
