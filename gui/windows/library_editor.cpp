#include "windows/library_editor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/shown_text.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr int kWidth = 530;
constexpr int kHeight = 430;
constexpr int kMargin = 12;
constexpr int kInnerWidth = kWidth - 2 * kMargin;

const QString kPrompt =
    QStringLiteral("Enter the location of a folder to add it to your music library:");
const QString kListLabel = QStringLiteral("Folders already in your music library");

// A thin frame around the part of the window where folders are entered.
class FramedBox : public QWidget {
 public:
  FramedBox(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(color_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  QColor color_;
};

QString Shown(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

LinkLabel::Look ToLook(LinkLook look) {
  switch (look) {
    case LinkLook::kHover:
      return LinkLabel::Look::kHover;
    case LinkLook::kGrey:
      return LinkLabel::Look::kGrey;
    case LinkLook::kNormal:
      break;
  }
  return LinkLabel::Look::kNormal;
}

QLabel* Label(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAccessibleName(text);
  look::LeaveRoomForText(label);
  label->adjustSize();
  return label;
}

}  // namespace

LibraryEditor::LibraryEditor(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), model_(context.fileSystem) {
  setWindowTitle(QStringLiteral("Your Music Library"));
  look::MakeWhite(this);
  setFont(look::Font(12));
  MakeFixedWindow(this, kWidth, kHeight);
  BuildWindow();
  UpdateLinkLooks();
  MinimiseApplicationWith(this);
}

void LibraryEditor::BuildWindow() {
  backArrow_ = new PictureButton(pictures::BackArrow(), QStringLiteral("Go Back"), this);
  backArrow_->setGeometry(8, 8, 30, 30);
  connect(backArrow_, &PictureButton::clicked, this, [this] { RunGuarded([this] { GoBack(); }); });
  LeaveOnEscape(this, [this] { backArrow_->click(); });

  heading_ = new QLabel(this);
  look::MakeHeading(heading_);
  heading_->setGeometry(46, 13, kWidth - 46 - kMargin, 22);
  SetHeading(QStringLiteral("Welcome to your music library "));
  BuildFolderBox();
  BuildFolderList();
  BuildFooter();

  QWidget* order[] = {backArrow_, textBox_,    browseLink_, addLink_,     folderList_,
                      editLink_,  removeLink_, allTypes_,   keepLibrary_, continueButton_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  ConnectControls();
}

// Where folders are typed or browsed for.
void LibraryEditor::BuildFolderBox() {
  auto* box = new FramedBox(look::kHeading, this);
  box->setGeometry(kMargin, 48, kInnerWidth, 98);
  auto* prompt = Label(kPrompt, box);
  look::SetTextColor(prompt, look::kLink);
  prompt->move(12, 12);
  textBox_ = new QLineEdit(box);
  textBox_->setAccessibleName(kPrompt);
  textBox_->setGeometry(12, 32, kInnerWidth - 24, 24);
  prompt->setBuddy(textBox_);
  browseLink_ = new LinkLabel(
      QStringLiteral("Browse for folder"),
      QStringLiteral("Browse for a folder, and once found enter its path into the box above"), box);
  browseLink_->move(12, 68);
  addLink_ = new LinkLabel(
      QStringLiteral("Add this folder to your library"),
      QStringLiteral("Add the folder path in the box above into your music library"), box);
  addLink_->move(kInnerWidth - 12 - addLink_->width(), 68);
  addLink_->setAutomaticHover(false);
}

// The folders of the library, with the links that act on the one selected.
void LibraryEditor::BuildFolderList() {
  auto* listLabel = Label(kListLabel, this);
  listLabel->move(kMargin, 158);
  folderList_ = new QListWidget(this);
  look::MakeListBox(folderList_);
  folderList_->setGeometry(kMargin, 178, kInnerWidth, 140);
  folderList_->setSelectionMode(QAbstractItemView::SingleSelection);
  folderList_->setToolTip(QStringLiteral("These are the folders in your music library."));
  folderList_->setAccessibleName(kListLabel);
  listLabel->setBuddy(folderList_);

  editLink_ = new LinkLabel(
      QStringLiteral("Edit the path to this folder"),
      QStringLiteral("Put the selected folder back into the editing box to change it."), this);
  editLink_->move(kMargin, 326);
  editLink_->setAutomaticHover(false);
  removeLink_ =
      new LinkLabel(QStringLiteral("Remove this folder from your library"),
                    QStringLiteral("Remove the selected folder from your music library"), this);
  removeLink_->move(kWidth - kMargin - removeLink_->width(), 326);
  removeLink_->setAutomaticHover(false);
}

void LibraryEditor::BuildFooter() {
  const QString typesText = QStringLiteral("Also look for FLAC, Ogg, Opus, M4A and AIFF songs");
  allTypes_ = new QCheckBox(typesText, this);
  allTypes_->setToolTip(
      QStringLiteral("Tick this box to find the songs of .flac, .ogg, .oga, .opus, .m4a, .aif "
                     "and .aiff files as well as MP3, WAV and WMA songs."));
  allTypes_->setAccessibleName(typesText);
  allTypes_->setGeometry(kMargin, 360, 330, 22);
  connect(allTypes_, &QCheckBox::toggled, this, [this](bool all) {
    if (!updating_) model_.SetAllSongTypes(all);
  });

  const QString keepText = QStringLiteral("Keep my music library (I plan to run this tool again)");
  keepLibrary_ = new QCheckBox(keepText, this);
  keepLibrary_->setChecked(context_.gui.KeepLibrary);
  connect(keepLibrary_, &QCheckBox::toggled, this,
          [this](bool keep) { context_.gui.KeepLibrary = keep; });
  keepLibrary_->setToolTip(
      QStringLiteral("Tick this box if you don't want to remove the file containing your music "
                     "library when this application closes."));
  keepLibrary_->setAccessibleName(keepText);
  keepLibrary_->setGeometry(kMargin, 390, 330, 22);

  continueButton_ = new QPushButton(QStringLiteral("Continue"), this);
  continueButton_->setToolTip(
      QStringLiteral("Save changes made and go back to where you were last."));
  continueButton_->setAccessibleName(QStringLiteral("Continue"));
  MakeDefaultButton(continueButton_);
  continueButton_->setGeometry(kWidth - kMargin - 96, 387, 96, 28);
}

void LibraryEditor::ConnectControls() {
  connect(textBox_, &QLineEdit::textChanged, this, [this] { OnTextEdited(); });
  connect(textBox_, &QLineEdit::returnPressed, this,
          [this] { RunGuarded([this] { AddFolder(AddTrigger::kEnterKey); }); });
  connect(browseLink_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { BrowseForFolder(); }); });
  connect(addLink_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { AddFolder(AddTrigger::kAddLink); }); });
  connect(folderList_, &QListWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
  connect(editLink_, &LinkLabel::activated, this, [this] { RunGuarded([this] { EditFolder(); }); });
  connect(removeLink_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { RemoveFolder(); }); });
  connect(continueButton_, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { Continue(); }); });

  // The links that only have a target now and then keep their hover look to themselves.
  auto trackPointer = [this](LinkLabel* link, bool& over) {
    connect(link, &LinkLabel::pointerEntered, this, [this, &over] {
      over = true;
      UpdateLinkLooks();
    });
    connect(link, &LinkLabel::pointerLeft, this, [this, &over] {
      over = false;
      UpdateLinkLooks();
    });
  };
  trackPointer(addLink_, addHovered_);
  trackPointer(editLink_, editHovered_);
  trackPointer(removeLink_, removeHovered_);
}

void LibraryEditor::SetHeading(const QString& text) {
  heading_->setText(text);
  heading_->setAccessibleName(text);
}

QString LibraryEditor::Heading() const { return heading_->text(); }

void LibraryEditor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Only being shown again by the program after it was hidden starts the list over from
  // the library file. The window system's own show events (back from being minimised)
  // leave it alone, and so does the window becoming active again when one of its message
  // boxes or the folder picker closes: folders added but not yet saved stay listed.
  if (event->spontaneous()) return;
  CentreOnScreen(this);
  textBox_->setFocus();
  RunGuarded([this] { Reload(); });
  RunGuarded([this] { ReloadSettings(); });
}

void LibraryEditor::closeEvent(QCloseEvent* event) {
  RunGuarded([this] {
    GuiState& state = context_.gui;
    if (!state.TerminationRequested) {
      state.TerminationRequested = true;
      context_.requestTermination();
    } else if (model_.Folders().empty()) {
      ShowMessage(kCannotContinueMessage);
      context_.requestTermination();
    } else {
      context_.navigator.ShowMainWindow();
    }
  });
  event->accept();
}

void LibraryEditor::Reload() {
  try {
    model_.Reload(context_.paths.libraryFile);
  } catch (...) {
    ShowFolders();  // what could be read is listed all the same
    throw;
  }
  ShowFolders();
}

void LibraryEditor::ReloadSettings() {
  model_.ReloadSettings(context_.paths.settingsFile);
  updating_ = true;
  allTypes_->setChecked(model_.AllSongTypes());
  updating_ = false;
}

void LibraryEditor::AddFolder(AddTrigger trigger) {
  const AddOutcome outcome = model_.Add(trigger);
  if (outcome.added) {
    updating_ = true;
    const int row = static_cast<int>(*outcome.added);
    folderList_->insertItem(row, ShownText(model_.Folders()[*outcome.added]));
    folderList_->scrollToItem(folderList_->item(row));
    updating_ = false;
  }
  ShowText();
  ShowSelection();
  if (!outcome.message.empty()) ShowMessage(outcome.message);
  if (outcome.focusTextBox) textBox_->setFocus();
}

void LibraryEditor::BrowseForFolder() {
  std::optional<std::string> picked = context_.dialogs.PickFolder(
      this, QStringLiteral("Please select the folder holding your music"), "/");
  if (!picked) return;
  model_.SetText(std::move(*picked));
  ShowText();
  textBox_->setFocus();
}

void LibraryEditor::EditFolder() {
  const std::optional<std::size_t> selected = model_.Selected();
  if (!model_.EditSelected()) return;
  updating_ = true;
  delete folderList_->takeItem(static_cast<int>(*selected));
  updating_ = false;
  ShowSelection();
  ShowText();
  textBox_->setFocus();
}

void LibraryEditor::RemoveFolder() {
  const std::optional<std::size_t> selected = model_.Selected();
  if (!model_.RemoveSelected()) return;
  updating_ = true;
  delete folderList_->takeItem(static_cast<int>(*selected));
  updating_ = false;
  ShowSelection();
  // Not on the link, which has nothing left to remove until a folder is picked.
  (folderList_->count() > 0 ? static_cast<QWidget*>(folderList_) : textBox_)->setFocus();
}

void LibraryEditor::Continue() {
  std::string message = model_.Save(context_.paths.libraryFile);
  if (message.empty()) message = model_.SaveSettings(context_.paths.settingsFile);
  if (!message.empty()) {
    ShowMessage(message);
    return;
  }
  context_.gui.ScannedTypes = model_.ChosenTypes();
  context_.navigator.ShowMainWindow();
  hide();
  if (context_.gui.ReturnTarget == AfterLibraryEditor::kSongList) context_.navigator.OpenSongList();
}

void LibraryEditor::GoBack() {
  context_.navigator.ShowMainWindow();
  hide();
}

void LibraryEditor::OnTextEdited() {
  if (updating_) return;
  // What the user typed becomes path bytes here, once.
  model_.SetText(QFile::encodeName(textBox_->text()).toStdString());
  UpdateLinkLooks();
}

void LibraryEditor::OnSelectionChanged() {
  if (updating_) return;
  const QList<QListWidgetItem*> selected = folderList_->selectedItems();
  std::optional<std::size_t> row;
  if (!selected.isEmpty()) row = static_cast<std::size_t>(folderList_->row(selected.first()));
  model_.Select(row);
  UpdateLinkLooks();
}

void LibraryEditor::ShowText() {
  updating_ = true;
  textBox_->setText(Shown(model_.Text()));
  updating_ = false;
  UpdateLinkLooks();
}

void LibraryEditor::ShowFolders() {
  updating_ = true;
  folderList_->clear();
  for (const std::string& folder : model_.Folders()) folderList_->addItem(ShownText(folder));
  updating_ = false;
  ShowSelection();
}

void LibraryEditor::ShowSelection() {
  updating_ = true;
  if (const std::optional<std::size_t> selected = model_.Selected()) {
    QListWidgetItem* item = folderList_->item(static_cast<int>(*selected));
    folderList_->setCurrentItem(item);
    folderList_->scrollToItem(item);
  } else {
    folderList_->clearSelection();
    folderList_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  updating_ = false;
  UpdateLinkLooks();
}

void LibraryEditor::UpdateLinkLooks() {
  addLink_->setLook(ToLook(model_.AddLinkLook(addHovered_)));
  editLink_->setLook(ToLook(model_.SelectionLinkLook(editHovered_)));
  removeLink_->setLook(ToLook(model_.SelectionLinkLook(removeHovered_)));
}

void LibraryEditor::ShowMessage(const std::string& text) {
  context_.dialogs.ShowMessage(this, QString::fromLocal8Bit(text));
}

}  // namespace tunewick
