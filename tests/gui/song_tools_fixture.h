#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QTest>
#include <algorithm>

#include "app/main_window.h"
#include "catalogue/song_list_view.h"
#include "songtools/correction_dialog.h"
#include "songtools/preview_window.h"
#include "support/app_fixture.h"
#include "support/id3_tag.h"

namespace tunewick::testing {

// A running Tunewick whose library is one folder of songs, for the tools that act on the
// song right-clicked in the song list.
class SongToolsFixture : public AppFixture {
 protected:
  MainWindow* main() { return app->windows().mainWindow; }
  CorrectionDialog* dialog() { return app->windows().correctionDialog; }
  PreviewWindow* preview() { return app->windows().previewWindow; }

  // Starts with these songs (name, content) in the library folder, on the song list.
  void StartWithSongs(const std::vector<std::pair<std::string, std::string>>& songs) {
    music = folder.MakeFolder("music");
    for (const auto& [name, content] : songs) folder.MakeFile("music/" + name, content);
    WriteLibrary({music});
    StartApp();
    main()->OpenSongList();
  }
  std::string Song(const std::string& name) const { return music + "/" + name; }

  // Right-clicks the song in the list and picks an entry of the menu that opens.
  void UseMenu(const std::string& song, const QString& entry) {
    const auto& songs = app->state().IncorrectSongs;
    const auto row = std::find(songs.begin(), songs.end(), song) - songs.begin();
    ASSERT_LT(row, static_cast<long>(songs.size())) << song << " is not listed";
    SongListView* list = main()->songList();
    const QPoint where = list->visualRect(list->model()->index(static_cast<int>(row), 0)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, where);
    ASSERT_EQ(app->state().SelectedSong, song);
    QMenu* menu = main()->songMenu();
    ASSERT_TRUE(menu->isVisible());
    for (QAction* action : menu->actions()) {
      if (action->text() == entry) {
        menu->hide();
        action->trigger();
        return;
      }
    }
    FAIL() << "no menu entry " << entry.toStdString();
  }

  // The button below `root` with this text or hint, and a click on it.
  static QAbstractButton* Button(const QWidget* root, const QString& textOrHint) {
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
      if (button->text() == textOrHint || button->toolTip() == textOrHint) return button;
    ADD_FAILURE() << "no button " << textOrHint.toStdString();
    return nullptr;
  }
  static void Click(const QWidget* root, const QString& textOrHint) {
    if (QAbstractButton* button = Button(root, textOrHint)) button->click();
  }

  std::string music;
};

}  // namespace tunewick::testing
