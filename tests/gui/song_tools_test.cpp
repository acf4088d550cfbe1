// The tools for the song right-clicked in the song list: the correction dialog, the preview
// window and the list's own delete and rename-from-tags. Which names are refused: see the
// core's tests.

#include <unistd.h>
#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include "gui_support/app_fixture.h"
#include "support/pinned_file.h"
#include "support/tag_bytes.h"

namespace tunewick::testing {
namespace {

using Calls = std::vector<std::string>;

// The title in ID3v2 (longer than ID3v1 can hold), the artist in ID3v1 only.
const std::string kOldTitle = "Caf\xc3\xa9 Society, a Title Longer Than Thirty Bytes";
const std::string kOldSong = ID3v2Tag(3, {{"TIT2", kOldTitle, ID3v2Encoding::kUtf16}}) + "sound" +
                             ID3v1Tag("Caf\xe9", "Artist");

class SongTools : public AppFixture {
 protected:
  // Picks an entry of the song list's menu for this song (the main window's tests right-click).
  void UseMenu(const std::string& song, const QString& entry) {
    app->gui().SelectedSong = song;
    for (QAction* action : main()->songMenu()->actions())
      if (action->text() == entry) return action->trigger();
    FAIL() << "no menu entry " << entry.toStdString();
  }
  // The dialog for old.mp3, beside two other songs, playing old.mp3 in the preview.
  void OpenForOldSong() {
    StartWithSongs({{"old.mp3", kOldSong}, "other.wav", {"Taken - Name.mp3", "taken"}});
    main()->OpenSongList();
    UseMenu(Song("old.mp3"), "Fix this name");
    Click(dialog(), "Preview");
  }
  // The file name, song name and artist boxes' texts.
  std::string Boxes() {
    return (dialog()->fileNameBox()->text() + "|" + dialog()->songNameBox()->text() + "|" +
            dialog()->artistBox()->text())
        .toStdString();
  }
};
using CorrectionDialogTest = SongTools;
using PreviewWindowTest = SongTools;
using SongListTools = SongTools;

// The dialog shows in place of the main window, filled from the song's tags; going back
// keeps the boxes, Cancel and Escape empty them, and so does a song that vanished, whose
// path is shown with a mark for its control character, as in the lists. Back in the main
// window, the focus is on the song list again.
TEST_F(CorrectionDialogTest, OpensInPlaceOfTheMainWindowFilledFromTheTagTillCancelled) {
  OpenForOldSong();
  EXPECT_EQ(OnScreen(), "dialog preview");
  EXPECT_EQ(Boxes(), "old.mp3|" + kOldTitle + "|Artist");
  Click(preview(), "Go back to the song list");
  Click(dialog(), "Go Back");
  EXPECT_EQ(OnScreen(), "main");
  UseMenu(Song("other.wav"), "Fix this name");  // empty tag texts replace the boxes too
  EXPECT_EQ(Boxes(), "other.wav||");
  Click(dialog(), "&Cancel");
  EXPECT_EQ(Boxes(), "||");
  UseMenu(Song("old.mp3"), "Fix this name");
  // As Qt may do while the window is hidden, when the window system is slow to tell.
  Find<LinkLabel>(main(), "View folders in your Music library")->setFocus();
  Press(dialog(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "||");
  ProcessEvents();
  EXPECT_EQ(QApplication::focusWidget(), main()->songList());
  dialog()->songNameBox()->setText("left over");
  UseMenu(Song("gone\n.wav"), "Fix this name");
  EXPECT_EQ(dialogs.Messages(), Messages{QString::fromStdString("MP3 file " + Song("gone") +
                                                                "\u240A.wav does not exist!")});
  EXPECT_EQ(Boxes(), "||");
}

// A refusal says why and keeps the dialog, a taken name sending the keyboard to the song
// name; Enter renames as typed once the preview let go of the song, and the list follows.
TEST_F(CorrectionDialogTest, RenameSongExplainsWhyNothingWasRenamedOrRenamesAsTyped) {
  OpenForOldSong();
  const QString forbidden =
      "Artist and song names cannot contain any of these characters:\n\\ / : * ? \" < > |";
  const struct {
    QString artist, title, message;
  } cases[] = {
      {"A", "   ", "You must enter both the Artist and song name to rename the file."},
      {"Taken", "Name",
       QString::fromStdString("There's already a file with the name and author you entered ('" +
                              Song("Taken - Name.mp3") + "')")},
      {"../..", "B", forbidden},
      {"A", QString::fromUtf8("Next\xc2\x85Line"), forbidden},
      {"A", QString(300, 'b'), "The song could not be renamed: File name too long"},
  };
  for (const auto& c : cases) {
    dialogs.Clear();
    dialog()->artistBox()->setText(c.artist);
    dialog()->songNameBox()->setText(c.title);
    dialog()->artistBox()->setFocus();
    Click(dialog(), "Rename song");
    EXPECT_EQ(dialogs.Messages(), Messages{c.message}) << c.message.toStdString();
    EXPECT_EQ(dialog()->focusWidget() == dialog()->songNameBox(), c.artist == "Taken");
  }
  EXPECT_EQ(OnScreen(), "dialog preview");

  dialogs.Clear();
  dialog()->artistBox()->setText(QString::fromUtf8("Beyonc\xc3\xa9"));
  dialog()->songNameBox()->setText("Halo ");
  QTest::keyClick(dialog()->songNameBox(), Qt::Key_Return);
  EXPECT_EQ(ReadFile(Song("Beyonc\xc3\xa9 - Halo .mp3")), kOldSong);
  EXPECT_FALSE(player.playing());
  EXPECT_EQ(dialogs.Messages(), Messages{"Renaming Successful"});
  EXPECT_EQ(OnScreen(), "main");
  const Songs left{Song("other.wav")};  // the refresh timer runs once the dialog is gone
  EXPECT_TRUE(QTest::qWaitFor([&] { return app->lists().IncorrectSongs == left; }, 10000));
}

// Delete asks with the full path first; a deletion that fails says the system's reason and
// the dialog stays; one that succeeds stops the preview and lists the songs left.
TEST_F(CorrectionDialogTest, DeleteAsksWithTheFullPathAndDeletesOnOk) {
  OpenForOldSong();
  Click(dialog(), "Delete this song");  // answered with Cancel (or Escape)
  EXPECT_EQ(dialogs.shown().back().text,
            QString::fromStdString("Are you sure you want to delete " + Song("old.mp3") + "?"));
  if (PinnedFile pin(Song("old.mp3")); pin.pinned()) {
    dialogs.QueueAnswer(true);
    Click(dialog(), "Delete this song");
    // Pinned by its attribute for root, by its read-only folder for a user.
    EXPECT_EQ(dialogs.Messages().back(),
              ::geteuid() == 0 ? "The song could not be deleted: Operation not permitted"
                               : "The song could not be deleted: Permission denied");
  }
  EXPECT_TRUE(RealFileSystem().Exists(Song("old.mp3")));
  EXPECT_EQ(OnScreen(), "dialog");

  Click(dialog(), "Preview");
  ASSERT_TRUE(player.playing());
  dialogs.QueueAnswer(true);
  Click(dialog(), "Delete this song");
  EXPECT_FALSE(RealFileSystem().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages().back(), "Your song was deleted successfully");
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_FALSE(player.playing());  // a hidden preview does not play on
  EXPECT_EQ(app->lists().IncorrectSongs, (Songs{Song("other.wav")}));
}

// The menu plays the song in a window 100 wider than its path until Back is clicked; a song
// the player cannot play goes to the desktop, and the user is told why, as when nothing can
// be heard.
TEST_F(PreviewWindowTest, TheMenuPlaysWhatThePlayerCanInAWindowFittedAroundItsPath) {
  StartWithSongs({std::string(60, 'l') + ".MP3", "song.wma"});
  main()->OpenSongList();
  const std::string song = Song(std::string(60, 'l') + ".MP3");
  UseMenu(song, "Preview this song");
  EXPECT_EQ(OnScreen(), "main preview");  // the window that asked stays behind
  EXPECT_EQ(player.calls(), (Calls{"file " + song, "open", "play"}));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return preview()->width() == preview()->pathLabel()->width() + 100; }, 10000));
  player.ClearCalls();
  EXPECT_EQ(preview()->windowHandle()->transientParent(), main()->windowHandle());
  Press(preview(), Qt::Key_Escape);  // as its back arrow
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_EQ(OnScreen(), "main");

  player.FailOpen(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(desktopOpener.opened(), Calls{Song("song.wma")});
  EXPECT_EQ(dialogs.Messages(),
            Messages{"Tunewick cannot play this song: the file is empty.\n\nIt has been handed to "
                     "the program your desktop opens such songs with."});
  player.FailOpen(false);
  player.Mute(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(dialogs.Messages().back(),
            "The song is playing, but this computer has no sound output to hear it on.");
}

// The list's own tools, on the added song types as the settings choose them: names from the
// tags for every tagged song, without a question or a message; delete after a warning,
// stopping a preview of that song first, not of another.
TEST_F(SongListTools, FixFromTagsAndDeleteListTheSongsLeft) {
  folder.MakeFile("config/tunewick/settings", "all-song-types=yes\r\n");
  const std::string flac = FlacSong({"TITLE=Song", "ARTIST=Band"});
  StartWithSongs({{"01_track.flac", flac}, "one.mp3", "two.Opus"});
  main()->OpenSongList();
  Click(main(), "Fix songs using ID3 tags");
  EXPECT_EQ(ReadFile(Song("Band - Song.flac")), flac);
  EXPECT_TRUE(dialogs.shown().empty());

  UseMenu(Song("one.mp3"), "Delete this song");  // no answer queued: Cancel, as Escape gives
  EXPECT_EQ(dialogs.shown().back().text,
            "Are you sure you want to delete this file?  Clicking \"Yes\" will delete the file "
            "with no warning.");
  UseMenu(Song("two.Opus"), "Preview this song");
  dialogs.QueueAnswer(true);
  UseMenu(Song("one.mp3"), "Delete this song");
  EXPECT_TRUE(player.playing());
  dialogs.QueueAnswer(true);
  UseMenu(Song("two.Opus"), "Delete this song");
  EXPECT_FALSE(player.playing());
  EXPECT_EQ(dialogs.Messages().back(), "File deleted successfully");
  EXPECT_EQ(main()->songList()->model()->rowCount(), 0);
}

}  // namespace
}  // namespace tunewick::testing
