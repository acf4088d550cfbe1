#include "windows/correction_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "actions/song_actions.h"
#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "catalogue/song_path.h"
#include "platform/file_system.h"
#include "songtags/song_tags.h"
#include "songtools/song_correction.h"
#include "songtools/song_deletion.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/shown_text.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr int kWidth = 582;
constexpr int kHeight = 230;
constexpr int kHelpHeight = 331;

QString Display(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& typed) { return typed.toUtf8().toStdString(); }

// A read-only text of fixed lines, on the window's white.
QPlainTextEdit* FixedText(const QString& text, const QString& name, QWidget* parent,
                          const QRect& where) {
  auto* box = new QPlainTextEdit(parent);
  box->setPlainText(text);
  box->setReadOnly(true);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setFrameShape(QFrame::NoFrame);
  box->setFocusPolicy(Qt::NoFocus);
  box->setFont(look::Font(12));
  look::SetTextColor(box, look::kLink);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->document()->setDocumentMargin(0);
  box->setAccessibleName(name);
  box->setGeometry(where);
  return box;
}

QLineEdit* Box(const QString& name, QWidget* parent, const QRect& where, bool emphasised) {
  auto* box = new QLineEdit(parent);
  QFont font = look::Font(12);
  font.setBold(emphasised);
  font.setItalic(emphasised);
  box->setFont(font);
  box->setAccessibleName(name);
  box->setGeometry(where);
  return box;
}

QPushButton* Button(const QString& text, QWidget* parent, const QRect& where) {
  auto* button = new QPushButton(text, parent);
  button->setFont(look::Font(12));
  button->setGeometry(where);
  return button;
}

}  // namespace

CorrectionDialog::CorrectionDialog(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Correct song filename"));
  look::MakeWhite(this);
  setFont(look::Font(12));
  MakeFixedWindow(this, kWidth, kHeight);
  MinimiseApplicationWith(this);

  auto* back = new PictureButton(pictures::BackArrow(), QStringLiteral("Go Back"), this);
  back->setGeometry(6, 6, 30, 30);
  BuildBoxes();
  BuildHelpLink();

  auto* cancel = Button(QStringLiteral("&Cancel"), this, QRect(kWidth - 91, 190, 75, 25));
  auto* rename = Button(QStringLiteral("Rename song"), this, QRect(cancel->x() - 101, 190, 95, 25));
  auto* remove =
      Button(QStringLiteral("Delete this song"), this, QRect(rename->x() - 111, 190, 105, 25));
  auto* preview = Button(QStringLiteral("Preview"), this, QRect(remove->x() - 81, 190, 75, 25));
  MakeDefaultButton(rename);

  explanation_ = FixedText(
      QStringLiteral("All filenames should be in the form of: \"Artist Name - Song Name.xxx\".  "
                     "This filename isn't.  Please \nenter the song's name and artist, and the "
                     "song will be renamed for you."),
      QStringLiteral("What's wrong with the filename"), this, QRect(16, 248, kWidth - 32, 40));
  explanation_->hide();

  QWidget* order[] = {songName_, artist_,   rename,    cancel, preview,
                      remove,    helpLink_, fileName_, back};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(back, &PictureButton::clicked, this, [this] { BackToMainWindow(); });
  connect(helpIcon_, &PictureButton::clicked, this, [this] { ShowHelp(); });
  connect(helpLink_, &LinkLabel::activated, this, [this] { ShowHelp(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(rename, &QPushButton::clicked, this, [this] { RunGuarded([this] { RenameSong(); }); });
  connect(remove, &QPushButton::clicked, this, [this] { RunGuarded([this] { DeleteSong(); }); });
  connect(preview, &QPushButton::clicked, this, [this] {
    RunGuarded(
        [this] { context_.navigator.Preview().RequestPreview(PreviewAsker::kCorrectionDialog); });
  });
  // Enter in either box renames, as the dialog's main action.
  for (QLineEdit* box : {songName_, artist_})
    connect(box, &QLineEdit::returnPressed, this, [this] { RunGuarded([this] { RenameSong(); }); });
}

// The heading, the song's file name and the boxes for its title and artist.
void CorrectionDialog::BuildBoxes() {
  auto* heading = new QLabel(QStringLiteral("Correct the song's name"), this);
  look::MakeHeading(heading);
  heading->adjustSize();
  heading->move(42, 10);

  QLabel* caption =
      look::AddText(this, QStringLiteral("The song's filename is:"), 12, look::kLink, {42, 44});
  const int boxLeft = caption->x() + caption->width() + 8;
  fileName_ = Box(QStringLiteral("The song's filename"), this,
                  QRect(boxLeft, 40, kWidth - 16 - boxLeft, 22), false);
  fileName_->setReadOnly(true);  // shown to be read and copied: the boxes below rename

  FixedText(QStringLiteral("If the information in the boxes below is correct click \"Rename "
                           "file\", otherwise correct this \ninformation before continuing."),
            QStringLiteral("How to rename the song"), this, QRect(42, 72, kWidth - 58, 32));

  look::AddText(this, QStringLiteral("Song Name"), 12, look::kLink, {42, 116});
  songName_ = Box(QStringLiteral("Song Name"), this, QRect(170, 112, kWidth - 186, 24), true);
  look::AddText(this, QStringLiteral("Song Artist / Band"), 12, look::kLink, {42, 148});
  artist_ =
      Box(QStringLiteral("Song Artist / Band"), this, QRect(170, 144, kWidth - 186, 24), true);
}

void CorrectionDialog::BuildHelpLink() {
  helpIcon_ = new PictureButton(pictures::Help(), QStringLiteral("What's wrong?"), this);
  helpIcon_->setGeometry(14, 189, 26, 26);
  helpLink_ = new LinkLabel(QStringLiteral("What's wrong?"), this);
  helpLink_->adjustSize();
  helpLink_->move(44, 202 - helpLink_->height() / 2);
}

void CorrectionDialog::Open() {
  show();
  if (!shownBefore_) {
    CentreOnScreen(this);
    shownBefore_ = true;
  }
  raise();
  activateWindow();
  context_.navigator.HideMainWindow();
  ShowFileName();
  songName_->setFocus();
  FillFromTag();
}

void CorrectionDialog::FillFromTag() {
  const SongPath& song = context_.gui.SelectedSong;
  if (!context_.fileSystem.FileExists(song)) {
    Tell(QStringLiteral("MP3 file ") + ShownText(song) + QStringLiteral(" does not exist!"));
    Cancel();
    return;
  }
  const SongTags tags = ReadSongTags(context_.fileSystem, song);
  songName_->setText(Display(tags.title.text));
  artist_->setText(Display(tags.artist.text));
}

void CorrectionDialog::RenameSong() {
  const SongPath song = context_.gui.SelectedSong;
  SongPreview& preview = context_.navigator.Preview();
  // The player must let go of the file before it is renamed.
  const CorrectionResult result =
      CorrectSongName(context_.fileSystem, song, Bytes(artist_->text()), Bytes(songName_->text()),
                      [&preview] { preview.Pause(); });
  switch (result.outcome) {
    case CorrectionOutcome::kBoxEmpty:
      Tell(QStringLiteral("You must enter both the Artist and song name to rename the file."));
      return;
    case CorrectionOutcome::kForbiddenCharacter:
      Tell(
          // The list on a line of its own, so that it is never broken in two.
          QStringLiteral("Artist and song names cannot contain any of these characters:\n"
                         "\\ / : * ? \" < > |"));
      return;
    case CorrectionOutcome::kNameTaken:
      songName_->setFocus();
      Tell(QStringLiteral("There's already a file with the name and author you entered ('") +
           ShownText(result.newPath) + QStringLiteral("')"));
      return;
    case CorrectionOutcome::kRefused:
      Tell(QStringLiteral("The song could not be renamed: ") +
           QString::fromLocal8Bit(ErrorText(result.error).c_str()));
      return;
    case CorrectionOutcome::kRenamed:
      break;
  }
  Tell(QStringLiteral("Renaming Successful"));
  preview.Dismiss();
  hide();
  ClearBoxes();
  context_.navigator.ShowSongListAfterRename();
}

void CorrectionDialog::DeleteSong() {
  const SongPath song = context_.gui.SelectedSong;
  if (!context_.dialogs.AskConfirmOkCancel(this, QStringLiteral("Confirm"),
                                           QStringLiteral("Are you sure you want to delete ") +
                                               ShownText(song) + QStringLiteral("?"),
                                           DefaultAnswer::kOk))
    return;
  context_.navigator.Preview().LetGoOf(song);
  if (const std::error_code error = tunewick::DeleteSong(context_.fileSystem, song, 1)) {
    Tell(DeletionRefusal(error));
    return;
  }
  Tell(QStringLiteral("Your song was deleted successfully"));
  // A hidden preview must not go on playing the deleted song.
  context_.navigator.Preview().Dismiss();
  hide();
  ClearBoxes();
  context_.navigator.ShowMainWindow();
  context_.navigator.OpenSongList();
}

void CorrectionDialog::Cancel() {
  ClearBoxes();
  context_.navigator.ShowMainWindow();
  hide();
}

void CorrectionDialog::BackToMainWindow() {
  context_.navigator.ShowMainWindow();
  hide();
}

void CorrectionDialog::ShowHelp() {
  // The keyboard focus must not fall onto whatever follows the help in the tab order.
  const bool helpHadFocus = focusWidget() == helpIcon_ || focusWidget() == helpLink_;
  helpIcon_->hide();
  helpLink_->hide();
  setFixedHeight(kHelpHeight);
  explanation_->show();
  if (helpHadFocus) songName_->setFocus();
}

bool CorrectionDialog::IsHelpShown() const { return !explanation_->isHidden(); }

void CorrectionDialog::ShowFileName() {
  fileName_->setText(ShownText(FileNameOf(context_.gui.SelectedSong)));
}

void CorrectionDialog::ClearBoxes() {
  songName_->clear();
  artist_->clear();
  fileName_->clear();
}

void CorrectionDialog::Tell(const QString& text) { context_.dialogs.ShowMessage(this, text); }

void CorrectionDialog::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowFileName();
  QWidget::changeEvent(event);
}

void CorrectionDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Cancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CorrectionDialog::closeEvent(QCloseEvent* event) {
  if (!context_.gui.TerminationRequested) {
    context_.gui.TerminationRequested = true;
    context_.requestTermination();
  }
  ClearBoxes();
  context_.navigator.ShowMainWindow();
  event->accept();
}

}  // namespace tunewick
