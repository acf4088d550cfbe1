// tags_bench: rename from tags against the least that reading every song's tags costs.
//
//   tags_bench [--songs N] [--seed N] [--repeat N]
//
// Generates N wrongly named, tagged songs (default 10,000) in folders of 100: MP3s with
// an ID3v2.3 or 2.4 tag (some with a 30 KB picture) and an ID3v1 tag, WMA files with ASF
// attributes, and WAV files with RIFF INFO and an "id3 " chunk; each file is sparse and
// 256 KB long. Then, alternating, median of --repeat runs:
//   - rename from tags, as the desktop program and tunewick-cli run it (a scan, the name
//     check, every song renamed, a scan and the name check again), the songs renamed back
//     afterwards, outside the clock;
//   - the floor: a plain loop that opens each song and reads its first 64 KiB and its
//     last 128 bytes.
// Every song must be renamed to its expected name before anything is timed.
//
// Goal: rename from tags within 2 times the floor.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_tools.h"
#include "catalogue/library_scan.h"
#include "catalogue/name_check.h"
#include "platform/file_system.h"
#include "songtags/tag_rename.h"
#include "support/tag_bytes.h"

namespace tunewick::bench {

// The generated libraries and tag bytes the tests use too.
using namespace tunewick::testing;
namespace {

constexpr double kTargetRatio = 2.0;
constexpr std::size_t kSongsPerFolder = 100;
constexpr std::size_t kSongSize = 256 << 10;

struct Song {
  std::string path;     // as generated
  std::string renamed;  // as rename from tags must name it
};

// Writes `head` at the start and `tail` at the end of a sparse file of kSongSize bytes.
void WriteSong(const std::string& path, const std::string& head, const std::string& tail) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  const bool written =
      ::pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
      ::ftruncate(fd, kSongSize - tail.size()) == 0 &&
      ::pwrite(fd, tail.data(), tail.size(), kSongSize - tail.size()) ==
          static_cast<ssize_t>(tail.size());
  ::close(fd);
  if (!written) throw std::runtime_error("cannot write " + path);
}

std::vector<Song> MakeSongs(const std::string& root, std::size_t count, std::uint64_t seed,
                            std::vector<std::string>& folders) {
  std::mt19937_64 random(seed);
  const std::string picture(30000, '\x89');
  std::vector<Song> songs;
  for (std::size_t i = 0; i < count; ++i) {
    if (i % kSongsPerFolder == 0) {
      folders.push_back(root + "/folder " + std::to_string(i / kSongsPerFolder));
      std::filesystem::create_directory(folders.back());
    }
    const std::string number = std::to_string(i);
    const std::string title = "Song Title Number " + number + " of the Benchmark";
    const std::string artist = "Artist " + std::to_string(random() % 500);
    const std::string folder = folders.back() + "/";
    switch (random() % 4) {
      case 0:
      case 1: {  // MP3
        std::vector<ID3v2Frame> frames = {{"TIT2", title, ID3v2Encoding::kUtf16},
                                          {"TPE1", artist, ID3v2Encoding::kLatin1}};
        if (random() % 3 == 0) frames.push_back({"APIC", picture});
        songs.push_back(
            {folder + "track " + number + ".mp3", folder + artist + " - " + title + ".mp3"});
        WriteSong(songs.back().path, ID3v2Tag(3 + random() % 2, frames, 1024),
                  ID3v1Tag(title.substr(0, 30), artist));
        break;
      }
      case 2: {  // WMA: the header at the start, then the audio
        songs.push_back(
            {folder + "track " + number + ".wma", folder + artist + " - " + title + ".wma"});
        WriteSong(songs.back().path, AsfSong(title, artist, "Album " + artist, 0), "");
        break;
      }
      default: {  // WAV: the audio first, the tags at the end
        const std::string id3v2 = ID3v2Tag(3, {{"TIT2", title}});
        const std::size_t audio = kSongSize - WavSong(title, artist, id3v2, 0).size();
        const std::string wav = WavSong(title, artist, id3v2, audio);
        constexpr std::size_t kAudioStart = 44;  // "RIFF", "fmt " and the "data" header
        songs.push_back(
            {folder + "track " + number + ".wav", folder + artist + " - " + title + ".wav"});
        WriteSong(songs.back().path, wav.substr(0, kAudioStart), wav.substr(kAudioStart + audio));
        break;
      }
    }
  }
  return songs;
}

double RenameFromTagsOnce(const std::vector<std::string>& folders, const std::vector<Song>& songs) {
  SongLists state;
  FileSystem& fileSystem = RealFileSystem();
  Stopwatch clock;
  const TagRenameResult result = RenameFromTags(state, fileSystem, [&] {
    ScanFolders(state, fileSystem, folders, FolderEntries::kAsGiven);
    ClassifySongs(state);
  });
  const double elapsed = clock.Milliseconds();
  std::size_t right = 0;
  for (const auto& [from, to] : result.renamed) right += std::filesystem::exists(to);
  for (const Song& song : songs) right -= !std::filesystem::exists(song.renamed);
  if (result.renamed.size() != songs.size() || right != songs.size() || !result.refused.empty())
    throw std::runtime_error("rename from tags renamed " + std::to_string(result.renamed.size()) +
                             " of " + std::to_string(songs.size()) + " songs, not all as expected");
  for (const Song& song : songs)
    if (fileSystem.Rename(song.renamed, song.path))
      throw std::runtime_error("cannot rename back " + song.renamed);
  return elapsed;
}

double FloorOnce(const std::vector<Song>& songs) {
  std::vector<char> buffer(64 << 10);
  Stopwatch clock;
  for (const Song& song : songs) {
    const int fd = ::open(song.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + song.path);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const bool read = ::pread(fd, buffer.data(), buffer.size(), 0) > 0 &&
                      ::pread(fd, buffer.data(), 128, size - 128) == 128;
    ::close(fd);
    if (!read) throw std::runtime_error("cannot read " + song.path);
  }
  return clock.Milliseconds();
}

int Run(const BenchOptions& options) {
  char pattern[] = "/tmp/tunewick-tags-bench-XXXXXX";
  if (!::mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::string root = pattern;
  std::vector<std::string> folders;
  const std::vector<Song> songs = MakeSongs(root, options.songs, options.seed, folders);
  std::printf("%zu songs in %zu folders\n", songs.size(), folders.size());

  RenameFromTagsOnce(folders, songs);  // checks the result and warms the cache
  FloorOnce(songs);
  std::vector<double> renames, floors;
  for (int run = 0; run < options.repeat; ++run) {
    renames.push_back(RenameFromTagsOnce(folders, songs));
    floors.push_back(FloorOnce(songs));
  }
  const double rename = Median(renames), floor = Median(floors);
  std::printf("rename from tags: median %.0f ms (%.1f us a song)\n", rename,
              1000 * rename / songs.size());
  std::printf("floor, 64 KiB + 128 bytes a song: median %.0f ms\n", floor);
  std::printf("rename from tags / floor %.2f (goal at most %.1f): %s\n", rename / floor,
              kTargetRatio, rename / floor <= kTargetRatio ? "met" : "MISSED");
  std::filesystem::remove_all(root);
  return 0;
}

}  // namespace
}  // namespace tunewick::bench

int main(int argc, char** argv) {
  tunewick::bench::BenchOptions options;
  options.songs = 10000;
  if (!tunewick::bench::ParseBenchOptions(argc, argv, {"--songs", "--seed", "--repeat"}, options)) {
    std::fprintf(stderr, "usage: tags_bench [--songs N] [--seed N] [--repeat N]\n");
    return 2;
  }
  return tunewick::bench::RunTellingFailure("tags_bench",
                                            [&] { return tunewick::bench::Run(options); });
}
