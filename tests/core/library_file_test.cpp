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

TEST(LibraryFile, AFailedSaveKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempFolder folder;
  const std::string locked = folder.MakeFolder("locked");
  const std::string inLocked = folder.MakeFile("locked/searchfolders", "/old\r\n");
  ::chmod(locked.c_str(), 0555);
  EXPECT_THROW(SaveLibraryFile(RealFileSystem(), inLocked, {"/new"}), FileError);
  EXPECT_EQ(ReadFile(inLocked), "/old\r\n");
}

}  // namespace
}  // namespace tunewick
