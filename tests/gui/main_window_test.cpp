// The main window: its menu, the song list and its right-click, the library file as every
// window reads it, the change watch and every way out of the program.

#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <fstream>
#include <thread>

#include "adapters/application.h"
#include "gui_support/app_fixture.h"
#include "widgets/picture_button.h"

namespace tunewick::testing {
namespace {

class MainWindowTest : public AppFixture {
 protected:
  QPoint RowCentre(int row) {
    SongListView* list = main()->songList();
    return list->visualRect(list->model()->index(row, 0)).center();
  }
  void RightClick(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(main()->songList()->viewport(), Qt::RightButton, modifiers, RowCentre(row));
  }
};

// The menu's links lead to their windows. With every name right, the song list congratulates
// and leads back to the menu; a refresh lists the songs named wrongly since, each readable to
// its end.
TEST_F(MainWindowTest, TheMenuLeadsToTheWindowsAndTheSongListToTheIncorrectSongs) {
  StartWithSongs({"Artist - Song.mp3"});
  EXPECT_EQ(OnScreen(), "main");
  // About is a dialog of the main window, and Escape leaves it.
  Click(main(), "About");
  EXPECT_EQ(OnScreen(), "main about");
  QWidget* aboutWindow = app->windows().aboutWindow;
  EXPECT_EQ(aboutWindow->windowHandle()->transientParent(), main()->windowHandle());
  Press(aboutWindow, Qt::Key_Escape);
  Click(main(), "Help name the rest of your songs");
  EXPECT_TRUE(Find<QLabel>(main(), "All of your filenames make sense!")->isVisible());
  EXPECT_TRUE(main()->focusWidget()->isVisible());  // not left behind on the menu
  Click(main(), "Click here to go back to the menu");
  EXPECT_FALSE(main()->IsShowingSongList());
  EXPECT_EQ(main()->focusWidget(), Find<LinkLabel>(main(), "View folders in your Music Library"));

  main()->OpenSongList();
  const std::string longest = std::string(150, 'w') + ".mp3";
  for (const std::string& name : {std::string("Artist_Song.mp3"), longest, std::string("A.wav")})
    folder.MakeFile("music/" + name);
  Click(main(), "Look for changes to your music folder or songs");
  EXPECT_EQ(app->lists().IncorrectSongs,
            (Songs{Song("Artist_Song.mp3"), Song(longest), Song("A.wav")}));
  // Scrolled fully right, the longest entry's text ends inside the list, the margins the
  // style keeps around an item's text included.
  SongListView* list = main()->songList();
  ProcessEvents();
  list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
  const QRect row = list->visualRect(list->model()->index(1, 0));
  const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  EXPECT_GE(
      row.width(),
      list->fontMetrics().horizontalAdvance(QString::fromStdString(Song(longest))) + 2 * margin);
  EXPECT_LE(row.right(), list->viewport()->width());

  // A refresh keeps the current entry on its song, or on its row once the song has gone.
  list->setCurrentIndex(list->model()->index(2, 0));
  folder.MakeFile("music/0 first.mp3");
  main()->RefreshSongList();
  EXPECT_EQ(list->currentIndex().row(), 3);
  ::unlink(Song("A.wav").c_str());
  main()->RefreshSongList();
  EXPECT_EQ(list->currentIndex().row(), 2);

  main()->ShowMainMenu();
  app->gui().ReturnTarget = AfterLibraryEditor::kSongList;
  Click(main(), "View folders in your Music Library");
  EXPECT_EQ(OnScreen(), "editor");
  EXPECT_EQ(app->gui().ReturnTarget, AfterLibraryEditor::kMainMenu);
  EXPECT_TRUE(dialogs.shown().empty());
}

// Only a plain right click on an entry, the Menu key or Shift+F10 opens the song menu (the
// keys with its first entry chosen); the song is remembered byte for byte, and one that
// vanished is dropped from the list instead.
TEST_F(MainWindowTest, TheSongMenuOpensOnlyForAPlainRightClickOrTheMenuKeysOnASongStillThere) {
  const std::string odd = "caf\xe9 \"live\"\nversion.mp3";  // not UTF-8, first in byte order
  StartWithSongs({"one.mp3", odd, "two.mp3"});
  main()->OpenSongList();
  SongListView* list = main()->songList();
  // Shown with visible marks in place of the stray byte and the newline.
  EXPECT_EQ(
      list->model()->index(0, 0).data().toString(),
      QString::fromStdString(music) + QString::fromUtf16(u"/caf\uFFFD \"live\"\u240Aversion.mp3"));
  list->setCurrentIndex(list->model()->index(1, 0));
  RightClick(0);
  EXPECT_EQ(app->gui().SelectedSong, Song(odd));
  EXPECT_EQ(list->currentIndex().row(), 1);  // the selection stays where it was
  EXPECT_TRUE(main()->songMenu()->isVisible());
  EXPECT_EQ(main()->songMenu()->activeAction(), nullptr);
  main()->songMenu()->hide();

  for (auto [key, modifiers, opens] : {std::tuple{Qt::Key_F10, Qt::NoModifier, false},
                                       {Qt::Key_Menu, Qt::ControlModifier, false},
                                       {Qt::Key_Menu, Qt::NoModifier, true},
                                       {Qt::Key_F10, Qt::ShiftModifier, true}}) {
    app->gui().SelectedSong.clear();
    QTest::keyClick(list, key, modifiers);
    EXPECT_EQ(app->gui().SelectedSong, opens ? Song("one.mp3") : "") << key;
    EXPECT_EQ(main()->songMenu()->isVisible(), opens) << key;
    if (opens) {
      EXPECT_EQ(main()->songMenu()->activeAction(), main()->songMenu()->actions()[0]);
    }
    main()->songMenu()->hide();
  }

  app->gui().SelectedSong.clear();
  for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
    RightClick(0, modifier);
  EXPECT_TRUE(app->gui().SelectedSong.empty());
  EXPECT_FALSE(main()->songMenu()->isVisible());

  ::unlink(Song("one.mp3").c_str());
  RightClick(1);
  EXPECT_FALSE(main()->songMenu()->isVisible());
  EXPECT_EQ(list->model()->rowCount(), 2);
  EXPECT_TRUE(dialogs.shown().empty());
}

// Each window that reads the library file tells when it cannot and carries on; a missing
// file opens the library editor.
TEST_F(MainWindowTest, ALibraryFileThatCannotBeReadIsReportedWhereverItIsRead) {
  ASSERT_EQ(::mkfifo(LibraryFile().c_str(), 0644), 0);  // unreadable even for root
  StartApp();
  Click(main(), "Help name the rest of your songs");
  EXPECT_TRUE(main()->IsShowingSongList());
  main()->ShowMainMenu();
  Click(main(), "View folders in your Music Library");
  EXPECT_EQ(OnScreen(), "editor");
  Click(editor()->backArrow());
  Click(main(), "Fix song names that include basic information");
  Click(confirm(), "Continue");
  EXPECT_EQ(OnScreen(), "confirm");
  const Messages told = dialogs.Messages();
  ASSERT_EQ(told.size(), 4u);  // at the start, the song list, the editor and the tidy-up
  for (const QString& message : told)
    EXPECT_TRUE(message.startsWith("Cannot open file")) << message.toStdString();
  EXPECT_TRUE(told[2].contains("It is not a regular file"));

  Click(confirm(), "Cancel");
  ::unlink(LibraryFile().c_str());
  main()->OpenSongList();
  EXPECT_EQ(OnScreen(), "main editor");
}

// Every way out ends the program with no window asked to close and no message on the way;
// only the main window's own close box deletes the library file, and only when it is not
// kept. Secondary windows are closed while the main window is up.
TEST_F(MainWindowTest, EveryWayOutEndsTheProgramAndOnlyTheMainCloseBoxMayDropTheLibrary) {
  const std::string library = folder.MakeFolder("music");
  for (int way = 0; way < 6; ++way) {
    for (bool keep : {true, false}) {
      WriteLibrary({library});
      StartApp();
      const WindowRegistry& w = app->windows();
      // The Close button, then the close boxes.
      QWidget* const closeBoxes[] = {nullptr,         w.mainWindow,
                                     w.libraryEditor, w.correctionDialog,
                                     w.previewWindow, w.tidyupConfirmWindow};
      QWidget* window = closeBoxes[way];
      SCOPED_TRACE(std::string(window ? window->metaObject()->className() : "Close") +
                   (keep ? ", kept" : ", not kept"));
      const bool mayDrop = window == main();
      editor()->keepLibraryBox()->setChecked(keep);
      EXPECT_TRUE(EndsTheProgram([&] {
        if (!window) return Click(main(), "Cl&ose");
        window->show();
        window->close();
      }));
      EXPECT_TRUE(dialogs.shown().empty());
      app.reset();
      EXPECT_EQ(RealFileSystem().FileExists(LibraryFile()), keep || !mayDrop);
    }
  }
}

// The pages of the memory a long action freed between the blocks it keeps go back to the
// system when the action is over: after a run over a large library the program does not go
// on occupying its peak.
TEST(RunGuarded, GivesBackWhatTheUsersActionFreed) {
  const auto resident = [] {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, residentPages = 0;
    statm >> pages >> residentPages;
    return residentPages * ::sysconf(_SC_PAGESIZE);
  };
  constexpr std::size_t kBlock = 16 * 1024, kBlocks = 4096;
  std::vector<std::unique_ptr<char[]>> kept;
  long busy = 0;
  RunGuarded([&] {
    std::vector<std::unique_ptr<char[]>> blocks;
    for (std::size_t i = 0; i < kBlocks; ++i) {
      blocks.emplace_back(new char[kBlock]);
      std::fill_n(blocks.back().get(), kBlock, 'x');
    }
    for (std::size_t i = 0; i < kBlocks; i += 8) kept.push_back(std::move(blocks[i]));
    busy = resident();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // as long as a large run
  });
  EXPECT_LT(resident(), busy - static_cast<long>(kBlocks * kBlock / 2));
}

}  // namespace
}  // namespace tunewick::testing
