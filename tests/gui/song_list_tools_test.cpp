#include <unistd.h>
#include <QApplication>

#include "gui/song_tools_fixture.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "support/pinned_file.h"

namespace tunewick {
namespace {

using testing::FindLink;
using testing::PinnedFile;
using testing::ScriptedDialogs;
using testing::Tag;

FileSystem& fs() { return RealFileSystem(); }

using SongListTools = testing::SongToolsFixture;

TEST_F(SongListTools, DeleteAsksFirstAndEscapeKeepsEverything) {
  StartWithSongs({{"one.mp3", "x"}, {"two.mp3", "y"}});
  UseMenu(Song("one.mp3"), "Delete this song");  // no answer queued: Cancel, as Escape gives
  ASSERT_EQ(dialogs.shown().size(), 1u);
  const ScriptedDialogs::Shown& question = dialogs.shown()[0];
  EXPECT_EQ(question.kind, ScriptedDialogs::Kind::kWarningYesCancel);
  EXPECT_EQ(question.title, "Warning");
  EXPECT_EQ(question.text,
            "Are you sure you want to delete this file?  Clicking \"Yes\" will delete the file "
            "with no warning.");
  EXPECT_TRUE(fs().Exists(Song("one.mp3")));
  EXPECT_EQ(app->state().IncorrectSongs.size(), 2u);
  EXPECT_TRUE(main()->isVisible());
}

TEST_F(SongListTools, DeleteOnYesDeletesTheSongAndEmptiesTheLists) {
  StartWithSongs({{"one.mp3", "x"}, {"two.mp3", "y"}});
  dialogs.QueueAnswer(true);
  UseMenu(Song("one.mp3"), "Delete this song");
  EXPECT_FALSE(fs().Exists(Song("one.mp3")));
  EXPECT_TRUE(fs().Exists(Song("two.mp3")));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"File deleted successfully"}));
  EXPECT_TRUE(app->state().IncorrectSongs.empty());
  EXPECT_TRUE(app->state().AllSongs.empty());
  EXPECT_EQ(main()->songList()->model()->rowCount(), 0);

  // A song that went meanwhile counts as deleted.
  main()->OpenSongList();
  UseMenu(Song("two.mp3"), "Delete this song");
  ::unlink(Song("two.mp3").c_str());
  dialogs.Clear();
  dialogs.QueueAnswer(true);
  main()->songMenu()->actions()[1]->trigger();
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"File deleted successfully"}));
}

TEST_F(SongListTools, ASongThatCannotBeDeletedIsReported) {
  StartWithSongs({{"kept.mp3", "x"}});
  PinnedFile pin(Song("kept.mp3"));
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from deletion here";
  dialogs.QueueAnswer(true);
  UseMenu(Song("kept.mp3"), "Delete this song");
  EXPECT_TRUE(fs().Exists(Song("kept.mp3")));
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<QString>{
                "The song is in use, close the application that's using it, and retry."}));
  EXPECT_TRUE(app->state().IncorrectSongs.empty());  // the lists are reset all the same
}

TEST_F(SongListTools, FixSongsUsingTagsRenamesAndListsWhatIsLeft) {
  StartWithSongs({{"01_track.mp3", "sound" + Tag("B", "A")},
                  {"untagged.wav", "sound"},
                  {"slash.mp3", "sound" + Tag("Back in Black", "AC/DC")}});
  LinkLabel* link = FindLink(main(), "Fix songs using ID3 tags");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->toolTip(), "If songs have tags (ID3 tags) in them use these to rename the files");
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_TRUE(fs().Exists(Song("A - B.mp3")));
  EXPECT_FALSE(fs().Exists(Song("01_track.mp3")));
  EXPECT_EQ(app->state().IncorrectSongs,
            (std::vector<SongPath>{Song("slash.mp3"), Song("untagged.wav")}));
  EXPECT_EQ(main()->songList()->model()->rowCount(), 2);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tunewick
