// The tools for the song right-clicked in the song list: the correction dialog, the preview
// window and the list's own delete and rename-from-tags.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <regex>

#include "gui_support/app_fixture.h"
#include "support/id3_tag.h"
#include "support/pinned_file.h"

namespace tunewick::testing {
namespace {

using Calls = std::vector<std::string>;

FileSystem& fs() { return RealFileSystem(); }

// The title in ID3v2 (longer than ID3v1 can hold), the artist in ID3v1 only.
const std::string kOldTitle = "Caf\xc3\xa9 Society, a Title Longer Than Thirty Bytes";
const std::string kOldSong =
    testing::ID3v2Tag(3, {{"TIT2", kOldTitle, testing::ID3v2Encoding::kUtf16}}) + "sound" +
    ID3Tag("Caf\xe9", "Artist");

// A running Tunewick on the song list of one folder of songs.
class SongTools : public AppFixture {
 protected:
  void OpenSongList(const std::vector<SongFile>& songs) {
    StartWithSongs(songs);
    main()->OpenSongList();
  }

  // Picks an entry of the song list's menu for this song (the main window's tests right-click).
  void UseMenu(const std::string& song, const QString& entry) {
    app->gui().SelectedSong = song;
    for (QAction* action : main()->songMenu()->actions()) {
      if (action->text() == entry) return action->trigger();
    }
    FAIL() << "no menu entry " << entry.toStdString();
  }

  // Opens the dialog for old.mp3 (tagged kOldTitle by "Artist"), beside two other songs.
  void OpenForOldSong() {
    OpenSongList({{"old.mp3", kOldSong}, "other.wav", {"Taken - Name.mp3", "taken"}});
    UseMenu(Song("old.mp3"), "Fix this name");
  }
  // Types over the artist and song name boxes, as typing or pasting would.
  void Fill(const QString& artist, const QString& title) {
    for (auto [box, text] :
         {std::pair{dialog()->artistBox(), artist}, {dialog()->songNameBox(), title}}) {
      box->selectAll();
      box->insert(text);
    }
  }
  // The file name, song name and artist boxes' texts.
  std::string Boxes() {
    return (dialog()->fileNameBox()->text() + "|" + dialog()->songNameBox()->text() + "|" +
            dialog()->artistBox()->text())
        .toStdString();
  }
  // The window is 100 wider than the path.
  bool FitsAroundThePath() { return preview()->width() == preview()->pathLabel()->width() + 100; }
};
using CorrectionDialogTest = SongTools;
using PreviewWindowTest = SongTools;
using SongListTools = SongTools;

// The dialog shows in place of the main window, filled from the song's tags. Its help, once
// unfolded, stays so; going back keeps the boxes, Cancel and Escape empty them, and so does a
// song that vanished. Back in the main window, the focus is on the song list again.
TEST_F(CorrectionDialogTest, OpensInPlaceOfTheMainWindowFilledFromTheTagTillCancelled) {
  OpenForOldSong();
  EXPECT_EQ(OnScreen(), "dialog");
  EXPECT_EQ(Boxes(), "old.mp3|" + kOldTitle + "|Artist");
  QPlainTextEdit* explanation = nullptr;
  for (auto* text : dialog()->findChildren<QPlainTextEdit*>())
    if (text->accessibleName() == "What's wrong with the filename") explanation = text;
  ASSERT_NE(explanation, nullptr);
  EXPECT_FALSE(explanation->isVisible());
  LinkLabel* help = Find<LinkLabel>(dialog(), "What's wrong?");
  help->setFocus();
  QTest::keyClick(help, Qt::Key_Return);
  EXPECT_EQ(dialog()->size(), QSize(582, 331));
  EXPECT_EQ(dialog()->focusWidget(), dialog()->songNameBox());
  EXPECT_FALSE(help->isVisible());
  EXPECT_TRUE(explanation->isVisible());

  Click(dialog(), "Go Back");
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "old.mp3|" + kOldTitle + "|Artist");
  UseMenu(Song("other.wav"), "Fix this name");  // empty tag texts replace the boxes too
  EXPECT_EQ(Boxes(), "other.wav||");
  EXPECT_EQ(dialog()->height(), 331);
  EXPECT_TRUE(explanation->isVisible());
  Click(dialog(), "&Cancel");
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "||");
  UseMenu(Song("old.mp3"), "Fix this name");
  // As Qt may do while the window is hidden, when the window system is slow to tell.
  Find<LinkLabel>(main(), "View folders in your Music library")->setFocus();
  Press(dialog(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "||");
  ProcessEvents();
  EXPECT_EQ(QApplication::focusWidget(), main()->songList());

  // A song that vanished is told, a control character in its path shown as its mark as in
  // the lists, not as a line break; the dialog goes.
  dialog()->songNameBox()->setText("left over");
  UseMenu(Song("gone\n.wav"), "Fix this name");
  EXPECT_EQ(dialogs.Messages(), Messages{QString::fromStdString("MP3 file " + Song("gone") +
                                                                "\u240A.wav does not exist!")});
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "||");
}

// Each refusal says why, keeps the dialog and its boxes, and touches no file; Enter renames
// as typed once the preview let go of the song, and the list follows.
TEST_F(CorrectionDialogTest, RenameSongExplainsWhyNothingWasRenamedOrRenamesAsTyped) {
  OpenForOldSong();
  EXPECT_TRUE(dialog()->fileNameBox()->isReadOnly());  // only the boxes below rename
  const std::string taken = Song("Taken - Name.mp3");
  const QString forbidden =
      "Artist and song names cannot contain any of these characters:\n\\ / : * ? \" < > |";
  const struct {
    QString artist, title, message;
  } cases[] = {
      {"A", "   ", "You must enter both the Artist and song name to rename the file."},
      {"Taken", "Name",
       QString::fromStdString("There's already a file with the name and author you entered ('" +
                              taken + "')")},
      {"../..", "B", forbidden},
      {"A", QString::fromUtf8("Next\xc2\x85Line"), forbidden},
      {"A", QString(300, 'b'), "The song could not be renamed: File name too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    dialogs.Clear();
    Fill(c.artist, c.title);
    dialog()->artistBox()->setFocus();
    Click(dialog(), "Rename song");
    EXPECT_EQ(dialogs.Messages(), Messages{c.message});
    EXPECT_EQ(OnScreen(), "dialog");
    EXPECT_EQ(Boxes(), "old.mp3|" + (c.title + "|" + c.artist).toStdString());
    // Only a taken name sends the user back to the song name.
    EXPECT_EQ(dialog()->focusWidget() == dialog()->songNameBox(), c.artist == "Taken");
  }
  EXPECT_EQ(ReadFile(taken), "taken");

  Click(dialog(), "Preview");
  ASSERT_TRUE(player.playing());
  dialogs.Clear();
  Fill(QString::fromUtf8("Beyonc\xc3\xa9"), "Halo ");
  QTest::keyClick(dialog()->songNameBox(), Qt::Key_Return);
  EXPECT_EQ(ReadFile(Song("Beyonc\xc3\xa9 - Halo .mp3")), kOldSong);
  EXPECT_FALSE(player.playing());
  EXPECT_EQ(dialogs.Messages(), Messages{"Renaming Successful"});
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(Boxes(), "||");
  EXPECT_TRUE(main()->IsShowingSongList());
  // The refresh timer runs once the dialog is gone.
  const Songs left{Song("other.wav")};
  EXPECT_TRUE(QTest::qWaitFor([&] { return app->lists().IncorrectSongs == left; }, 10000));
}

// Delete asks with the full path first; a deletion that fails is told and the dialog stays;
// one that succeeds stops the preview and lists the songs left.
TEST_F(CorrectionDialogTest, DeleteAsksWithTheFullPathAndDeletesOnOk) {
  OpenForOldSong();
  Click(dialog(), "Delete this song");  // answered with Cancel (or Escape)
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, ScriptedDialogs::Kind::kConfirmOkCancel);
  EXPECT_EQ(dialogs.shown()[0].title, "Confirm");
  EXPECT_EQ(dialogs.shown()[0].text,
            QString::fromStdString("Are you sure you want to delete " + Song("old.mp3") + "?"));
  EXPECT_TRUE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(OnScreen(), "dialog");

  if (PinnedFile pin(Song("old.mp3")); pin.pinned()) {
    dialogs.Clear();
    dialogs.QueueAnswer(true);
    Click(dialog(), "Delete this song");
    EXPECT_TRUE(fs().Exists(Song("old.mp3")));
    // Not another program's doing: the system's reason ("Operation not permitted" as root,
    // "Permission denied" otherwise), not the advice to close it.
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_TRUE(std::regex_match(
        dialogs.Messages()[0].toStdString(),
        std::regex("The song could not be deleted: (Operation not permitted|Permission denied)")));
    EXPECT_EQ(OnScreen(), "dialog");
    EXPECT_EQ(Boxes(), "old.mp3|" + kOldTitle + "|Artist");
  }

  Click(dialog(), "Preview");
  ASSERT_TRUE(player.playing());
  dialogs.Clear();
  dialogs.QueueAnswer(true);
  Click(dialog(), "Delete this song");
  EXPECT_FALSE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(), Messages{"Your song was deleted successfully"});
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_FALSE(player.playing());  // a hidden preview does not play on
  EXPECT_EQ(Boxes(), "||");
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->lists().IncorrectSongs, (Songs{Song("other.wav")}));
}

// The menu plays the song in a window fitted around its path until Back is clicked, in any
// letter case; a song the player cannot play goes to the desktop, and the user is told why,
// as when nothing can be heard.
TEST_F(PreviewWindowTest, TheMenuPlaysWhatThePlayerCanInAWindowFittedAroundItsPath) {
  const std::string longName = std::string(60, 'l') + ".wav";
  OpenSongList({"song.mp3", longName, "LOUD.MP3", "song.wma"});
  UseMenu(Song("song.mp3"), "Preview this song");
  EXPECT_EQ(OnScreen(), "main preview");  // the window that asked stays behind
  EXPECT_EQ(player.calls(), (Calls{"file " + Song("song.mp3"), "open", "play"}));
  EXPECT_EQ(preview()->pathLabel()->text().toStdString(), Song("song.mp3"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return FitsAroundThePath(); }, 10000));

  // A longer path widens the window of a running preview.
  const int narrow = preview()->width();
  player.ClearCalls();
  UseMenu(Song(longName), "Preview this song");
  EXPECT_EQ(player.calls(), (Calls{"file " + Song(longName), "open", "play"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return FitsAroundThePath(); }, 10000));
  EXPECT_GT(preview()->width(), narrow);

  // Play starts the song again from its start; back (or Escape) stops it.
  Click(preview(), "Play this song");
  EXPECT_EQ(player.calls().back(), "play");
  player.ClearCalls();
  EXPECT_EQ(preview()->windowHandle()->transientParent(), main()->windowHandle());
  Press(preview(), Qt::Key_Escape);
  EXPECT_EQ(player.calls(), (Calls{"stop"}));
  EXPECT_EQ(OnScreen(), "main");

  player.ClearCalls();
  UseMenu(Song("LOUD.MP3"), "Fix this name");
  Click(dialog(), "Preview");
  EXPECT_EQ(player.calls(), (Calls{"file " + Song("LOUD.MP3"), "open", "play"}));
  EXPECT_EQ(OnScreen(), "dialog preview");
  EXPECT_TRUE(dialogs.shown().empty());
  Click(preview(), "Go back to the song list");
  Click(dialog(), "Go Back");

  player.FailOpen(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(desktopOpener.opened(), Calls{Song("song.wma")});
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(dialogs.Messages(),
            Messages{"Tunewick cannot play this song: the file is empty.\n\nIt has been handed to "
                     "the program your desktop opens such songs with."});
  player.FailOpen(false);
  player.Mute(true);
  UseMenu(Song("song.wma"), "Preview this song");
  EXPECT_EQ(dialogs.Messages().back(),
            "The song is playing, but this computer has no sound output to hear it on.");
}

// The list's own tools: names from the tags for every tagged song, without a question or a
// message; delete after a warning, stopping a preview of the song first.
TEST_F(SongListTools, FixFromTagsAndDeleteListTheSongsLeft) {
  OpenSongList({{"01_track.mp3", "x" + ID3Tag("Song", "Band")}, "one.mp3", "two.mp3"});
  Click(main(), "Fix songs using ID3 tags");
  EXPECT_EQ(ReadFile(Song("Band - Song.mp3")), "x" + ID3Tag("Song", "Band"));
  EXPECT_EQ(app->lists().IncorrectSongs, (Songs{Song("one.mp3"), Song("two.mp3")}));
  EXPECT_EQ(main()->songList()->model()->rowCount(), 2);
  EXPECT_TRUE(dialogs.shown().empty());

  UseMenu(Song("one.mp3"), "Delete this song");  // no answer queued: Cancel, as Escape gives
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, ScriptedDialogs::Kind::kWarningYesCancel);
  EXPECT_EQ(dialogs.shown()[0].title, "Warning");
  EXPECT_EQ(dialogs.shown()[0].text,
            "Are you sure you want to delete this file?  Clicking \"Yes\" will delete the file "
            "with no warning.");
  EXPECT_TRUE(fs().Exists(Song("one.mp3")));

  // A preview of another song plays on; one of the song to go stops first.
  UseMenu(Song("two.mp3"), "Preview this song");
  dialogs.QueueAnswer(true);
  UseMenu(Song("one.mp3"), "Delete this song");
  EXPECT_TRUE(player.playing());
  EXPECT_EQ(OnScreen(), "main preview");
  folder.MakeFile("music/one.mp3");
  main()->RefreshSongList();

  UseMenu(Song("one.mp3"), "Preview this song");
  dialogs.Clear();
  dialogs.QueueAnswer(true);
  UseMenu(Song("one.mp3"), "Delete this song");
  EXPECT_FALSE(player.playing());
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_FALSE(fs().Exists(Song("one.mp3")));
  EXPECT_TRUE(fs().Exists(Song("two.mp3")));
  EXPECT_EQ(dialogs.Messages(), Messages{"File deleted successfully"});
  EXPECT_EQ(app->lists().IncorrectSongs, Songs{Song("two.mp3")});
  EXPECT_EQ(main()->songList()->model()->rowCount(), 1);
}

}  // namespace
}  // namespace tunewick::testing
