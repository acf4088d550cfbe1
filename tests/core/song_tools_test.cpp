// The single-song tools' core: renaming by artist and title and the preview's type test.
// The tag readers: see the tag tests; the rename from tags: see the command line's tests.

#include <gtest/gtest.h>

#include "songtools/preview_type.h"
#include "songtools/song_correction.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

constexpr std::string_view kForbidden = ":\\/*?\"<>|";

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
  // Every type the scan may look for, whatever the user's choice: only songs reach it.
  for (std::string_view song : {"/m/a.wav", "/m/a.mp3", "/m/a.wma", "/m/A.MP3", "/m/a.Mid",
                                "/m/a.FLAC", "/m/a.opus", "/m/a.aif", "/m/a.aiff", "/m/.m4a"})
    EXPECT_TRUE(IsPreviewable(song)) << song;
  for (std::string_view other : {"/m/a.og", "/m/amp3", "/m/a.mp3/b", "", "/m/a.flac.txt"})
    EXPECT_FALSE(IsPreviewable(other)) << other;
}

}  // namespace
}  // namespace tunewick
