#include "windows/changed_files_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "actions/undo_actions.h"
#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "reports/changed_files.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/song_list_view.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {

ChangedFilesWindow::ChangedFilesWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  // No title of its own: a single space keeps the desktop from putting in another.
  setWindowTitle(QStringLiteral(" "));
  look::MakeWhite(this);
  setFont(look::Font(12));

  heading_ = new QLabel(QStringLiteral("Tidy-Up Results"), this);
  look::MakeHeading(heading_);
  setAccessibleName(heading_->text());  // the window's title is blank
  list_ = new SongListView(lines_, this);
  list_->setAccessibleName(QStringLiteral("Files changed"));
  auto* save = new LinkLabel(QStringLiteral("Save this log"), this);
  undo_ = new LinkLabel(QStringLiteral("Undo this tidy-up"), this);
  undo_->hide();
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setFixedSize(75, 25);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(save);
  bottom->addSpacing(16);
  bottom->addWidget(undo_);
  bottom->addStretch();
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 12);
  layout->addWidget(heading_);
  layout->addWidget(list_, 1);
  layout->addLayout(bottom);

  connect(save, &LinkLabel::activated, this, [this] { RunGuarded([this] { SaveLog(); }); });
  connect(undo_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { UndoLastTidyup(context_, this); }); });
  connect(close, &QPushButton::clicked, this, [this] {
    // Back to the window the list belongs to; the main window only when that one has gone.
    if (!ShowingOwnerOf(this)) context_.navigator.ShowMainWindow();
    hide();
  });
  MakeDefaultButton(close);
  LeaveOnEscape(this, [close] { close->click(); });
  resize(592, 246);
}

ChangedFilesWindow::~ChangedFilesWindow() = default;

void ChangedFilesWindow::ShowList(ChangedFilesKind kind, TextList lines, std::size_t firstRow) {
  kind_ = kind;
  lines_ = std::move(lines);
  switch (kind) {
    case ChangedFilesKind::kTidyup:
      heading_->setText(QStringLiteral("Tidy-Up Results"));
      break;
    case ChangedFilesKind::kPreview:
      heading_->setText(QStringLiteral("Preview: nothing has been renamed yet"));
      break;
    case ChangedFilesKind::kUndoPreview:
      heading_->setText(QStringLiteral("Preview: undo would give these songs their old names"));
      break;
    case ChangedFilesKind::kUndone:
      heading_->setText(QStringLiteral("Undone: these songs have their old names back"));
      break;
  }
  setAccessibleName(heading_->text());
  undo_->setVisible(kind == ChangedFilesKind::kTidyup && !context_.gui.LastTidyupJournal.empty());
  list_->Reload();
  if (firstRow < lines_.size()) {
    const QModelIndex row = list_->model()->index(static_cast<int>(firstRow), 0);
    list_->scrollTo(row, QAbstractItemView::PositionAtTop);
    list_->setCurrentIndex(row);
  } else {
    list_->scrollToTop();
  }
  if (!placed_) {
    // It opens at a fixed place the first time, not centred, as far as the screen allows;
    // after that where the user left it.
    placed_ = true;
    resize(592, 246);
    move(432, 219);
  }
  extentStale_ = true;
  if (isVisible()) UpdateExtent();
  show();
  raise();
}

QString ChangedFilesWindow::heading() const { return heading_->text(); }

void ChangedFilesWindow::UpdateExtent() {
  // Measuring a long list takes a moment: only when it has changed.
  if (!extentStale_) return;
  extentStale_ = false;
  list_->UpdateHorizontalExtent();
}

void ChangedFilesWindow::SaveLog() {
  if (lines_.empty()) {
    context_.dialogs.ShowMessage(this,
                                 QStringLiteral("The list is empty: there is nothing to save."));
    return;
  }
  const std::string folder = ProposedLogFolder(context_.fileSystem, context_.paths.programFolder,
                                               context_.paths.documentsFolder);
  const std::optional<std::string> chosen = context_.dialogs.PickSaveFile(
      this, folder, QStringLiteral("Tunewick Log"), QStringLiteral("Text file (txt)"));
  if (!chosen) return;
  try {
    TextList log;
    if (kind_ == ChangedFilesKind::kPreview)
      log = {"Preview: nothing has been renamed yet. The tidy-up would make these renames.", ""};
    if (kind_ == ChangedFilesKind::kUndoPreview)
      log = {"Preview: nothing has been renamed yet. Undo would make these renames.", ""};
    log.insert(log.end(), lines_.begin(), lines_.end());
    SaveChangedFilesList(context_.fileSystem, *chosen, log);
  } catch (const FileError& error) {
    context_.dialogs.ShowMessage(this, QString::fromLocal8Bit(error.what()));
  }
}

void ChangedFilesWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UpdateExtent();
}

void ChangedFilesWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) UpdateExtent();
}

}  // namespace tunewick
