#include "library/library_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using Lines = std::vector<std::string>;

// Every line comes back exactly, empty ones and bytes that are not UTF-8 included, and a
// read-only old file is replaced all the same. A missing file is absence for the readers that
// test for it, and an error for a reload.
TEST(LibraryFile, LinesGoOutWithCrLfAndComeBackExactly) {
  TempFolder folder;
  const std::string file = folder.MakeFile("searchfolders", "old\r\n");
  ::chmod(file.c_str(), 0444);
  SaveLibraryFile(RealFileSystem(), file, {"/a", "", " /b c ", "/\xff\xfe"});
  EXPECT_EQ(ReadFile(file), "/a\r\n\r\n /b c \r\n/\xff\xfe\r\n");
  Lines back{"kept"};
  ASSERT_TRUE(LoadLibraryFile(RealFileSystem(), file, LibraryRead::kMainWindow, back));
  EXPECT_EQ(back, (Lines{"kept", "/a", "", " /b c ", "/\xff\xfe"}));

  const std::string missing = folder / "missing";
  Lines folders;
  EXPECT_FALSE(LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kMainWindow, folders));
  EXPECT_FALSE(LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kEditor, folders));
  try {
    LoadLibraryFile(RealFileSystem(), missing, LibraryRead::kReload, folders);
    FAIL() << "a missing library file must be reported";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_TRUE(folders.empty());
}

}  // namespace
}  // namespace tunewick
