#pragma once

// The name rules: pure text functions on one song file name (the text after the last "/",
// extension included). The tidy-up builds its five steps on them; none of them looks at a
// folder, touches the disk or depends on the locale.
//
// Names are bytes. Only the ASCII characters named by each rule are ever looked at or
// changed; bytes from 0x80 up (the parts of UTF-8 characters) are never changed, inserted
// or removed, so a valid UTF-8 name stays valid. Every function accepts any input, the
// empty name included. Each repair is meant for names its test accepts; given any other
// name it still returns a defined result, stated with the function.

#include <string>
#include <string_view>

namespace tunewick {

// --- Prefix removal: track numbers and other non-letter characters at the start ---------
//
// The prefix characters are exactly "0" to "9", ".", "(", ")", " " and "-". Nothing else
// is ever stripped: letters, "_", "[", "]", "#", tabs and bytes from 0x80 up stay.

// True when `name` is not empty and its first byte is a prefix character.
bool StartsWithPrefix(std::string_view name);

// `name` without its leading run of prefix characters, however long that run is:
// "01 - Artist - Song.mp3" gives "Artist - Song.mp3", "...And Justice.mp3" gives
// "And Justice.mp3"; prefix characters after the run stay where they are.
//
// The extension is protected: when the run would take in the name's last "." (the
// extension's dot), the name is returned unchanged, since stripping "01.mp3" down to
// "mp3" would leave a file that is no longer recognised as a song. So "01.mp3" and
// "01 - .wma" stay as they are. A name without any "." loses its whole run and may become
// empty ("0123" gives "").
//
// A name that does not start with a prefix character is returned unchanged. The result
// is always a tail of `name`, and applying the function to its own result changes nothing.
std::string StripPrefix(std::string_view name);

// --- Underscores as spaces --------------------------------------------------------------

// True when `name` contains at least one "_".
bool HasUnderscore(std::string_view name);

// `name` with every "_" replaced by one " "; nothing else changes (no trimming, no
// collapsing of runs), so the result has the length of `name`. A name without "_" is
// returned unchanged.
std::string ReplaceUnderscores(std::string_view name);

// --- Dash spacing: "Artist - Song" wants one space on each side of the hyphen -----------
//
// A name holding " - " anywhere is left alone by the tidy-up; the three test-and-repair
// pairs below are meant only for names without it. Every repair only inserts spaces.

// True when `name` contains " - " (space, hyphen, space).
bool HasSpacedDash(std::string_view name);

// True when `name` contains " -" (space, hyphen).
bool NeedsSpaceAfterDash(std::string_view name);

// `name` with one space inserted right after the hyphen of its first " -"; other hyphens
// stay as they are. Without " -" the name is returned unchanged. The repair does not
// check for " - " itself: given "A - B" it inserts after that first " -" ("A -  B").
std::string AddSpaceAfterDash(std::string_view name);

// True when `name` contains "- " (hyphen, space).
bool NeedsSpaceBeforeDash(std::string_view name);

// `name` with one space inserted right before the hyphen of its first "- "; other hyphens
// stay as they are. Without "- " the name is returned unchanged. The repair does not
// check for " - " itself: given "A - B" it inserts before that first "- " ("A  - B").
std::string AddSpaceBeforeDash(std::string_view name);

// True when `name` contains a "-" but neither " -" nor "- ".
bool NeedsSpacesAroundDashes(std::string_view name);

// `name` with every "-" replaced by " - ", hyphenated words and a leading hyphen
// included. It does so for any name: hyphens that already have a space beside them get
// another ("A -B" gives "A  - B"). A name without "-" is returned unchanged.
std::string SpaceAllDashes(std::string_view name);

// --- Capitalisation: only "a" to "z" are raised, nothing is ever lowered ----------------

// `name` with its first byte raised when it is "a" to "z"; the rest is unchanged. Any
// other name, the empty one included, is returned unchanged.
std::string CapitaliseFirstLetter(std::string_view name);

// `name` with every "a" to "z" that directly follows a space raised, and its first byte
// raised when that is "a" to "z". Letters after "(", "-", "." or "'" keep their case. A
// name without a space followed by a lower-case letter still has its first letter raised
// ("artist.mp3" gives "Artist.mp3").
std::string CapitaliseAfterSpaces(std::string_view name);

// --- Bracketed numbers: "Song (1).mp3" -----------------------------------------------------
//
// The mark for a digit d is exactly the three characters "(", d, ")". "(10)", "( 1)",
// "[1]" are no marks, and no digit outside 0 to 9 has a mark.

// True when `name` contains the mark for `digit`. Always false when `digit` is outside
// 0 to 9.
bool HasBracketNumber(std::string_view name, int digit);
// True when `name` contains the mark for any digit.
bool HasAnyBracketNumber(std::string_view name);

// `name` with every mark for `digit` deleted in one left-to-right pass; only the three
// characters of each mark go, so "Song (1).mp3" gives "Song .mp3". A deletion can join the
// characters around it into a new mark ("((1)1)).mp3" gives "(1)).mp3"); one pass leaves
// such a mark, so a caller that wants none applies the function while HasBracketNumber
// holds. A name without the mark, and any name when `digit` is outside 0 to 9, is returned
// unchanged.
std::string RemoveBracketNumber(std::string_view name, int digit);

}  // namespace tunewick
