// fat_tidyup_bench: tunewick-cli tidying a library, and undoing the tidy-up, on FAT and
// exFAT images mounted through FUSE, as on a USB stick, against `mv` making as many renames
// there, one process each as a shell loop would.
//
//   fat_tidyup_bench [--songs N] [--seed N] [--repeat N] [--against OTHER-TUNEWICK-CLI]
//
// Copies of one library of messy names (ASCII: the FUSE FAT driver takes no other), each
// song a few KiB of its own bytes, are written to a fresh image. tunewick-cli tidies the
// first, first with --dry-run and then for real (both must print the same), and undoes the
// tidy-up (the tree must come back); mv then renames as many songs of the second copy.
// With --against, another build of tunewick-cli (an older one, say) tidies and undoes a
// third copy, the two taking turns at going first. Needs root and /dev/fuse.
//
// Goal: tunewick-cli at most as slow as the mv loop. Every rename there reserves its new
// name by creating it first, and the FUSE FAT driver takes far longer to create a file
// than to rename one: the figures say what that safety costs.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench_tools.h"
#include "support/mounted_image.h"
#include "support/temp_folder.h"

namespace tunewick::bench {
namespace {

std::string ProgramBeside(const char* self, const char* name) {
  return (std::filesystem::absolute(self).parent_path() / name).string();
}

// The bytes of a small song: a tag naming it at the start, frames of its own in between
// and at the end, as a tagger and an encoder leave them.
std::string SongBytes(const std::string& name, std::mt19937_64& random) {
  std::string bytes = "ID3\x04" + std::string(6, '\0') + "TIT2" + name;
  const std::size_t size = 6 * 1024 + random() % (8 * 1024);
  while (bytes.size() < size) {
    const std::uint64_t word = random();
    bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
  }
  bytes.resize(size);
  return bytes;
}

// `songs` files of thrown-together names in a folder for every hundred; the same seed
// gives the same names and bytes. Returns the paths, relative to `root`.
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
    std::ofstream(root + "/" + relative, std::ios::binary) << SongBytes(relative, random);
    written.push_back(relative);
  }
  return written;
}

// One build of tunewick-cli, with a folder of journals of its own: builds may not read
// each other's.
struct Contender {
  Contender(std::string name, std::string cli, std::string stateHome)
      : name(std::move(name)), cli(std::move(cli)), stateHome(std::move(stateHome)) {}
  std::string name, cli, stateHome;
  std::vector<double> tidyTimes, undoTimes;
  bool samePrint = true, treeBack = true;
  std::size_t renames = 0;

  // Tidies `library` (a dry run first), then undoes the tidy-up.
  void TidyAndUndo(const std::string& library, const std::string& prints) {
    ::setenv("XDG_STATE_HOME", stateHome.c_str(), 1);
    const auto before = testing::SnapshotFiles(library);
    const std::string dryPrint = prints + "/dry.txt", realPrint = prints + "/real.txt";
    TimeProgram({cli, "tidy", "--dry-run", library}, dryPrint.c_str(), {0, 1});
    tidyTimes.push_back(TimeProgram({cli, "tidy", library}, realPrint.c_str(), {0, 1}));
    undoTimes.push_back(TimeProgram({cli, "undo"}, "/dev/null", {0, 1}));
    const std::string print = testing::ReadFile(realPrint);
    samePrint = samePrint && print == testing::ReadFile(dryPrint);
    treeBack = treeBack && testing::SnapshotFiles(library) == before;
    renames = 0;
    for (std::size_t at = 0; (at = print.find(" was renamed to ", at)) != std::string::npos; ++at)
      ++renames;
  }
};

// The rounds on one kind of image; false when a check failed.
bool RunOn(testing::MountedImage::Kind kind, std::vector<Contender>& contenders,
           const BenchOptions& options) {
  const char* kindName = testing::MountedImage::Name(kind);
  const testing::MountedImage image(kind, 512);  // FAT32, as sticks of today are
  if (!image.unavailable().empty()) {
    std::fprintf(stderr, "fat_tidyup_bench: %s\n", image.unavailable().c_str());
    return false;
  }
  const testing::TempFolder prints;  // on the ordinary disk, beside the image
  for (Contender& contender : contenders) {
    contender.tidyTimes.clear();
    contender.undoTimes.clear();
  }
  std::vector<double> mvTimes;
  for (int round = 0; round < options.repeat; ++round) {
    // Each build goes first in turn, so that neither always meets a warmer cache.
    for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
      Contender& contender = contenders[(turn + round) % contenders.size()];
      const std::string library = image / (contender.name + std::to_string(round));
      WriteLibrary(library, options.songs, options.seed);
      contender.TidyAndUndo(library, prints.path());
      std::filesystem::remove_all(library);
    }
    const std::string moved = image / ("moved" + std::to_string(round));
    std::vector<std::string> songs = WriteLibrary(moved, options.songs, options.seed);
    Stopwatch clock;
    for (std::size_t i = 0; i < contenders.front().renames; ++i) {
      std::string& song = songs[i % songs.size()];
      const std::string from = moved + "/" + song;
      song.insert(song.rfind('.'), "+" + std::to_string(i));  // a name no other song has
      TimeProgram({"mv", from, moved + "/" + song});
    }
    mvTimes.push_back(clock.Milliseconds());
    std::filesystem::remove_all(moved);
    std::printf("%s round %d:", kindName, round + 1);
    for (const Contender& contender : contenders)
      std::printf(" %s tidy %.0f ms, undo %.0f ms;", contender.name.c_str(),
                  contender.tidyTimes.back(), contender.undoTimes.back());
    std::printf(" mv %.0f ms\n", mvTimes.back());
  }
  const Contender& self = contenders.front();
  std::printf("%zu songs on a%s %s image, medians of %d rounds (%zu renames):\n", options.songs,
              kind == testing::MountedImage::Kind::kFat ? "" : "n", kindName, options.repeat,
              self.renames);
  for (const Contender& contender : contenders)
    std::printf("  %-8s tidy %6.0f ms  undo %6.0f ms   dry run %s the real run, undo %s\n",
                contender.name.c_str(), Median(contender.tidyTimes), Median(contender.undoTimes),
                contender.samePrint ? "printed the same as" : "printed SOMETHING ELSE THAN",
                contender.treeBack ? "gave the tree back" : "DID NOT GIVE THE TREE BACK");
  // Only this build's checks decide: the other one is there to be measured.
  const bool good = self.samePrint && self.treeBack;
  std::printf("  mv loop  %6.0f ms\n", Median(mvTimes));
  const double ratio = Median(self.tidyTimes) / Median(mvTimes);
  std::printf("  tunewick-cli tidy / mv   %.2f (goal at most 1): %s\n", ratio,
              ratio <= 1 ? "met" : "MISSED");
  for (std::size_t i = 1; i < contenders.size(); ++i)
    std::printf("  this build / %s: tidy %.2f, undo %.2f\n", contenders[i].name.c_str(),
                Median(self.tidyTimes) / Median(contenders[i].tidyTimes),
                Median(self.undoTimes) / Median(contenders[i].undoTimes));
  return good;
}

int Run(const char* self, const BenchOptions& options, const std::string& against) {
  const testing::TempFolder states;
  std::vector<Contender> contenders;
  contenders.emplace_back("this", ProgramBeside(self, "../cli/tunewick-cli"), states / "this");
  if (!against.empty())
    contenders.emplace_back("against", std::filesystem::absolute(against).string(),
                            states / "against");
  bool good = true;
  for (auto kind : {testing::MountedImage::Kind::kFat, testing::MountedImage::Kind::kExfat})
    good = RunOn(kind, contenders, options) && good;
  return good ? 0 : 1;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.songs = 2000;
  options.repeat = 3;
  // --against takes a path, which the shared options do not.
  std::string against;
  std::vector<char*> shared = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--against" && i + 1 < argc) {
      against = argv[++i];
    } else {
      shared.push_back(argv[i]);
    }
  }
  if (!tunewick::bench::ParseBenchOptions(static_cast<int>(shared.size()), shared.data(),
                                          {"--songs", "--seed", "--repeat"}, options)) {
    std::fprintf(stderr,
                 "usage: fat_tidyup_bench [--songs N] [--seed N] [--repeat N] "
                 "[--against OTHER-TUNEWICK-CLI]\n");
    return 2;
  }
  return tunewick::bench::RunTellingFailure(
      "fat_tidyup_bench", [&] { return tunewick::bench::Run(argv[0], options, against); });
}
