#include "songtools/song_correction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "songtools/preview_type.h"
#include "songtools/song_deletion.h"
#include "support/pinned_file.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::PinnedFile;
using testing::ReadFile;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

TEST(SongCorrection, NamesKeepTheFolderAndTheExtension) {
  EXPECT_EQ(CorrectedPath("/music/x/old.mp3", "A", "B"), "/music/x/A - B.mp3");
  EXPECT_EQ(CorrectedPath("/music/x/old.name.WMA", "A", "B"), "/music/x/A - B.WMA");
  EXPECT_EQ(CorrectedPath("/music/x/noextension", "A", "B"), "/music/x/A - B");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(CorrectedPath("/music/v1.2/song", "A", "B"), "/music/v1.2/A - B");
  // The texts are used as typed: spaces stay.
  EXPECT_EQ(CorrectedPath("/m/old.mp3", " A", "B "), "/m/ A - B .mp3");
}

TEST(SongCorrection, ForbiddenCharactersAreTheNineAndEveryControlCharacter) {
  for (char c : std::string_view(":\\/*?\"<>|"))
    EXPECT_TRUE(HoldsForbiddenCharacter(std::string("a") + c + "b")) << c;
  for (int c : {0x00, 0x01, 0x09, 0x0A, 0x1F, 0x7F})
    EXPECT_TRUE(HoldsForbiddenCharacter(std::string("ab") + static_cast<char>(c))) << c;
  for (std::string_view fine : {"AC-DC", "..", "Caf\xc3\xa9", "a b", "(1) [2] {3} & 'x' !#%+,;=@"})
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

TEST_F(CorrectSongNameTest, ATakenNameIsNeverOverwrittenAndARefusalSaysWhy) {
  folder.MakeFile("music/A - B.mp3", "other");
  folder.MakeFolder("music/C - D.mp3");
  CorrectionResult result = Correct("A", "B");
  EXPECT_EQ(result.outcome, CorrectionOutcome::kNameTaken);
  EXPECT_EQ(result.newPath, folder / "music/A - B.mp3");
  EXPECT_EQ(Correct("C", "D").outcome, CorrectionOutcome::kNameTaken);
  EXPECT_EQ(ReadFile(folder / "music/A - B.mp3"), "other");
  EXPECT_EQ(beforeRename, 0);

  result = Correct(std::string(200, 'a'), std::string(100, 'b'));
  EXPECT_EQ(result.outcome, CorrectionOutcome::kRefused);
  EXPECT_EQ(result.error, std::errc::filename_too_long);
  EXPECT_EQ(ReadFile(song), "sound");
  ::unlink(song.c_str());
  EXPECT_EQ(Correct("X", "Y").error, std::errc::no_such_file_or_directory);
}

TEST(SongDeletion, DeletesAndSaysWhetherTheSongIsGone) {
  TempFolder folder;
  const std::string song = folder.MakeFile("song.mp3", "x");
  EXPECT_TRUE(DeleteSong(fs(), song, 2));
  EXPECT_FALSE(fs().Exists(song));
  EXPECT_TRUE(DeleteSong(fs(), song, 1));  // nothing there to begin with

  const std::string kept = folder.MakeFile("kept.mp3", "x");
  PinnedFile pin(kept);
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from deletion here";
  EXPECT_FALSE(DeleteSong(fs(), kept, 2));
  EXPECT_EQ(ReadFile(kept), "x");
}

TEST(PreviewType, TheLastThreeCharactersCountCaseIncluded) {
  EXPECT_EQ(PreviewEnding("/m/song.mp3"), "mp3");
  EXPECT_EQ(PreviewEnding("/m/SONG.MP3"), "MP3");
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
