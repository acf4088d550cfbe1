#include "rules/name_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

namespace tunewick {
namespace {

struct Rename {
  std::string_view before;
  std::string_view after;
};

// ---------------------------------------------------------------------------------------
// Prefix removal

TEST(PrefixRule, StripsTheWholeLeadingRunOfPrefixCharacters) {
  const Rename cases[] = {
      {"01 Artist - Song.mp3", "Artist - Song.mp3"},
      {"01. Artist - Song.mp3", "Artist - Song.mp3"},
      {"(03) Artist - Song.wma", "Artist - Song.wma"},
      {"- Artist - Song.mp3", "Artist - Song.mp3"},
      {" 12 -  Artist - Song.wav", "Artist - Song.wav"},
      {"(Artist) - Song.mp3", "Artist) - Song.mp3"},
      {"7 Seas - Song.mp3", "Seas - Song.mp3"},
      {"...And Justice.mp3", "And Justice.mp3"},
      {"01 - Artist - 02 Song.mp3", "Artist - 02 Song.mp3"},
      {"0-9.() -.-)(98 x.mp3", "x.mp3"},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_TRUE(StartsWithPrefix(c.before));
    const std::string stripped = StripPrefix(c.before);
    EXPECT_EQ(stripped, c.after);
    EXPECT_FALSE(StartsWithPrefix(stripped));
    EXPECT_EQ(StripPrefix(stripped), stripped);
  }
}

TEST(PrefixRule, ExactlyFifteenCharactersArePrefixCharacters) {
  const std::string_view expected = "0123456789.() -";
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const std::string name = std::string(1, c) + "Song.mp3";
    SCOPED_TRACE(byte);
    const bool member = expected.find(c) != std::string_view::npos;
    EXPECT_EQ(StartsWithPrefix(name), member);
    EXPECT_EQ(StripPrefix(name), member ? "Song.mp3" : name);
  }
}

TEST(PrefixRule, NonCandidatesAreReturnedUnchanged) {
  for (std::string_view name :
       {"[01] Artist - Song.mp3", "_01 Artist.mp3", "Artist - 01 Song.mp3", "A01.mp3", "#1 Hit.mp3",
        "\t01 Song.mp3", "\xC3\xA9t\xC3\xA9.mp3", "'74 Jailbreak.mp3", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(StartsWithPrefix(name));
    EXPECT_EQ(StripPrefix(name), name);
  }
}

TEST(PrefixRule, NeverStripsTheExtensionsDot) {
  // Stripping these would leave "mp3", "wma", ...: files the scan no longer sees as songs.
  for (std::string_view name :
       {"01.mp3", "01 - .wma", ".mp3", "01.2.mp3", "(1) - 2.wav", "...", "1.", " .x"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(StartsWithPrefix(name));
    EXPECT_EQ(StripPrefix(name), name);
  }
  // A run that ends before the last "." is stripped as usual, earlier dots included.
  EXPECT_EQ(StripPrefix("01.02.Song.mp3"), "Song.mp3");
  EXPECT_EQ(StripPrefix("1 .x.mp3"), "x.mp3");
  EXPECT_EQ(StripPrefix("01 .\xC3\xA9.mp3"), "\xC3\xA9.mp3");
}

TEST(PrefixRule, NamesWithoutADotLoseTheirWholeRun) {
  EXPECT_EQ(StripPrefix("12 Song"), "Song");
  EXPECT_EQ(StripPrefix("0123"), "");
  EXPECT_EQ(StripPrefix("- -"), "");
  EXPECT_EQ(StripPrefix(""), "");
}

// ---------------------------------------------------------------------------------------
// Underscores

TEST(UnderscoreRule, EveryUnderscoreBecomesOneSpace) {
  const Rename cases[] = {
      {"Artist_-_Song.mp3", "Artist - Song.mp3"},
      {"Artist_Name-Song_Name.wma", "Artist Name-Song Name.wma"},
      {"Artist__Song.mp3", "Artist  Song.mp3"},
      {"_Artist - Song_.mp3", " Artist - Song .mp3"},
      {"Artist-Song_Live.mp3", "Artist-Song Live.mp3"},
      {"___", "   "},
      {"\xC3\xA9_\xC3\xA9_.mp3", "\xC3\xA9 \xC3\xA9 .mp3"},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_TRUE(HasUnderscore(c.before));
    EXPECT_EQ(ReplaceUnderscores(c.before), c.after);
    EXPECT_FALSE(HasUnderscore(c.after));
  }
}

TEST(UnderscoreRule, NamesWithoutUnderscoreAreReturnedUnchanged) {
  for (std::string_view name : {"Artist - Song.mp3", "Artist  Song.mp3", "\xDF.mp3", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(HasUnderscore(name));
    EXPECT_EQ(ReplaceUnderscores(name), name);
  }
}

// ---------------------------------------------------------------------------------------
// Dash spacing

struct DashTests {
  std::string_view name;
  bool spaced;
  bool after;
  bool before;
  bool around;
};

TEST(DashRule, TestsSelectTheRightRepair) {
  const DashTests cases[] = {
      {"Artist - Song.mp3", true, true, true, false},
      {"Artist - Song-Remix.mp3", true, true, true, false},
      {"Artist -Song.mp3", false, true, false, false},
      {"Artist- Song.mp3", false, false, true, false},
      {"Artist-Song.mp3", false, false, false, true},
      {"Artist-Song-Remix.wma", false, false, false, true},
      {"Artist -Song- Live.mp3", false, true, true, false},
      {"-Song.mp3", false, false, false, true},
      {"- Song.mp3", false, false, true, false},
      {"Song -", false, true, false, false},
      {"-", false, false, false, true},
      {"Artist Song.mp3", false, false, false, false},
      {"Artist_-_Song.mp3", false, false, false, true},
      {"Artist \xE2\x80\x93 Song.mp3", false, false, false, false},  // an en dash is no hyphen
      {"", false, false, false, false},
  };
  for (const DashTests& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HasSpacedDash(c.name), c.spaced);
    EXPECT_EQ(NeedsSpaceAfterDash(c.name), c.after);
    EXPECT_EQ(NeedsSpaceBeforeDash(c.name), c.before);
    EXPECT_EQ(NeedsSpacesAroundDashes(c.name), c.around);
  }
}

TEST(DashRule, AddSpaceAfterDashRepairsTheFirstSpaceHyphenOnly) {
  EXPECT_EQ(AddSpaceAfterDash("Artist -Song.mp3"), "Artist - Song.mp3");
  EXPECT_EQ(AddSpaceAfterDash("Artist -Song -Live.mp3"), "Artist - Song -Live.mp3");
  EXPECT_EQ(AddSpaceAfterDash("Artist -Song- Live.mp3"), "Artist - Song- Live.mp3");
  EXPECT_EQ(AddSpaceAfterDash("A-B -C.mp3"), "A-B - C.mp3");
  EXPECT_EQ(AddSpaceAfterDash("Song -"), "Song - ");
  EXPECT_EQ(AddSpaceAfterDash(" -\xC3\xA9"), " - \xC3\xA9");
}

TEST(DashRule, AddSpaceBeforeDashRepairsTheFirstHyphenSpaceOnly) {
  EXPECT_EQ(AddSpaceBeforeDash("Artist- Song.mp3"), "Artist - Song.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("Artist -Song- Live.mp3"), "Artist -Song - Live.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("A- B- C.mp3"), "A - B- C.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("A-B- C.mp3"), "A-B - C.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("- Song.mp3"), " - Song.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("\xC3\xA9- "), "\xC3\xA9 - ");
}

TEST(DashRule, SpaceAllDashesSpacesEveryHyphen) {
  EXPECT_EQ(SpaceAllDashes("Artist-Song.mp3"), "Artist - Song.mp3");
  EXPECT_EQ(SpaceAllDashes("Artist-Song-Remix.wma"), "Artist - Song - Remix.wma");
  EXPECT_EQ(SpaceAllDashes("-Song.mp3"), " - Song.mp3");
  EXPECT_EQ(SpaceAllDashes("Song-"), "Song - ");
  EXPECT_EQ(SpaceAllDashes("a--b"), "a -  - b");
  EXPECT_EQ(SpaceAllDashes("-"), " - ");
}

TEST(DashRule, RepairsOutsideTheirTestInsertOnlyWhatTheySay) {
  // Without their pattern the single repairs change nothing.
  for (std::string_view name : {"Artist-Song.mp3", "Artist Song.mp3", "", "-", "A--B"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(AddSpaceAfterDash(name), name);
    EXPECT_EQ(AddSpaceBeforeDash(name), name);
  }
  EXPECT_EQ(AddSpaceAfterDash("Artist- Song.mp3"), "Artist- Song.mp3");
  EXPECT_EQ(AddSpaceBeforeDash("Artist -Song.mp3"), "Artist -Song.mp3");
  // They do not check for " - " themselves: that exclusion is the caller's.
  EXPECT_EQ(AddSpaceAfterDash("A - B"), "A -  B");
  EXPECT_EQ(AddSpaceBeforeDash("A - B"), "A  - B");
  // SpaceAllDashes spaces every hyphen of whatever it is given.
  EXPECT_EQ(SpaceAllDashes("A -B"), "A  - B");
  EXPECT_EQ(SpaceAllDashes("A - B"), "A  -  B");
  EXPECT_EQ(SpaceAllDashes("Artist Song.mp3"), "Artist Song.mp3");
  EXPECT_EQ(SpaceAllDashes(""), "");
}

// ---------------------------------------------------------------------------------------
// Capitalisation

TEST(CapitalisationRule, RaisesEveryLetterAfterASpaceAndTheFirst) {
  const Rename cases[] = {
      {"artist - song.mp3", "Artist - Song.mp3"},
      {"rock'n'roll - a-ha.mp3", "Rock'n'roll - A-ha.mp3"},
      {"(live) song.mp3", "(live) Song.mp3"},
      {"01 intro.mp3", "01 Intro.mp3"},
      {"ac_dc - back in black.wma", "Ac_dc - Back In Black.wma"},
      {"artist - song [remix].mp3", "Artist - Song [remix].mp3"},
      {"\xC3\xA9t\xC3\xA9 - song.mp3", "\xC3\xA9t\xC3\xA9 - Song.mp3"},
      {"ARTIST - Song.mp3", "ARTIST - Song.mp3"},
      {"McCartney - yesterday.mp3", "McCartney - Yesterday.mp3"},
      {"a  b.mp3", "A  B.mp3"},
      {"a z.mp3", "A Z.mp3"},
      {"x `y {z @a [b.mp3", "X `y {z @a [b.mp3"},  // the bytes around "a" to "z" stay
      {" song", " Song"},
      {"song ", "Song "},
      {"artist.mp3", "Artist.mp3"},
  };
  for (const Rename& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(CapitaliseAfterSpaces(c.before), c.after);
  }
  EXPECT_EQ(CapitaliseAfterSpaces(""), "");
}

TEST(CapitalisationRule, FirstLetterChangesOnlyTheFirstByte) {
  EXPECT_EQ(CapitaliseFirstLetter("artist - song.mp3"), "Artist - song.mp3");
  EXPECT_EQ(CapitaliseFirstLetter("z"), "Z");
  for (std::string_view name : {"Artist - song.mp3", "01 artist.mp3", "(live) song.mp3", " artist",
                                "\xC3\xA9t\xC3\xA9", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CapitaliseFirstLetter(name), name);
  }
}

TEST(CapitalisationRule, OnlyTheAsciiLowerCaseLettersAreEverRaised) {
  // Every byte, as the first byte and after a space: a locale-aware mapping would raise
  // Latin-1 letters such as 0xE9 and corrupt UTF-8 names.
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const char raised = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    SCOPED_TRACE(byte);
    EXPECT_EQ(CapitaliseFirstLetter(std::string(1, c) + "x"), std::string(1, raised) + "x");
    EXPECT_EQ(CapitaliseAfterSpaces(std::string("X ") + c), std::string("X ") + raised);
  }
}

// ---------------------------------------------------------------------------------------
// Bracketed numbers

TEST(BracketRule, RemovesEveryMarkOfTheDigitAndNothingElse) {
  struct Case {
    std::string_view before;
    int digit;
    std::string_view after;
  };
  const Case cases[] = {
      {"Artist - Song (1).mp3", 1, "Artist - Song .mp3"},
      {"Artist - Song(2).wma", 2, "Artist - Song.wma"},
      {"(3) Artist - Song.mp3", 3, " Artist - Song.mp3"},
      {"Artist - Song (1) (1).mp3", 1, "Artist - Song  .mp3"},
      {"Artist - Song (1)(2).mp3", 1, "Artist - Song (2).mp3"},
      {"Artist - Song (1)(2)(3).mp3", 2, "Artist - Song (1)(3).mp3"},
      {"Artist - Song (0).mp3", 0, "Artist - Song .mp3"},
      {"Artist - Song (9).mp3", 9, "Artist - Song .mp3"},
      {"(7)(7)(7)", 7, ""},
      {"\xC3\xA9(4)\xC3\xA9", 4, "\xC3\xA9\xC3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_TRUE(HasBracketNumber(c.before, c.digit));
    EXPECT_EQ(RemoveBracketNumber(c.before, c.digit), c.after);
  }
}

TEST(BracketRule, OnlyABracketedSingleDigitIsAMark) {
  for (std::string_view name :
       {"Artist - Song (10).mp3", "Artist - Song (01).mp3", "Song ( 1).mp3", "Song (1 ).mp3",
        "Artist - Song [1].mp3", "Song (a).mp3", "Song (2).mp3", "Song 1.mp3", "(", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(HasBracketNumber(name, 1));
    EXPECT_EQ(RemoveBracketNumber(name, 1), name);
  }
  for (int digit = 0; digit <= 9; ++digit) {
    const std::string name = "Song (" + std::to_string(digit) + ").mp3";
    for (int other = 0; other <= 9; ++other) {
      SCOPED_TRACE(name + " for " + std::to_string(other));
      EXPECT_EQ(HasBracketNumber(name, other), digit == other);
    }
  }
}

TEST(BracketRule, DigitsOutsideZeroToNineHaveNoMark) {
  for (int digit : {-1, 10, 49, -48, INT_MIN, INT_MAX}) {  // "0" + 49 is "a"
    SCOPED_TRACE(digit);
    for (std::string_view name : {"Song (1).mp3", "Song (a).mp3", "Song (0).mp3", "Song ().mp3"}) {
      EXPECT_FALSE(HasBracketNumber(name, digit));
      EXPECT_EQ(RemoveBracketNumber(name, digit), name);
    }
  }
}

TEST(BracketRule, OnePassLeavesMarksThatTheDeletionJoins) {
  std::string name = RemoveBracketNumber("((1)1)).mp3", 1);
  EXPECT_EQ(name, "(1)).mp3");
  EXPECT_TRUE(HasBracketNumber(name, 1));
  name = RemoveBracketNumber(name, 1);
  EXPECT_EQ(name, ").mp3");
  EXPECT_FALSE(HasBracketNumber(name, 1));

  // A joined mark of another digit appears, and is left for that digit's call.
  EXPECT_EQ(RemoveBracketNumber("Song ((1)2).mp3", 1), "Song (2).mp3");
}

}  // namespace
}  // namespace tunewick
