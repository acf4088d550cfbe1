#include "widgets/song_list_view.h"

#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

#include "widgets/look.h"
#include "widgets/shown_text.h"
#include "widgets/widest_text.h"

namespace tunewick {

SongListModel::SongListModel(const std::vector<SongPath>& songs, QObject* parent)
    : QAbstractListModel(parent), songs_(songs) {}

void SongListModel::Reload() {
  beginResetModel();
  endResetModel();
}

void SongListModel::SetRowWidth(int width) {
  rowWidth_ = width;
  rowHeight_ = QFontMetrics(look::Font(11)).height() + 2;
  if (!songs_.empty()) emit dataChanged(index(0), index(rowCount() - 1), {Qt::SizeHintRole});
}

int SongListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(songs_.size());
}

QVariant SongListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(songs_.size())) return {};
  const SongPath& song = songs_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ShownText(song);
    case Qt::SizeHintRole:
      if (rowWidth_ <= 0) return {};
      return QSize(rowWidth_, rowHeight_);
    default:
      return {};
  }
}

SongListView::SongListView(const std::vector<SongPath>& songs, QWidget* parent)
    : QListView(parent), songs_(songs), model_(songs) {
  setFont(look::Font(11));
  setModel(&model_);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setContextMenuPolicy(Qt::PreventContextMenu);
  // Every entry fits its row (UpdateHorizontalExtent): nothing is ever cut to "...".
  setTextElideMode(Qt::ElideNone);
  look::MakeListBox(this);
  viewport()->installEventFilter(this);
  // The entry's song is remembered now: by the time of a reload the list has changed.
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (reloading_) return;
            currentRow_ = current.row();
            currentSong_ =
                current.isValid() ? songs_[static_cast<std::size_t>(current.row())] : SongPath();
          });
}

void SongListView::Reload() {
  reloading_ = true;
  model_.Reload();
  reloading_ = false;
  if (currentRow_ < 0 || songs_.empty()) return;
  const auto found = std::find(songs_.begin(), songs_.end(), currentSong_);
  const int last = static_cast<int>(songs_.size()) - 1;
  setCurrentIndex(model_.index(found != songs_.end() ? static_cast<int>(found - songs_.begin())
                                                     : std::min(currentRow_, last)));
}

void SongListView::UpdateHorizontalExtent() {
  const int widest = WidestTextWidth(font(), songs_, QLatin1Char('x'));
  horizontalExtent_ = widest;
  // The rows also hold the margins the style keeps on either side of an item's text.
  const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  model_.SetRowWidth(widest > 0 ? widest + 2 * textMargin : 0);
}

void SongListView::keyPressEvent(QKeyEvent* event) {
  const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
  const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
  if (!menuKey && !shiftF10) return QListView::keyPressEvent(event);
  event->accept();
  const QModelIndex entry = currentIndex();
  if (!entry.isValid()) return;
  scrollTo(entry);
  // Under the entry's start, kept inside the list when it is scrolled sideways.
  const QRect row = visualRect(entry);
  const QPoint at(std::clamp(row.left(), 0, viewport()->width() - 1), row.bottom());
  emit songMenuRequested(entry.row(), viewport()->mapToGlobal(at), true);
}

bool SongListView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return QListView::eventFilter(watched, event);
    const Qt::KeyboardModifiers held =
        mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->type() == QEvent::MouseButtonPress && mouse->buttons() == Qt::RightButton &&
        held == Qt::NoModifier) {
      const QModelIndex entry = indexAt(mouse->position().toPoint());
      if (entry.isValid()) emit songMenuRequested(entry.row(), QCursor::pos(), false);
    }
    return true;  // a right press never moves the selection
  }
  return QListView::eventFilter(watched, event);
}

}  // namespace tunewick
