#include "library/library_editor_model.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

#include "library/library_file.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using Folders = std::vector<std::string>;

class LibraryEditorModelTest : public ::testing::Test {
 protected:
  // Lists `folders` as if they had been loaded from the library file.
  void Load(const Folders& folders) {
    std::string content;
    for (const std::string& line : folders) content += line + "\r\n";
    folder.MakeFile("searchfolders", content);
    model.Reload(LibraryFile());
  }
  AddOutcome Type(const std::string& text, AddTrigger trigger) {
    model.SetText(text);
    return model.Add(trigger);
  }
  std::string LibraryFile() const { return folder / "searchfolders"; }

  TempFolder folder;
  LibraryEditorModel model{RealFileSystem()};
};

// ASCII letters folded ("_" lies between "Z" and "a"), bytes above 127 unsigned and unfolded.
TEST(FolderSortOrder, IgnoresTheCaseOfAsciiLettersOnly) {
  for (const auto& [first, second] : {std::pair{"/music/abc", "/music/ABD"},
                                      {"/music", "/music/a"},
                                      {"/_x", "/B"},
                                      {"/\xc3\x89", "/\xc3\xa9"}})
    EXPECT_TRUE(FolderSortsBefore(first, second) && !FolderSortsBefore(second, first)) << first;
  EXPECT_FALSE(FolderSortsBefore("/MUSIC", "/music") || FolderSortsBefore("/music", "/MUSIC"));
}

// Each reload lists the file's folders that exist, sorted, and starts over: the selection
// goes, the editing box keeps what it holds. Edit and remove act on the selected folder only.
TEST_F(LibraryEditorModelTest, ReloadListsTheExistingFoldersSortedAndEditAndRemoveTheSelectedOne) {
  const std::string b = folder.MakeFolder("b");
  const std::string upperA = folder.MakeFolder("A");
  const std::string c = folder.MakeFolder("c");
  Load({c, "", b, folder / "vanished", folder.MakeFile("song.mp3"), upperA, c + "/"});
  EXPECT_EQ(model.Folders(), (Folders{upperA, b, c, c + "/"}));
  model.SetText("kept");
  model.Select(4);  // past the end: nothing
  EXPECT_FALSE(model.EditSelected());
  EXPECT_FALSE(model.RemoveSelected());
  EXPECT_EQ(model.Text(), "kept");

  model.Select(1);
  EXPECT_TRUE(model.EditSelected());
  EXPECT_EQ(model.Text(), b);
  EXPECT_EQ(model.Selected(), std::nullopt);
  model.Select(0);
  EXPECT_TRUE(model.RemoveSelected());
  EXPECT_EQ(model.Folders(), (Folders{c, c + "/"}));
  EXPECT_EQ(model.Selected(), std::nullopt);
  EXPECT_EQ(model.Add(AddTrigger::kEnterKey).added, 0u);  // the edited folder, back in

  model.Select(1);
  model.SetText("typed");
  ::rmdir(b.c_str());
  model.Reload(LibraryFile());
  EXPECT_EQ(model.Folders(), (Folders{upperA, c, c + "/"}));
  EXPECT_EQ(model.Selected(), std::nullopt);
  EXPECT_EQ(model.Text(), "typed");
}

// An added folder takes its sorted place (after those that differ only in case) and the
// selection stays on its folder; a folder is listed once, whatever spelling or link leads
// to it, and a relative one is kept as the absolute folder it names.
TEST_F(LibraryEditorModelTest, AnAddedFolderTakesItsSortedPlaceUnlessItIsListedAlready) {
  const std::string a = folder.MakeFolder("a");
  const std::string c = folder.MakeFolder("c");
  const std::string upperB = folder.MakeFolder("B");
  Load({a, c});
  model.Select(1);  // c
  EXPECT_EQ(Type(upperB, AddTrigger::kAddLink).added, 1u);
  EXPECT_EQ(model.Text(), "");
  EXPECT_EQ(Type(folder.MakeFolder("b"), AddTrigger::kEnterKey).added, 2u);
  EXPECT_EQ(model.Selected(), 3u);

  EXPECT_EQ(Type(upperB, AddTrigger::kEnterKey).message,
            "This folder is already in your music library, It's been selected to show you where.");
  EXPECT_EQ(model.Selected(), 1u);
  EXPECT_EQ(model.Text(), upperB);  // left for the user to see
  // Another letter case is another folder where the disk tells them apart.
  EXPECT_EQ(Type(folder.MakeFolder("C"), AddTrigger::kAddLink).message, "");
  std::filesystem::create_directory_symlink(a, folder / "link");
  const std::string relative =
      std::filesystem::relative(a, std::filesystem::current_path()).string() + "/.";
  for (const std::string& spelling :
       {a + "/", folder / "c//", folder / "x/../a", folder / "link", relative}) {
    EXPECT_EQ(Type(spelling, AddTrigger::kEnterKey).message, kAlreadyListedMessage) << spelling;
  }
  std::filesystem::remove(folder / "link");
  EXPECT_EQ(Type(relative + "/../d/", AddTrigger::kEnterKey).message, "");
  EXPECT_EQ(model.Folders(), (Folders{a, upperB, folder / "b", c, folder / "C", folder / "d"}));
}

// A closing "/" is dropped without looking for the folder; a missing folder is not added.
// Either way the link leaves the text in the box for mending and Enter empties it.
TEST_F(LibraryEditorModelTest, ClosingSlashesMissingFoldersAndWhatTheBoxKeeps) {
  const std::string music = folder.MakeFolder("music");
  const std::string missing = folder / "missing";
  EXPECT_EQ(Type("", AddTrigger::kEnterKey).message, "");  // an empty box does nothing

  EXPECT_EQ(Type(music + "/", AddTrigger::kAddLink).message, "");
  EXPECT_EQ(model.Text(), music + "/");
  EXPECT_EQ(Type(folder / "nowhere/", AddTrigger::kEnterKey).message, "");
  EXPECT_EQ(model.Text(), "");

  EXPECT_EQ(Type(missing, AddTrigger::kAddLink).message,
            "That folder doesn't exist, try clicking \"Browse for folder\" instead of typing it.");
  EXPECT_EQ(model.Text(), missing);
  EXPECT_EQ(Type(missing, AddTrigger::kEnterKey).message,
            "That folder doesn't exist, try entering it in again.");
  EXPECT_EQ(model.Text(), "");

  // Every closing "/" goes, and "/" alone is a folder like any other.
  Type(folder / "twice//", AddTrigger::kEnterKey);
  Type("/", AddTrigger::kEnterKey);
  EXPECT_EQ(model.Folders(), (Folders{"/", music, folder / "nowhere", folder / "twice"}));
}

TEST_F(LibraryEditorModelTest, AnEmptyListIsNotSavedAndAFailedSaveKeepsTheOldFile) {
  EXPECT_EQ(model.Save(LibraryFile()),
            "Add folders to your library, then click this button again to continue.");
  EXPECT_FALSE(RealFileSystem().Exists(LibraryFile()));

  // A name so long that the new file beside it cannot be made, even by root.
  const std::string file = folder.MakeFile(std::string(250, 'l'), "/old\r\n");
  Type(folder.MakeFolder("music"), AddTrigger::kEnterKey);
  EXPECT_EQ(model.Save(file), "Your music library could not be saved: File name too long");
  EXPECT_EQ(ReadFile(file), "/old\r\n");
  EXPECT_EQ(model.Folders().size(), 1u);  // nothing is lost: the user can try again
}

// The choice of song types is written among the settings of other keys, which stay; a file
// that cannot be written says why, and the choice stays for another try.
TEST_F(LibraryEditorModelTest, TheChoiceOfSongTypesKeepsTheOtherSettingsAndAFailureIsTold) {
  const std::string settings = folder.MakeFile("settings", "later=1\r\nall-song-types=yes\r\n");
  model.ReloadSettings(settings);
  EXPECT_TRUE(model.AllSongTypes());
  model.SetAllSongTypes(false);
  EXPECT_EQ(model.SaveSettings(settings), "");
  EXPECT_EQ(ReadFile(settings), "later=1\r\nall-song-types=no\r\n");
  model.SetAllSongTypes(true);
  EXPECT_EQ(model.SaveSettings(settings + "/settings"),
            "Your choice of song types could not be saved: Not a directory");
  EXPECT_EQ(model.ChosenTypes(), SongTypes::All());
}

// Every line comes back exactly, empty ones and bytes that are not UTF-8 included, and a
// read-only old file is replaced all the same. A missing file is absence for the readers that
// test for it, and an error for a reload.
TEST(LibraryFile, LinesGoOutWithCrLfAndComeBackExactly) {
  TempFolder folder;
  const std::string file = folder.MakeFile("searchfolders", "old\r\n");
  ::chmod(file.c_str(), 0444);
  SaveLibraryFile(RealFileSystem(), file, {"/a", "", " /b c ", "/\xff\xfe"});
  EXPECT_EQ(ReadFile(file), "/a\r\n\r\n /b c \r\n/\xff\xfe\r\n");
  Folders back{"kept"};
  ASSERT_TRUE(LoadLibraryFile(RealFileSystem(), file, LibraryRead::kMainWindow, back));
  EXPECT_EQ(back, (Folders{"kept", "/a", "", " /b c ", "/\xff\xfe"}));

  const std::string missing = folder / "missing";
  Folders folders;
  EXPECT_FALSE(LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kMainWindow, folders));
  EXPECT_FALSE(LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kEditor, folders));
  EXPECT_THROW(LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kReload, folders),
               FileError);
  EXPECT_TRUE(folders.empty());
}

}  // namespace
}  // namespace tunewick
