// The single-song tools' core: the tag reader, renaming by artist and title and the
// preview's type test. The rename from tags is run through the command line's tests.

#include <gtest/gtest.h>
#include <fstream>
#include <random>

#include "songtags/id3_tag_reader.h"
#include "songtools/preview_type.h"
#include "songtools/song_correction.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

constexpr std::string_view kForbidden = ":\\/*?\"<>|";

// The ID3v1 reader on random file tails: a tag is read only from an upper-case "TAG" at the
// start of the last 128 bytes, or of a shorter file (zeros after it). Whatever the bytes,
// each text is then the front of its field up to the first zero byte, Latin-1 made UTF-8,
// less trailing blanks and controls, or empty when the field holds a forbidden character.
// Files that cannot be read: see the tag tests.
TEST(ID3TagReaderProperty, RandomTailsFollowTheFieldRules) {
  testing::TempFolder folder;
  const std::string path = folder / "random.mp3";
  static constexpr char kPool[] = "\0\0\0   \t\x01\x1f!:\\/*?\"<>|aZ09-.\x7f\x80\xa0\xe9\xff";
  std::mt19937 random(20261206);
  auto latin1 = [](std::string_view utf8) {  // undoes the reader's conversion
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      const auto byte = static_cast<unsigned char>(utf8[i]);
      bytes += byte < 0x80 ? static_cast<char>(byte)
                           : static_cast<char>(((byte & 0x03) << 6) | (utf8[++i] & 0x3F));
    }
    return bytes;
  };
  for (int round = 0; round < 3000 && !HasFailure(); ++round) {
    std::string bytes(random() % 300, '\0');
    for (char& byte : bytes)
      byte = random() % 4 ? kPool[random() % (sizeof kPool - 1)] : char(random());
    if (bytes.size() >= 3 && random() % 10)
      bytes.replace(bytes.size() < 128 ? 0 : bytes.size() - 128, 3, random() % 5 ? "TAG" : "tag");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const ID3Fields fields = ReadID3Tag(path);
    std::string tail = bytes.size() > 128 ? bytes.substr(bytes.size() - 128) : bytes;
    tail.resize(128, '\0');
    const bool tagged = tail.compare(0, 3, "TAG") == 0;
    for (const auto& [text, offset] : {std::pair{fields.title, 3}, std::pair{fields.artist, 33}}) {
      SCOPED_TRACE("round " + std::to_string(round) + " field at " + std::to_string(offset));
      const std::string field = tail.substr(offset, 30);
      const std::string used = field.substr(0, field.find('\0'));
      const std::string raw = latin1(text);
      if (!tagged || used.find_first_of(kForbidden) != std::string::npos) {
        EXPECT_EQ(text, "");
        continue;
      }
      ASSERT_EQ(used.substr(0, raw.size()), raw);
      for (char c : used.substr(raw.size())) EXPECT_LE(static_cast<unsigned char>(c), 32);
      if (!raw.empty()) {
        EXPECT_GT(static_cast<unsigned char>(raw.back()), 32);
      }
    }
  }
}

TEST(SongCorrection, NamesKeepTheFolderAndTheExtension) {
  EXPECT_EQ(CorrectedPath("/music/x/old.mp3", "A", "B"), "/music/x/A - B.mp3");
  EXPECT_EQ(CorrectedPath("/music/x/old.name.WMA", "A", "B"), "/music/x/A - B.WMA");
  EXPECT_EQ(CorrectedPath("/music/v1.2/song", "A", "B"), "/music/v1.2/A - B");  // no extension
  EXPECT_EQ(CorrectedPath("/m/old.mp3", " A", "B "), "/m/ A - B .mp3");         // spaces stay
}

TEST(SongCorrection, ForbiddenCharactersAreTheNineAndEveryControlCharacter) {
  for (char c : kForbidden) EXPECT_TRUE(HoldsForbiddenCharacter(std::string("a") + c + "b")) << c;
  for (int c : {0x00, 0x01, 0x09, 0x0A, 0x1F, 0x7F})
    EXPECT_TRUE(HoldsForbiddenCharacter(std::string("ab") + static_cast<char>(c))) << c;
  // C1 controls, U+0080 to U+009F, in UTF-8.
  for (std::string_view c1 : {"a\xc2\x80", "\xc2\x85z", "a\xc2\x9f"})
    EXPECT_TRUE(HoldsForbiddenCharacter(c1)) << c1;
  for (std::string_view fine : {"AC-DC", "..", "Caf\xc3\xa9", "a b", "(1) [2] {3} & 'x' !#%+,;=@",
                                "\xc2\xa0", "\xc3\x80\xc3\x9f", "\xe2\x82\xac"})
    EXPECT_FALSE(HoldsForbiddenCharacter(fine)) << fine;
}

// The messages and the other refusals: see the correction dialog's tests.
TEST(SongCorrection, RenamesInTheSongsOwnFolderOnlyWhatCannotLeaveIt) {
  TempFolder folder;
  const std::string song = folder.MakeFile("music/old.mp3", "sound");
  folder.MakeFolder("music/sub");
  EXPECT_EQ(CorrectSongName(fs(), song, "sub/A", "B").outcome,
            CorrectionOutcome::kForbiddenCharacter);
  // An artist of ".." alone is a plain name in the same folder.
  const CorrectionResult result = CorrectSongName(fs(), song, "..", "B");
  EXPECT_EQ(result.outcome, CorrectionOutcome::kRenamed);
  EXPECT_EQ(ReadFile(folder / "music/.. - B.mp3"), "sound");
}

TEST(PreviewType, EverySongAndMidiIsPlayedAndAMessageShowsTheLastThreeCharacters) {
  EXPECT_EQ(PreviewEnding("ab"), "ab");
  // Whole UTF-8 characters, so that a message can show them.
  EXPECT_EQ(PreviewEnding("/m/song.m\xc3\xa9p"), "m\xc3\xa9p");
  EXPECT_EQ(PreviewEnding("/m/\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"),
            "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac");
  for (std::string_view song : {"/m/a.wav", "/m/a.mp3", "/m/a.wma", "/m/A.MP3", "/m/a.Mid"})
    EXPECT_TRUE(IsPreviewable(song)) << song;
  for (std::string_view other : {"/m/a.ogg", "/m/amp3", "/m/a.mp3/b", "", "/m/a.flac"})
    EXPECT_FALSE(IsPreviewable(other)) << other;
}

}  // namespace
}  // namespace tunewick
