#pragma once

// Small helpers shared by the benchmark programs: reading numbers from the command
// line, timing, medians and the process's peak memory.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

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

// The command-line options the benchmarks share. Each benchmark says which it takes.
struct BenchOptions {
  std::string root;             // --root DIR
  std::size_t songs = 100000;   // --songs N
  std::size_t folders = 5000;   // --folders N
  double incorrectShare = 0.5;  // --incorrect SHARE
  std::uint64_t seed = 1;       // --seed N
  int repeat = 5;               // --repeat N (1 to 999)
  std::size_t lines = 100000;   // --lines N
};

// Runs a benchmark: a failure is told on standard error under the benchmark's name, with
// exit status 1.
template <typename Run>
int RunTellingFailure(const char* name, Run run) {
  try {
    return run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
    return 1;
  }
}

// Reads "--name value" pairs into `options`; false for a name not in `allowed`, a bad
// value or a name without a value.
inline bool ParseBenchOptions(int argc, char** argv, std::initializer_list<std::string> allowed,
                              BenchOptions& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) return false;
    if (name == "--root") {
      options.root = value;
      continue;
    }
    if (name == "--incorrect") {
      const auto share = ParseShare(value);
      if (!share) return false;
      options.incorrectShare = *share;
      continue;
    }
    const auto number = ParseCount(value);
    if (!number) return false;
    if (name == "--songs") options.songs = *number;
    if (name == "--folders") options.folders = *number;
    if (name == "--seed") options.seed = *number;
    if (name == "--lines") options.lines = *number;
    if (name == "--repeat") {
      if (*number < 1 || *number > 999) return false;
      options.repeat = static_cast<int>(*number);
    }
  }
  return argc % 2 == 1;
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

// Runs a program to its end with its output sent to `output`; returns the wall time in
// milliseconds and throws when it cannot start or fails (exit codes in `allowed` pass).
// What a program took: the wall time, and the processor time of all its threads (user and
// system), which other work on the machine changes less; both in milliseconds.
struct ProgramTimes {
  double wall = 0, processor = 0;
};

// Runs a command with its standard output sent to `output`; throws when it cannot be started
// or ends with an exit status not `allowed`.
inline ProgramTimes TimeProgramFully(const std::vector<std::string>& command,
                                     const char* output = "/dev/null",
                                     std::vector<int> allowed = {0}) {
  std::vector<char*> args;
  for (const std::string& word : command) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  Stopwatch clock;
  pid_t child;
  if (posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ) != 0)
    throw std::runtime_error("cannot start " + command[0]);
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  const double elapsed = clock.Milliseconds();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) ||
      std::find(allowed.begin(), allowed.end(), WEXITSTATUS(status)) == allowed.end())
    throw std::runtime_error(command[0] + " failed");
  const auto milliseconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1000 + static_cast<double>(time.tv_usec) / 1000;
  };
  return {elapsed, milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime)};
}

// The wall time of a command, in milliseconds (see TimeProgramFully).
inline double TimeProgram(const std::vector<std::string>& command, const char* output = "/dev/null",
                          std::vector<int> allowed = {0}) {
  return TimeProgramFully(command, output, std::move(allowed)).wall;
}

// Runs find over `root` as the scan's yardstick, its output sent to `output`; returns the
// wall time in milliseconds.
inline double TimeFind(const std::string& root, const char* output = "/dev/null") {
  return TimeProgram({"find", root, "-type", "f", "(", "-iname", "*.mp3", "-o", "-iname", "*.wav",
                      "-o", "-iname", "*.wma", ")"},
                     output);
}

}  // namespace tunewick::bench
