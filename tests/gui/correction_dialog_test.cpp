#include <unistd.h>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "gui/song_tools_fixture.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "support/pinned_file.h"

namespace tunewick {
namespace {

using testing::ID3Tag;
using testing::ReadFile;
using Messages = std::vector<QString>;

FileSystem& fs() { return RealFileSystem(); }

const std::string kOldSong = "sound" + ID3Tag("Caf\xe9", "Artist");

class CorrectionDialogTest : public testing::SongToolsFixture {
 protected:
  // Opens the dialog for old.mp3 (tagged "Café" by "Artist"), beside two other songs.
  void OpenForOldSong() {
    StartWithSongs(
        {{"old.mp3", kOldSong}, {"other.wav", "other sound"}, {"Taken - Name.mp3", "taken"}});
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
  // Whether the dialog is up, in place of the main window.
  void ExpectDialogUp(bool up) {
    EXPECT_EQ(dialog()->isVisible(), up);
    EXPECT_EQ(main()->isVisible(), !up);
  }
  QPlainTextEdit* FixedText(const QString& name) {
    for (auto* text : dialog()->findChildren<QPlainTextEdit*>())
      if (text->accessibleName() == name) return text;
    return nullptr;
  }
};

TEST_F(CorrectionDialogTest, OpensInPlaceOfTheMainWindowFilledFromTheTagTillCancelled) {
  OpenForOldSong();
  ExpectDialogUp(true);
  EXPECT_LE(testing::OffCentre(dialog()).manhattanLength(), 4);
  EXPECT_EQ(Boxes(), "old.mp3|Caf\xc3\xa9|Artist");
  EXPECT_EQ(dialog()->focusWidget(), dialog()->songNameBox());
  // Going back keeps the boxes; the next song's tag replaces them, empty texts included.
  Click(dialog(), "Go Back");
  ExpectDialogUp(false);
  EXPECT_EQ(Boxes(), "old.mp3|Caf\xc3\xa9|Artist");
  UseMenu(Song("other.wav"), "Fix this name");
  EXPECT_EQ(Boxes(), "other.wav||");
  // Cancel and Escape empty them.
  Click(dialog(), "&Cancel");
  ExpectDialogUp(false);
  EXPECT_EQ(Boxes(), "||");
  UseMenu(Song("old.mp3"), "Fix this name");
  QTest::keyClick(dialog(), Qt::Key_Escape);
  ExpectDialogUp(false);
  EXPECT_EQ(Boxes(), "||");
}

TEST_F(CorrectionDialogTest, ASongThatVanishedIsReportedAndTheDialogGoes) {
  StartWithSongs({{"gone.wav", "x"}});
  ::unlink(Song("gone.wav").c_str());
  app->state().SelectedSong = Song("gone.wav");
  dialog()->songNameBox()->setText("left over");
  dialog()->Open();
  EXPECT_EQ(dialogs.Messages(),
            Messages{QString::fromStdString("MP3 file " + Song("gone.wav") + " does not exist!")});
  ExpectDialogUp(false);
  EXPECT_EQ(Boxes(), "||");
}

TEST_F(CorrectionDialogTest, EnterRenamesAsTypedInTheSameFolderAndTheListIsRefreshed) {
  OpenForOldSong();
  Fill(QString::fromUtf8("Beyonc\xc3\xa9"), "Halo ");
  QTest::keyClick(dialog()->songNameBox(), Qt::Key_Return);
  EXPECT_EQ(ReadFile(Song("Beyonc\xc3\xa9 - Halo .mp3")), kOldSong);
  EXPECT_EQ(dialogs.Messages(), Messages{"Renaming Successful"});
  ExpectDialogUp(false);
  EXPECT_EQ(Boxes(), "||");
  EXPECT_TRUE(main()->IsShowingSongList());
  ProcessEvents();  // the refresh timer runs once the dialog is gone
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{Song("other.wav")}));
}

TEST_F(CorrectionDialogTest, RenameSongExplainsWhyNothingWasRenamed) {
  OpenForOldSong();
  const std::string taken = Song("Taken - Name.mp3");
  const struct {
    QString artist, title, message;
  } cases[] = {
      {"A", "", "You must enter both the Artist and song name to rename the file."},
      {"Taken", "Name",
       QString::fromStdString("There's already a file with the name and author you entered ('" +
                              taken + "')")},
      {"../..", "B",
       "Artist and song names cannot contain any of these characters: \\ / : * ? \" < > |"},
      {"A", QString(300, 'b'), "The song could not be renamed: File name too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    dialogs.Clear();
    Fill(c.artist, c.title);
    dialog()->artistBox()->setFocus();
    Click(dialog(), "Rename song");
    EXPECT_EQ(dialogs.Messages(), Messages{c.message});
    ExpectDialogUp(true);
    EXPECT_EQ(Boxes(), "old.mp3|" + (c.title + "|" + c.artist).toStdString());
    // Only a taken name sends the user back to the song name.
    EXPECT_EQ(dialog()->focusWidget() == dialog()->songNameBox(), c.artist == "Taken");
  }
  EXPECT_EQ(ReadFile(taken), "taken");
}

TEST_F(CorrectionDialogTest, TheRenameStopsARunningPreviewFirstAndHidesIt) {
  OpenForOldSong();
  Click(dialog(), "Preview");
  ASSERT_TRUE(preview()->isVisible());
  ASSERT_TRUE(player.playing());
  std::vector<bool> songThereAtStop;
  player.onStop = [&] { songThereAtStop.push_back(fs().Exists(Song("old.mp3"))); };
  Fill("A", "B");
  Click(dialog(), "Rename song");
  ASSERT_FALSE(songThereAtStop.empty());
  EXPECT_TRUE(songThereAtStop[0]);  // stopped before the rename
  EXPECT_FALSE(player.playing());
  EXPECT_FALSE(preview()->isVisible());
}

TEST_F(CorrectionDialogTest, TheHelpUnfoldsTheExplanationForGood) {
  OpenForOldSong();
  QPlainTextEdit* explanation = FixedText("What's wrong with the filename");
  ASSERT_NE(explanation, nullptr);
  EXPECT_FALSE(explanation->isVisible());
  LinkLabel* help = testing::FindLink(dialog(), "What's wrong?");
  help->setFocus();
  QTest::keyClick(help, Qt::Key_Return);
  EXPECT_EQ(dialog()->size(), QSize(582, 331));
  EXPECT_EQ(dialog()->focusWidget(), dialog()->songNameBox());
  EXPECT_FALSE(help->isVisible());
  QAbstractButton* icon = Button(dialog(), "What's wrong?");
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->isVisible());
  EXPECT_TRUE(explanation->isVisible());

  Click(dialog(), "&Cancel");
  UseMenu(Song("other.wav"), "Fix this name");
  EXPECT_EQ(dialog()->height(), 331);
  EXPECT_TRUE(explanation->isVisible());
}

TEST_F(CorrectionDialogTest, TheCloseBoxEndsTheProgramOnceAndAlwaysShowsTheMainWindow) {
  OpenForOldSong();
  for (int round = 0; round < 2; ++round) {
    if (round > 0) UseMenu(Song("old.mp3"), "Fix this name");
    dialog()->close();
    EXPECT_EQ(terminationRequests, 1);
    EXPECT_EQ(Boxes(), "||");
    EXPECT_TRUE(main()->isVisible());
  }
}

TEST_F(CorrectionDialogTest, TheFileNameBoxShowsTheSongAgainWheneverTheDialogIsActivated) {
  OpenForOldSong();
  dialog()->fileNameBox()->setText("typed over");
  main()->show();
  main()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main()));
  dialog()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog()));
  EXPECT_EQ(dialog()->fileNameBox()->text(), "old.mp3");
}

TEST_F(CorrectionDialogTest, DeleteAsksWithTheFullPathAndDeletesOnOk) {
  OpenForOldSong();
  Click(dialog(), "Delete this song");  // answered with Cancel (or Escape)
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, testing::ScriptedDialogs::Kind::kConfirmOkCancel);
  EXPECT_EQ(dialogs.shown()[0].title, "Confirm");
  EXPECT_EQ(dialogs.shown()[0].text,
            QString::fromStdString("Are you sure you want to delete " + Song("old.mp3") + "?"));
  EXPECT_TRUE(fs().Exists(Song("old.mp3")));
  ExpectDialogUp(true);

  Click(dialog(), "Preview");
  ASSERT_TRUE(player.playing());
  dialogs.Clear();
  dialogs.QueueAnswer(true);
  Click(dialog(), "Delete this song");
  EXPECT_FALSE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(), Messages{"Your song was deleted successfully"});
  ExpectDialogUp(false);
  EXPECT_FALSE(player.playing());  // a hidden preview does not play on
  EXPECT_EQ(Boxes(), "||");
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{Song("other.wav")}));
}

TEST_F(CorrectionDialogTest, ADeletionThatFailsIsReportedAndTheDialogStays) {
  OpenForOldSong();
  testing::PinnedFile pin(Song("old.mp3"));
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from deletion here";
  dialogs.QueueAnswer(true);
  Click(dialog(), "Delete this song");
  EXPECT_TRUE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(),
            Messages{"The song is in use, close the application that's using it, and retry."});
  ExpectDialogUp(true);
  EXPECT_EQ(Boxes(), "old.mp3|Caf\xc3\xa9|Artist");
}

}  // namespace
}  // namespace tunewick
