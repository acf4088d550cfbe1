#include <QAbstractButton>
#include <QLabel>

#include "gui/song_tools_fixture.h"
#include "platform/file_system.h"

namespace tunewick {
namespace {

using testing::FindButton;
using testing::OffCentre;

class PreviewWindowTest : public testing::SongToolsFixture {
 protected:
  // The preview asked for by the correction dialog for this song.
  void PreviewFromDialog(const std::string& song) {
    UseMenu(song, "Fix this name");
    FindButton(dialog(), "Preview")->click();
  }
  using Calls = std::vector<std::string>;
};

TEST_F(PreviewWindowTest, TheMenuPlaysTheSongAndTheWindowFitsAroundItsPath) {
  StartWithSongs({{"song.mp3", "x"}});
  UseMenu(Song("song.mp3"), "Preview this song");
  EXPECT_TRUE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());  // the window that asked stays behind
  EXPECT_EQ(preview()->windowTitle(), "Preview song");
  EXPECT_EQ(player.calls(), (Calls{"file " + Song("song.mp3"), "open", "play"}));
  EXPECT_TRUE(player.playing());
  EXPECT_EQ(preview()->PreviewOpener(), PreviewAsker::kMainWindow);
  EXPECT_TRUE(desktopOpener.opened().empty());

  QLabel* path = preview()->pathLabel();
  EXPECT_EQ(path->text().toStdString(), Song("song.mp3"));
  EXPECT_EQ(preview()->width(), path->width() + 100);
  EXPECT_EQ(path->x(), preview()->width() / 2 - path->width() / 2);
  QWidget* panel = preview()->buttonPanel();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return panel->x() == preview()->width() / 2 - panel->width() / 2; }, 1500));
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return OffCentre(preview()).manhattanLength() <= 4; }, 500));
}

TEST_F(PreviewWindowTest, ALongerPathWidensTheWindowOfARunningPreview) {
  const std::string longName = std::string(60, 'l') + ".wav";
  StartWithSongs({{"a.mp3", "x"}, {longName, "y"}});
  UseMenu(Song("a.mp3"), "Preview this song");
  const int narrow = preview()->width();
  player.ClearCalls();
  UseMenu(Song(longName), "Preview this song");
  EXPECT_EQ(player.calls(), (Calls{"file " + Song(longName), "open", "play"}));
  EXPECT_EQ(player.fileName(), Song(longName));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return preview()->width() == preview()->pathLabel()->width() + 100; }, 1500));
  EXPECT_GT(preview()->width(), narrow);
}

TEST_F(PreviewWindowTest, OnlyKnownLowerCaseEndingsArePlayed) {
  StartWithSongs({{"LOUD.MP3", "x"}});
  UseMenu(Song("LOUD.MP3"), "Preview this song");
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(player.calls().empty());
  EXPECT_TRUE(dialogs.shown().empty());

  // From the correction dialog the ending is shown.
  PreviewFromDialog(Song("LOUD.MP3"));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"MP3"}));
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(player.calls().empty());

  // "mid" is known although the scan never lists such songs.
  app->state().SelectedSong = music + "/tune.mid";
  preview()->RequestPreview(PreviewAsker::kMainWindow);
  EXPECT_TRUE(preview()->isVisible());
  EXPECT_EQ(player.fileName(), music + "/tune.mid");
}

TEST_F(PreviewWindowTest, WhatThePlayerCannotPlayGoesToTheDesktop) {
  StartWithSongs({{"song.wma", "x"}});
  player.FailOpen(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(desktopOpener.opened(), (std::vector<std::string>{Song("song.wma")}));
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(dialogs.shown().empty());

  // Playback that cannot start goes the same way, and the dialog that asked comes back.
  player.FailOpen(false);
  player.FailPlay(true);
  PreviewFromDialog(Song("song.wma"));
  EXPECT_EQ(desktopOpener.opened().size(), 2u);
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(dialog()->isVisible());
  EXPECT_EQ(preview()->PreviewOpener(), PreviewAsker::kCorrectionDialog);
}

TEST_F(PreviewWindowTest, TheBackButtonStopsTheOtherPlaysAgainFromTheStart) {
  StartWithSongs({{"song.wav", "x"}});
  UseMenu(Song("song.wav"), "Preview this song");
  QAbstractButton* back = ButtonWithHint(preview(), "Go back to the song list");
  QAbstractButton* play = ButtonWithHint(preview(), "Play this song");
  ASSERT_NE(back, nullptr);
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(back->x(), 0);  // side by side, back first
  EXPECT_GT(play->x(), back->x() + back->width() - 1);

  player.ClearCalls();
  play->click();
  EXPECT_EQ(player.calls(), (Calls{"stop", "rewind", "play"}));
  EXPECT_TRUE(player.playing());
  EXPECT_TRUE(preview()->isVisible());

  player.ClearCalls();
  back->click();
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_FALSE(player.playing());
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(main()->isVisible());

  // Playing again can fail too: then the desktop takes over.
  UseMenu(Song("song.wav"), "Preview this song");
  player.FailOpen(true);
  play->click();
  EXPECT_EQ(desktopOpener.opened(), (std::vector<std::string>{Song("song.wav")}));
  EXPECT_FALSE(preview()->isVisible());
}

TEST_F(PreviewWindowTest, TheCloseBoxEndsTheProgramOrReturnsToTheWindowThatAsked) {
  StartWithSongs({{"song.mp3", "x"}});
  PreviewFromDialog(Song("song.mp3"));
  ASSERT_TRUE(preview()->isVisible());
  preview()->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(app->state().TerminationRequested);

  // Once the end has been asked for, the close box stops the song and shows the asker.
  preview()->RequestPreview(PreviewAsker::kCorrectionDialog);
  dialog()->hide();
  player.ClearCalls();
  preview()->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_TRUE(dialog()->isVisible());
}

}  // namespace
}  // namespace tunewick
