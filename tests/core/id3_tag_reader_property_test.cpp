// The tag reader on random file tails: whatever the bytes, it returns two texts that can
// become part of a file name, and each text is its field's bytes as the rules allow.

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "songtools/id3_tag_reader.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

constexpr std::string_view kForbidden = ":\\/*?\"<>|";

// Bytes that matter to the reader turn up often: zero, blanks, controls, forbidden
// characters, letters and bytes from 0x80 up.
char InterestingByte(std::mt19937& random) {
  static constexpr char kPool[] =
      "\0\0\0     \t\n\x01\x1f\x20\x21:\\/*?\"<>|aZ09-._~\x7f\x80\x9f\xa0\xe9\xff";
  if (std::uniform_int_distribution<int>(0, 3)(random) == 0)
    return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
  return kPool[std::uniform_int_distribution<std::size_t>(0, sizeof kPool - 2)(random)];
}

std::string RandomFile(std::mt19937& random) {
  const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 300)(random);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = InterestingByte(random);
  // Most files get a marker, or one that is nearly right, where the reader looks for it.
  static constexpr const char* kMarkers[] = {"TAG", "TAG", "TAG", "TAG",
                                             "TAG", "TAg", "tag", "TAF"};
  if (size >= 3 && std::bernoulli_distribution(0.9)(random)) {
    const std::size_t start = size >= 128 ? size - 128 : 0;
    bytes.replace(start, 3, kMarkers[std::uniform_int_distribution<int>(0, 7)(random)]);
  }
  return bytes;
}

// Decodes UTF-8 made of one- and two-byte characters below U+0100 back into Latin-1;
// false when the text is anything else.
bool Utf8ToLatin1(std::string_view utf8, std::string& latin1) {
  latin1.clear();
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      latin1 += static_cast<char>(byte);
    } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      latin1 += static_cast<char>(((byte & 0x03) << 6) | (utf8[++i] & 0x3F));
    } else {
      return false;
    }
  }
  return true;
}

// Checks one returned text against the 30 bytes of its field.
void ExpectFieldLaws(std::string_view text, std::string_view field, const char* which) {
  SCOPED_TRACE(which);
  std::string raw;
  ASSERT_TRUE(Utf8ToLatin1(text, raw)) << "not UTF-8 of Latin-1 text";
  const std::string_view used = field.substr(0, field.find('\0'));
  // The text is the front of the field up to its first zero byte...
  ASSERT_EQ(used.substr(0, raw.size()), raw);
  // ...and what was cut off is blanks and controls only, or the field held a forbidden
  // character and nothing is returned.
  const std::string_view cut = used.substr(raw.size());
  const bool forbidden = used.find_first_of(kForbidden) != std::string_view::npos;
  if (forbidden) {
    EXPECT_TRUE(raw.empty());
  } else {
    for (char c : cut) EXPECT_LE(static_cast<unsigned char>(c), 32) << "trimmed a visible byte";
    if (!raw.empty()) {
      EXPECT_GT(static_cast<unsigned char>(raw.back()), 32) << "kept a blank";
    }
  }
  EXPECT_EQ(raw.find_first_of(kForbidden), std::string::npos);
  EXPECT_LE(text.size(), 60u);
}

TEST(ID3TagReaderProperty, RandomTailsGiveTextsThatFollowTheFieldRules) {
  TempFolder folder;
  const std::string path = folder / "random.mp3";
  std::mt19937 random(20240611);
  int tagged = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = RandomFile(random);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    SCOPED_TRACE("round " + std::to_string(round));

    const ID3Fields fields = ReadID3Tag(path);
    std::string tail = bytes.size() > 128 ? bytes.substr(bytes.size() - 128) : bytes;
    tail.resize(128, '\0');
    if (tail.compare(0, 3, "TAG") != 0) {
      EXPECT_TRUE(fields.title.empty());
      EXPECT_TRUE(fields.artist.empty());
      continue;
    }
    ++tagged;
    ExpectFieldLaws(fields.title, std::string_view(tail).substr(3, 30), "title");
    ExpectFieldLaws(fields.artist, std::string_view(tail).substr(33, 30), "artist");
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(tagged, 1000);
}

}  // namespace
}  // namespace tunewick
