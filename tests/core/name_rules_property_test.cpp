// Laws of the name rules, checked on a few hundred thousand generated names. The
// generator is seeded, so a failure repeats on every run and names the input that broke
// the law.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "rules/name_rules.h"

namespace tunewick {
namespace {

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
        "-",    " ",    " ",   "_",   "(",   ")",    ".",        " - ",
        "- ",   " -",   "(1)", "(0)", "(9)", "((",   "))",       ".mp3",
        ".wma", ".wav", "[",   "]",   "'",   "`",    "{",        "@",
        "\t",   "a",    "z",   "A",   "Z",   "Song", "\xC3\xA9", "\xE2\x80\x93",
        "__",   "--",   "  ",
    };
    switch (Below(11)) {
      case 0:
        name.push_back(static_cast<char>('0' + Below(10)));
        break;
      case 1:
        name.push_back(static_cast<char>(0x80 + Below(0x80)));
        break;
      case 2:
        name.push_back(static_cast<char>(Below(256)));
        break;
      case 3:
        name.push_back(static_cast<char>('a' + Below(26)));
        break;
      case 4:
        // Brackets and a few digits, thick enough to form marks that a deletion joins.
        for (unsigned n = 1 + Below(6); n > 0; --n) name.push_back("()(019)"[Below(7)]);
        break;
      default:
        name.append(kPieces[Below(std::size(kPieces))]);
    }
  }

  std::mt19937 engine_;
};

std::string HighBytes(std::string_view text) {
  std::string high;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) high.push_back(c);
  return high;
}

bool IsSubsequence(std::string_view part, std::string_view whole) {
  std::size_t at = 0;
  for (char c : whole)
    if (at < part.size() && part[at] == c) ++at;
  return at == part.size();
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

bool HasSpaceBeforeLowerCase(std::string_view name) {
  for (std::size_t i = 1; i < name.size(); ++i)
    if (name[i - 1] == ' ' && IsLower(name[i])) return true;
  return false;
}

std::size_t CountOf(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size()))
    ++count;
  return count;
}

std::string Mark(int digit) { return "(" + std::to_string(digit) + ")"; }

// True when `repaired` is `name` with exactly one space inserted at `position`.
bool IsSpaceInsertedAt(std::string_view name, std::string_view repaired, std::size_t position) {
  return repaired.size() == name.size() + 1 &&
         repaired.substr(0, position) == name.substr(0, position) && repaired[position] == ' ' &&
         repaired.substr(position + 1) == name.substr(position);
}

TEST(NameRuleLaws, StripPrefixKeepsTheExtensionAndIsIdempotent) {
  NameGenerator names(0x7E11);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    const std::string stripped = StripPrefix(name);
    ASSERT_EQ(StripPrefix(stripped), stripped) << '"' << name << '"';
    ASSERT_TRUE(EndsWith(name, stripped)) << '"' << name << '"';
    const std::string_view removed =
        std::string_view(name).substr(0, name.size() - stripped.size());
    ASSERT_TRUE(removed.empty() || StartsWithPrefix(name)) << '"' << name << '"';
    for (char c : removed) ASSERT_TRUE(StartsWithPrefix(std::string(1, c))) << '"' << name << '"';

    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) {
      // The whole run goes.
      ASSERT_FALSE(StartsWithPrefix(stripped)) << '"' << name << '"';
    } else {
      // The extension's dot always stays. A candidate keeps its whole name only when its
      // run of prefix characters reaches that dot; otherwise the whole run goes.
      ASSERT_LE(removed.size(), lastDot) << '"' << name << '"';
      if (stripped == name && StartsWithPrefix(name)) {
        for (std::size_t at = 0; at <= lastDot; ++at)
          ASSERT_TRUE(StartsWithPrefix(name.substr(at, 1))) << '"' << name << '"';
      } else {
        ASSERT_FALSE(StartsWithPrefix(stripped)) << '"' << name << '"';
      }
    }
    ASSERT_EQ(HighBytes(stripped), HighBytes(name)) << '"' << name << '"';
  }
}

TEST(NameRuleLaws, ReplaceUnderscoresOnlyTurnsUnderscoresIntoSpaces) {
  NameGenerator names(0x5EED);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    const std::string replaced = ReplaceUnderscores(name);
    ASSERT_EQ(replaced.size(), name.size()) << '"' << name << '"';
    ASSERT_FALSE(HasUnderscore(replaced)) << '"' << name << '"';
    for (std::size_t at = 0; at < name.size(); ++at)
      ASSERT_EQ(replaced[at], name[at] == '_' ? ' ' : name[at]) << '"' << name << '"';
    ASSERT_EQ(ReplaceUnderscores(replaced), replaced) << '"' << name << '"';
  }
}

TEST(NameRuleLaws, DashRepairsOnlyInsertSpacesAndLeaveASpacedDash) {
  NameGenerator names(0xDA5);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    const bool after = NeedsSpaceAfterDash(name);
    const bool before = NeedsSpaceBeforeDash(name);
    const bool hasDash = name.find('-') != std::string::npos;
    ASSERT_EQ(NeedsSpacesAroundDashes(name), hasDash && !after && !before) << '"' << name << '"';
    ASSERT_TRUE(!HasSpacedDash(name) || (after && before)) << '"' << name << '"';

    const std::string afterRepair = AddSpaceAfterDash(name);
    if (after) {
      ASSERT_TRUE(IsSpaceInsertedAt(name, afterRepair, name.find(" -") + 2)) << '"' << name << '"';
      ASSERT_TRUE(HasSpacedDash(afterRepair)) << '"' << name << '"';
    } else {
      ASSERT_EQ(afterRepair, name);
    }

    const std::string beforeRepair = AddSpaceBeforeDash(name);
    if (before) {
      ASSERT_TRUE(IsSpaceInsertedAt(name, beforeRepair, name.find("- "))) << '"' << name << '"';
      ASSERT_TRUE(HasSpacedDash(beforeRepair)) << '"' << name << '"';
    } else {
      ASSERT_EQ(beforeRepair, name);
    }

    const std::string spaced = SpaceAllDashes(name);
    ASSERT_EQ(spaced.size(), name.size() + 2 * CountOf(name, "-")) << '"' << name << '"';
    ASSERT_EQ(CountOf(spaced, "-"), CountOf(name, "-")) << '"' << name << '"';
    ASSERT_EQ(CountOf(spaced, " - "), CountOf(name, "-")) << '"' << name << '"';
    ASSERT_TRUE(IsSubsequence(name, spaced)) << '"' << name << '"';
    ASSERT_FALSE(NeedsSpacesAroundDashes(spaced)) << '"' << name << '"';
    ASSERT_EQ(HighBytes(spaced), HighBytes(name)) << '"' << name << '"';
  }
}

TEST(NameRuleLaws, CapitalisationOnlyRaisesAsciiLetters) {
  NameGenerator names(0xCA9);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    const std::string first = CapitaliseFirstLetter(name);
    const std::string words = CapitaliseAfterSpaces(name);
    ASSERT_EQ(first.size(), name.size()) << '"' << name << '"';
    ASSERT_EQ(words.size(), name.size()) << '"' << name << '"';
    for (std::size_t at = 0; at < name.size(); ++at) {
      const char raised = IsLower(name[at]) ? static_cast<char>(name[at] - 'a' + 'A') : name[at];
      ASSERT_EQ(first[at], at == 0 ? raised : name[at]) << '"' << name << '"';
      const bool wordStart = at == 0 || name[at - 1] == ' ';
      ASSERT_EQ(words[at], wordStart ? raised : name[at]) << '"' << name << '"';
    }
    ASSERT_FALSE(HasSpaceBeforeLowerCase(words)) << '"' << name << '"';
    ASSERT_EQ(CapitaliseAfterSpaces(words), words) << '"' << name << '"';
    ASSERT_EQ(CapitaliseFirstLetter(words), words) << '"' << name << '"';
  }
}

TEST(NameRuleLaws, RemoveBracketNumberDeletesOnlyMarksAndEnds) {
  NameGenerator names(0xB7AC);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    const int digit = static_cast<int>(i % 12) - 1;  // -1 and 10 have no mark
    const std::string removed = RemoveBracketNumber(name, digit);
    if (digit < 0 || digit > 9) {
      ASSERT_FALSE(HasBracketNumber(name, digit));
      ASSERT_EQ(removed, name);
      continue;
    }
    const std::string mark = Mark(digit);
    ASSERT_EQ(HasBracketNumber(name, digit), CountOf(name, mark) > 0) << '"' << name << '"';
    ASSERT_EQ(removed.size(), name.size() - 3 * CountOf(name, mark)) << '"' << name << '"';
    ASSERT_TRUE(IsSubsequence(removed, name)) << '"' << name << '"';
    ASSERT_EQ(HighBytes(removed), HighBytes(name)) << '"' << name << '"';
    // Marks of the other digits are never broken up (a joined one may appear).
    for (int other = 0; other <= 9; ++other) {
      if (other == digit) continue;
      ASSERT_GE(CountOf(removed, Mark(other)), CountOf(name, Mark(other))) << '"' << name << '"';
    }

    // Applying the rule while the mark is there ends, with no mark left.
    std::string repeated = removed;
    std::size_t passes = 0;
    while (HasBracketNumber(repeated, digit)) {
      repeated = RemoveBracketNumber(repeated, digit);
      ASSERT_LE(++passes, name.size() / 3) << '"' << name << '"';
    }
  }
}

}  // namespace
}  // namespace tunewick
