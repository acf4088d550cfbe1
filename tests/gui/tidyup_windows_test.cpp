// The windows around the tidy-up: the confirmation, the results and the list of changed
// files. What the tidy-up renames and how the list is built are tested on the core.

#include <sys/statvfs.h>

#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>

#include "gui_support/app_fixture.h"
#include "journal/journal_store.h"
#include "journal/recorded_run.h"
#include "journal/run_lock.h"
#include "reports/changed_files.h"
#include "support/mounted_image.h"

namespace tunewick::testing {
namespace {

// Makes `window` active again after a message of the program over it took the activation.
void ComeBackFromAMessageOver(QWidget* window) {
  QApplication::setActiveWindow(window);
  QDialog message(window);
  message.setModal(true);
  message.show();
  QApplication::setActiveWindow(&message);
  message.hide();
  QApplication::setActiveWindow(window);
}

class TidyupWindows : public AppFixture {
 protected:
  void OpenConfirmation() { Click(main(), "Fix song names that include basic information"); }
  void RunTidyup() {
    OpenConfirmation();
    Press(confirm(), Qt::Key_Return);  // the confirmation opens on Continue
  }
  std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    QAbstractItemModel* model = changedFiles()->list()->model();
    for (int row = 0; row < model->rowCount(); ++row)
      lines.push_back(model->index(row, 0).data().toString().toStdString());
    return lines;
  }
};

// A run shows its counters and leads to the list of renames, to save. Escape leaves each
// window as its Cancel or Close does; Return presses the focused button. The round toggle
// of the explanation hands the focus to the one shown in its place, and the focus comes
// back to the link that showed what will change.
TEST_F(TidyupWindows, ARunShowsItsCountersAndLeadsToTheListOfRenamesToSave) {
  StartWithSongs({"01_artist-song (1).mp3", "02 Intro.mp3", "03 Intro.mp3"});
  OpenConfirmation();
  Press(confirm(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "main");
  OpenConfirmation();
  auto toggle = [&](const QString& hint) {
    QAbstractButton* found = nullptr;
    for (QAbstractButton* button : confirm()->findChildren<QAbstractButton*>())
      if (button->toolTip() == hint) found = button;
    return found;
  };
  toggle("More information")->setFocus();
  for (const bool expanded : {true, false}) {
    Press(confirm(), Qt::Key_Space);
    EXPECT_EQ(confirm()->IsExpanded(), expanded);
    EXPECT_EQ(confirm()->focusWidget(), toggle(expanded ? "Less information" : "More information"));
  }
  LinkLabel* showChanges = Find<LinkLabel>(confirm(), "Show what will change");
  showChanges->setFocus();
  Press(confirm(), Qt::Key_Return);
  EXPECT_EQ(OnScreen(), "confirm changes");
  Press(changedFiles(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "confirm");
  EXPECT_EQ(confirm()->focusWidget(), showChanges);
  Find<QPushButton>(confirm(), "Cancel")->setFocus();
  Press(confirm(), Qt::Key_Return);
  EXPECT_EQ(OnScreen(), "main");
  RunTidyup();
  EXPECT_EQ(OnScreen(), "results");
  // Prefixes, underscores, bracketed numbers, capitals, spaces around the dash.
  const char* counters[] = {"2", "1", "1", "1", "1"};
  for (int row = 0; row < 5; ++row) EXPECT_EQ(results()->Counter(row), counters[row]) << row;
  Click(results(), "1 rename could not be made: see why");
  EXPECT_EQ(OnScreen(), "results changes");
  EXPECT_EQ(changedFiles()->list()->currentIndex().data().toString(), kFailuresHeading.data());

  LinkLabel* view = Find<LinkLabel>(results(), "View a list of files changed");
  Click(view);
  Click(view);  // twice: the same list, not a doubled one
  EXPECT_EQ(ListLines(), BuildChangedFilesList(app->lists()));

  // Saved where the user says, under the name proposed (the bytes are the core's); a
  // failure is told, a cancel is not.
  LinkLabel* save = Find<LinkLabel>(changedFiles(), "Save this log");
  dialogs.QueuePick(folder / "saved log");
  Click(save);
  EXPECT_EQ(dialogs.shown().back().text, "Tunewick Log");
  EXPECT_EQ(dialogs.shown().back().folder, folder.path());  // the program's, as it is writable
  EXPECT_TRUE(RealFileSystem().FileExists(folder / "saved log.txt"));
  dialogs.QueuePick(folder / "no such folder/log");
  Click(save);
  Click(save);
  EXPECT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(OnScreen(), "results changes");
  Press(changedFiles(), Qt::Key_Escape);  // back to the window the list belongs to
  EXPECT_EQ(OnScreen(), "results");
  ProcessEvents();
  EXPECT_EQ(QApplication::activeWindow(), results());  // where the user came from
}

// With the added song types chosen, they are in the preview, the run and the undo.
TEST_F(TidyupWindows, APreviewListsWhatTheRunThenDoesAndUndoPutsTheLibraryBack) {
  MakeMessyLibrary(folder, "music", 200, 1206);
  folder.MakeFile("config/tunewick/settings", "all-song-types=yes\r\n");
  StartWithSongs({"01_x_y.AIFF"});
  const auto before = SnapshotFiles(music);

  OpenConfirmation();
  Click(confirm(), "Show what will change");
  EXPECT_EQ(OnScreen(), "confirm changes");
  EXPECT_EQ(changedFiles()->windowHandle()->transientParent(), confirm()->windowHandle());
  EXPECT_FALSE(Find<LinkLabel>(changedFiles(), "Undo this tidy-up")->isVisible());
  const std::vector<std::string> preview = ListLines();
  EXPECT_GT(preview.size(), 50u);
  EXPECT_TRUE(std::any_of(preview.begin(), preview.end(),
                          [](const std::string& line) { return line.ends_with("X Y.AIFF"); }));
  dialogs.QueuePick(folder / "preview");  // its log says what it is
  Click(changedFiles(), "Save this log");
  EXPECT_EQ(ReadFile(folder / "preview.txt")
                .rfind("Preview: nothing has been renamed yet. The tidy-up would make these "
                       "renames.\r\n\r\n" +
                           preview[0] + "\r\n",
                       0),
            0u);
  Press(changedFiles(), Qt::Key_Escape);  // the confirmation stays the window in front
  EXPECT_EQ(OnScreen(), "confirm");

  // The real run renames exactly what the preview listed. The results start on Close,
  // where Return does no harm.
  Click(confirm(), "Continue");
  EXPECT_EQ(results()->focusWidget(), Find<QPushButton>(results(), "Close"));
  Click(results(), "View a list of files changed");
  EXPECT_EQ(changedFiles()->heading(), "Tidy-Up Results");
  EXPECT_EQ(ListLines(), preview);

  // Undo, after a confirmation, from the list; the results follow.
  LinkLabel* undo = Find<LinkLabel>(changedFiles(), "Undo this tidy-up");
  ASSERT_TRUE(undo->isVisible());
  EXPECT_TRUE(Find<LinkLabel>(results(), "Undo this tidy-up")->isVisible());
  Click(undo);  // cancelled
  EXPECT_EQ(dialogs.shown().back().preferred, DefaultAnswer::kCancel);
  EXPECT_TRUE(dialogs.shown().back().text.startsWith("Put back the "));
  EXPECT_NE(SnapshotFiles(music), before);
  dialogs.QueueAnswer(true);
  Click(undo);
  EXPECT_EQ(SnapshotFiles(music), before);
  EXPECT_EQ(changedFiles()->heading(), "Undone: these songs have their old names back");
  EXPECT_FALSE(undo->isVisible());
  const std::vector<std::string> undone = ListLines();
  EXPECT_GT(undone.size(), 50u);
  // Another window's list leaves this one as it is.
  Click(results(), "View a list of files changed");
  EXPECT_EQ(dialogs.Messages().back(), "No files were fixed");
  EXPECT_EQ(ListLines(), undone);
  EXPECT_TRUE(results()->IsShowingResults());
  EXPECT_FALSE(Find<LinkLabel>(results(), "Undo this tidy-up")->isVisible());
  for (int row = 0; row < 5; ++row) EXPECT_EQ(results()->Counter(row), "0");
}

// Cancel stops a run after the rename in hand; the results say so and count what was done,
// and no other window takes input meanwhile. After a restart the kept run is offered from
// the main menu as the command line's history lists it, previewed, then undone; a run that
// a newer version of Tunewick recorded meanwhile is listed, not to be undone here.
TEST_F(TidyupWindows, ACancelledRunIsPreviewedAndUndoneFromTheHistoryAfterARestart) {
  MakeMessyLibrary(folder, "music", 200, 1206);
  StartWithSongs({});
  const auto before = SnapshotFiles(music);
  OpenConfirmation();
  Click(confirm(), "Show what will change");
  int renames = 0;
  disk.afterRename = [&] {
    if (++renames != 40) return;
    auto press = [](QWidget* window, const char* button) {
      QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
    };
    press(changedFiles(), "Close");  // held back: not the running window
    press(confirm(), "Continue");    // off while running
    press(confirm(), "Cancel");
  };
  Click(confirm(), "Continue");
  EXPECT_EQ(renames, 40);
  EXPECT_EQ(OnScreen(), "results changes");
  EXPECT_NE(Find<QLabel>(results(), "The tidy-up was cancelled: the counts are what it did."),
            nullptr);
  int counted = 0;
  for (int row = 0; row < 5; ++row) counted += results()->Counter(row).toInt();
  EXPECT_GT(counted, 0);
  EXPECT_LE(counted, 40);
  const auto tidied = SnapshotFiles(music);
  app.reset();
  StartApp();

  WriteFile(folder / "state/tunewick/2.journal", "Tunewick journal 99\n");
  Click(main(), "Undo an earlier run");
  QTreeWidget* runs = history()->runs();
  ASSERT_EQ(runs->topLevelItemCount(), 2);
  EXPECT_EQ(runs->topLevelItem(0)->text(4), "recorded by a newer version of Tunewick");
  EXPECT_TRUE(runs->topLevelItem(0)->isDisabled());
  const QTreeWidgetItem* run = runs->topLevelItem(1);
  EXPECT_EQ(runs->currentItem(), run);
  EXPECT_EQ(run->text(1), "tidy-up");
  EXPECT_EQ(run->text(4), "not undone");
  // From the keyboard; the focus comes back to the control used, the list reread meanwhile.
  LinkLabel* showUndo = Find<LinkLabel>(history(), "Show what undo will put back");
  showUndo->setFocus();
  Press(history(), Qt::Key_Return);
  EXPECT_EQ(OnScreen(), "changes history");
  EXPECT_EQ(changedFiles()->heading(), "Preview: undo would give these songs their old names");
  EXPECT_EQ(ListLines().size(), run->text(3).toULong());
  EXPECT_EQ(SnapshotFiles(music), tidied);
  Press(changedFiles(), Qt::Key_Escape);
  ProcessEvents();  // the history window is active again, and reads the runs afresh
  EXPECT_EQ(OnScreen(), "history");
  EXPECT_EQ(history()->focusWidget(), showUndo);

  dialogs.QueueAnswer(true);
  QPushButton* undo = Find<QPushButton>(history(), "Undo this run");
  undo->setFocus();
  Press(history(), Qt::Key_Return);
  EXPECT_EQ(dialogs.shown().back().preferred, DefaultAnswer::kCancel);
  EXPECT_EQ(SnapshotFiles(music), before);
  EXPECT_EQ(changedFiles()->heading(), "Undone: these songs have their old names back");
  ASSERT_EQ(runs->topLevelItemCount(), 3);  // the undo is a run of its own
  EXPECT_EQ(runs->topLevelItem(0)->text(1), "undo");
  EXPECT_TRUE(runs->topLevelItem(2)->isDisabled());
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(history()->focusWidget(), undo);
  QTest::keyClick(history(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "main changes");
}

// While another run renames songs, a preview would show them changing under it: it says
// so instead, as the run would; the history shows that run under way, not to be undone yet,
// and what other runs did once the user comes back to it.
TEST_F(TidyupWindows, WhileAnotherRunIsUnderWayThePreviewSaysSoAndHistoryShowsIt) {
  StartWithSongs({"01 one.mp3"});
  JournalStore store(RealFileSystem(), folder / "state/tunewick");
  std::optional<RecordedRun> otherRun(std::in_place, &store, RealFileSystem(),
                                      RunHeader{RunKind::kTidyup, 1798761600, folder.path(), {}});
  ASSERT_FALSE(otherRun->fileSystem().Rename(Song("01 one.mp3"), Song("One.mp3")));
  OpenConfirmation();
  Click(confirm(), "Show what will change");
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0],
            "A" + QString::fromUtf8(kAnotherRun.substr(1).data(), kAnotherRun.size() - 1));
  EXPECT_EQ(OnScreen(), "confirm");
  Press(confirm(), Qt::Key_Escape);
  Click(main(), "Undo an earlier run");
  ASSERT_EQ(history()->runs()->topLevelItemCount(), 1);
  EXPECT_EQ(history()->runs()->topLevelItem(0)->text(4), "under way");
  EXPECT_TRUE(history()->runs()->topLevelItem(0)->isDisabled());
  EXPECT_EQ(Find<LinkLabel>(history(), "Show what undo will put back")->look(),
            LinkLabel::Look::kGrey);

  QTreeWidget* runs = history()->runs();
  auto comeBack = [&] {  // from another program
    QApplication::setActiveWindow(history());
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(history());
  };
  EXPECT_EQ(otherRun->Finish(), "");
  otherRun.reset();
  comeBack();
  ASSERT_EQ(runs->topLevelItemCount(), 1);
  EXPECT_EQ(runs->topLevelItem(0)->text(4), "not undone");
  EXPECT_EQ(runs->currentItem(), runs->topLevelItem(0));
  otherRun.emplace(&store, RealFileSystem(),
                   RunHeader{RunKind::kTidyup, 1798761700, folder.path(), {}});
  ASSERT_FALSE(otherRun->fileSystem().Rename(Song("One.mp3"), Song("Uno.mp3")));
  EXPECT_EQ(otherRun->Finish(), "");
  otherRun.reset();
  comeBack();
  ASSERT_EQ(runs->topLevelItemCount(), 2);
  EXPECT_EQ(runs->currentItem(), runs->topLevelItem(1));  // the run the user had picked
  // Runs that cannot be trusted now are said to be so once, and the list stays: coming
  // back from that message reads nothing, which would bring it back for ever.
  const std::string journals = folder / "state/tunewick";
  ::chmod(journals.c_str(), 0777);
  comeBack();
  EXPECT_EQ(dialogs.Messages().size(), 2u);
  ComeBackFromAMessageOver(history());
  ::chmod(journals.c_str(), 0700);
  EXPECT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_EQ(runs->topLevelItemCount(), 2);
}

// A run whose journal fills its disk stops there, and a message says why: the results then
// say the run stopped early, not that it was cancelled.
TEST_F(TidyupWindows, ARunWhoseJournalFillsItsDiskSaysItStoppedEarly) {
  MountedImage image(MountedImage::Kind::kFat, 2);
  if (!image.unavailable().empty()) GTEST_SKIP() << image.unavailable();
  struct statvfs room {};
  ASSERT_EQ(::statvfs(image.path().c_str(), &room), 0);
  WriteFile(image / "filler", std::string(room.f_bavail * room.f_frsize - (24 << 10), 'x'));
  journalFolder = image / "tunewick";
  std::vector<SongFile> songs;
  for (int i = 0; i < 400; ++i) songs.emplace_back("x-y " + std::to_string(i) + ".mp3", "");
  StartWithSongs(songs);
  RunTidyup();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].startsWith(
      "Tunewick could not record more of this run and stopped it after "))
      << dialogs.Messages()[0].toStdString();
  EXPECT_EQ(OnScreen(), "results");
  const QLabel* stopped =
      Find<QLabel>(results(), "The tidy-up stopped early: the counts are what it did.");
  ASSERT_NE(stopped, nullptr);
  EXPECT_TRUE(stopped->isVisible());
  int counted = 0;
  for (int row = 0; row < 5; ++row) counted += results()->Counter(row).toInt();
  EXPECT_GT(counted, 0);
  EXPECT_LT(counted, 800);  // a dash and a capital for each song, had it gone on
}

TEST_F(TidyupWindows, ARunThatCannotBeRecordedAsksWhetherToGoOnWithoutUndo) {
  StartWithSongs({"01 one.mp3"});
  folder.MakeFile("state/tunewick", "a file in the journals' place");
  OpenConfirmation();
  Click(confirm(), "Continue");  // answered Cancel
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, ScriptedDialogs::Kind::kWarningYesCancel);
  EXPECT_TRUE(dialogs.shown()[0].text.startsWith(
      QString::fromStdString("Tunewick cannot record this run, so it could not be undone: \"" +
                             folder / "state/tunewick" + "\": Not a directory")))
      << dialogs.shown()[0].text.toStdString();
  EXPECT_EQ(OnScreen(), "confirm");
  EXPECT_TRUE(RealFileSystem().FileExists(Song("01 one.mp3")));

  dialogs.QueueAnswer(true);
  Click(confirm(), "Continue");
  EXPECT_EQ(OnScreen(), "results");
  EXPECT_TRUE(RealFileSystem().FileExists(Song("One.mp3")));
  EXPECT_FALSE(Find<LinkLabel>(results(), "Undo this tidy-up")->isVisible());
}

// With nothing renamed, the results show a small panel of their own: a message when the
// library holds no songs, else an offer to fix the songs still named incorrectly; but
// renames that were all refused lead to their list.
TEST_F(TidyupWindows, NothingRenamedEndsCleanAndOffersToFixTheSongsLeftButRefusalsAreListed) {
  StartWithSongs({});
  RunTidyup();
  EXPECT_EQ(dialogs.Messages(), Messages{"Debug: No Filenames"});
  EXPECT_TRUE(results()->IsShowingCleanPanel());
  Press(results(), Qt::Key_Escape);
  results()->ShowChangedFiles();
  EXPECT_EQ(dialogs.Messages(), (Messages{"Debug: No Filenames", "No files were fixed"}));
  EXPECT_EQ(OnScreen(), "main");

  folder.MakeFile("music/Artist Song.mp3");
  folder.MakeFile("music/A - B - C.mp3");
  RunTidyup();
  EXPECT_TRUE(results()->IsShowingCleanPanel());
  EXPECT_NE(Find<LinkLabel>(
                results(), "However 2 songs are still named incorrectly.  Click here to fix them."),
            nullptr);

  // The count follows the disk each time the window comes back.
  folder.MakeFile("music/Third.mp3");
  results()->hide();
  results()->show();
  Click(Find<LinkLabel>(results(),
                        "However 3 songs are still named incorrectly.  Click here to fix them."));
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->gui().SongListOrigin, SongListOpenedFrom::kTidyupResults);
  Press(main(), Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "results");
  // So it does when the user comes back to it from elsewhere, but not from a message of the
  // program over it: a refresh that failed would bring its message back for ever.
  QApplication::setActiveWindow(results());
  folder.MakeFile("music/Fourth.mp3");
  auto offerFor = [&](int songs) {
    return Find<LinkLabel>(results(), "However " + QString::number(songs) +
                                          " songs are still named incorrectly.  Click here "
                                          "to fix them.");
  };
  ComeBackFromAMessageOver(results());
  EXPECT_NE(offerFor(3), nullptr);
  QApplication::setActiveWindow(main());
  QApplication::setActiveWindow(results());
  EXPECT_NE(offerFor(4), nullptr);

  Click(results()->cleanCloseButton());
  folder.MakeFile("music/Intro.mp3");
  folder.MakeFile("music/01 Intro.mp3");
  RunTidyup();
  EXPECT_TRUE(results()->IsShowingResults());
  Click(results(), "View a list of files changed");
  EXPECT_EQ(ListLines(),
            (std::vector<std::string>{kFailuresHeading.data(),
                                      "'" + Song("01 Intro.mp3") + "' could not be renamed to '" +
                                          Song("Intro.mp3") + "': File exists"}));
}

}  // namespace
}  // namespace tunewick::testing
