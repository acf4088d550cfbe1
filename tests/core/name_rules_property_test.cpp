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
        return name.push_back(static_cast<char>('0' + Below(10)));
      case 1:
        return name.push_back(static_cast<char>(0x80 + Below(0x80)));
      case 2:
        return name.push_back(static_cast<char>(Below(256)));
      case 3:
        return name.push_back(static_cast<char>('a' + Below(26)));
      case 4:
        // Brackets and a few digits, thick enough to form marks that a deletion joins.
        for (unsigned n = 1 + Below(6); n > 0; --n) name.push_back("()(019)"[Below(7)]);
        return;
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

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

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

// Checks `law` on kNames generated names from `seed`; the first name that breaks it ends the
// test and is named. `law` gets the name and its number.
template <typename Law>
void CheckOnGeneratedNames(std::uint32_t seed, Law law) {
  NameGenerator names(seed);
  for (int i = 0; i < kNames; ++i) {
    const std::string name = names.Next();
    law(name, i);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "broken by the name \"" << name << '"';
      return;
    }
  }
}

TEST(NameRuleLaws, StripPrefixKeepsTheExtensionAndIsIdempotent) {
  CheckOnGeneratedNames(0x7E11, [](const std::string& name, int) {
    // Exactly fifteen characters are prefix characters (the generator makes every byte).
    const bool candidate = !name.empty() && std::string_view("0123456789.() -").find(name[0]) !=
                                                std::string_view::npos;
    ASSERT_EQ(StartsWithPrefix(name), candidate);
    const std::string stripped = StripPrefix(name);
    ASSERT_EQ(StripPrefix(stripped), stripped);
    ASSERT_TRUE(std::string_view(name).ends_with(stripped));
    const std::string_view removed =
        std::string_view(name).substr(0, name.size() - stripped.size());
    for (char c : removed) ASSERT_TRUE(StartsWithPrefix(std::string(1, c)));

    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) {
      // The whole run goes.
      ASSERT_FALSE(StartsWithPrefix(stripped));
    } else {
      // The extension's dot always stays. A candidate keeps its whole name only when its
      // run of prefix characters reaches that dot; otherwise the whole run goes.
      ASSERT_LE(removed.size(), lastDot);
      if (stripped == name && candidate) {
        for (std::size_t at = 0; at <= lastDot; ++at)
          ASSERT_TRUE(StartsWithPrefix(name.substr(at, 1)));
      } else {
        ASSERT_FALSE(StartsWithPrefix(stripped));
      }
    }
  });
}

TEST(NameRuleLaws, ReplaceUnderscoresOnlyTurnsUnderscoresIntoSpaces) {
  CheckOnGeneratedNames(0x5EED, [](const std::string& name, int) {
    ASSERT_EQ(HasUnderscore(name), name.find('_') != std::string::npos);
    const std::string replaced = ReplaceUnderscores(name);
    ASSERT_EQ(replaced.size(), name.size());
    for (std::size_t at = 0; at < name.size(); ++at)
      ASSERT_EQ(replaced[at], name[at] == '_' ? ' ' : name[at]);
  });
}

TEST(NameRuleLaws, DashTestsFindTheirPatternAndRepairsOnlyInsertSpaces) {
  CheckOnGeneratedNames(0xDA5, [](const std::string& name, int) {
    const bool after = NeedsSpaceAfterDash(name);
    const bool before = NeedsSpaceBeforeDash(name);
    ASSERT_EQ(after, name.find(" -") != std::string::npos);
    ASSERT_EQ(before, name.find("- ") != std::string::npos);
    ASSERT_EQ(HasSpacedDash(name), name.find(" - ") != std::string::npos);
    ASSERT_EQ(NeedsSpacesAroundDashes(name), CountOf(name, "-") > 0 && !after && !before);

    const std::string afterRepair = AddSpaceAfterDash(name);
    if (after) {
      ASSERT_TRUE(IsSpaceInsertedAt(name, afterRepair, name.find(" -") + 2));
    } else {
      ASSERT_EQ(afterRepair, name);
    }
    const std::string beforeRepair = AddSpaceBeforeDash(name);
    if (before) {
      ASSERT_TRUE(IsSpaceInsertedAt(name, beforeRepair, name.find("- ")));
    } else {
      ASSERT_EQ(beforeRepair, name);
    }

    const std::string spaced = SpaceAllDashes(name);
    ASSERT_EQ(spaced.size(), name.size() + 2 * CountOf(name, "-"));
    ASSERT_EQ(CountOf(spaced, " - "), CountOf(name, "-"));
    ASSERT_TRUE(IsSubsequence(name, spaced));
  });
}

TEST(NameRuleLaws, CapitalisationOnlyRaisesAsciiLetters) {
  CheckOnGeneratedNames(0xCA9, [](const std::string& name, int) {
    const std::string first = CapitaliseFirstLetter(name);
    const std::string words = CapitaliseAfterSpaces(name);
    ASSERT_EQ(first.size(), name.size());
    ASSERT_EQ(words.size(), name.size());
    for (std::size_t at = 0; at < name.size(); ++at) {
      const char raised = IsLower(name[at]) ? static_cast<char>(name[at] - 'a' + 'A') : name[at];
      ASSERT_EQ(first[at], at == 0 ? raised : name[at]);
      const bool wordStart = at == 0 || name[at - 1] == ' ';
      ASSERT_EQ(words[at], wordStart ? raised : name[at]);
    }
  });
}

TEST(NameRuleLaws, RemoveBracketNumberDeletesOnlyMarksAndEnds) {
  CheckOnGeneratedNames(0xB7AC, [](const std::string& name, int i) {
    const int digit = i % 12 - 1;  // -1 and 10 have no mark
    const std::string removed = RemoveBracketNumber(name, digit);
    if (digit < 0 || digit > 9) {
      ASSERT_FALSE(HasBracketNumber(name, digit));
      ASSERT_EQ(removed, name);
      return;
    }
    const std::string mark = Mark(digit);
    ASSERT_EQ(HasBracketNumber(name, digit), CountOf(name, mark) > 0);
    ASSERT_EQ(removed.size(), name.size() - 3 * CountOf(name, mark));
    ASSERT_TRUE(IsSubsequence(removed, name));
    ASSERT_EQ(HighBytes(removed), HighBytes(name));
    // Marks of the other digits are never broken up (a joined one may appear).
    for (int other = 0; other <= 9; ++other) {
      if (other == digit) continue;
      ASSERT_GE(CountOf(removed, Mark(other)), CountOf(name, Mark(other)));
    }

    // Applying the rule while the mark is there ends, with no mark left.
    std::string repeated = removed;
    for (std::size_t passes = 1; HasBracketNumber(repeated, digit); ++passes) {
      ASSERT_LE(passes, name.size() / 3);
      repeated = RemoveBracketNumber(repeated, digit);
    }
  });
}

}  // namespace
}  // namespace tunewick
