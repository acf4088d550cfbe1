#include "windows/history_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "actions/undo_actions.h"
#include "adapters/application.h"
#include "journal/journal_store.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/shown_text.h"
#include "widgets/window_behaviour.h"

namespace tunewick {
namespace {

constexpr int kNameRole = Qt::UserRole + 1;
enum Column { kWhen, kWhat, kFolder, kRenames, kState, kColumns };

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

HistoryWindow::HistoryWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Earlier runs"));
  look::MakeWhite(this);
  setFont(look::Font(12));

  auto* heading = new QLabel(QStringLiteral("Undo an earlier run"), this);
  look::MakeHeading(heading);
  runs_ = new QTreeWidget(this);
  runs_->setColumnCount(kColumns);
  runs_->setHeaderLabels({QStringLiteral("When"), QStringLiteral("What"),
                          QStringLiteral("Started in"), QStringLiteral("Renames"),
                          QStringLiteral("State")});
  runs_->setRootIsDecorated(false);
  runs_->setSelectionMode(QAbstractItemView::SingleSelection);
  runs_->setAccessibleName(QStringLiteral("Kept runs"));
  runs_->header()->setStretchLastSection(false);
  runs_->header()->setSectionResizeMode(kFolder, QHeaderView::Stretch);
  look::MakeListBox(runs_);

  preview_ = new LinkLabel(QStringLiteral("Show what undo will put back"), this);
  undo_ = new QPushButton(QStringLiteral("Undo this run"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setDefault(true);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(preview_);
  bottom->addStretch();
  bottom->addWidget(undo_);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 12);
  layout->addWidget(heading);
  layout->addWidget(runs_, 1);
  layout->addLayout(bottom);
  resize(640, 300);
  CentreWhenFirstShown(this);

  connect(runs_, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(preview_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { PreviewSelected(); }); });
  connect(undo_, &QPushButton::clicked, this, [this] { RunGuarded([this] { UndoSelected(); }); });
  connect(close, &QPushButton::clicked, this, &HistoryWindow::BackToMainWindow);
}

void HistoryWindow::BackToMainWindow() {
  context_.navigator.ShowMainWindow();
  hide();
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
    return BackToMainWindow();
  QWidget::keyPressEvent(event);
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
  // The close box only puts this window away: the program goes on.
  context_.navigator.ShowMainWindow();
  event->accept();
}

void HistoryWindow::Open() {
  show();
  raise();
  activateWindow();
}

void HistoryWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (returnWatch_.CameBack(*this, *event)) RunGuarded([this] { Reload(SelectedRun()); });
}

void HistoryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) {
    RunGuarded([this] { Reload(); });
    returnWatch_.Refreshed();
  }
}

void HistoryWindow::Reload(const std::optional<std::string>& keep) {
  const JournalStore store(context_.fileSystem, context_.paths.journalFolder);
  const std::vector<RunSummary> history = store.History();
  // Emptying the list turns the actions off for a moment, which moves the keyboard focus on
  // from them: it comes back to the control the user was on, or to the list when that one
  // stays off.
  const QPointer<QWidget> focused = focusWidget();
  runs_->clear();
  for (auto run = history.rbegin(); run != history.rend(); ++run) {
    auto* item = new QTreeWidgetItem(runs_);
    item->setText(kWhen, Text(LocalTimeText(run->header.startedAt, "%Y-%m-%d %H:%M:%S")));
    if (!run->newer) {  // a newer version's journal tells this one no more than when
      item->setText(kWhat, Text(RunKindName(run->header.kind)));
      item->setText(kFolder, ShownText(run->header.folder));
      item->setText(kRenames, QString::number(run->renames));
      item->setTextAlignment(kRenames, Qt::AlignRight | Qt::AlignVCenter);
    }
    item->setText(kState, Text(RunStateName(*run)));
    item->setData(kWhen, kNameRole, QString::fromStdString(run->name));
    item->setDisabled(run->undoState == UndoState::kUndone || run->underWay || run->newer);
  }
  for (int column = 0; column < kColumns; ++column)
    if (column != kFolder) runs_->resizeColumnToContents(column);
  QTreeWidgetItem* picked = nullptr;  // the one to keep, else the newest that can be undone
  for (int row = 0; row < runs_->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = runs_->topLevelItem(row);
    if (item->isDisabled()) continue;
    if (!picked) picked = item;
    if (keep && item->data(kWhen, kNameRole).toString().toStdString() == *keep) {
      picked = item;
      break;
    }
  }
  if (picked) runs_->setCurrentItem(picked);
  UpdateActions();
  if (focused && focusWidget() != focused)
    (focused->isEnabled() ? focused.data() : runs_)->setFocus(Qt::OtherFocusReason);
}

std::optional<std::string> HistoryWindow::SelectedRun() const {
  const QList<QTreeWidgetItem*> selected = runs_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return selected.front()->data(kWhen, kNameRole).toString().toStdString();
}

void HistoryWindow::UpdateActions() {
  const bool picked = SelectedRun().has_value();
  undo_->setEnabled(picked);
  preview_->setEnabled(picked);
}

void HistoryWindow::PreviewSelected() {
  if (const std::optional<std::string> run = SelectedRun()) PreviewUndo(context_, this, *run);
}

void HistoryWindow::UndoSelected() {
  const std::optional<std::string> run = SelectedRun();
  if (!run) return;
  if (UndoKeptRun(context_, this, *run, QStringLiteral("Undo this run"),
                  QStringLiteral("this run")))
    Reload();
}

}  // namespace tunewick
