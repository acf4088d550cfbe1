// fat_tidyup_bench: tunewick-cli tidying a library on a FAT image mounted through FUSE,
// as on a USB stick, against `mv` making as many renames there, one process each as a
// shell loop would.
//
//   fat_tidyup_bench [--songs N] [--seed N] [--repeat N]
//
// Two copies of one library of messy names (ASCII: the FUSE FAT driver takes no other)
// are written to a fresh image. tunewick-cli tidies the first, first with --dry-run and
// then for real (both must print the same); mv then renames as many songs of the second
// copy. Needs root and /dev/fuse.
//
// Goal: tunewick-cli at most as slow as the mv loop. Every rename there reserves its new
// name by creating it first, and the FUSE FAT driver takes far longer to create a file
// than to rename one: the figures say what that safety costs.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_tools.h"
#include "support/mounted_image.h"

namespace tunewick::bench {
namespace {

std::string ProgramBeside(const char* self, const char* name) {
  return (std::filesystem::absolute(self).parent_path() / name).string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// `songs` files of thrown-together names in a folder for every hundred; the same seed
// gives the same names. Returns the paths, relative to `root`.
std::vector<std::string> WriteLibrary(const std::string& root, std::size_t songs,
                                      std::uint64_t seed) {
  static const char* const kFragments[] = {"01 ",  "02_",  "artist", "-",     " - ",   "song",
                                           " (1)", "(2)",  "_live",  "AC-DC", " band", "Intro",
                                           "x",    " the", "Blue",   "07 - "};
  static const char* const kExtensions[] = {".mp3", ".MP3", ".wav", ".wma"};
  std::mt19937_64 random(seed);
  std::vector<std::string> written;
  for (std::size_t i = 0; written.size() < songs; ++i) {
    std::string name;
    for (int part = 0, parts = 2 + static_cast<int>(random() % 4); part < parts; ++part)
      name += kFragments[random() % std::size(kFragments)];
    name += kExtensions[random() % std::size(kExtensions)];
    const std::string folder = "f" + std::to_string(written.size() / 100);
    const std::string relative = folder + "/" + name;
    std::filesystem::create_directories(root + "/" + folder);
    if (std::filesystem::exists(root + "/" + relative)) continue;
    std::ofstream(root + "/" + relative, std::ios::binary) << relative;
    written.push_back(relative);
  }
  return written;
}

int Run(const char* self, const BenchOptions& options) {
  const testing::MountedImage image(testing::MountedImage::Kind::kFat, 64);
  if (!image.unavailable().empty()) {
    std::fprintf(stderr, "fat_tidyup_bench: %s\n", image.unavailable().c_str());
    return 2;
  }
  const std::string cli = ProgramBeside(self, "../cli/tunewick-cli");
  const testing::TempFolder prints;  // on the ordinary disk, beside the image
  std::vector<double> cliTimes, mvTimes;
  bool samePrint = true;
  std::size_t renames = 0;
  for (int round = 0; round < options.repeat; ++round) {
    const std::string tidied = image / ("tidied" + std::to_string(round));
    const std::string moved = image / ("moved" + std::to_string(round));
    WriteLibrary(tidied, options.songs, options.seed);
    std::vector<std::string> songs = WriteLibrary(moved, options.songs, options.seed);

    const std::string dryPrint = prints / "dry.txt", realPrint = prints / "real.txt";
    TimeProgram({cli, "tidy", "--dry-run", tidied}, dryPrint.c_str(), {0, 1});
    cliTimes.push_back(TimeProgram({cli, "tidy", tidied}, realPrint.c_str(), {0, 1}));
    const std::string print = ReadAll(realPrint);
    samePrint = samePrint && print == ReadAll(dryPrint);
    renames = 0;
    for (std::size_t at = 0; (at = print.find(" was renamed to ", at)) != std::string::npos; ++at)
      ++renames;

    Stopwatch clock;
    for (std::size_t i = 0; i < renames; ++i) {
      std::string& song = songs[i % songs.size()];
      const std::string from = moved + "/" + song;
      song.insert(song.rfind('.'), "+" + std::to_string(i));  // a name no other song has
      TimeProgram({"mv", from, moved + "/" + song});
    }
    mvTimes.push_back(clock.Milliseconds());
    std::printf("round %d: tunewick-cli tidy %.0f ms, %zu renames by mv %.0f ms\n", round + 1,
                cliTimes.back(), renames, mvTimes.back());
  }
  const double ratio = Median(cliTimes) / Median(mvTimes);
  std::printf("%zu songs on a FAT image: tunewick-cli tidy %.0f ms (%zu renames), mv %.0f ms\n",
              options.songs, Median(cliTimes), renames, Median(mvTimes));
  std::printf("tunewick-cli / mv      %.2f (goal at most 1): %s\n", ratio,
              ratio <= 1 ? "met" : "MISSED");
  std::printf("dry run printed %s the real run\n",
              samePrint ? "the same as" : "SOMETHING ELSE THAN");
  return samePrint ? 0 : 1;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.songs = 2000;
  options.repeat = 3;
  if (!tunewick::bench::ParseBenchOptions(argc, argv, {"--songs", "--seed", "--repeat"},
                                          options)) {
    std::fprintf(stderr, "usage: fat_tidyup_bench [--songs N] [--seed N] [--repeat N]\n");
    return 2;
  }
  try {
    return tunewick::bench::Run(argv[0], options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fat_tidyup_bench: %s\n", error.what());
    return 1;
  }
}
