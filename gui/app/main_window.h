#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/app_context.h"

class QLabel;
class QMenu;
class QPushButton;

namespace tunewick {

class ChangeWatch;
class LinkLabel;
class PictureButton;
class SongListView;

// The main window: the main menu and the song-list screen. It owns the operations on
// the song lists that the other windows call.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Switches to the song-list screen with a fresh scan and name check.
  void OpenSongList();
  // Back from the song-list screen: to the tidy-up results when it was opened from
  // there, else to the main menu.
  void LeaveSongList();
  // To the main menu, wherever the song list was opened from.
  void ShowMainMenu();
  // A fresh scan and name check under the hourglass.
  void RefreshSongList();

  // Scans the library into AllSongs; opens the library editor when the library file is
  // missing. Throws FileError when the library file cannot be read.
  void rescan();
  // Lists the songs of AllSongs that are named incorrectly and shows the list, or the
  // congratulations when there are none.
  void ClassifySongs();

  // Switches the song-list screen in without scanning (used after a single-song rename).
  void ShowSongListScreen();

  // The refresh timer: once armed, it refreshes the song list as soon as the
  // correction dialog is out of sight.
  void ArmRefreshTimer();

  bool IsShowingSongList() const;
  bool IsShowingCongratulations() const;
  SongListView* songList() const { return songList_; }
  QMenu* songMenu() const { return songMenu_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMainMenu();
  void BuildSongListScreen();
  void BuildSongListHeading();
  void BuildCongratulations(const QRect& listArea);
  void BuildSongListLinks();
  void BuildSongMenu();
  void OpenLibraryEditor(AfterLibraryEditor returnTarget);
  // SelectedSong becomes the entry; its menu opens at `where` while its file is there.
  void OnSongMenuRequested(int row, QPoint where, bool fromKeyboard);
  void OnWelcomeTimer();
  void OnRefreshTimer();
  void SetWindowSize(int width, int height);

  AppContext& context_;
  QTimer welcomeTimer_;
  QTimer refreshTimer_;

  QWidget* mainMenu_ = nullptr;
  QWidget* songListScreen_ = nullptr;
  SongListView* songList_ = nullptr;
  QLabel* songListHeading_ = nullptr;
  QLabel* songListHint_ = nullptr;
  LinkLabel* fixFromTags_ = nullptr;
  QWidget* congratulations_ = nullptr;
  QMenu* songMenu_ = nullptr;
  std::unique_ptr<ChangeWatch> changeWatch_;
};

}  // namespace tunewick
