#include <unistd.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "gui/song_tools_fixture.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "platform/look.h"
#include "support/pinned_file.h"

namespace tunewick {
namespace {

using testing::FindButton;
using testing::FindLabel;
using testing::FindLink;
using testing::OffCentre;
using testing::PinnedFile;
using testing::ReadFile;
using testing::Tag;

FileSystem& fs() { return RealFileSystem(); }

class CorrectionDialogTest : public testing::SongToolsFixture {
 protected:
  // Opens the dialog for a song named old.mp3 (tagged "Title" by "Artist") beside others.
  void OpenForOldSong() {
    StartWithSongs({{"old.mp3", "sound" + Tag("Title", "Artist")},
                    {"other.wav", "other sound"},
                    {"Taken - Name.mp3", "taken"}});
    UseMenu(Song("old.mp3"), "Fix this name");
  }
  void Fill(const QString& artist, const QString& title) {
    Type(dialog()->artistBox(), artist);
    Type(dialog()->songNameBox(), title);
  }
  void Click(const QString& button) {
    QAbstractButton* found = FindButton(dialog(), button);
    ASSERT_NE(found, nullptr) << button.toStdString();
    found->click();
  }
  QPlainTextEdit* FixedText(const QString& name) {
    for (auto* text : dialog()->findChildren<QPlainTextEdit*>())
      if (text->accessibleName() == name) return text;
    return nullptr;
  }
  bool BoxesEmpty() {
    return dialog()->songNameBox()->text().isEmpty() && dialog()->artistBox()->text().isEmpty() &&
           dialog()->fileNameBox()->text().isEmpty();
  }
};

TEST_F(CorrectionDialogTest, OpensInPlaceOfTheMainWindowFilledFromTheTag) {
  OpenForOldSong();
  EXPECT_TRUE(dialog()->isVisible());
  EXPECT_FALSE(main()->isVisible());
  EXPECT_EQ(dialog()->windowTitle(), "Correct song filename");
  EXPECT_EQ(dialog()->size(), QSize(582, 230));
  EXPECT_LE(OffCentre(dialog()).manhattanLength(), 4);
  EXPECT_EQ(dialog()->fileNameBox()->text(), "old.mp3");
  EXPECT_EQ(dialog()->songNameBox()->text(), "Title");
  EXPECT_EQ(dialog()->artistBox()->text(), "Artist");
  EXPECT_EQ(dialog()->focusWidget(), dialog()->songNameBox());
  EXPECT_TRUE(dialogs.shown().empty());

  QLabel* heading = FindLabel(dialog(), "Correct the song's name");
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->font().pixelSize(), 16);
  EXPECT_EQ(look::TextColor(heading), look::kHeading);
  for (const char* text : {"The song's filename is:", "Song Name", "Song Artist / Band"})
    EXPECT_NE(FindLabel(dialog(), text), nullptr) << text;
  for (const char* text : {"Preview", "Delete this song", "Rename song", "&Cancel"})
    EXPECT_NE(FindButton(dialog(), text), nullptr) << text;
  for (QLineEdit* box : {dialog()->songNameBox(), dialog()->artistBox()}) {
    EXPECT_TRUE(box->font().bold());
    EXPECT_TRUE(box->font().italic());
  }
  QPlainTextEdit* instructions = FixedText("How to rename the song");
  ASSERT_NE(instructions, nullptr);
  EXPECT_TRUE(instructions->isReadOnly());
  EXPECT_EQ(instructions->toPlainText(),
            "If the information in the boxes below is correct click \"Rename file\", otherwise "
            "correct this \ninformation before continuing.");
  EXPECT_FALSE(FixedText("What's wrong with the filename")->isVisible());
}

TEST_F(CorrectionDialogTest, TagTextsAreShownAsTheyAreAndWhatTheTagLacksStaysEmpty) {
  StartWithSongs({{"latin.mp3", "x" + Tag("Caf\xe9", "AC/DC")}, {"plain.wma", "no tag"}});
  UseMenu(Song("latin.mp3"), "Fix this name");
  EXPECT_EQ(dialog()->songNameBox()->text(), QString::fromUtf8("Caf\xc3\xa9"));
  EXPECT_EQ(dialog()->artistBox()->text(), "");
  // Going back keeps the boxes; the next song's tag replaces them, empty texts included.
  ButtonWithHint(dialog(), "Go Back")->click();
  EXPECT_TRUE(main()->isVisible());
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_EQ(dialog()->songNameBox()->text(), QString::fromUtf8("Caf\xc3\xa9"));
  UseMenu(Song("plain.wma"), "Fix this name");
  EXPECT_EQ(dialog()->songNameBox()->text(), "");
  EXPECT_EQ(dialog()->fileNameBox()->text(), "plain.wma");
}

TEST_F(CorrectionDialogTest, ASongThatVanishedIsReportedAndTheDialogGoes) {
  StartWithSongs({{"gone.wav", "x"}});
  const std::string song = Song("gone.wav");
  ::unlink(song.c_str());
  app->state().SelectedSong = song;
  dialog()->songNameBox()->setText("left over");
  dialog()->Open();
  EXPECT_EQ(
      dialogs.Messages(),
      (std::vector<QString>{QString::fromStdString("MP3 file " + song + " does not exist!")}));
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(BoxesEmpty());
}

TEST_F(CorrectionDialogTest, RenameSongRenamesInTheSameFolderAndRefreshesTheList) {
  OpenForOldSong();
  Fill("A", "B");
  Click("Rename song");
  EXPECT_EQ(ReadFile(Song("A - B.mp3")), "sound" + Tag("Title", "Artist"));
  EXPECT_FALSE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"Renaming Successful"}));
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(main()->size(), QSize(637, 313));
  ProcessEvents();  // the refresh timer runs once the dialog is gone
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{Song("other.wav")}));
}

TEST_F(CorrectionDialogTest, TypedTextIsUsedAsTypedInUtf8) {
  OpenForOldSong();
  Fill(QString::fromUtf8("Beyonc\xc3\xa9"), "Halo ");
  QTest::keyClick(dialog()->songNameBox(), Qt::Key_Return);  // Enter renames too
  EXPECT_EQ(ReadFile(Song("Beyonc\xc3\xa9 - Halo .mp3")), "sound" + Tag("Title", "Artist"));
}

TEST_F(CorrectionDialogTest, RenameSongExplainsWhyNothingWasRenamed) {
  OpenForOldSong();
  const std::string takenPath = Song("Taken - Name.mp3");
  struct Case {
    QString artist, title, message;
  };
  const Case cases[] = {
      {"A", "", "You must enter both the Artist and song name to rename the file."},
      {"Taken", "Name",
       QString::fromStdString("There's already a file with the name and author you entered ('" +
                              takenPath + "')")},
      {"../..", "B",
       "Artist and song names cannot contain any of these characters: \\ / : * ? \" < > |"},
      {"A", QString(300, 'b'), "The song could not be renamed: File name too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    dialogs.Clear();
    Fill(c.artist, c.title);
    dialog()->artistBox()->setFocus();
    Click("Rename song");
    EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{c.message}));
    EXPECT_EQ(ReadFile(Song("old.mp3")), "sound" + Tag("Title", "Artist"));
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_FALSE(main()->isVisible());
    EXPECT_EQ(dialog()->artistBox()->text(), c.artist);
    EXPECT_EQ(dialog()->songNameBox()->text(), c.title);
    // Only a taken name sends the user back to the song name.
    EXPECT_EQ(dialog()->focusWidget() == dialog()->songNameBox(), c.artist == "Taken");
  }
  EXPECT_EQ(ReadFile(takenPath), "taken");
}

TEST_F(CorrectionDialogTest, TheRenameStopsARunningPreviewFirstAndHidesIt) {
  OpenForOldSong();
  Click("Preview");
  ASSERT_TRUE(preview()->isVisible());
  ASSERT_TRUE(player.playing());
  std::vector<bool> songThereAtStop;
  player.onStop = [&] { songThereAtStop.push_back(fs().Exists(Song("old.mp3"))); };
  Fill("A", "B");
  Click("Rename song");
  ASSERT_FALSE(songThereAtStop.empty());
  EXPECT_TRUE(songThereAtStop[0]);  // stopped before the rename
  EXPECT_FALSE(player.playing());
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_TRUE(fs().Exists(Song("A - B.mp3")));
}

TEST_F(CorrectionDialogTest, CancelEmptiesTheBoxesTheBackIconKeepsThem) {
  OpenForOldSong();
  Click("&Cancel");
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_TRUE(main()->isVisible());

  UseMenu(Song("old.mp3"), "Fix this name");
  QTest::keyClick(dialog(), Qt::Key_Escape);
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_FALSE(dialog()->isVisible());

  UseMenu(Song("old.mp3"), "Fix this name");
  ButtonWithHint(dialog(), "Go Back")->click();
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_EQ(dialog()->artistBox()->text(), "Artist");
  EXPECT_EQ(ReadFile(Song("old.mp3")), "sound" + Tag("Title", "Artist"));
}

TEST_F(CorrectionDialogTest, TheHelpUnfoldsTheExplanationForGood) {
  OpenForOldSong();
  LinkLabel* help = FindLink(dialog(), "What's wrong?");
  ASSERT_NE(help, nullptr);
  help->setFocus();
  QTest::keyClick(help, Qt::Key_Return);
  EXPECT_EQ(dialog()->size(), QSize(582, 331));
  EXPECT_EQ(dialog()->focusWidget(), dialog()->songNameBox());
  EXPECT_FALSE(help->isVisible());
  ASSERT_NE(ButtonWithHint(dialog(), "What's wrong?"), nullptr);
  EXPECT_FALSE(ButtonWithHint(dialog(), "What's wrong?")->isVisible());
  QPlainTextEdit* explanation = FixedText("What's wrong with the filename");
  ASSERT_NE(explanation, nullptr);
  EXPECT_TRUE(explanation->isVisible());
  EXPECT_EQ(explanation->toPlainText(),
            "All filenames should be in the form of: \"Artist Name - Song Name.xxx\".  This "
            "filename isn't.  Please \nenter the song's name and artist, and the song will be "
            "renamed for you.");
  // Everything else still fits above it.
  EXPECT_LE(FindButton(dialog(), "Rename song")->geometry().bottom(), explanation->y());

  Click("&Cancel");
  UseMenu(Song("other.wav"), "Fix this name");
  EXPECT_EQ(dialog()->height(), 331);
  EXPECT_TRUE(explanation->isVisible());
}

TEST_F(CorrectionDialogTest, TheCloseBoxEndsTheProgramAndShowsTheMainWindow) {
  OpenForOldSong();
  dialog()->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(app->state().TerminationRequested);
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_TRUE(main()->isVisible());

  // Once the end has been asked for, closing only tidies up.
  UseMenu(Song("old.mp3"), "Fix this name");
  dialog()->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_TRUE(main()->isVisible());
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
  Click("Delete this song");  // answered with Cancel (or Escape)
  ASSERT_EQ(dialogs.shown().size(), 1u);
  const auto& question = dialogs.shown()[0];
  EXPECT_EQ(question.kind, testing::ScriptedDialogs::Kind::kConfirmOkCancel);
  EXPECT_EQ(question.title, "Confirm");
  EXPECT_EQ(question.text,
            QString::fromStdString("Are you sure you want to delete " + Song("old.mp3") + "?"));
  EXPECT_TRUE(fs().Exists(Song("old.mp3")));
  EXPECT_TRUE(dialog()->isVisible());
  EXPECT_EQ(dialog()->artistBox()->text(), "Artist");

  Click("Preview");
  ASSERT_TRUE(player.playing());
  dialogs.Clear();
  dialogs.QueueAnswer(true);
  Click("Delete this song");
  EXPECT_FALSE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"Your song was deleted successfully"}));
  EXPECT_FALSE(dialog()->isVisible());
  EXPECT_FALSE(preview()->isVisible());
  EXPECT_FALSE(player.playing());  // a hidden preview does not play on
  EXPECT_TRUE(BoxesEmpty());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{Song("other.wav")}));
}

TEST_F(CorrectionDialogTest, ADeletionThatFailsIsReportedAndTheDialogStays) {
  OpenForOldSong();
  PinnedFile pin(Song("old.mp3"));
  if (!pin.pinned()) GTEST_SKIP() << "cannot protect a file from deletion here";
  dialogs.QueueAnswer(true);
  Click("Delete this song");
  EXPECT_TRUE(fs().Exists(Song("old.mp3")));
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<QString>{
                "The song is in use, close the application that's using it, and retry."}));
  EXPECT_TRUE(dialog()->isVisible());
  EXPECT_EQ(dialog()->artistBox()->text(), "Artist");
}

}  // namespace
}  // namespace tunewick
