#include "songtools/tag_rename.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "catalogue/library_scan.h"
#include "catalogue/name_check.h"
#include "support/id3_tag.h"
#include "support/pinned_file.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::ID3Tag;
using testing::PinnedFile;
using testing::ReadFile;
using testing::TempFolder;

FileSystem& fs() { return RealFileSystem(); }

class TagRename : public ::testing::Test {
 protected:
  TagRename() : music(folder.MakeFolder("music")) {
    folder.MakeFile("searchfolders", music + "\r\n");
  }

  // A song whose file ends in an ID3v1 tag with this title and artist.
  std::string Song(const std::string& name, std::string_view title, std::string_view artist) {
    return folder.MakeFile("music/" + name, "sound of " + name + ID3Tag(title, artist));
  }

  void Run() {
    RenameFromTags(state, fs(), [this] {
      ++refreshes;
      rescan(state, fs(), folder / "searchfolders");
      ClassifySongs(state);
    });
  }

  std::vector<std::string> Names(const std::string& sub = "") {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(music + sub))
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder;
  std::string music;
  SharedState state;
  int refreshes = 0;
};

TEST_F(TagRename, RenamesSongsWithAUsableTagInTheirFoldersAndListsWhatIsLeft) {
  Song("01_track.mp3", "B", "A");
  Song("take.wav", "Wave", "Band");
  Song("sub/deep.mp3", "Deep", "Diver");
  Song("latin.mp3", "Song", "Bj\xf6rk");
  Song("no artist.mp3", "Title", "");
  Song("no title.mp3", "", "Artist");
  Song("control.mp3", "Line\nBreak", "Artist");
  folder.MakeFile("music/untagged.wma", "no tag in here");
  Run();
  EXPECT_EQ(refreshes, 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A - B.mp3", "Band - Wave.wav",
                                               "Bj\xc3\xb6rk - Song.mp3", "control.mp3",
                                               "no artist.mp3", "no title.mp3", "untagged.wma"}));
  EXPECT_EQ(Names("/sub"), (std::vector<std::string>{"Diver - Deep.mp3"}));
  EXPECT_EQ(ReadFile(music + "/A - B.mp3").substr(0, 21), "sound of 01_track.mp3");
  EXPECT_EQ(state.IncorrectSongs,
            (std::vector<SongPath>{music + "/control.mp3", music + "/no artist.mp3",
                                   music + "/no title.mp3", music + "/untagged.wma"}));
}

TEST_F(TagRename, ASongTheFileSystemKeepsStaysListed) {
  // In a folder of its own: without root rights the whole folder is made read-only.
  const std::string kept = Song("locked/kept.mp3", "Kept", "Artist");
  Song("z.mp3", "Z", "Artist");
  PinnedFile pin(kept);
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from renaming here";
  Run();
  EXPECT_EQ(state.IncorrectSongs, (std::vector<SongPath>{kept}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Artist - Z.mp3"}));
}

}  // namespace
}  // namespace tunewick
