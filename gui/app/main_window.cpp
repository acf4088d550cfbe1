#include "app/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "actions/song_actions.h"
#include "adapters/application.h"
#include "adapters/change_watch.h"
#include "catalogue/library_scan.h"
#include "catalogue/name_check.h"
#include "library/library_file.h"
#include "library/user_settings.h"
#include "widgets/busy_cursor.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/song_list_view.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr QSize kMainMenuSize{337, 205};
constexpr QSize kSongListSize{617, 273};

const QString kLibraryHint = QStringLiteral(
    "Open your music library to add, modify or remove the folders that Tunewick searches for "
    "your Music.");

void PlaceRightAligned(QWidget* widget, int right, int top) {
  widget->move(right - widget->width(), top);
}

}  // namespace

MainWindow::MainWindow(AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  // Nothing here may reach another window: this is the first one created.
  welcomeTimer_.setInterval(1);
  refreshTimer_.setInterval(1);
  welcomeTimer_.stop();
  refreshTimer_.stop();
  connect(&welcomeTimer_, &QTimer::timeout, this,
          [this] { RunGuarded([this] { OnWelcomeTimer(); }); });
  connect(&refreshTimer_, &QTimer::timeout, this,
          [this] { RunGuarded([this] { OnRefreshTimer(); }); });

  look::MakeWhite(this);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  BuildMainMenu();
  BuildSongListScreen();
  SetWindowSize(kMainMenuSize.width(), kMainMenuSize.height());
  setWindowTitle(QStringLiteral("Tunewick"));

  SongLists& lists = context_.lists;
  lists.AllSongs.clear();
  lists.IncorrectSongs.clear();
  lists.LibraryFolders.clear();
  if (!context_.fileSystem.FileExists(context_.paths.libraryFile)) {
    welcomeTimer_.start();
  } else {
    RunGuarded([this] {
      LoadLibraryFile(context_.fileSystem, context_.paths.libraryFile, LibraryRead::kMainWindow,
                      context_.lists.LibraryFolders);
    });
  }
  RunGuarded([this] {
    context_.gui.ScannedTypes =
        LoadSettings(context_.fileSystem, context_.paths.settingsFile).songTypes();
  });
  ClassifySongs();

  changeWatch_ = std::make_unique<ChangeWatch>(context_.fileSystem, context_.paths.watchRoot);
  // The changes a tidy-up makes are its own: they do not take the user to the song list.
  connect(changeWatch_.get(), &ChangeWatch::changed, this, [this] {
    if (!context_.gui.BulkRunInProgress) RunGuarded([this] { OpenSongList(); });
  });
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMainMenu() {
  mainMenu_ = new QWidget(this);
  mainMenu_->setGeometry(QRect(QPoint(0, 0), kMainMenuSize));

  auto* heading = new QLabel(QStringLiteral("What do you want to do?"), mainMenu_);
  look::MakeHeading(heading);
  heading->adjustSize();
  heading->move(16, 12);

  auto* about =
      new LinkLabel(QStringLiteral("About"),
                    QStringLiteral("Get information about the creator of Tunewick"), mainMenu_);
  PlaceRightAligned(about, kMainMenuSize.width() - 14, 16);

  auto* library =
      new LinkLabel(QStringLiteral("View folders in your Music Library"), kLibraryHint, mainMenu_);
  library->move(32, 52);
  auto* tidyup =
      new LinkLabel(QStringLiteral("Fix song names that include basic information"),
                    QStringLiteral("This looks for songs in the directories in your Music "
                                   "Library, and fixes thier filenames."),
                    mainMenu_);
  tidyup->move(32, 80);
  auto* songList =
      new LinkLabel(QStringLiteral("Help name the rest of your songs"),
                    QStringLiteral("Get help editing music filenames that don't conform to the "
                                   "\"Artist Name - Song name.ext\" filename standard."),
                    mainMenu_);
  songList->move(32, 108);
  auto* history = new LinkLabel(
      QStringLiteral("Undo an earlier run"),
      QStringLiteral("See the tidy-ups and renames Tunewick kept, and undo one of them, also "
                     "after Tunewick was closed in between."),
      mainMenu_);
  history->move(32, 136);

  auto* close = new QPushButton(QStringLiteral("Cl&ose"), mainMenu_);
  close->setToolTip(QStringLiteral("Close the application."));
  close->setAccessibleName(QStringLiteral("Close"));
  close->setFont(look::Font(12));
  close->setGeometry(kMainMenuSize.width() - 91, kMainMenuSize.height() - 37, 75, 25);

  setTabOrder(library, tidyup);
  setTabOrder(tidyup, songList);
  setTabOrder(songList, history);
  setTabOrder(history, about);
  setTabOrder(about, close);

  connect(library, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { OpenLibraryEditor(AfterLibraryEditor::kMainMenu); }); });
  connect(tidyup, &LinkLabel::activated, this, [this] {
    context_.navigator.ShowTidyupConfirmation();
    hide();
  });
  connect(songList, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { OpenSongList(); }); });
  connect(history, &LinkLabel::activated, this, [this] {
    context_.navigator.ShowHistory();
    hide();
  });
  connect(about, &LinkLabel::activated, this, [this] { context_.navigator.ShowAbout(); });
  connect(close, &QPushButton::clicked, this, [this] {
    context_.gui.TerminationRequested = true;
    context_.requestTermination();
  });
}

void MainWindow::BuildSongListScreen() {
  songListScreen_ = new QWidget(this);
  songListScreen_->setGeometry(QRect(QPoint(0, 0), kSongListSize));
  songListScreen_->hide();

  auto* back = new PictureButton(pictures::BackArrow(), QStringLiteral("Go Back"), songListScreen_);
  back->setGeometry(6, 6, 30, 30);
  connect(back, &PictureButton::clicked, this, [this] { RunGuarded([this] { LeaveSongList(); }); });
  LeaveOnEscape(this, [this, back] {
    if (IsShowingSongList()) back->click();
  });
  BuildSongListHeading();

  const QRect listArea(8, 56, kSongListSize.width() - 16, 180);
  songList_ = new SongListView(context_.lists.IncorrectSongs, songListScreen_);
  songList_->setGeometry(listArea);
  songList_->setAccessibleName(QStringLiteral("Songs named incorrectly"));
  connect(songList_, &SongListView::songMenuRequested, this,
          [this](int row, QPoint where, bool fromKeyboard) {
            RunGuarded([=, this] { OnSongMenuRequested(row, where, fromKeyboard); });
          });
  BuildCongratulations(listArea);
  BuildSongListLinks();
  BuildSongMenu();

  // Start in the congratulations state; ClassifySongs switches to the list.
  for (QWidget* part :
       {static_cast<QWidget*>(songListHint_), static_cast<QWidget*>(songListHeading_),
        static_cast<QWidget*>(songList_), static_cast<QWidget*>(fixFromTags_)})
    part->hide();
}

void MainWindow::BuildSongListHeading() {
  songListHeading_ = new QLabel(QStringLiteral("Correct your song filenames"), songListScreen_);
  look::MakeHeading(songListHeading_);
  songListHeading_->adjustSize();
  songListHeading_->move(42, 8);

  songListHint_ =
      look::AddText(songListScreen_,
                    QStringLiteral("Right-click on a filename to edit, preview or delete the song"),
                    12, look::kLink);
  songListHint_->move(42, 32);

  fixFromTags_ = new LinkLabel(
      QStringLiteral("Fix songs using ID3 tags"),
      QStringLiteral("If songs have tags (ID3 tags) in them use these to rename the files"),
      songListScreen_);
  PlaceRightAligned(fixFromTags_, kSongListSize.width() - 10, 12);
  connect(fixFromTags_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { FixSongsFromTags(context_); }); });
}

// Seen in the list's place when no song is named incorrectly.
void MainWindow::BuildCongratulations(const QRect& listArea) {
  congratulations_ = new QWidget(songListScreen_);
  congratulations_->setGeometry(listArea);
  auto* picture = new PictureButton(pictures::Congratulations(), QString(), congratulations_);
  picture->setAccessibleName(QStringLiteral("Back to the menu"));
  picture->setGeometry(40, 40, 56, 56);
  auto* title = look::AddText(congratulations_, QStringLiteral("Congratulations"), 16, look::kLink);
  title->move(110, 42);
  auto* allGood = look::AddText(
      congratulations_, QStringLiteral("All of your filenames make sense!"), 12, look::kLink);
  allGood->move(110, 68);
  auto* backToMenu = new LinkLabel(QStringLiteral("Click here to go back to the menu"), QString(),
                                   congratulations_);
  backToMenu->move(110, 92);
  connect(picture, &PictureButton::clicked, this, [this] { ShowMainMenu(); });
  connect(backToMenu, &LinkLabel::activated, this, [this] { ShowMainMenu(); });
}

void MainWindow::BuildSongListLinks() {
  auto* library = new LinkLabel(QStringLiteral("View folders in your Music library"), kLibraryHint,
                                songListScreen_);
  library->move(8, kSongListSize.height() - 26);
  auto* refresh = new LinkLabel(QStringLiteral("Look for changes to your music folder or songs"),
                                QString(), songListScreen_);
  PlaceRightAligned(refresh, kSongListSize.width() - 10, kSongListSize.height() - 26);
  connect(library, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { OpenLibraryEditor(AfterLibraryEditor::kSongList); }); });
  connect(refresh, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { RefreshSongList(); }); });
}

void MainWindow::BuildSongMenu() {
  songMenu_ = new QMenu(this);
  look::MakeWhite(songMenu_);  // a window of its own: it would not inherit the look
  QAction* fixName = songMenu_->addAction(pictures::FixName(), QStringLiteral("Fix this name"));
  QAction* deleteSong =
      songMenu_->addAction(pictures::DeleteSong(), QStringLiteral("Delete this song"));
  QAction* previewSong =
      songMenu_->addAction(pictures::PreviewSong(), QStringLiteral("Preview this song"));
  connect(fixName, &QAction::triggered, this,
          [this] { RunGuarded([this] { FixSelectedSong(context_); }); });
  connect(deleteSong, &QAction::triggered, this,
          [this] { RunGuarded([this] { DeleteSelectedSong(context_); }); });
  connect(previewSong, &QAction::triggered, this,
          [this] { RunGuarded([this] { PreviewSelectedSong(context_); }); });
}

void MainWindow::SetWindowSize(int width, int height) { setFixedSize(width, height); }

void MainWindow::OpenLibraryEditor(AfterLibraryEditor returnTarget) {
  context_.navigator.ShowLibraryEditor();
  hide();
  context_.gui.ReturnTarget = returnTarget;
}

void MainWindow::ShowSongListScreen() {
  mainMenu_->hide();
  songListScreen_->show();
  SetWindowSize(kSongListSize.width(), kSongListSize.height());
  songListScreen_->move(0, 0);
  CentreOnScreen(this);
}

void MainWindow::OpenSongList() {
  {
    BusyCursor hourglass(context_.gui.SavedCursor);
    ShowSongListScreen();
    rescan();
    ClassifySongs();
  }
}

void MainWindow::LeaveSongList() {
  if (context_.gui.SongListOrigin == SongListOpenedFrom::kTidyupResults) {
    hide();
    context_.navigator.ShowTidyupResults();
    context_.gui.SongListOrigin = SongListOpenedFrom::kMainMenu;
  }
  ShowMainMenu();
}

void MainWindow::ShowMainMenu() {
  SetWindowSize(kMainMenuSize.width(), kMainMenuSize.height());
  CentreOnScreen(this);
  songListScreen_->hide();
  mainMenu_->show();
  FocusInto(mainMenu_);
}

void MainWindow::RefreshSongList() {
  {
    BusyCursor hourglass(context_.gui.SavedCursor);
    rescan();
    ClassifySongs();
  }
}

void MainWindow::rescan() {
  RescanResult result;
  try {
    result = tunewick::rescan(context_.lists, context_.fileSystem, context_.paths.libraryFile,
                              context_.gui.ScannedTypes);
  } catch (...) {
    songList_->Reload();
    throw;
  }
  songList_->Reload();
  if (result.libraryFileMissing) context_.navigator.ShowLibraryEditor();
}

void MainWindow::ClassifySongs() {
  tunewick::ClassifySongs(context_.lists);
  songList_->Reload();
  // The entries have changed: so has the width the list scrolls over.
  songList_->UpdateHorizontalExtent();
  const bool haveSongs = !context_.lists.IncorrectSongs.empty();
  if (haveSongs == songList_->isHidden()) {
    for (QWidget* part :
         {static_cast<QWidget*>(songListHint_), static_cast<QWidget*>(songListHeading_),
          static_cast<QWidget*>(songList_), static_cast<QWidget*>(fixFromTags_)})
      part->setVisible(haveSongs);
    if (haveSongs && IsShowingSongList()) songList_->setFocus();  // it has just come up
  }
  congratulations_->setVisible(songList_->isHidden());
  if (IsShowingSongList()) FocusInto(songListScreen_, songList_);
}

void MainWindow::ArmRefreshTimer() { refreshTimer_.start(); }

bool MainWindow::IsShowingSongList() const { return !songListScreen_->isHidden(); }

bool MainWindow::IsShowingCongratulations() const {
  return IsShowingSongList() && !congratulations_->isHidden();
}

void MainWindow::OnSongMenuRequested(int row, QPoint where, bool fromKeyboard) {
  const std::vector<SongPath>& songs = context_.lists.IncorrectSongs;
  if (row < 0 || row >= static_cast<int>(songs.size())) return;
  context_.gui.SelectedSong = songs[static_cast<std::size_t>(row)];
  if (context_.fileSystem.FileExists(context_.gui.SelectedSong)) {
    songMenu_->popup(where);
    // Opened from the keyboard, it goes on from there: its first entry is ready for Return.
    if (fromKeyboard) songMenu_->setActiveAction(songMenu_->actions().constFirst());
  } else {
    RefreshSongList();  // the song has gone: list the ones that are left
  }
}

void MainWindow::OnWelcomeTimer() {
  context_.navigator.WelcomeNewUser();
  hide();
  context_.gui.ReturnTarget = AfterLibraryEditor::kMainMenu;
  welcomeTimer_.stop();
}

void MainWindow::OnRefreshTimer() {
  if (context_.gui.BulkRunInProgress) return;  // the lists are the run's: later
  const bool dialogOpen = context_.navigator.IsCorrectionDialogOpen();
  refreshTimer_.stop();
  if (!dialogOpen) RefreshSongList();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  DeleteLibraryFileAtExit(context_.fileSystem, context_.paths.libraryFile,
                          context_.gui.KeepLibrary);
  context_.requestTermination();
  event->accept();
}

}  // namespace tunewick
