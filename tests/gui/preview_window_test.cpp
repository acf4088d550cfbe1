#include <QLabel>

#include "gui/song_tools_fixture.h"

namespace tunewick {
namespace {

using Calls = std::vector<std::string>;

class PreviewWindowTest : public testing::SongToolsFixture {
 protected:
  // The preview asked for by the correction dialog for this song.
  void PreviewFromDialog(const std::string& song) {
    UseMenu(song, "Fix this name");
    Click(dialog(), "Preview");
  }
  // The window is 100 wider than the path; the path and the buttons are centred in it.
  bool FitsAroundThePath() {
    const QWidget* path = preview()->pathLabel();
    const QWidget* panel = preview()->buttonPanel();
    const int width = preview()->width();
    return width == path->width() + 100 && path->x() == width / 2 - path->width() / 2 &&
           panel->x() == width / 2 - panel->width() / 2;
  }
};

TEST_F(PreviewWindowTest, TheMenuPlaysTheSongInAWindowFittedAroundItsPathUntilBackIsClicked) {
  const std::string longName = std::string(60, 'l') + ".wav";
  StartWithSongs({{"song.mp3", "x"}, {longName, "y"}});
  UseMenu(Song("song.mp3"), "Preview this song");
  EXPECT_TRUE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());  // the window that asked stays behind
  EXPECT_EQ(player.calls(), (Calls{"file " + Song("song.mp3"), "open", "play"}));
  QLabel* path = preview()->pathLabel();
  EXPECT_EQ(path->text().toStdString(), Song("song.mp3"));
  EXPECT_EQ(preview()->width(), path->width() + 100);
  EXPECT_TRUE(QTest::qWaitFor([&] { return FitsAroundThePath(); }, 1500));
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview()));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return testing::OffCentre(preview()).manhattanLength() <= 4; }, 500));

  // A longer path widens the window of a running preview.
  const int narrow = preview()->width();
  player.ClearCalls();
  UseMenu(Song(longName), "Preview this song");
  EXPECT_EQ(player.calls(), (Calls{"file " + Song(longName), "open", "play"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return FitsAroundThePath(); }, 1500));
  EXPECT_GT(preview()->width(), narrow);

  // Play starts the song again from its start; back stops it.
  player.ClearCalls();
  Click(preview(), "Play this song");
  EXPECT_EQ(player.calls(), (Calls{"stop", "rewind", "play"}));
  EXPECT_TRUE(preview()->isVisible());
  player.ClearCalls();
  Click(preview(), "Go back to the song list");
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());
}

TEST_F(PreviewWindowTest, AnUnknownEndingIsNotPlayedAndOnlyTheDialogShowsIt) {
  StartWithSongs({{"LOUD.MP3", "x"}});
  UseMenu(Song("LOUD.MP3"), "Preview this song");
  EXPECT_TRUE(dialogs.shown().empty());
  PreviewFromDialog(Song("LOUD.MP3"));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"MP3"}));
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(player.calls().empty());
}

TEST_F(PreviewWindowTest, WhatThePlayerCannotPlayGoesToTheDesktop) {
  StartWithSongs({{"song.wma", "x"}});
  player.FailOpen(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(desktopOpener.opened(), (std::vector<std::string>{Song("song.wma")}));
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());

  // Playback that cannot start goes the same way, and the dialog that asked comes back.
  player.FailOpen(false);
  player.FailPlay(true);
  PreviewFromDialog(Song("song.wma"));
  EXPECT_EQ(desktopOpener.opened().size(), 2u);
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(dialog()->isVisible());

  // Playing again from the start can fail too.
  player.FailPlay(false);
  Click(dialog(), "Preview");
  ASSERT_TRUE(preview()->isVisible());
  player.FailOpen(true);
  Click(preview(), "Play this song");
  EXPECT_EQ(desktopOpener.opened().size(), 3u);
  EXPECT_FALSE(preview()->isVisible());
}

TEST_F(PreviewWindowTest, OnceTheEndWasAskedForTheCloseBoxStopsTheSongAndShowsTheAsker) {
  StartWithSongs({{"song.mp3", "x"}});
  PreviewFromDialog(Song("song.mp3"));
  app->state().TerminationRequested = true;
  dialog()->hide();
  player.ClearCalls();
  preview()->close();
  EXPECT_EQ(terminationRequests, 0);
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_TRUE(dialog()->isVisible());
}

}  // namespace
}  // namespace tunewick
