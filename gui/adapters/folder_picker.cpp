#include "adapters/folder_picker.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/file_system.h"
#include "widgets/shown_text.h"

namespace tunewick {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;

std::string PathOf(const QStandardItem* item) {
  return item->data(kPathRole).toByteArray().toStdString();
}

std::string Child(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

FolderPicker::FolderPicker(const FileSystem& fileSystem, const QString& title,
                           const std::string& root, QWidget* parent)
    : QDialog(parent), fileSystem_(fileSystem) {
  setWindowTitle(title);
  model_ = new QStandardItemModel(this);
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setAccessibleName(QStringLiteral("Folders"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setText(QStringLiteral("Select Folder"));
  ok->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addWidget(buttons);
  resize(480, 420);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree_, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { Fill(model_->itemFromIndex(index)); });
  connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this, ok] { ok->setEnabled(Selected().has_value()); });
  connect(tree_, &QTreeView::doubleClicked, this, [this] {
    if (Selected()) accept();
  });

  QStandardItem* top = AddFolder(model_->invisibleRootItem(), root, ShownText(root));
  tree_->expand(top->index());
  tree_->setCurrentIndex(top->index());
}

QStandardItem* FolderPicker::AddFolder(QStandardItem* parent, const std::string& path,
                                       const QString& shown) {
  auto* item = new QStandardItem(shown);
  item->setData(QByteArray::fromStdString(path), kPathRole);
  item->setData(false, kFilledRole);
  item->appendRow(new QStandardItem());  // to be opened: read when it is
  parent->appendRow(item);
  return item;
}

void FolderPicker::Fill(QStandardItem* item) {
  if (!item || item->data(kFilledRole).toBool()) return;
  item->setData(true, kFilledRole);
  item->removeRows(0, item->rowCount());
  const std::string folder = PathOf(item);
  for (const FolderEntry& entry : fileSystem_.ListFolder(folder).entries)
    if (entry.isFolder) AddFolder(item, Child(folder, entry.name), ShownText(entry.name));
}

std::optional<std::string> FolderPicker::Selected() const {
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid() || !tree_->selectionModel()->isSelected(current)) return std::nullopt;
  const QStandardItem* item = model_->itemFromIndex(current);
  if (!item || !item->data(kPathRole).isValid()) return std::nullopt;
  return PathOf(item);
}

bool FolderPicker::Reveal(const std::string& path) {
  QStandardItem* item = model_->item(0);
  while (item && PathOf(item) != path) {
    tree_->expand(item->index());
    Fill(item);
    QStandardItem* next = nullptr;
    for (int row = 0; row < item->rowCount() && !next; ++row) {
      const std::string child = PathOf(item->child(row));
      if (path == child || path.rfind(child + "/", 0) == 0) next = item->child(row);
    }
    item = next;
  }
  if (!item) return false;
  tree_->setCurrentIndex(item->index());
  tree_->scrollTo(item->index());
  return true;
}

}  // namespace tunewick
