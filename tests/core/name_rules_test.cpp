// Exact outputs of the name rules on worked examples and their tricky cases. The laws that
// hold for every name are checked on generated names in name_rules_property_test.cpp.

#include "rules/name_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tunewick {
namespace {

struct Rename {
  std::string_view before;
  std::string_view after;
};

TEST(PrefixRule, StripsTheWholeLeadingRunButNeverTheExtensionsDot) {
  const Rename cases[] = {
      {"01 Artist - Song.mp3", "Artist - Song.mp3"},
      {"(03) Artist - Song.wma", "Artist - Song.wma"},
      {" 12 -  Artist - Song.wav", "Artist - Song.wav"},
      {"7 Seas - Song.mp3", "Seas - Song.mp3"},
      {"...And Justice.mp3", "And Justice.mp3"},
      {"A01.mp3", "A01.mp3"},
      // A run that would take the extension's dot leaves the whole name as it is...
      {"01.mp3", "01.mp3"},
      {"01 - .wma", "01 - .wma"},
      {".mp3", ".mp3"},
      // ...one that ends before the last dot goes, earlier dots included.
      {"01.02.Song.mp3", "Song.mp3"},
      // Without a dot the whole run goes, whatever is left.
      {"12 Song", "Song"},
      {"0123", ""},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(StripPrefix(c.before), c.after);
  }
}

TEST(UnderscoreRule, EveryUnderscoreBecomesOneSpace) {
  const Rename cases[] = {
      {"Artist_-_Song.mp3", "Artist - Song.mp3"},
      {"_Artist - Song_.mp3", " Artist - Song .mp3"},
      {"Artist - Song.mp3", "Artist - Song.mp3"},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(HasUnderscore(c.before), c.before != c.after);
    EXPECT_EQ(ReplaceUnderscores(c.before), c.after);
  }
}

TEST(DashRule, RepairsInsertSpacesAtTheFirstMatchOrAtEveryHyphen) {
  using Repair = std::string (*)(std::string_view);
  const struct {
    Repair repair;
    std::string_view before, after;
  } cases[] = {
      {AddSpaceAfterDash, "Artist -Song.mp3", "Artist - Song.mp3"},
      {AddSpaceAfterDash, "Artist -Song- Live.mp3", "Artist - Song- Live.mp3"},
      {AddSpaceBeforeDash, "Artist- Song.mp3", "Artist - Song.mp3"},
      {AddSpaceBeforeDash, "Artist -Song- Live.mp3", "Artist -Song - Live.mp3"},
      {AddSpaceBeforeDash, "- Song.mp3", " - Song.mp3"},
      {SpaceAllDashes, "Artist-Song-Remix.wma", "Artist - Song - Remix.wma"},
      {SpaceAllDashes, "a--b", "a -  - b"},
      // Each repair does what it says on any name: excluding " - " is the caller's part.
      {AddSpaceAfterDash, "A - B", "A -  B"},
      {AddSpaceBeforeDash, "A - B", "A  - B"},
      {SpaceAllDashes, "A -B", "A  - B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(c.repair(c.before), c.after);
  }
}

TEST(CapitalisationRule, RaisesLettersAfterSpacesAndTheFirstOnlyAndNeverLowers) {
  const Rename cases[] = {
      {"artist - song.mp3", "Artist - Song.mp3"},
      {"(live) song.mp3", "(live) Song.mp3"},
      {"ac_dc - back in black.wma", "Ac_dc - Back In Black.wma"},
      {"\xC3\xA9t\xC3\xA9 - song.mp3", "\xC3\xA9t\xC3\xA9 - Song.mp3"},
      {"ARTIST - Song.mp3", "ARTIST - Song.mp3"},
      {"McCartney - yesterday.mp3", "McCartney - Yesterday.mp3"},
      {"a  b.mp3", "A  B.mp3"},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(CapitaliseAfterSpaces(c.before), c.after);
  }
  EXPECT_EQ(CapitaliseFirstLetter("artist - song.mp3"), "Artist - song.mp3");
  EXPECT_EQ(CapitaliseFirstLetter("01 artist.mp3"), "01 artist.mp3");
}

TEST(BracketRule, RemovesEveryMarkOfTheDigitInOnePass) {
  const struct {
    std::string_view before;
    int digit;
    std::string_view after;  // the same as `before`: the name holds no mark
  } cases[] = {
      {"Artist - Song (1).mp3", 1, "Artist - Song .mp3"},
      {"(3) Artist - Song.mp3", 3, " Artist - Song.mp3"},
      {"Artist - Song (1) (1).mp3", 1, "Artist - Song  .mp3"},
      {"Artist - Song (1)(2).mp3", 1, "Artist - Song (2).mp3"},
      {"\xC3\xA9(4)\xC3\xA9", 4, "\xC3\xA9\xC3\xA9"},
      // One pass leaves a mark that a deletion joins, of its own digit or another.
      {"((1)1)).mp3", 1, "(1)).mp3"},
      {"Song ((1)2).mp3", 1, "Song (2).mp3"},
      // No marks.
      {"Artist - Song (10).mp3", 1, "Artist - Song (10).mp3"},
      {"Song ( 1).mp3", 1, "Song ( 1).mp3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(HasBracketNumber(c.before, c.digit), c.before != c.after);
    EXPECT_EQ(RemoveBracketNumber(c.before, c.digit), c.after);
  }
}

}  // namespace
}  // namespace tunewick
