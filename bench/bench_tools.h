#pragma once

// Small helpers shared by the benchmark programs: reading numbers from the command
// line, timing, medians and the process's peak memory.

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tunewick::bench {

// A whole unsigned decimal number, or nothing.
inline std::optional<std::uint64_t> ParseCount(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return {};
  errno = 0;
  char* end = nullptr;
  unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return {};
  return value;
}

// A number between 0 and 1, or nothing.
inline std::optional<double> ParseShare(const std::string& text) {
  if (text.empty()) return {};
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(value >= 0.0 && value <= 1.0)) return {};
  return value;
}

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double Milliseconds() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct CpuTimes {
  double user = 0;    // milliseconds
  double system = 0;  // milliseconds
};

// The processor time this process has used so far.
inline CpuTimes CpuTimesNow() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

// The largest resident set of this process so far, in MiB.
inline double PeakMemoryMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace tunewick::bench
