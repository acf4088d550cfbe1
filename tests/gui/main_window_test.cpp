#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
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
using Songs = std::vector<SongPath>;

class MainWindowTest : public testing::AppFixture {
 protected:
  MainWindow* main() { return app->windows().mainWindow; }

  // Starts on a library of one folder holding the given song files; returns the folder.
  std::string StartWithSongs(const std::vector<std::string>& songs) {
    const std::string music = folder.MakeFolder("music");
    for (const std::string& song : songs) folder.MakeFile("music/" + song);
    WriteLibrary({music});
    StartApp();
    return music;
  }

  void Activate(const char* link) {
    LinkLabel* found = FindLink(main(), link);
    ASSERT_NE(found, nullptr) << link;
    QTest::mouseClick(found, Qt::LeftButton);
  }
  bool Shows(const char* text) {
    QWidget* found = FindLabel(main(), text);
    return found && found->isVisible();
  }

  QPoint RowCentre(int row) {
    SongListView* list = main()->songList();
    return list->visualRect(list->model()->index(row, 0)).center();
  }
  void RightClick(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(main()->songList()->viewport(), Qt::RightButton, modifiers, RowCentre(row));
  }

  // The main menu, at its own size.
  void ExpectMainMenu() {
    EXPECT_FALSE(main()->IsShowingSongList());
    EXPECT_EQ(main()->size(), QSize(337, 177));
  }
};

TEST_F(MainWindowTest, StartsOnTheMainMenuWithTheOtherWindowsHidden) {
  WriteLibrary({folder.path(), ""});
  StartApp();
  ExpectMainMenu();
  EXPECT_EQ(app->state().LibraryFolders, (TextList{folder.path(), ""}));
  EXPECT_TRUE(dialogs.shown().empty());

  const WindowRegistry& w = app->windows();
  for (QWidget* window : std::initializer_list<QWidget*>{
           w.correctionDialog, w.previewWindow, w.aboutWindow, w.libraryEditor,
           w.tidyupConfirmWindow, w.tidyupResultsWindow, w.changedFilesWindow})
    EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
}

TEST_F(MainWindowTest, MainMenuLinksLightUpAndLeadToTheirWindows) {
  StartWithSongs({});
  LinkLabel* about = FindLink(main(), "About");
  QTest::mouseMove(about, about->rect().center());
  EXPECT_EQ(look::TextColor(about), look::kLinkHover);
  EXPECT_TRUE(about->font().underline());
  QTest::mouseMove(main(), QPoint(2, main()->height() - 2));
  EXPECT_EQ(look::TextColor(about), look::kLink);
  EXPECT_FALSE(about->font().underline());

  Activate("About");
  QWidget* aboutWindow = app->windows().aboutWindow;
  EXPECT_TRUE(aboutWindow->isVisible());
  EXPECT_TRUE(main()->isVisible());
  for (QLabel* label : aboutWindow->findChildren<QLabel*>()) {  // nothing cut at the edge
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    EXPECT_LE(label->geometry().right(), aboutWindow->width()) << label->text().toStdString();
  }
  FindButton(app->windows().aboutWindow, "Close this Window")->click();
  EXPECT_FALSE(app->windows().aboutWindow->isVisible());

  app->state().ReturnTarget = "renamefiles";
  Activate("View folders in your Music Library");
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_FALSE(main()->isVisible());
  EXPECT_EQ(app->state().ReturnTarget, "mainmenu");
}

TEST_F(MainWindowTest, SongListWithIncorrectSongsShowsTheListEveryEntryReadableToItsEnd) {
  const std::string longest = std::string(150, 'w') + ".mp3";
  const std::string music =
      StartWithSongs({"Artist - Song.mp3", "Artist_Song.mp3", "A - B - C.wav", longest});
  Activate("Help name the rest of your songs");
  EXPECT_FALSE(main()->IsShowingCongratulations());
  EXPECT_EQ(main()->size(), QSize(617, 273));
  const Songs incorrect{music + "/Artist_Song.mp3", music + "/" + longest,
                        music + "/A - B - C.wav"};
  EXPECT_EQ(app->state().IncorrectSongs, incorrect);
  SongListView* list = main()->songList();
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->model()->rowCount(), 3);
  EXPECT_EQ(list->model()->index(0, 0).data().toString().toStdString(), incorrect[0]);
  EXPECT_TRUE(Shows("Correct your song filenames"));
  EXPECT_FALSE(Shows("Congratulations"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the hourglass is gone again
  const QFontMetrics metrics(list->font());
  const int longestWidth = metrics.horizontalAdvance(QString::fromStdString(incorrect[1]));
  EXPECT_EQ(list->HorizontalExtent(),
            metrics.horizontalAdvance(QString::fromStdString(incorrect[1] + "x")));
  // Scrolled fully right, the longest entry's text ends inside the list, the margins the
  // style keeps around an item's text included.
  ProcessEvents();
  list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
  const QRect row = list->visualRect(list->model()->index(1, 0));
  const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  EXPECT_GT(longestWidth, list->viewport()->width());
  EXPECT_GE(row.width(), longestWidth + 2 * margin);
  EXPECT_LE(row.right(), list->viewport()->width());
}

TEST_F(MainWindowTest, CongratulationsLeadBackToTheMenuAndRefreshFindsNewSongs) {
  const std::string music = StartWithSongs({"Artist - Song.mp3"});
  Activate("Help name the rest of your songs");
  EXPECT_TRUE(main()->IsShowingCongratulations());
  EXPECT_TRUE(Shows("Congratulations"));
  EXPECT_TRUE(Shows("All of your filenames make sense!"));
  EXPECT_FALSE(main()->songList()->isVisible());
  EXPECT_FALSE(Shows("Correct your song filenames"));
  Activate("Click here to go back to the menu");
  ExpectMainMenu();

  main()->OpenSongList();
  folder.MakeFile("music/new song.mp3");
  Activate("Look for changes to your music folder or songs");
  EXPECT_FALSE(main()->IsShowingCongratulations());
  EXPECT_EQ(app->state().IncorrectSongs, Songs{music + "/new song.mp3"});
  EXPECT_EQ(main()->songList()->model()->rowCount(), 1);
  // The list scrolls over its new entries, not over the old ones.
  const QFontMetrics metrics(main()->songList()->font());
  EXPECT_EQ(main()->songList()->HorizontalExtent(),
            metrics.horizontalAdvance(QString::fromStdString(music + "/new song.mp3x")));
}

TEST_F(MainWindowTest, RightClickOrTheMenuKeysRememberTheSongByteForByteAndOpenTheSongMenu) {
  const std::string odd = "caf\xe9 \"live\"\nversion.mp3";  // not UTF-8, first in byte order
  const std::string music = StartWithSongs({"one.mp3", odd});
  main()->OpenSongList();
  SongListView* list = main()->songList();
  // Shown with visible marks in place of the stray byte and the newline.
  EXPECT_EQ(
      list->model()->index(0, 0).data().toString(),
      QString::fromStdString(music) + QString::fromUtf16(u"/caf\uFFFD \"live\"\u240Aversion.mp3"));
  list->setCurrentIndex(list->model()->index(1, 0));
  RightClick(0);
  EXPECT_EQ(app->state().SelectedSong, music + "/" + odd);
  EXPECT_EQ(list->currentIndex().row(), 1);  // the selection stays where it was
  EXPECT_TRUE(main()->songMenu()->isVisible());
  main()->songMenu()->hide();

  // From the keyboard, for the current entry: the Menu key and Shift+F10, nothing else.
  for (auto [key, modifiers, opens] : {std::tuple{Qt::Key_F10, Qt::NoModifier, false},
                                       {Qt::Key_Menu, Qt::ControlModifier, false},
                                       {Qt::Key_Menu, Qt::NoModifier, true},
                                       {Qt::Key_F10, Qt::ShiftModifier, true}}) {
    app->state().SelectedSong.clear();
    QTest::keyClick(list, key, modifiers);
    EXPECT_EQ(app->state().SelectedSong, opens ? music + "/one.mp3" : "") << key;
    EXPECT_EQ(main()->songMenu()->isVisible(), opens) << key;
    main()->songMenu()->hide();
  }
}

TEST_F(MainWindowTest, RightClickIgnoresModifiersOtherButtonsAndEmptySpace) {
  StartWithSongs({"one.mp3"});
  main()->OpenSongList();
  SongListView* list = main()->songList();
  for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
    RightClick(0, modifier);
  QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier,
                    QPoint(10, list->viewport()->height() - 5));  // below the last entry
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
  EXPECT_TRUE(app->state().SelectedSong.empty());
  EXPECT_EQ(list->currentIndex().row(), 0);  // a left click selects as usual
  EXPECT_FALSE(main()->songMenu()->isVisible());

  // The second click of a double-click alone does nothing.
  QMouseEvent second(QEvent::MouseButtonDblClick, RowCentre(0),
                     list->viewport()->mapToGlobal(RowCentre(0)), Qt::RightButton, Qt::RightButton,
                     Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &second);
  EXPECT_TRUE(app->state().SelectedSong.empty());
  EXPECT_FALSE(main()->songMenu()->isVisible());
}

TEST_F(MainWindowTest, RightClickOnASongThatVanishedListsTheSongsLeft) {
  const std::string music = StartWithSongs({"one.mp3", "two.mp3"});
  main()->OpenSongList();
  ::unlink((music + "/one.mp3").c_str());
  RightClick(0);
  EXPECT_EQ(app->state().SelectedSong, music + "/one.mp3");
  EXPECT_FALSE(main()->songMenu()->isVisible());
  EXPECT_EQ(app->state().IncorrectSongs, Songs{music + "/two.mp3"});
  EXPECT_EQ(main()->songList()->model()->rowCount(), 1);
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MainWindowTest, AMissingLibraryFileOpensTheEditor) {
  StartWithSongs({"one.mp3"});
  ::unlink(LibraryFile().c_str());
  main()->OpenSongList();
  // The scan opens the library editor when the library file has gone, main window stays.
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_TRUE(main()->isVisible());
}

TEST_F(MainWindowTest, ALibraryFileThatCannotBeReadIsReportedAndTheHourglassGoes) {
  ASSERT_EQ(::mkfifo(LibraryFile().c_str(), 0644), 0);
  StartApp();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].startsWith("Cannot open file"));
  EXPECT_TRUE(main()->isVisible());
  EXPECT_FALSE(app->windows().libraryEditor->isVisible());

  Activate("Help name the rest of your songs");
  EXPECT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Every way out ends the program with no window asked to close and no message on the way;
// only the main window's own close box deletes the library file, and only when it is not
// kept. Secondary windows are closed while the main window is up.
TEST_F(MainWindowTest, EveryWayOutEndsTheProgramAndOnlyTheMainCloseBoxMayDropTheLibrary) {
  const std::string music = folder.MakeFolder("music");
  using Window = QWidget* (*)(const WindowRegistry&);
  const std::pair<const char*, Window> closeBoxes[] = {
      {"main window", [](const WindowRegistry& w) -> QWidget* { return w.mainWindow; }},
      {"Cl&ose", nullptr},
      {"library editor", [](const WindowRegistry& w) -> QWidget* { return w.libraryEditor; }},
      {"correction dialog", [](const WindowRegistry& w) -> QWidget* { return w.correctionDialog; }},
      {"preview", [](const WindowRegistry& w) -> QWidget* { return w.previewWindow; }},
      {"confirmation", [](const WindowRegistry& w) -> QWidget* { return w.tidyupConfirmWindow; }},
  };
  for (const auto& [name, window] : closeBoxes) {
    for (bool keep : {true, false}) {
      SCOPED_TRACE(std::string(name) + (keep ? ", kept" : ", not kept"));
      WriteLibrary({music});
      StartApp();
      app->windows().libraryEditor->keepLibraryBox()->setChecked(keep);
      EXPECT_TRUE(EndsTheProgram([&, window = window] {
        const WindowRegistry& w = app->windows();
        if (!window) return FindButton(main(), "Cl&ose")->click();
        window(w)->show();
        window(w)->close();
      }));
      EXPECT_TRUE(dialogs.shown().empty());
      app.reset();
      const bool mainCloseBox = window == closeBoxes[0].second;
      EXPECT_EQ(RealFileSystem().FileExists(LibraryFile()), keep || !mainCloseBox);
    }
  }
}

TEST_F(MainWindowTest, ChangesUnderTheWatchedTreeOpenTheSongList) {
  folder.MakeFolder("rfMyComputer");
  StartWithSongs({"Artist - Song.mp3"});
  EXPECT_FALSE(main()->IsShowingSongList());
  folder.MakeFile("rfMyComputer/a.txt");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 10000));

  // Folders that appear later are watched too.
  main()->ShowMainMenu();
  folder.MakeFolder("rfMyComputer/later");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 10000));
  ProcessEvents(100);
  main()->ShowMainMenu();
  folder.MakeFile("rfMyComputer/later/b.txt");
  EXPECT_TRUE(QTest::qWaitFor([&] { return main()->IsShowingSongList(); }, 10000));
}

TEST_F(MainWindowTest, WithoutTheWatchedFolderNothingIsWatched) {
  StartWithSongs({"Artist - Song.mp3"});
  folder.MakeFile("music/more.mp3");
  ProcessEvents(200);
  EXPECT_FALSE(main()->IsShowingSongList());
}

}  // namespace
}  // namespace tunewick
