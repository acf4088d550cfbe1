#include "songtools/id3_tag_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/id3_tag.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ID3Tag;
using testing::TempFolder;

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
      {"TAG", "", ""},
      {"TA", "", ""},
      {"", "", ""},
      {sound + ID3Tag("Song", "Artist", "tag"), "", ""},
      {sound + ID3Tag("Song", "Artist", "TAg"), "", ""},
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
  std::string eAcutes;  // 30 times "é" in UTF-8
  for (int i = 0; i < 30; ++i) eAcutes += "\xc3\xa9";
  std::vector<std::pair<std::string, std::string>> cases = {
      {"Song", "Song"},
      {"Song" + std::string(26, ' '), "Song"},
      {std::string("Song  \0XYZ!!", 12), "Song"},
      {"Song\t\r\n\x01 ", "Song"},
      {std::string(30, ' '), ""},
      {"  two  words", "  two  words"},  // nothing else is trimmed
      {"abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwxyz0123"},  // no zero byte
      {"Caf\xe9", "Caf\xc3\xa9"},
      {"\x80\xff", "\xc2\x80\xc3\xbf"},
      {"Song\xa0", "Song\xc2\xa0"},  // a no-break space is no blank
      {std::string(30, '\xe9'), eAcutes},
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
  if (::geteuid() != 0) {  // root reads whatever the permissions say
    paths.push_back(folder.MakeFile("locked.mp3", ID3Tag("Song", "Artist")));
    ASSERT_EQ(::chmod(paths.back().c_str(), 0), 0);
  }
  for (const std::string& path : paths) {
    const ID3Fields fields = ReadID3Tag(path);
    EXPECT_EQ(fields.title, "") << path;
    EXPECT_EQ(fields.artist, "") << path;
  }
}

}  // namespace
}  // namespace tunewick
