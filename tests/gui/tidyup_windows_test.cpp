#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/main_window.h"
#include "catalogue/song_list_view.h"
#include "platform/file_system.h"
#include "platform/link_label.h"
#include "platform/look.h"
#include "reports/changed_files_window.h"
#include "reports/tidyup_results_window.h"
#include "support/app_fixture.h"
#include "tidyup/tidyup_confirm_window.h"

namespace tunewick {
namespace {

using testing::FindButton;
using testing::FindLabel;
using testing::FindLink;
using testing::ReadFile;

class TidyupWindows : public testing::AppFixture {
 protected:
  void StartWithSongs(const std::vector<std::string>& songs) {
    music = folder.MakeFolder("music");
    for (const std::string& song : songs) folder.MakeFile("music/" + song);
    WriteLibrary({music});
    StartApp();
  }
  TidyupConfirmWindow* confirm() { return app->windows().tidyupConfirmWindow; }
  TidyupResultsWindow* results() { return app->windows().tidyupResultsWindow; }
  ChangedFilesWindow* changedFiles() { return app->windows().changedFilesWindow; }
  MainWindow* main() { return app->windows().mainWindow; }

  void OpenConfirmation() {
    QTest::mouseClick(FindLink(main(), "Fix song names that include basic information"),
                      Qt::LeftButton);
  }
  void RunTidyup() {
    OpenConfirmation();
    FindButton(confirm(), "Continue")->click();
  }
  std::vector<QString> ListLines() {
    std::vector<QString> lines;
    QAbstractItemModel* model = changedFiles()->list()->model();
    for (int row = 0; row < model->rowCount(); ++row)
      lines.push_back(model->index(row, 0).data().toString());
    return lines;
  }

  std::string music;
};

TEST_F(TidyupWindows, ConfirmationShowsItsTextsWhereTheyBelong) {
  StartWithSongs({});
  OpenConfirmation();
  EXPECT_TRUE(confirm()->isVisible());
  EXPECT_FALSE(main()->isVisible());
  EXPECT_EQ(confirm()->size(), QSize(416, 154));
  const QPoint offCentre = testing::OffCentre(confirm());
  EXPECT_LE(std::abs(offCentre.x()) + std::abs(offCentre.y()), 4);
  QLabel* heading = FindLabel(confirm(), "Are you sure you want to continue");
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->pos(), QPoint(16, 16));
  EXPECT_EQ(heading->font().pixelSize(), 15);
  EXPECT_EQ(look::TextColor(heading), QColor(57, 51, 170));
  const std::pair<const char*, QPoint> lines[] = {
      {"This could take a few minutes, depending on the amount of files or if", {16, 48}},
      {"the songs are on another computer on your network.", {16, 64}},
      {"Clicking \"Continue\" will automatically tidy your music library.", {16, 88}},
  };
  for (const auto& [text, where] : lines) {
    QLabel* label = FindLabel(confirm(), text);
    ASSERT_NE(label, nullptr) << text;
    EXPECT_EQ(label->pos(), where);
    EXPECT_EQ(look::TextColor(label), QColor(21, 28, 85));
  }
  EXPECT_EQ(FindButton(confirm(), "Cancel")->geometry(), QRect(248, 112, 75, 25));
  EXPECT_EQ(FindButton(confirm(), "Continue")->geometry(), QRect(328, 112, 75, 25));
  EXPECT_EQ(FindButton(confirm(), "Continue")->nextInFocusChain(), FindButton(confirm(), "Cancel"));
}

TEST_F(TidyupWindows, MoreInformationTogglesAndStaysWhileHidden) {
  StartWithSongs({});
  OpenConfirmation();
  LinkLabel* toggle = FindLink(confirm(), "More information");
  ASSERT_NE(toggle, nullptr);
  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_EQ(confirm()->height(), 239);
  EXPECT_TRUE(confirm()->IsExpanded());
  EXPECT_EQ(toggle->text(), "Less information");
  auto* explanation = confirm()->findChild<QPlainTextEdit*>();
  ASSERT_NE(explanation, nullptr);
  EXPECT_TRUE(explanation->isVisible());
  EXPECT_EQ(explanation->toPlainText(),
            "Clicking \"Continue\" will replace underscores with spaces, remove \n"
            "non-letter prefixes, capitalize words, and remove \"(1)\" to \"(9)\" from \n"
            "your song filenames.");

  FindButton(confirm(), "Cancel")->click();
  EXPECT_FALSE(confirm()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  OpenConfirmation();
  EXPECT_TRUE(confirm()->IsExpanded());
  EXPECT_EQ(toggle->text(), "Less information");

  // The icon toggles like the label.
  QAbstractButton* collapse = nullptr;
  for (QAbstractButton* button : confirm()->findChildren<QAbstractButton*>())
    if (button->toolTip() == "Less information") collapse = button;
  ASSERT_NE(collapse, nullptr);
  EXPECT_TRUE(collapse->isVisible());
  collapse->click();
  EXPECT_EQ(confirm()->height(), 154);
  EXPECT_FALSE(confirm()->IsExpanded());
  EXPECT_EQ(toggle->text(), "More information");
  EXPECT_FALSE(collapse->isVisible());
}

TEST_F(TidyupWindows, ARunShowsItsCountersAndTheListOfRenames) {
  StartWithSongs({"01_artist-song (1).mp3", "02 Intro.mp3", "03 Intro.mp3"});
  RunTidyup();
  EXPECT_FALSE(confirm()->isVisible());
  EXPECT_FALSE(main()->isVisible());
  EXPECT_FALSE(main()->IsShowingSongList());
  EXPECT_TRUE(results()->isVisible());
  EXPECT_TRUE(results()->IsShowingResults());
  EXPECT_EQ(results()->size(), QSize(340, 190));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Prefixes, underscores, brackets, capitals, dashes.
  EXPECT_EQ(results()->Counter(0), "2");
  EXPECT_EQ(results()->Counter(1), "1");
  EXPECT_EQ(results()->Counter(2), "1");
  EXPECT_EQ(results()->Counter(3), "1");
  EXPECT_EQ(results()->Counter(4), "1");
  for (const char* caption :
       {"Prefixes Removed", "Underscores Replaced with spaces", "Bracketted Numbers removed",
        "Songs had words capitalized in them", "Songs had spaces before and after the dash fixed"})
    EXPECT_NE(FindLabel(results(), caption), nullptr) << caption;

  LinkLabel* view = FindLink(results(), "View a list of files changed");
  QTest::mouseClick(view, Qt::LeftButton);
  QTest::mouseClick(view, Qt::LeftButton);  // twice: the same list, not a doubled one
  EXPECT_TRUE(changedFiles()->isVisible());
  EXPECT_EQ(changedFiles()->size(), QSize(592, 246));
  const QString m = QString::fromStdString(music + "/");
  const std::vector<QString> expected{
      "The following had spaces around the middle dash fixed",
      "'" + m + "01_artist-song (1).mp3' was renamed to '" + m + "01_artist - song (1).mp3'",
      "",
      "The following had underscores replaced with spaces",
      "'" + m + "01_artist - song (1).mp3' was renamed to '" + m + "01 artist - song (1).mp3'",
      "",
      "The following had words capitalized",
      m + "01 artist - song (1).mp3 was renamed to " + m + "01 Artist - Song (1).mp3",
      "",
      "The following had bracketted numbers removed",
      "'" + m + "01 Artist - Song (1).mp3' was renamed to '" + m + "01 Artist - Song .mp3'",
      "",
      "The following had prefixes removed",
      "'" + m + "01 Artist - Song .mp3' was renamed to '" + m + "Artist - Song .mp3'",
      "'" + m + "02 Intro.mp3' was renamed to '" + m + "Intro.mp3'",
      "",
      "The following could not be renamed",
      "'" + m + "03 Intro.mp3' could not be renamed to '" + m + "Intro.mp3': File exists",
  };
  EXPECT_EQ(ListLines(), expected);
  const QFontMetrics metrics(changedFiles()->list()->font());
  int widest = 0;
  for (const QString& line : expected)
    widest = std::max(widest, metrics.horizontalAdvance(line + "x"));
  EXPECT_EQ(changedFiles()->list()->HorizontalExtent(), widest);

  // Saved byte for byte, with CR LF.
  dialogs.QueuePick(folder / "saved log");
  QTest::mouseClick(FindLink(changedFiles(), "Save this log"), Qt::LeftButton);
  ASSERT_EQ(dialogs.shown().back().kind, testing::ScriptedDialogs::Kind::kPickSaveFile);
  EXPECT_EQ(dialogs.shown().back().text, "Tunewick Log");
  EXPECT_EQ(dialogs.shown().back().title, "Text file (txt)");
  EXPECT_EQ(dialogs.shown().back().folder, folder.path());
  std::string saved;
  for (const QString& line : expected) saved += line.toStdString() + "\r\n";
  EXPECT_EQ(ReadFile(folder / "saved log.txt"), saved);

  FindButton(changedFiles(), "Close")->click();
  EXPECT_FALSE(changedFiles()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(results()->isVisible());
}

TEST_F(TidyupWindows, ASaveThatFailsSaysWhyAndChangesNothing) {
  StartWithSongs({"01 one.mp3"});
  RunTidyup();
  results()->ShowChangedFiles();
  dialogs.QueuePick(folder / "no such folder/log");
  changedFiles()->SaveLog();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0],
            QString::fromStdString("Cannot create file \"" + (folder / "no such folder/log.txt") +
                                   "\". No such file or directory"));
  EXPECT_TRUE(changedFiles()->isVisible());
  dialogs.Clear();
  changedFiles()->SaveLog();  // cancelled: nothing happens
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TidyupWindows, AnEmptyLibrarySaysSoAndEndsClean) {
  StartWithSongs({});
  RunTidyup();
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"Debug: No Filenames"}));
  EXPECT_TRUE(results()->IsShowingCleanPanel());
  EXPECT_EQ(results()->size(), QSize(290, 110));
  EXPECT_EQ(results()->cleanCloseButton()->pos(), QPoint(185, 40));
  EXPECT_TRUE(FindLabel(results(), "Your songs are clean already!")->isVisible());
  EXPECT_FALSE(FindLink(results(), "Why weren't all of my songs tidied?")->isVisible());
  results()->cleanCloseButton()->click();
  EXPECT_FALSE(results()->isVisible());
  EXPECT_TRUE(main()->isVisible());
}

TEST_F(TidyupWindows, NothingRenamedButSongsLeftOffersToFixThem) {
  StartWithSongs({"Artist Song.mp3", "A - B - C.mp3"});
  RunTidyup();
  EXPECT_TRUE(results()->IsShowingCleanPanel());
  EXPECT_EQ(results()->size(), QSize(450, 130));
  EXPECT_EQ(results()->cleanCloseButton()->pos(), QPoint(328, 55));
  EXPECT_NE(
      FindLink(results(), "However 2 songs are still named incorrectly.  Click here to fix them."),
      nullptr);

  LinkLabel* why = FindLink(results(), "Why weren't all of my songs tidied?");
  QTest::mouseClick(why, Qt::LeftButton);
  auto* explanation = results()->findChild<QPlainTextEdit*>();
  EXPECT_TRUE(explanation->isVisible());
  EXPECT_EQ(explanation->toPlainText(),
            "Your songs were not tidied because they don't have a dash in the filename, or they "
            "have more than one dash.  \n\nThe dash is used to seperate the Artist and Song in "
            "your song names.");
  EXPECT_EQ(results()->height(), 230);
  EXPECT_EQ(results()->cleanCloseButton()->y(), 160);
  EXPECT_FALSE(why->isVisible());

  // The count follows the disk each time the window comes back.
  folder.MakeFile("music/third.mp3");
  results()->hide();
  results()->show();
  EXPECT_FALSE(explanation->isVisible());
  LinkLabel* fix =
      FindLink(results(), "However 3 songs are still named incorrectly.  Click here to fix them.");
  ASSERT_NE(fix, nullptr);
  QTest::mouseClick(fix, Qt::LeftButton);
  EXPECT_FALSE(results()->isVisible());
  EXPECT_TRUE(main()->isVisible());
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->state().SongListOrigin, "tidyup");
  main()->LeaveSongList();
  EXPECT_TRUE(results()->isVisible());
  EXPECT_FALSE(main()->isVisible());
}

TEST_F(TidyupWindows, AnErrorEndsTheRunAndLeavesTheConfirmationUp) {
  StartWithSongs({"01 one.mp3"});
  OpenConfirmation();
  // The library file turns into something that cannot be read: the first scan fails.
  ::unlink(LibraryFile().c_str());
  ASSERT_EQ(::mkfifo(LibraryFile().c_str(), 0644), 0);
  FindButton(confirm(), "Continue")->click();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].startsWith("Cannot open file"));
  EXPECT_TRUE(confirm()->isVisible());
  EXPECT_FALSE(results()->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(RealFileSystem().FileExists(music + "/01 one.mp3"));
}

TEST_F(TidyupWindows, NoFilesWereFixedWhenTheListIsEmpty) {
  StartWithSongs({});
  results()->ShowChangedFiles();
  EXPECT_EQ(dialogs.Messages(), (std::vector<QString>{"No files were fixed"}));
  EXPECT_FALSE(changedFiles()->isVisible());
}

}  // namespace
}  // namespace tunewick
