#include <QApplication>

#include "gui/song_tools_fixture.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "support/pinned_file.h"

namespace tunewick {
namespace {

using testing::ID3Tag;
using testing::ScriptedDialogs;

FileSystem& fs() { return RealFileSystem(); }

using SongListTools = testing::SongToolsFixture;

TEST_F(SongListTools, DeleteAsksFirstAndDeletesOnlyOnYes) {
  StartWithSongs({{"one.mp3", "x"}, {"two.mp3", "y"}});
  UseMenu(Song("one.mp3"), "Delete this song");  // no answer queued: Cancel, as Escape gives
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, ScriptedDialogs::Kind::kWarningYesCancel);
  EXPECT_EQ(dialogs.shown()[0].title, "Warning");
  EXPECT_EQ(dialogs.shown()[0].text,
            "Are you sure you want to delete this file?  Clicking \"Yes\" will delete the file "
            "with no warning.");
  EXPECT_TRUE(fs().Exists(Song("one.mp3")));

  dialogs.Clear();
  dialogs.QueueAnswer(true);
  UseMenu(Song("one.mp3"), "Delete this song");
  EXPECT_FALSE(fs().Exists(Song("one.mp3")));
  EXPECT_TRUE(fs().Exists(Song("two.mp3")));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"File deleted successfully"}));
  EXPECT_EQ(main()->songList()->model()->rowCount(), 0);  // the lists are emptied
}

TEST_F(SongListTools, ASongThatCannotBeDeletedIsReported) {
  StartWithSongs({{"kept.mp3", "x"}});
  testing::PinnedFile pin(Song("kept.mp3"));
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from deletion here";
  dialogs.QueueAnswer(true);
  UseMenu(Song("kept.mp3"), "Delete this song");
  EXPECT_TRUE(fs().Exists(Song("kept.mp3")));
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<QString>{
                "The song is in use, close the application that's using it, and retry."}));
  EXPECT_EQ(main()->songList()->model()->rowCount(), 0);  // the lists are emptied all the same
}

TEST_F(SongListTools, FixSongsUsingTagsRenamesAndListsWhatIsLeft) {
  StartWithSongs({{"01_track.mp3", "sound" + ID3Tag("B", "A")}, {"untagged.wav", "sound"}});
  LinkLabel* link = testing::FindLink(main(), "Fix songs using ID3 tags");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->toolTip(), "If songs have tags (ID3 tags) in them use these to rename the files");
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_TRUE(fs().Exists(Song("A - B.mp3")));
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{Song("untagged.wav")}));
  EXPECT_EQ(main()->songList()->model()->rowCount(), 1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tunewick
