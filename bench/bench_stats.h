// What every benchmark reports: elapsed seconds and the median of its runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle run, or the mean of the two middle runs for an even count.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
