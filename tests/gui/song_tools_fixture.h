#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <algorithm>

#include "app/main_window.h"
#include "catalogue/song_list_view.h"
#include "songtools/correction_dialog.h"
#include "songtools/preview_window.h"
#include "support/app_fixture.h"

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

  // Replaces a box's text as typing (or pasting) it would.
  static void Type(QLineEdit* box, const QString& text) {
    box->selectAll();
    box->insert(text);
  }

  // The picture button below `root` with this hint.
  static QAbstractButton* ButtonWithHint(const QWidget* root, const QString& hint) {
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
      if (button->toolTip() == hint) return button;
    return nullptr;
  }

  std::string music;
};

// A 128-byte ID3v1 tag with this title and artist (ISO-8859-1 bytes).
inline std::string Tag(std::string_view title, std::string_view artist) {
  std::string tag = "TAG";
  tag += std::string(title).append(30 - title.size(), '\0');
  tag += std::string(artist).append(30 - artist.size(), '\0');
  tag.resize(128, '\0');
  return tag;
}

}  // namespace tunewick::testing
