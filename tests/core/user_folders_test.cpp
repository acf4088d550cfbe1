// Where the library file and a saved log go, and the user's folders they come from.

#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "library/library_location.h"
#include "platform/journal_file.h"
#include "reports/changed_files.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

// Sets an environment variable for the rest of the scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The configuration and journal folders follow XDG_CONFIG_HOME and XDG_STATE_HOME where
// they are absolute; else, a relative one too, they lie below the home folder.
TEST(UserFolders, TheConfigAndJournalFoldersFollowXdgWhenAbsoluteElseTheHomeFolder) {
  const struct {
    const char *xdg, *home, *config, *journals;
  } cases[] = {
      {"/etc/xdg/ann", "/home/ann", "/etc/xdg/ann/tunewick", "/etc/xdg/ann/tunewick"},
      {"relative/x", "/home/ann", "/home/ann/.config/tunewick", "/home/ann/.local/state/tunewick"},
      {"", "/home/ann/", "/home/ann/.config/tunewick", "/home/ann/.local/state/tunewick"},
      {"", "/", "/.config/tunewick", "/.local/state/tunewick"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.xdg) + " " + c.home);
    const ScopedVariable home("HOME", c.home), state("XDG_STATE_HOME", c.xdg);
    EXPECT_EQ(ConfigFolderFor(c.xdg, c.home), c.config);
    EXPECT_EQ(DefaultJournalFolder(), c.journals);
  }
  EXPECT_EQ(ConfigFolderFor("/cfg/", "/home/ann"), "/cfg/tunewick");
  EXPECT_EQ(ConfigLibraryFile("/cfg/tunewick"), "/cfg/tunewick/searchfolders");

  // Root started by sudo keeping the user's HOME keeps its journals in its own home: a
  // folder it made in the user's would keep the user's runs from being recorded.
  const passwd* root = ::getpwuid(0);
  struct stat rootHome {};
  const TempFolder userHome;
  if (::geteuid() != 0 || !root || ::stat(root->pw_dir, &rootHome) != 0 || rootHome.st_uid != 0 ||
      ::chown(userHome.path().c_str(), 65534, 65534) != 0)
    GTEST_SKIP() << "needs root, with a home folder of its own";
  const ScopedVariable home("HOME", userHome.path()), state("XDG_STATE_HOME", "");
  EXPECT_EQ(DefaultJournalFolder(), PathBelow(root->pw_dir, ".local/state/tunewick"));
  EXPECT_EQ(UserConfigFolder(), userHome / ".config/tunewick");  // the user's library
}

TEST(UserFolders, MakeFoldersCreatesMissingParentsForTheUserOnlyAndTellsWhatFailed) {
  const TempFolder folder;
  const std::string config = folder / "a/b/tunewick";
  MakeFolders(config);
  MakeFolders(config + "/");  // already there
  struct stat info {};
  ASSERT_EQ(::stat(config.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // The reason it gives: see the command line's tests.
  EXPECT_THROW(MakeFolders(folder.MakeFile("file") + "/tunewick"), FileError);
}

TEST(UserFolders, TheLogIsProposedBesideTheProgramOnlyWhereTheUserMayWrite) {
  const TempFolder folder;
  const std::string program = folder.MakeFolder("bin"), documents = folder.MakeFolder("Documents");
  FileSystem& fileSystem = RealFileSystem();
  EXPECT_EQ(ProposedLogFolder(fileSystem, program, documents), program);
  EXPECT_EQ(ProposedLogFolder(fileSystem, folder / "gone", documents), documents);
  ::chmod(program.c_str(), 0555);
  if (::geteuid() != 0) {
    EXPECT_EQ(ProposedLogFolder(fileSystem, program, documents), documents);
  }
}

}  // namespace
}  // namespace tunewick
