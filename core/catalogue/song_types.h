#pragma once

// The kinds of file Tunewick takes for songs, told by the extension of the file name in any
// letter case. By default they are the three it has always looked for; the user may add
// the types of a modern library.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tunewick {

// Every extension Tunewick knows, in scan order: the default three first.
inline constexpr std::string_view kSongExtensions[] = {".mp3", ".wav",  ".wma", ".flac", ".ogg",
                                                       ".oga", ".opus", ".m4a", ".aif",  ".aiff"};
inline constexpr std::size_t kSongTypeCount = std::size(kSongExtensions);

// True when `fileName` ends with `extension` (".mp3"), ignoring the case of ASCII letters.
bool HasExtension(std::string_view fileName, std::string_view extension);

class SongTypes {
 public:
  // .mp3, .wav and .wma.
  constexpr SongTypes() = default;
  // Every type of kSongExtensions.
  static constexpr SongTypes All() { return SongTypes((1u << kSongTypeCount) - 1); }

  bool AreAll() const { return *this == All(); }

  // The type of the file named `fileName` when it is one of these, as an index into
  // kSongExtensions; -1 otherwise.
  int TypeOf(std::string_view fileName) const;

  bool Include(std::string_view fileName) const { return TypeOf(fileName) >= 0; }

  friend bool operator==(const SongTypes&, const SongTypes&) = default;

 private:
  constexpr explicit SongTypes(std::uint32_t types) : types_(types) {}
  std::uint32_t types_ = 0b111;  // bit i: kSongExtensions[i]
};

}  // namespace tunewick
