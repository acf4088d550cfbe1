#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <vector>

#include "catalogue/song_lists.h"

namespace tunewick {

// Shows a list of song paths. The model reads the list in place; call Reload() after
// the list has changed. Paths are shown as ShownText gives them; the bytes stay in the
// list.
class SongListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  SongListModel(const std::vector<SongPath>& songs, QObject* parent = nullptr);

  void Reload();
  // Every row reports this width, so that the view scrolls sideways over that extent.
  void SetRowWidth(int width);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const std::vector<SongPath>& songs_;
  int rowWidth_ = 0;
  int rowHeight_ = 0;
};

// The song list of the song-list screen. A press of the right button alone (no
// modifier, no other button, not a double-click) over an entry asks for the song menu
// of that entry at the mouse cursor, and never changes the selection; the Menu key and
// Shift+F10 ask for it for the current entry, under that entry. The list opens no menu
// of its own. A reload keeps the current entry on the same song, or on the same row when
// that song has left the list.
class SongListView : public QListView {
  Q_OBJECT

 public:
  SongListView(const std::vector<SongPath>& songs, QWidget* parent = nullptr);

  void Reload();

  // Measures every entry with one "x" appended, in the list's font, and makes the
  // widest the list's horizontal scrolling extent (0 for an empty list). The rows are
  // that wide plus the style's text margins, so every entry can be read to its end.
  void UpdateHorizontalExtent();
  int HorizontalExtent() const { return horizontalExtent_; }

 signals:
  void songMenuRequested(int row, QPoint where, bool fromKeyboard);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const std::vector<SongPath>& songs_;
  SongListModel model_;
  int horizontalExtent_ = 0;
  bool reloading_ = false;
  int currentRow_ = -1;  // the current entry's row and song, as last chosen
  SongPath currentSong_;
};

}  // namespace tunewick
