#include "library/library_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;

TEST(LibraryFile, LoadKeepsEveryLineExactlyIncludingEmptyOnes) {
  TempFolder folder;
  const std::string file = folder.MakeFile("searchfolders", "/music\r\n\r\n /spaced \r\n/last");
  std::vector<std::string> folders{"kept"};
  ASSERT_TRUE(LoadLibraryFile(RealFileSystem(), file, LibraryRead::kMainWindow, folders));
  EXPECT_EQ(folders, (std::vector<std::string>{"kept", "/music", "", " /spaced ", "/last"}));
}

TEST(LibraryFile, MissingFileIsAbsenceForTestingReadersAndAnErrorForReload) {
  TempFolder folder;
  std::vector<std::string> folders;
  EXPECT_FALSE(LoadLibraryFile(RealFileSystem(), folder / "searchfolders", LibraryRead::kMainWindow,
                               folders));
  EXPECT_FALSE(
      LoadLibraryFile(RealFileSystem(), folder / "searchfolders", LibraryRead::kEditor, folders));
  try {
    LoadLibraryFile(RealFileSystem(), folder / "searchfolders", LibraryRead::kReload, folders);
    FAIL() << "a missing library file must be reported";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("searchfolders"), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos);
  }
  EXPECT_TRUE(folders.empty());
}

TEST(LibraryFile, SaveWritesCrLfAfterEveryLineAndReplacesAReadOnlyFile) {
  TempFolder folder;
  const std::string file = folder.MakeFile("searchfolders", "old\r\n");
  ::chmod(file.c_str(), 0444);
  SaveLibraryFile(RealFileSystem(), file, {"/a", "/b c", "/\xff\xfe"});
  EXPECT_EQ(ReadFile(file), "/a\r\n/b c\r\n/\xff\xfe\r\n");
  std::vector<std::string> back;
  LoadLibraryFile(RealFileSystem(), file, LibraryRead::kReload, back);
  EXPECT_EQ(back, (std::vector<std::string>{"/a", "/b c", "/\xff\xfe"}));
}

TEST(LibraryFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
  // A name so long that the new file beside it cannot be made, even by root.
  TempFolder folder;
  const std::string file = folder.MakeFile(std::string(250, 'l'), "/old\r\n");
  try {
    SaveLibraryFile(RealFileSystem(), file, {"/new"});
    FAIL() << "the save must fail";
  } catch (const FileError& error) {
    // The whole text names the file; the code gives the system's reason alone.
    EXPECT_NE(std::string(error.what()).find(std::string(250, 'l')), std::string::npos);
    EXPECT_EQ(error.code(), std::errc::filename_too_long);
  }
  EXPECT_EQ(ReadFile(file), "/old\r\n");

  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string locked = folder.MakeFolder("locked");
  const std::string inLocked = folder.MakeFile("locked/searchfolders", "/old\r\n");
  ::chmod(locked.c_str(), 0555);
  EXPECT_THROW(SaveLibraryFile(RealFileSystem(), inLocked, {"/new"}), FileError);
  EXPECT_EQ(ReadFile(inLocked), "/old\r\n");
}

TEST(LibraryFile, DeletedAtExitOnlyWhenNotKept) {
  TempFolder folder;
  const std::string file = folder.MakeFile("searchfolders", "/a\r\n");
  DeleteLibraryFileAtExit(RealFileSystem(), file, true);
  EXPECT_TRUE(RealFileSystem().FileExists(file));
  DeleteLibraryFileAtExit(RealFileSystem(), file, false);
  EXPECT_FALSE(RealFileSystem().FileExists(file));
  DeleteLibraryFileAtExit(RealFileSystem(), file, false);  // nothing left to delete
}

}  // namespace
}  // namespace tunewick
