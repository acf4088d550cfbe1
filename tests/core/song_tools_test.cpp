// The single-song tools' core: the tag reader, renaming by artist and title and the
// preview's type test. The rename from tags is run through the command line's tests.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "songtools/id3_tag_reader.h"
#include "songtools/preview_type.h"
#include "songtools/song_correction.h"
#include "support/id3_tag.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ID3Tag;
using testing::ReadFile;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

constexpr std::string_view kForbidden = ":\\/*?\"<>|";

class ID3TagReader : public ::testing::Test {
 protected:
  ID3Fields Read(std::string_view content) {
    return ReadID3Tag(folder.MakeFile("song.mp3", content));
  }

  TempFolder folder;
};

TEST_F(ID3TagReader, OnlyAnUpperCaseMarkerAtTheStartOfTheLast128BytesCounts) {
  const std::string tag = ID3Tag("Short Title", "An artist whose name is long");
  const std::string sound(500, 'm');
  const struct {
    std::string content, title, artist;
  } cases[] = {
      {sound + tag, "Short Title", "An artist whose name is long"},
      {tag, "Short Title", "An artist whose name is long"},  // exactly 128 bytes
      // Shorter: read from its start, zeros after it.
      {tag.substr(0, 50), "Short Title", "An artist whose n"},
      {"TA", "", ""},
      {sound + ID3Tag("Song", "Artist", "tag"), "", ""},
      {sound + tag + "x", "", ""},  // the marker one byte too early
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.content.substr(0, 60)));
    const ID3Fields fields = Read(c.content);
    EXPECT_EQ(fields.title, c.title);
    EXPECT_EQ(fields.artist, c.artist);
  }
}

TEST_F(ID3TagReader, EachFieldEndsAtItsFirstZeroByteLosesTrailingBlanksAndBecomesUtf8) {
  // More shapes of field are left to the property test below.
  std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("Song  \0XYZ!!", 12), "Song"},
      {"Song\t\r\n\x01 ", "Song"},
      {std::string(30, ' '), ""},
      {"abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwxyz0123"},  // no zero byte
      {"Caf\xe9", "Caf\xc3\xa9"},
      {"\x80\xff", "\xc2\x80\xc3\xbf"},
      {"Song\xa0", "Song\xc2\xa0"},              // a no-break space is no blank
      {"AC/DC", ""},                             // a forbidden character empties the field
      {std::string("Song\0AC/DC", 10), "Song"},  // only what comes before the zero counts
      {std::string("So/ng\0tail", 10), ""},
  };
  for (char c : kForbidden) cases.push_back({std::string("Why") + c, ""});
  for (const auto& [field, text] : cases) {
    SCOPED_TRACE(::testing::PrintToString(field));
    ID3Fields fields = Read("sound" + ID3Tag(field, "Band"));
    EXPECT_EQ(fields.title, text);
    EXPECT_EQ(fields.artist, "Band");
    fields = Read("sound" + ID3Tag("Title", field));
    EXPECT_EQ(fields.title, "Title");
    EXPECT_EQ(fields.artist, text);
  }
}

TEST_F(ID3TagReader, WhatCannotBeReadGivesTwoEmptyTexts) {
  const std::string pipe = folder / "pipe.mp3";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);  // not waited on
  std::vector<std::string> paths = {folder / "missing.mp3", folder.MakeFolder("folder.mp3"), "",
                                    pipe};
  for (const std::string& path : paths) {
    const ID3Fields fields = ReadID3Tag(path);
    EXPECT_EQ(fields.title, "") << path;
    EXPECT_EQ(fields.artist, "") << path;
  }
}

// The reader on random file tails: whatever the bytes, each text is the front of its
// field up to the first zero byte, in UTF-8, less trailing blanks and controls, or empty
// when the field holds a forbidden character; without "TAG" both are empty.
TEST(ID3TagReaderProperty, RandomTailsFollowTheFieldRules) {
  testing::TempFolder folder;
  const std::string path = folder / "random.mp3";
  static constexpr char kPool[] = "\0\0\0   \t\x01\x1f!:\\/*?\"<>|aZ09-.\x7f\x80\xa0\xe9\xff";
  constexpr std::string_view kForbidden = ":\\/*?\"<>|";
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

class CorrectSongNameTest : public ::testing::Test {
 protected:
  CorrectionResult Correct(std::string_view artist, std::string_view title) {
    return CorrectSongName(fs(), song, artist, title, [this] { ++beforeRename; });
  }

  TempFolder folder;
  std::string song = folder.MakeFile("music/old.mp3", "sound");
  int beforeRename = 0;
};

TEST_F(CorrectSongNameTest, RenamesInTheSongsOwnFolderOnlyWhatCannotLeaveIt) {
  EXPECT_EQ(Correct("", "B").outcome, CorrectionOutcome::kBoxEmpty);
  EXPECT_EQ(Correct("A", "").outcome, CorrectionOutcome::kBoxEmpty);
  folder.MakeFolder("music/sub");
  EXPECT_EQ(Correct("sub/A", "B").outcome, CorrectionOutcome::kForbiddenCharacter);
  EXPECT_EQ(Correct("..", "/../../B").outcome, CorrectionOutcome::kForbiddenCharacter);
  EXPECT_EQ(Correct("A", "B\nC").outcome, CorrectionOutcome::kForbiddenCharacter);
  EXPECT_EQ(beforeRename, 0);
  // An artist of ".." alone is a plain name in the same folder.
  const CorrectionResult result = Correct("..", "B");
  EXPECT_EQ(result.outcome, CorrectionOutcome::kRenamed);
  EXPECT_EQ(result.newPath, folder / "music/.. - B.mp3");
  EXPECT_EQ(ReadFile(folder / "music/.. - B.mp3"), "sound");
  EXPECT_FALSE(fs().Exists(song));
  EXPECT_EQ(beforeRename, 1);
}

TEST(PreviewType, TheLastThreeCharactersCountCaseIncluded) {
  EXPECT_EQ(PreviewEnding("ab"), "ab");
  // Whole UTF-8 characters, so that a message can show them.
  EXPECT_EQ(PreviewEnding("/m/song.m\xc3\xa9p"), "m\xc3\xa9p");
  EXPECT_EQ(PreviewEnding("/m/\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"),
            "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac");
  for (std::string_view known : {"wav", "mp3", "wma", "mid"}) EXPECT_TRUE(IsPreviewable(known));
  for (std::string_view unknown : {"MP3", "Wav", "ogg", "p3", "", "flac"})
    EXPECT_FALSE(IsPreviewable(unknown)) << unknown;
}

}  // namespace
}  // namespace tunewick
