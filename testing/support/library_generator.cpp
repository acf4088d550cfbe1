#include "support/library_generator.h"
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace tunewick::testing {
namespace {

constexpr int kMaxDepth = 4;

// SplitMix64: small, fast, and the same on every platform and standard library, which
// the random distributions of <random> are not.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound); bound > 0.
  std::size_t Below(std::size_t bound) {
    return static_cast<std::size_t>((static_cast<unsigned __int128>(Next()) * bound) >> 64);
  }
  bool Chance(double probability) {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53 < probability;
  }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

// None of these holds a "-": the song patterns decide how many dashes a name gets.
constexpr std::string_view kArtists[] = {
    "Björk",          "Sigur Rós",     "Motörhead",      "The Beatles",      "Miles Davis",
    "Nina Simone",    "Daft Punk",     "Édith Piaf",     "Mötley Crüe",      "Radiohead",
    "Beyoncé",        "Joni Mitchell", "Kraftwerk",      "Os Mutantes",      "Антон Батагов",
    "坂本龍一",       "Café Tacvba",   "Röyksopp",       "Pink Floyd",       "Aretha Franklin",
    "Caetano Veloso", "Fela Kuti",     "Ólafur Arnalds", "Amália Rodrigues", "Queen"};
constexpr std::string_view kDashedArtists[] = {"AC-DC",        "Jay-Z", "Run-DMC",
                                               "Wu-Tang Clan", "Ne-Yo", "Sleater-Kinney"};
constexpr std::string_view kTitles[] = {"Jóga",
                                        "Hoppípolla",
                                        "Ace of Spades",
                                        "Yesterday",
                                        "So What",
                                        "Feeling Good",
                                        "One More Time",
                                        "Non, je ne regrette rien",
                                        "Paranoid Android",
                                        "Halo",
                                        "Big Yellow Taxi",
                                        "Das Modell",
                                        "Bat Macumba",
                                        "Eple",
                                        "Time",
                                        "Respect",
                                        "Kickstart My Heart",
                                        "Águas de Março",
                                        "Über den Wolken",
                                        "Città vuota",
                                        "Смутное время",
                                        "戦場のメリークリスマス",
                                        "Zombie",
                                        "Bohemian Rhapsody"};
constexpr std::string_view kDotFolders[] = {".cache", ".thumbnails", ".Trash", ".git", ".sync"};

std::string Lower(std::string_view text) {  // ASCII letters only; UTF-8 bytes stay
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Underscored(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == ' ') c = '_';
  return out;
}

std::string TwoDigits(std::size_t n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

std::string Extension(Random& random, bool upper) {
  static constexpr std::string_view kTypes[] = {"mp3", "mp3", "mp3", "mp3", "mp3",
                                                "mp3", "mp3", "wav", "wma", "wav"};
  std::string type(random.Pick(kTypes));
  const std::size_t letterCase = random.Below(20);
  if (upper || letterCase < 2) {
    for (char& c : type)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  } else if (letterCase == 2) {
    type[0] = static_cast<char>(type[0] - 'a' + 'A');
  }
  return "." + type;
}

// A song's file name. `number` keeps the name unique; `incorrect` decides whether the
// name holds a number of dashes other than one.
std::string SongName(Random& random, std::size_t number, bool incorrect) {
  const std::string artist(random.Pick(kArtists));
  const std::string title = std::string(random.Pick(kTitles)) + " " + std::to_string(number);
  const std::string track = TwoDigits(random.Below(30) + 1);
  if (!incorrect) {
    switch (random.Below(6)) {
      case 0:
      case 1:
        return artist + " - " + title + Extension(random, false);
      case 2:
        return Lower(artist) + "-" + Lower(title) + Extension(random, false);
      case 3:
        return track + "_" + Underscored(Lower(artist)) + "-" + Underscored(Lower(title)) + " (" +
               std::to_string(random.Below(10)) + ")" + Extension(random, false);
      case 4:
        return Lower(artist) + " -" + Lower(title) + Extension(random, true);
      default:
        return "track " + track + " - " + Lower(title) + Extension(random, false);
    }
  }
  switch (random.Below(6)) {
    case 0:
      return std::string(random.Pick(kDashedArtists)) + "-" + title + Extension(random, false);
    case 1:
      return title + Extension(random, false);
    case 2:
      return artist + " - " + title + " - Live" + Extension(random, false);
    case 3:
      return track + " " + Underscored(Lower(title)) + Extension(random, false);
    case 4:
      return artist + " \u2013 " + title + Extension(random, false);  // an en dash, no "-"
    default:
      return Underscored(Lower(artist)) + "_-_" + Underscored(Lower(title)) + " (" +
             std::to_string(random.Below(10)) + ") - remix" + Extension(random, false);
  }
}

std::string FolderName(Random& random, std::size_t number, int depth) {
  const std::string n = " " + std::to_string(number);
  if (random.Below(100) == 0) return "Old Song" + n + ".mp3";  // entered, never listed
  switch (depth) {
    case 1:
      return random.Below(10) == 0 ? std::string(random.Pick(kDashedArtists)) + n
                                   : std::string(random.Pick(kArtists)) + n;
    case 2:
      return std::string(random.Pick(kTitles)) + " (" + std::to_string(1960 + random.Below(64)) +
             ")" + n;
    case 3:
      return (random.Below(2) ? "CD" : "Disc") + n;
    default:
      return (random.Below(2) ? "Bonus" : "Extras") + n;
  }
}

std::string OtherFileName(Random& random, std::size_t number) {
  const std::string n = std::to_string(number);
  switch (random.Below(7)) {
    case 0:
      return "cover " + n + ".jpg";
    case 1:
      return "Folder " + n + ".JPG";
    case 2:
      return "notes " + n + ".txt";
    case 3:
      return "Track " + n + ".mp3x";
    case 4:
      return "playlist " + n + ".m3u";
    case 5:
      return std::string(random.Pick(kArtists)) + " - Song " + n + ".mp3.bak";
    default:
      return "desktop " + n + ".ini";
  }
}

bool HasExactlyOneDash(std::string_view name) {
  std::size_t dash = name.find('-');
  return dash != std::string_view::npos && name.find('-', dash + 1) == std::string_view::npos;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(error));
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0) Fail("cannot create the folder", path, errno);
}

void MakeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create the file", path, errno);
  ::close(fd);
}

void MakeLink(const std::string& target, const std::string& path) {
  if (::symlink(target.c_str(), path.c_str()) != 0) Fail("cannot create the link", path, errno);
}

struct Folder {
  std::string path;  // ends with "/"
  int depth;
};

void PrepareRoot(std::string& root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.empty()) throw std::runtime_error("no library folder given");
  FileSystem& fileSystem = RealFileSystem();
  if (fileSystem.Exists(root)) {
    const FolderListing listing = fileSystem.ListFolder(root);
    if (!listing.opened) throw std::runtime_error("\"" + root + "\" is not a readable folder");
    if (!listing.entries.empty()) throw std::runtime_error("\"" + root + "\" is not empty");
    return;
  }
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) Fail("cannot create the folder", root, error.value());
}

}  // namespace

LibrarySummary GenerateLibrary(const LibraryPlan& plan) {
  std::string root = plan.root;
  PrepareRoot(root);
  Random random(plan.seed);
  LibrarySummary summary;

  // The ordinary folders, parents before their children: about a quarter directly below
  // the root (artists), the rest spread over the levels below down to four deep.
  const std::size_t folderCount = plan.folders > 0 ? plan.folders : plan.songs / 20;
  std::vector<Folder> folders;
  folders.reserve(folderCount + 1);
  folders.push_back({root == "/" ? root : root + "/", 0});
  std::vector<std::size_t> byDepth[kMaxDepth];  // possible parents, by their depth
  byDepth[0].push_back(0);
  std::vector<std::size_t> parents{0};  // every possible parent
  for (std::size_t i = 1; i <= folderCount; ++i) {
    static constexpr int kParentDepths[] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1,
                                            1, 1, 2, 2, 2, 2, 2, 3, 3, 3};
    int parentDepth = random.Pick(kParentDepths);
    while (byDepth[parentDepth].empty()) --parentDepth;
    const std::vector<std::size_t>& candidates = byDepth[parentDepth];
    const Folder& parent = folders[candidates[random.Below(candidates.size())]];
    const int depth = parent.depth + 1;
    std::string path = parent.path + FolderName(random, i, depth) + "/";
    MakeFolder(path);
    folders.push_back({std::move(path), depth});
    if (depth < kMaxDepth) {
      byDepth[depth].push_back(folders.size() - 1);
      parents.push_back(folders.size() - 1);
    }
  }
  summary.folders = folderCount;

  // The songs, spread evenly over the root and the folders; exactly the planned share
  // of them named incorrectly (selection sampling).
  const double share = std::clamp(plan.incorrectShare, 0.0, 1.0);
  std::size_t incorrectLeft = static_cast<std::size_t>(std::llround(share * plan.songs));
  std::vector<std::string> songPaths;  // only kept to point links at
  for (std::size_t i = 0; i < plan.songs; ++i) {
    const bool incorrect = random.Below(plan.songs - i) < incorrectLeft;
    if (incorrect) --incorrectLeft;
    const std::string name = SongName(random, i + 1, incorrect);
    if (HasExactlyOneDash(name) == incorrect)
      throw std::logic_error("song name pattern breaks its dash count: " + name);
    std::string path = folders[random.Below(folders.size())].path + name;
    MakeFile(path);
    if (plan.links > 0) songPaths.push_back(std::move(path));
    ++summary.songs;
    summary.incorrectSongs += incorrect;
  }

  // Other files: about one for every ten songs.
  for (std::size_t i = 1; i <= plan.songs / 10 + 1; ++i) {
    MakeFile(folders[random.Below(folders.size())].path + OtherFileName(random, i));
    ++summary.otherFiles;
  }

  // Dot-folders with songs that a scan never sees, some with an ordinary folder inside.
  std::vector<Folder> dotFolders;
  for (std::size_t i = 1; i <= folderCount / 50 + 1; ++i) {
    const Folder& parent = folders[parents[random.Below(parents.size())]];
    Folder dot{parent.path + std::string(random.Pick(kDotFolders)) + " " + std::to_string(i) + "/",
               parent.depth + 1};
    MakeFolder(dot.path);
    std::string songsAt = dot.path;
    for (std::size_t song = 0, count = 1 + random.Below(4); song < count; ++song) {
      if (song == 2 && dot.depth < kMaxDepth) {
        songsAt = dot.path + "inner/";
        MakeFolder(songsAt);
      }
      MakeFile(songsAt +
               SongName(random, plan.songs + summary.songsInDotFolders + 1, random.Chance(share)));
      ++summary.songsInDotFolders;
    }
    dotFolders.push_back(std::move(dot));
  }
  summary.dotFolders = dotFolders.size();

  for (std::size_t i = 1; i <= plan.links; ++i) {
    const Folder& at = folders[random.Below(folders.size())];
    const std::string number = std::to_string(i);
    switch ((i - 1) % 5) {
      case 0: {  // back to an ancestor, or to itself in the root: a loop
        std::string up = at.depth == 0 ? "." : "";
        for (std::size_t level = 0, levels = at.depth == 0 ? 0 : 1 + random.Below(at.depth);
             level < levels; ++level)
          up += "../";
        MakeLink(up, at.path + "Back " + number);
        break;
      }
      case 1:
        MakeLink(folders[random.Below(folders.size())].path, at.path + "Also " + number);
        break;
      case 2:
        MakeLink(dotFolders[random.Below(dotFolders.size())].path, at.path + "Shortcut " + number);
        break;
      case 3:
        if (songPaths.empty()) continue;
        MakeLink(songPaths[random.Below(songPaths.size())], at.path + "Linked " + number + ".mp3");
        break;
      default:
        MakeLink("nowhere " + number + ".mp3", at.path + "Gone " + number + ".MP3");
        break;
    }
    ++summary.links;
  }
  return summary;
}

void PrepareLibrary(const std::string& root, LibraryPlan plan) {
  const FolderListing existing = RealFileSystem().ListFolder(root);
  if (existing.opened && !existing.entries.empty()) {
    std::printf("library: %s (as it stands)\n", root.c_str());
    return;
  }
  plan.root = root;
  const auto start = std::chrono::steady_clock::now();
  const LibrarySummary made = GenerateLibrary(plan);
  std::printf(
      "library: %s generated in %.1f s: %zu songs (%zu named incorrectly) in %zu folders, %zu "
      "other files, %zu dot-folders\n",
      root.c_str(), std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
      made.songs, made.incorrectSongs, made.folders, made.otherFiles, made.dotFolders);
}

}  // namespace tunewick::testing
