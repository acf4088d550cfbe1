#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "app/about_window.h"
#include "app/main_window.h"
#include "catalogue/song_list_view.h"
#include "library/library_editor.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "platform/look.h"
#include "reports/changed_files_window.h"
#include "reports/tidyup_results_window.h"
#include "songtools/correction_dialog.h"
#include "songtools/preview_window.h"
#include "support/app_fixture.h"
#include "tidyup/tidyup_confirm_window.h"

namespace tunewick {
namespace {

using testing::FindButton;
using testing::FindLabel;
using testing::FindLink;
using testing::OffCentre;

class MainWindowTest : public testing::AppFixture {
 protected:
  MainWindow* main() { return app->windows().mainWindow; }

  // A library of one folder holding the given song files.
  std::string MakeLibrary(const std::vector<std::string>& songs) {
    const std::string music = folder.MakeFolder("music");
    for (const std::string& song : songs) folder.MakeFile("music/" + song);
    WriteLibrary({music});
    return music;
  }

  void Activate(LinkLabel* link) {
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton);
  }

  QPoint RowCentre(int row) {
    SongListView* list = main()->songList();
    return list->visualRect(list->model()->index(row, 0)).center();
  }
};

void ExpectNearlyCentred(const QWidget* window) {
  const QPoint off = OffCentre(window);
  EXPECT_LE(std::abs(off.x()), 3) << off.x();
  EXPECT_LE(std::abs(off.y()), 3) << off.y();
}

TEST_F(MainWindowTest, StartsOnTheCentredMainMenuWhenALibraryExists) {
  WriteLibrary({folder.path(), ""});
  StartApp();
  EXPECT_TRUE(main()->isVisible());
  EXPECT_EQ(main()->windowTitle(), "Tunewick");
  EXPECT_EQ(main()->size(), QSize(337, 177));
  ExpectNearlyCentred(main());
  EXPECT_FALSE(main()->IsShowingSongList());
  EXPECT_EQ(app->state().LibraryFolders, (TextList{folder.path(), ""}));
  EXPECT_FALSE(app->windows().libraryEditor->isVisible());
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, FirstStartOpensTheLibraryEditorWithTheWelcome) {
  StartApp();
  EXPECT_FALSE(main()->isVisible());
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_EQ(app->windows().libraryEditor->Heading(),
            "Welcome to Tunewick!  Add folders to your Music library to begin");
  EXPECT_EQ(app->state().ReturnTarget, "mainmenu");
}

TEST_F(MainWindowTest, WindowsAreCreatedOnceWithTheirCaptions) {
  WriteLibrary({folder.path()});
  StartApp();
  const WindowRegistry& windows = app->windows();
  EXPECT_EQ(windows.correctionDialog->windowTitle(), "Correct song filename");
  EXPECT_EQ(windows.correctionDialog->size(), QSize(582, 230));
  EXPECT_EQ(windows.previewWindow->windowTitle(), "Preview song");
  EXPECT_EQ(windows.aboutWindow->windowTitle(), "About");
  EXPECT_EQ(windows.libraryEditor->windowTitle(), "Your Music Library");
  EXPECT_EQ(windows.tidyupConfirmWindow->windowTitle(), "Orvane");
  EXPECT_EQ(windows.tidyupConfirmWindow->size(), QSize(416, 154));
  EXPECT_EQ(windows.tidyupResultsWindow->windowTitle(), "Automatic Tidy-up results");
  for (QWidget* window :
       {static_cast<QWidget*>(windows.correctionDialog),
        static_cast<QWidget*>(windows.previewWindow), static_cast<QWidget*>(windows.aboutWindow),
        static_cast<QWidget*>(windows.libraryEditor),
        static_cast<QWidget*>(windows.tidyupConfirmWindow),
        static_cast<QWidget*>(windows.tidyupResultsWindow),
        static_cast<QWidget*>(windows.changedFilesWindow)})
    EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
}

TEST_F(MainWindowTest, MainMenuLinksCarryTheirHintsAndLightUpUnderThePointer) {
  WriteLibrary({folder.path()});
  StartApp();
  EXPECT_EQ(FindLabel(main(), "What do you want to do?")->palette().color(QPalette::WindowText),
            look::kHeading);
  const std::pair<const char*, const char*> links[] = {
      {"View folders in your Music Library",
       "Open your music library to add, modify or remove the folders that Orvelle searches for "
       "your Music."},
      {"Fix song names that include basic information",
       "This looks for songs in the directories in your Music Library, and fixes thier filenames."},
      {"Help name the rest of your songs",
       "Get help editing music filenames that don't conform to the \"Artist Name - Song name.ext\" "
       "filename standard."},
      {"About", "Get information about the creator of Orvelle"},
  };
  for (const auto& [text, hint] : links) {
    LinkLabel* link = FindLink(main(), text);
    ASSERT_NE(link, nullptr) << text;
    EXPECT_EQ(link->toolTip(), hint);
    EXPECT_EQ(link->accessibleName(), text);
    EXPECT_EQ(link->font().pixelSize(), 12);
    EXPECT_EQ(look::TextColor(link), look::kLink);
    QTest::mouseMove(link, link->rect().center());
    EXPECT_EQ(look::TextColor(link), look::kLinkHover) << text;
    EXPECT_TRUE(link->font().underline()) << text;
    QTest::mouseMove(main(), QPoint(2, main()->height() - 2));
    EXPECT_EQ(look::TextColor(link), look::kLink) << text;
    EXPECT_FALSE(link->font().underline()) << text;
  }
  EXPECT_EQ(FindButton(main(), "Cl&ose")->toolTip(), "Close the application.");
}

TEST_F(MainWindowTest, MainMenuLinksLeadToTheirWindows) {
  WriteLibrary({folder.path()});
  StartApp();
  Activate(FindLink(main(), "About"));
  EXPECT_TRUE(app->windows().aboutWindow->isVisible());
  EXPECT_TRUE(main()->isVisible());
  FindButton(app->windows().aboutWindow, "Close this Window")->click();
  EXPECT_FALSE(app->windows().aboutWindow->isVisible());

  Activate(FindLink(main(), "Fix song names that include basic information"));
  EXPECT_TRUE(app->windows().tidyupConfirmWindow->isVisible());
  EXPECT_FALSE(main()->isVisible());
  app->windows().tidyupConfirmWindow->hide();
  main()->show();

  app->state().ReturnTarget = "renamefiles";
  Activate(FindLink(main(), "View folders in your Music Library"));
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_FALSE(main()->isVisible());
  EXPECT_EQ(app->state().ReturnTarget, "mainmenu");
}

TEST_F(MainWindowTest, LinksAnswerTheKeyboard) {
  WriteLibrary({folder.path()});
  StartApp();
  LinkLabel* about = FindLink(main(), "About");
  about->setFocus();
  QTest::keyClick(about, Qt::Key_Return);
  EXPECT_TRUE(app->windows().aboutWindow->isVisible());
  app->windows().aboutWindow->hide();
  QTest::keyClick(about, Qt::Key_Space);
  EXPECT_TRUE(app->windows().aboutWindow->isVisible());
}

TEST_F(MainWindowTest, SongListWithIncorrectSongsShowsTheList) {
  const std::string music = MakeLibrary({"Artist - Song.mp3", "Artist_Song.mp3", "A - B - C.wav"});
  StartApp();
  Activate(FindLink(main(), "Help name the rest of your songs"));
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_FALSE(main()->IsShowingCongratulations());
  EXPECT_EQ(main()->size(), QSize(637, 313));
  ExpectNearlyCentred(main());
  EXPECT_EQ(app->state().IncorrectSongs,
            (std::vector<SongPath>{music + "/Artist_Song.mp3", music + "/A - B - C.wav"}));
  SongListView* list = main()->songList();
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->model()->rowCount(), 2);
  EXPECT_EQ(list->model()->index(0, 0).data().toString().toStdString(), music + "/Artist_Song.mp3");
  EXPECT_TRUE(FindLabel(main(), "Correct your song filenames")->isVisible());
  EXPECT_TRUE(FindLabel(main(), "Right-click on a filename to edit, preview or delete the song")
                  ->isVisible());
  EXPECT_TRUE(FindLink(main(), "Fix songs using ID3 tags")->isVisible());
  EXPECT_FALSE(FindLabel(main(), "Congratulations")->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the hourglass is gone again

  const QFontMetrics metrics(list->font());
  EXPECT_EQ(list->HorizontalExtent(),
            std::max(metrics.horizontalAdvance(QString::fromStdString(music + "/Artist_Song.mp3x")),
                     metrics.horizontalAdvance(QString::fromStdString(music + "/A - B - C.wavx"))));
}

TEST_F(MainWindowTest, SongListWithoutIncorrectSongsCongratulates) {
  MakeLibrary({"Artist - Song.mp3"});
  StartApp();
  Activate(FindLink(main(), "Help name the rest of your songs"));
  EXPECT_TRUE(main()->IsShowingCongratulations());
  EXPECT_TRUE(FindLabel(main(), "Congratulations")->isVisible());
  EXPECT_TRUE(FindLabel(main(), "All of your filenames make sense!")->isVisible());
  EXPECT_FALSE(main()->songList()->isVisible());
  EXPECT_FALSE(FindLabel(main(), "Correct your song filenames")->isVisible());
  EXPECT_EQ(main()->songList()->HorizontalExtent(), 0);
  // "View folders..." and "Look for changes..." stay in both states.
  EXPECT_TRUE(FindLink(main(), "View folders in your Music library")->isVisible());
  EXPECT_TRUE(FindLink(main(), "Look for changes to your music folder or songs")->isVisible());

  Activate(FindLink(main(), "Click here to go back to the menu"));
  EXPECT_FALSE(main()->IsShowingSongList());
  EXPECT_EQ(main()->size(), QSize(337, 177));
  ExpectNearlyCentred(main());
}

TEST_F(MainWindowTest, RefreshFindsSongsAddedMeanwhile) {
  const std::string music = MakeLibrary({"Artist - Song.mp3"});
  StartApp();
  main()->OpenSongList();
  EXPECT_TRUE(main()->IsShowingCongratulations());
  folder.MakeFile("music/new song.mp3");
  Activate(FindLink(main(), "Look for changes to your music folder or songs"));
  EXPECT_FALSE(main()->IsShowingCongratulations());
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{music + "/new song.mp3"}));
  // The list scrolls over its new entries.
  const QFontMetrics metrics(main()->songList()->font());
  EXPECT_EQ(main()->songList()->HorizontalExtent(),
            metrics.horizontalAdvance(QString::fromStdString(music + "/new song.mp3x")));
}

TEST_F(MainWindowTest, BackArrowReturnsToTheTidyupResultsWhenOpenedFromThere) {
  MakeLibrary({"song.mp3"});
  StartApp();
  main()->OpenSongList();
  app->state().SongListOrigin = "tidyup";
  QAbstractButton* back = nullptr;
  for (QAbstractButton* button : main()->findChildren<QAbstractButton*>())
    if (button->toolTip() == "Go Back") back = button;
  ASSERT_NE(back, nullptr);
  back->click();
  EXPECT_FALSE(main()->isVisible());
  EXPECT_TRUE(app->windows().tidyupResultsWindow->isVisible());
  EXPECT_TRUE(app->state().SongListOrigin.empty());
  main()->show();
  EXPECT_FALSE(main()->IsShowingSongList());
  EXPECT_EQ(main()->size(), QSize(337, 177));

  // Without that origin the arrow simply goes back to the menu.
  main()->OpenSongList();
  back->click();
  EXPECT_TRUE(main()->isVisible());
  EXPECT_FALSE(main()->IsShowingSongList());
}

TEST_F(MainWindowTest, RightClickOnAnEntryRemembersItAndOpensTheSongMenu) {
  const std::string music = MakeLibrary({"one.mp3", "two.mp3"});
  StartApp();
  main()->OpenSongList();
  SongListView* list = main()->songList();
  list->setCurrentIndex(list->model()->index(0, 0));
  QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(1));
  EXPECT_EQ(app->state().SelectedSong, music + "/two.mp3");
  EXPECT_EQ(list->currentIndex().row(), 0);  // the selection stays where it was
  QMenu* menu = main()->songMenu();
  EXPECT_TRUE(menu->isVisible());
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), "Fix this name");
  EXPECT_EQ(menu->actions()[1]->text(), "Delete this song");
  EXPECT_EQ(menu->actions()[2]->text(), "Preview this song");
  for (QAction* action : menu->actions()) EXPECT_FALSE(action->icon().isNull());
  menu->hide();
}

TEST_F(MainWindowTest, RightClickIgnoresModifiersOtherButtonsAndEmptySpace) {
  MakeLibrary({"one.mp3"});
  StartApp();
  main()->OpenSongList();
  SongListView* list = main()->songList();
  for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    QTest::mouseClick(list->viewport(), Qt::RightButton, modifier, RowCentre(0));
    EXPECT_TRUE(app->state().SelectedSong.empty());
  }
  QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier,
                    QPoint(10, list->viewport()->height() - 5));  // below the last entry
  EXPECT_TRUE(app->state().SelectedSong.empty());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
  EXPECT_TRUE(app->state().SelectedSong.empty());
  EXPECT_EQ(list->currentIndex().row(), 0);  // a left click selects as usual
  EXPECT_FALSE(main()->songMenu()->isVisible());
  QTest::mouseDClick(list->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
  main()->songMenu()->hide();
  app->state().SelectedSong.clear();
  // The second click of a double-click alone does nothing.
  QMouseEvent second(QEvent::MouseButtonDblClick, RowCentre(0),
                     list->viewport()->mapToGlobal(RowCentre(0)), Qt::RightButton, Qt::RightButton,
                     Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &second);
  EXPECT_TRUE(app->state().SelectedSong.empty());
  EXPECT_FALSE(main()->songMenu()->isVisible());
}

TEST_F(MainWindowTest, RightClickOnASongThatVanishedEmptiesTheList) {
  const std::string music = MakeLibrary({"one.mp3", "two.mp3"});
  StartApp();
  main()->OpenSongList();
  ::unlink((music + "/one.mp3").c_str());
  QTest::mouseClick(main()->songList()->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
  EXPECT_EQ(app->state().SelectedSong, music + "/one.mp3");
  EXPECT_FALSE(main()->songMenu()->isVisible());
  EXPECT_TRUE(app->state().IncorrectSongs.empty());
  EXPECT_TRUE(app->state().AllSongs.empty());
  EXPECT_EQ(main()->songList()->model()->rowCount(), 0);
  // The list keeps its heading until the next name check.
  EXPECT_TRUE(FindLabel(main(), "Correct your song filenames")->isVisible());
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, NamesThatAreNotUtf8AreSelectedByteForByte) {
  const std::string odd = "caf\xe9 \"live\"\nversion.mp3";
  const std::string music = MakeLibrary({odd});
  StartApp();
  main()->OpenSongList();
  ASSERT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{music + "/" + odd}));
  QTest::mouseClick(main()->songList()->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
  EXPECT_EQ(app->state().SelectedSong, music + "/" + odd);
  EXPECT_TRUE(main()->songMenu()->isVisible());
  main()->songMenu()->hide();
}

TEST_F(MainWindowTest, AnUnreadableLibraryFileIsReportedAndTheProgramGoesOn) {
  folder.MakeFolder("searchfolders");  // exists, but cannot be read as a file
  StartApp();
  // A folder in the library file's place is not a library file: the welcome flow runs.
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());

  app.reset();
  dialogs.Clear();
  ::rmdir(LibraryFile().c_str());
  WriteLibrary({folder.path()});
  StartApp();
  ::unlink(LibraryFile().c_str());
  main()->OpenSongList();
  // The scan opens the library editor when the library file has gone, main window stays.
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_TRUE(main()->isVisible());

  // Resetting the lists needs the file: its absence is reported in a message box.
  folder.MakeFile("music/one.mp3");
  WriteLibrary({folder / "music"});
  main()->OpenSongList();
  ::unlink(LibraryFile().c_str());
  ::unlink((folder / "music/one.mp3").c_str());
  QTest::mouseClick(main()->songList()->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].contains("searchfolders"));
  EXPECT_TRUE(dialogs.Messages()[0].contains("No such file or directory"));
  EXPECT_TRUE(app->state().IncorrectSongs.empty());
}

TEST_F(MainWindowTest, ALibraryFileThatCannotBeReadIsReportedAndTheHourglassGoes) {
  ASSERT_EQ(::mkfifo(LibraryFile().c_str(), 0644), 0);
  StartApp();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].startsWith("Cannot open file"));
  EXPECT_TRUE(main()->isVisible());
  EXPECT_FALSE(app->windows().libraryEditor->isVisible());

  Activate(FindLink(main(), "Help name the rest of your songs"));
  EXPECT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, CloseButtonEndsTheProgramAndKeepsTheLibrary) {
  WriteLibrary({folder.path()});
  StartApp();
  FindButton(main(), "Cl&ose")->click();
  EXPECT_TRUE(app->state().TerminationRequested);
  EXPECT_EQ(terminationRequests, 1);
  app.reset();  // the windows go without their close handlers
  EXPECT_TRUE(RealFileSystem().FileExists(LibraryFile()));
}

TEST_F(MainWindowTest, ClosingTheMainWindowDeletesTheLibraryUnlessKept) {
  WriteLibrary({folder.path()});
  StartApp();
  main()->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(RealFileSystem().FileExists(LibraryFile()));

  app.reset();
  StartApp();
  auto* keep = FindButton(app->windows().libraryEditor,
                          "Keep my music library (I plan to run this tool again)");
  ASSERT_NE(keep, nullptr);
  keep->click();  // untick
  main()->close();
  EXPECT_FALSE(RealFileSystem().FileExists(LibraryFile()));
}

TEST_F(MainWindowTest, ClosingASecondaryWindowEndsTheProgram) {
  WriteLibrary({folder.path()});
  StartApp();
  const WindowRegistry& windows = app->windows();
  for (QWidget* window : {static_cast<QWidget*>(windows.libraryEditor),
                          static_cast<QWidget*>(windows.correctionDialog),
                          static_cast<QWidget*>(windows.previewWindow)}) {
    app->state().TerminationRequested = false;
    terminationRequests = 0;
    window->show();
    window->close();
    EXPECT_TRUE(app->state().TerminationRequested) << window->windowTitle().toStdString();
    EXPECT_EQ(terminationRequests, 1) << window->windowTitle().toStdString();
  }
  // The confirmation window ends the program even when that was asked for already.
  terminationRequests = 0;
  windows.tidyupConfirmWindow->show();
  windows.tidyupConfirmWindow->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(RealFileSystem().FileExists(LibraryFile()));
}

TEST_F(MainWindowTest, MinimisingTheAboutWindowMinimisesTheApplication) {
  WriteLibrary({folder.path()});
  StartApp();
  app->windows().aboutWindow->show();
  app->windows().aboutWindow->showMinimized();
  ProcessEvents();
  EXPECT_TRUE(main()->isMinimized());
}

TEST_F(MainWindowTest, RefreshTimerWaitsForTheCorrectionDialogToGo) {
  const std::string music = MakeLibrary({"Artist - Song.mp3"});
  StartApp();
  main()->OpenSongList();
  folder.MakeFile("music/new.mp3");
  app->windows().correctionDialog->show();
  main()->ArmRefreshTimer();
  ProcessEvents();
  EXPECT_TRUE(app->state().IncorrectSongs.empty());  // the dialog was still open: no refresh
  app->windows().correctionDialog->hide();
  main()->ArmRefreshTimer();
  ProcessEvents();
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{music + "/new.mp3"}));
}

TEST_F(MainWindowTest, ChangesUnderTheWatchedTreeOpenTheSongList) {
  const std::string music = MakeLibrary({"Artist - Song.mp3"});
  folder.MakeFolder("rfMyComputer");
  StartApp();
  EXPECT_FALSE(main()->IsShowingSongList());
  folder.MakeFile("rfMyComputer/a.txt");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 3000));

  // Folders that appear later are watched too.
  main()->ShowMainMenu();
  folder.MakeFolder("rfMyComputer/later");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 3000));
  main()->ShowMainMenu();
  ProcessEvents(100);
  main()->ShowMainMenu();
  folder.MakeFile("rfMyComputer/later/b.txt");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 3000));
}

TEST_F(MainWindowTest, WithoutTheWatchedFolderNothingIsWatched) {
  MakeLibrary({"Artist - Song.mp3"});
  StartApp();
  folder.MakeFile("music/more.mp3");
  ProcessEvents(200);
  EXPECT_FALSE(main()->IsShowingSongList());
}

}  // namespace
}  // namespace tunewick
