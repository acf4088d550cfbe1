// The name rules: their exact outputs on worked examples and tricky cases, the laws that hold
// for every name, checked on a few hundred thousand generated names (seeded, so that a
// failure repeats and names the input that broke the law), and which names count as correct.

#include "rules/name_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "catalogue/name_check.h"

namespace tunewick {
namespace {

// The plainer cases run through the command line's tidy-up.
TEST(NameRules, WorkedExamples) {
  const struct {
    std::string (*repair)(std::string_view);
    std::string_view before, after;
  } cases[] = {
      // The whole leading run of prefix characters goes...
      {StripPrefix, " 12 -  Artist - Song.wav", "Artist - Song.wav"},
      {StripPrefix, "7 Seas - Song.mp3", "Seas - Song.mp3"},
      // ...unless it would take the extension's dot; earlier dots go; without a dot, all.
      {StripPrefix, "01 - .wma", "01 - .wma"},
      {StripPrefix, "01.02.Song.mp3", "Song.mp3"},
      {StripPrefix, "0123", ""},
      // Dash repairs space the first match, or every hyphen, on any name: leaving names
      // with " - " alone is the caller's part.
      {AddSpaceBeforeDash, "Artist -Song- Live.mp3", "Artist -Song - Live.mp3"},
      {AddSpaceBeforeDash, "- Song.mp3", " - Song.mp3"},
      {SpaceAllDashes, "a--b", "a -  - b"},
      {AddSpaceAfterDash, "A - B", "A -  B"},
      {AddSpaceBeforeDash, "A - B", "A  - B"},
      {SpaceAllDashes, "A -B", "A  - B"},
      // Capitals: "a" to "z" only, first or after a space.
      {CapitaliseAfterSpaces, "(live) song.mp3", "(live) Song.mp3"},
      {CapitaliseAfterSpaces, "ac_dc - back in black.wma", "Ac_dc - Back In Black.wma"},
      {CapitaliseAfterSpaces, "\xC3\xA9t\xC3\xA9 - song.mp3", "\xC3\xA9t\xC3\xA9 - Song.mp3"},
      {CapitaliseAfterSpaces, "a  b.mp3", "A  B.mp3"},
      {CapitaliseAfterSpaces, "`a {b\tc \xe1 z", "`a {b\tc \xe1 Z"},  // after a space only
      {CapitaliseFirstLetter, "artist - song.mp3", "Artist - song.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.repair(c.before), c.after) << c.before;
}

// A song is named correctly when its file name, and nothing else of its path, holds
// exactly one "-" (a ":" is no separator).
TEST(NameCheck, ListsTheSongsWithoutExactlyOneDashInTheirFileNameInOrder) {
  SongLists state;
  state.AllSongs = {"/music/Artist - Song.mp3", "/music/Artist_Song.mp3",
                    "/mu-sic/A - B - C.wav",    "/my-music/Good - Name.wma",
                    "/music/Artist_Song.mp3",   "/m/a-b:c-d.mp3",
                    "/m/Artist-Song.mp3",       "/m/-.wav",
                    "/m/Al-pha - Song.mp3"};
  state.IncorrectSongs = {"left over"};
  ClassifySongs(state);
  EXPECT_EQ(
      state.IncorrectSongs,
      (std::vector<SongPath>{"/music/Artist_Song.mp3", "/mu-sic/A - B - C.wav",
                             "/music/Artist_Song.mp3", "/m/a-b:c-d.mp3", "/m/Al-pha - Song.mp3"}));
  EXPECT_FALSE(IsNamedCorrectly(""));
}

constexpr int kNames = 200'000;

// Produces names rich in what the rules look at: hyphens, spaces, underscores, digits,
// brackets, dots, extensions, letters next to the ASCII lower-case range, NUL and bytes
// from 0x80 up, in short and occasionally long names.
class NameGenerator {
 public:
  explicit NameGenerator(std::uint32_t seed) : engine_(seed) {}

  std::string Next() {
    std::string name;
    const unsigned pieces = Below(16) == 0 ? Below(60) : Below(12);
    for (unsigned i = 0; i < pieces; ++i) AppendPiece(name);
    return name;
  }

 private:
  unsigned Below(unsigned bound) { return static_cast<unsigned>(engine_() % bound); }

  void AppendPiece(std::string& name) {
    static constexpr std::string_view kPieces[] = {
        "-",  " ",  " ",    "_",    "(", ")",  ".",    " - ",      "- ",           " -",
        "((", "))", ".mp3", ".wav", "'", "\t", "Song", "\xC3\xA9", "\xE2\x80\x93", "__"};
    const unsigned kind = Below(10);
    if (kind == 0) name.push_back(static_cast<char>('0' + Below(10)));
    if (kind == 1) name.push_back(static_cast<char>(Below(256)));  // NUL and 0x80 up too
    if (kind == 2) name.push_back(static_cast<char>('a' + Below(26)));
    // Brackets and a few digits, thick enough to form marks that a deletion joins.
    for (unsigned n = kind == 3 ? 1 + Below(6) : 0; n > 0; --n) name.push_back("()(019)"[Below(7)]);
    if (kind > 3) name.append(kPieces[Below(std::size(kPieces))]);
  }

  std::mt19937 engine_;
};

// The name less every mark, left to right, as one pass over it finds them.
std::string WithoutMarks(std::string name, std::string_view mark) {
  for (std::size_t at = 0; (at = name.find(mark, at)) != std::string::npos;)
    name.erase(at, mark.size());
  return name;
}

// Every law on kNames generated names; the first name that breaks one ends the test and
// is named.
TEST(NameRuleLaws, HoldOnGeneratedNames) {
  NameGenerator names(0x7E11);
  for (int i = 0; i < kNames && !::testing::Test::HasFailure(); ++i) {
    const std::string name = names.Next();
    SCOPED_TRACE("the name \"" + name + '"');

    // StripPrefix removes a run of the fifteen prefix characters, never the extension's
    // dot, and is idempotent.
    const bool candidate = !name.empty() && std::string_view("0123456789.() -").find(name[0]) !=
                                                std::string_view::npos;
    ASSERT_EQ(StartsWithPrefix(name), candidate);
    const std::string stripped = StripPrefix(name);
    ASSERT_EQ(StripPrefix(stripped), stripped);
    ASSERT_TRUE(std::string_view(name).ends_with(stripped));
    const std::size_t removed = name.size() - stripped.size();
    for (std::size_t at = 0; at < removed; ++at) ASSERT_TRUE(StartsWithPrefix(name.substr(at, 1)));
    if (name.rfind('.') != std::string::npos) {
      ASSERT_LE(removed, name.rfind('.'));
    } else {
      ASSERT_FALSE(StartsWithPrefix(stripped));
    }

    // RemoveBracketNumber deletes the whole marks of its digit (-1 and 10 have none), and
    // applying it while the mark is there ends.
    const int digit = i % 12 - 1;
    const bool hasMark = digit >= 0 && digit <= 9;
    const std::string mark = "(" + std::to_string(digit) + ")";
    std::string bracketless = RemoveBracketNumber(name, digit);
    ASSERT_EQ(bracketless, hasMark ? WithoutMarks(name, mark) : name);
    ASSERT_EQ(HasBracketNumber(name, digit), hasMark && name.find(mark) != std::string::npos);
    bool anyMark = false;
    for (int each = 0; each <= 9; ++each) anyMark = anyMark || HasBracketNumber(name, each);
    ASSERT_EQ(HasAnyBracketNumber(name), anyMark);
    for (std::size_t passes = 1; HasBracketNumber(bracketless, digit); ++passes) {
      ASSERT_LE(passes, name.size() / 3);
      bracketless = RemoveBracketNumber(bracketless, digit);
    }
  }
}

}  // namespace
}  // namespace tunewick
