#include "songtools/id3_tag_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

// One 30-byte field: the text, then zero bytes.
std::string Field(std::string_view text) {
  std::string field(text.substr(0, 30));
  field.resize(30, '\0');
  return field;
}

// A 128-byte ID3v1 tag; album, year, comment and genre left zero.
std::string Tag(std::string_view title, std::string_view artist, std::string_view marker = "TAG") {
  std::string tag(marker);
  tag += Field(title);
  tag += Field(artist);
  tag.resize(128, '\0');
  return tag;
}

// Bytes standing in for the sound, with no tag-like content.
std::string Sound(std::size_t size) {
  std::string sound(size, '\0');
  for (std::size_t i = 0; i < size; ++i) sound[i] = static_cast<char>(0x40 + i % 7);
  return sound;
}

class ID3TagReader : public ::testing::Test {
 protected:
  ID3Fields Read(std::string_view content, std::string_view name = "song.mp3") {
    return ReadID3Tag(folder.MakeFile(name, content));
  }
  ID3Fields ReadTag(std::string_view title, std::string_view artist) {
    return Read(Sound(4000) + Tag(title, artist));
  }

  TempFolder folder;
};

TEST_F(ID3TagReader, ReadsTitleAndArtistFromTheLast128Bytes) {
  ID3Fields fields = ReadTag("Song", "Artist");
  EXPECT_EQ(fields.title, "Song");
  EXPECT_EQ(fields.artist, "Artist");

  // A file that is nothing but the tag.
  fields = Read(Tag("Only", "Tag"));
  EXPECT_EQ(fields.title, "Only");
  EXPECT_EQ(fields.artist, "Tag");

  // WAV and WMA files are read the same way.
  EXPECT_EQ(Read(Sound(300) + Tag("Wave", "Form"), "song.wav").artist, "Form");
  EXPECT_EQ(Read(Sound(300), "song.wma").title, "");
}

TEST_F(ID3TagReader, OnlyAnUpperCaseMarkerAtTheVeryStartOfTheTailCounts) {
  for (const std::string& content : {
           Sound(500) + Tag("Song", "Artist", "tag"),
           Sound(500) + Tag("Song", "Artist", "TAg"),
           Sound(500) + Tag("Song", "Artist") + "x",  // the marker one byte too early
           Sound(500) + "TAG" + Sound(200),
       }) {
    const ID3Fields fields = Read(content);
    EXPECT_EQ(fields.title, "");
    EXPECT_EQ(fields.artist, "");
  }
}

TEST_F(ID3TagReader, AFieldEndsAtItsFirstZeroByteAndLosesTrailingBlanks) {
  EXPECT_EQ(ReadTag("Song" + std::string(26, ' '), "A").title, "Song");
  EXPECT_EQ(ReadTag("Song", "A").title, "Song");  // 26 zero bytes after it
  EXPECT_EQ(ReadTag(std::string("Song  \0XYZ!!", 12), "A").title, "Song");
  EXPECT_EQ(ReadTag("Song\t\r\n\x01 ", "A").title, "Song");
  EXPECT_EQ(ReadTag(std::string(30, ' '), "A").title, "");
  // Nothing else is trimmed or changed.
  EXPECT_EQ(ReadTag("  two  words", "A").title, "  two  words");
  EXPECT_EQ(ReadTag("lower case", "A").title, "lower case");
  // All 30 bytes when the field holds no zero byte.
  const std::string full = "abcdefghijklmnopqrstuvwxyz0123";
  const ID3Fields fields = ReadTag(full, full);
  EXPECT_EQ(fields.title, full);
  EXPECT_EQ(fields.artist, full);
}

TEST_F(ID3TagReader, AFieldWithAForbiddenCharacterIsEmptyAndTheOtherStays) {
  ID3Fields fields = ReadTag("Back in Black", "AC/DC");
  EXPECT_EQ(fields.title, "Back in Black");
  EXPECT_EQ(fields.artist, "");
  for (char forbidden : std::string_view(":\\/*?\"<>|")) {
    fields = ReadTag(std::string("Why") + forbidden, "Band");
    EXPECT_EQ(fields.title, "") << forbidden;
    EXPECT_EQ(fields.artist, "Band") << forbidden;
  }
  // Only the bytes before the first zero byte are looked at.
  EXPECT_EQ(ReadTag(std::string("Song\0AC/DC", 10), "A").title, "Song");
  EXPECT_EQ(ReadTag(std::string("So/ng\0tail", 10), "A").title, "");
}

TEST_F(ID3TagReader, TagTextIsLatin1AndComesBackAsUtf8) {
  EXPECT_EQ(ReadTag("Caf\xe9", "Bj\xf6rk").title, "Caf\xc3\xa9");
  EXPECT_EQ(ReadTag("Caf\xe9", "Bj\xf6rk").artist, "Bj\xc3\xb6rk");
  EXPECT_EQ(ReadTag("\x80\xff", "A").title, "\xc2\x80\xc3\xbf");
  // A no-break space (0xA0) is not a trailing blank.
  EXPECT_EQ(ReadTag("Song\xa0", "A").title, "Song\xc2\xa0");
  // 30 bytes from 0x80 up become 60 bytes of UTF-8.
  EXPECT_EQ(ReadTag(std::string(30, '\xe9'), "A").title.size(), 60u);
}

TEST_F(ID3TagReader, AShortFileIsReadFromItsStartWithZerosAfterIt) {
  // 50 bytes: marker, the title, and the first 17 bytes of the artist.
  const std::string tag = Tag("Short Title", "An artist whose name is long");
  ID3Fields fields = Read(tag.substr(0, 50));
  EXPECT_EQ(fields.title, "Short Title");
  EXPECT_EQ(fields.artist, "An artist whose n");
  fields = Read("TAG");
  EXPECT_EQ(fields.title, "");
  EXPECT_EQ(fields.artist, "");
  EXPECT_EQ(Read("").title, "");
  EXPECT_EQ(Read("TA").title, "");
}

TEST_F(ID3TagReader, WhatCannotBeReadGivesTwoEmptyTexts) {
  const std::string tag = Tag("Song", "Artist");
  for (const std::string& path :
       {folder / "missing.mp3", folder.MakeFolder("folder.mp3"), std::string()}) {
    const ID3Fields fields = ReadID3Tag(path);
    EXPECT_EQ(fields.title, "") << path;
    EXPECT_EQ(fields.artist, "") << path;
  }
  // A named pipe is not waited on.
  const std::string pipe = folder / "pipe.mp3";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(ReadID3Tag(pipe).title, "");

  if (::geteuid() != 0) {  // root reads whatever the permissions say
    const std::string locked = folder.MakeFile("locked.mp3", tag);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(ReadID3Tag(locked).title, "");
  }
}

}  // namespace
}  // namespace tunewick
