// Exact outputs of the name rules on worked examples and their tricky cases, and which names
// count as correct. The laws that hold for every name are checked on generated names in
// name_rules_property_test.cpp.

#include "rules/name_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "catalogue/name_check.h"

namespace tunewick {
namespace {

TEST(NameRules, WorkedExamples) {
  const struct {
    std::string (*repair)(std::string_view);
    std::string_view before, after;
  } cases[] = {
      // The whole leading run of prefix characters goes...
      {StripPrefix, "01 Artist - Song.mp3", "Artist - Song.mp3"},
      {StripPrefix, "(03) Artist - Song.wma", "Artist - Song.wma"},
      {StripPrefix, " 12 -  Artist - Song.wav", "Artist - Song.wav"},
      {StripPrefix, "7 Seas - Song.mp3", "Seas - Song.mp3"},
      {StripPrefix, "...And Justice.mp3", "And Justice.mp3"},
      {StripPrefix, "A01.mp3", "A01.mp3"},
      // ...unless it would take the extension's dot; earlier dots go; without a dot, all.
      {StripPrefix, "01.mp3", "01.mp3"},
      {StripPrefix, "01 - .wma", "01 - .wma"},
      {StripPrefix, ".mp3", ".mp3"},
      {StripPrefix, "01.02.Song.mp3", "Song.mp3"},
      {StripPrefix, "0123", ""},
      {ReplaceUnderscores, "_Artist_-_Song_.mp3", " Artist - Song .mp3"},
      // Dash repairs space the first match, or every hyphen, on any name: leaving names
      // with " - " alone is the caller's part.
      {AddSpaceAfterDash, "Artist -Song- Live.mp3", "Artist - Song- Live.mp3"},
      {AddSpaceBeforeDash, "Artist -Song- Live.mp3", "Artist -Song - Live.mp3"},
      {AddSpaceBeforeDash, "- Song.mp3", " - Song.mp3"},
      {SpaceAllDashes, "Artist-Song-Remix.wma", "Artist - Song - Remix.wma"},
      {SpaceAllDashes, "a--b", "a -  - b"},
      {AddSpaceAfterDash, "A - B", "A -  B"},
      {AddSpaceBeforeDash, "A - B", "A  - B"},
      {SpaceAllDashes, "A -B", "A  - B"},
      // Capitals: "a" to "z" only, first or after a space.
      {CapitaliseAfterSpaces, "artist - song.mp3", "Artist - Song.mp3"},
      {CapitaliseAfterSpaces, "(live) song.mp3", "(live) Song.mp3"},
      {CapitaliseAfterSpaces, "ac_dc - back in black.wma", "Ac_dc - Back In Black.wma"},
      {CapitaliseAfterSpaces, "\xC3\xA9t\xC3\xA9 - song.mp3", "\xC3\xA9t\xC3\xA9 - Song.mp3"},
      {CapitaliseAfterSpaces, "a  b.mp3", "A  B.mp3"},
      {CapitaliseAfterSpaces, "`a {b\tc \xe1 z", "`a {b\tc \xe1 Z"},  // after a space only
      {CapitaliseFirstLetter, "artist - song.mp3", "Artist - song.mp3"},
      {CapitaliseFirstLetter, "01 artist.mp3", "01 artist.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.repair(c.before), c.after) << c.before;
}

TEST(NameRules, EveryMarkOfTheDigitGoesInOnePass) {
  const struct {
    std::string_view before;
    int digit;
    std::string_view after;  // the same as `before`: the name holds no mark
  } cases[] = {
      {"(3) Artist - Song.mp3", 3, " Artist - Song.mp3"},
      {"Artist - Song (1) (1).mp3", 1, "Artist - Song  .mp3"},
      {"Artist - Song (1)(2).mp3", 1, "Artist - Song (2).mp3"},
      // One pass leaves a mark that a deletion joins, of its own digit or another.
      {"((1)1)).mp3", 1, "(1)).mp3"},
      {"Song ((1)2).mp3", 1, "Song (2).mp3"},
      {"Artist - Song (10).mp3", 1, "Artist - Song (10).mp3"},
      {"Song ( 1).mp3", 1, "Song ( 1).mp3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasBracketNumber(c.before, c.digit), c.before != c.after) << c.before;
    EXPECT_EQ(RemoveBracketNumber(c.before, c.digit), c.after) << c.before;
  }
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

}  // namespace
}  // namespace tunewick
