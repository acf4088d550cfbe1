#include "windows/tidyup_results_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "actions/undo_actions.h"
#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "reports/changed_files.h"
#include "widgets/link_label.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr QSize kCleanSize{450, 130};
constexpr QSize kAllCleanSize{290, 110};
constexpr int kNoteHeight = 20;

QString Decode(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The counter of the tidy-up step in `row`; a screen reader reads it with its caption.
void ShowCount(QLabel* counter, std::size_t row, std::size_t count) {
  counter->setText(QString::number(count));
  counter->setAccessibleName(counter->text() + ' ' + Decode(kCounterOrder[row].counterCaption));
}

}  // namespace

TidyupResultsWindow::TidyupResultsWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Automatic Tidy-up results"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  look::MakeWhite(this);
  setFont(look::Font(12));
  BuildResultsPanel();
  BuildCleanPanel();
  resize(resultsSize_);
  LeaveOnEscape(this, [this] { BackToMainWindow(); });
}

void TidyupResultsWindow::BuildResultsPanel() {
  resultsPanel_ = new QWidget(this);
  resultsPanel_->move(0, 0);
  auto* heading = new QLabel(QStringLiteral("Tidy-Up Results"), resultsPanel_);
  look::MakeHeading(heading);
  heading->adjustSize();
  heading->move(16, 10);
  // Room for seven digits: a library of millions of songs.
  const int counterWidth =
      resultsPanel_->fontMetrics().horizontalAdvance(QStringLiteral("0000000"));
  for (std::size_t row = 0; row < kCounterOrder.size(); ++row) {
    const int y = 40 + 20 * static_cast<int>(row);
    counters_[row] = new QLabel(resultsPanel_);
    ShowCount(counters_[row], row, 0);
    counters_[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counters_[row]->setGeometry(16, y, counterWidth, 18);
    look::SetTextColor(counters_[row], look::kHeading);
    auto* caption = new QLabel(Decode(kCounterOrder[row].counterCaption), resultsPanel_);
    look::SetTextColor(caption, look::kLink);
    look::LeaveRoomForText(caption);
    caption->adjustSize();
    caption->move(counters_[row]->geometry().right() + 9, y + (18 - caption->height()) / 2);
    resultsSize_.setWidth(std::max(resultsSize_.width(), caption->geometry().right() + 1 + 8));
  }
  resultsPanel_->resize(resultsSize_);
  // Below the counters, when there is something to say: a run that ended early, and the
  // renames that could not be made, which lead to their part of the list.
  stopped_ = new QLabel(resultsPanel_);
  look::SetTextColor(stopped_, look::kHeading);
  refusals_ = new LinkLabel(QString(), resultsPanel_);
  connect(refusals_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { ShowChangedFiles(true); }); });
  undo_ = new LinkLabel(QStringLiteral("Undo this tidy-up"), resultsPanel_);
  undo_->adjustSize();
  undo_->move(resultsSize_.width() - 16 - undo_->width(), 14);
  connect(undo_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { UndoLastTidyup(context_, this); }); });
  undone_ = new QLabel(QStringLiteral("Undone"), resultsPanel_);
  look::SetTextColor(undone_, look::kLink);
  undone_->adjustSize();
  undone_->move(resultsSize_.width() - 16 - undone_->width(), 14);
  viewList_ = new LinkLabel(QStringLiteral("View a list of files changed"), resultsPanel_);
  viewList_->adjustSize();
  resultsClose_ = new QPushButton(QStringLiteral("Close"), resultsPanel_);
  MakeDefaultButton(resultsClose_);
  PlaceResultsFooter(0);
  // The keyboard starts on Close, where Return does no harm; undo comes last.
  setTabOrder(resultsClose_, viewList_);
  setTabOrder(viewList_, refusals_);
  setTabOrder(refusals_, undo_);
  connect(viewList_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { ShowChangedFiles(); }); });
  connect(resultsClose_, &QPushButton::clicked, this, &TidyupResultsWindow::BackToMainWindow);
}

// The list link and Close at the bottom, below `notes` lines under the counters.
void TidyupResultsWindow::PlaceResultsFooter(int notes) {
  const int top = 152 + kNoteHeight * notes;
  viewList_->move(16, top + (25 - viewList_->height()) / 2);
  resultsClose_->setGeometry(resultsSize_.width() - 91, top, 75, 25);
  int y = 142;
  for (QWidget* note : {static_cast<QWidget*>(stopped_), static_cast<QWidget*>(refusals_)}) {
    note->move(16, y);
    if (!note->isHidden()) y += kNoteHeight;
  }
  const QSize size(resultsSize_.width(), resultsSize_.height() + kNoteHeight * notes);
  resultsPanel_->resize(size);
  resize(size);
}

void TidyupResultsWindow::BuildCleanPanel() {
  cleanPanel_ = new QWidget(this);
  cleanPanel_->setGeometry(0, 0, kCleanSize.width(), 230);
  cleanPanel_->hide();

  auto* back = new PictureButton(pictures::BackArrow(), QStringLiteral("Go Back"), cleanPanel_);
  back->setGeometry(6, 6, 30, 30);
  connect(back, &PictureButton::clicked, this, [this] {
    RunGuarded([this] {
      context_.navigator.ShowMainWindow();
      hide();
      context_.navigator.LeaveSongList();
    });
  });

  auto* heading = new QLabel(QStringLiteral("Your songs are clean already!"), cleanPanel_);
  look::MakeHeading(heading);
  heading->adjustSize();
  heading->move(42, 10);

  fixRemaining_ = new LinkLabel(QString(), cleanPanel_);
  fixRemaining_->move(16, 36);
  connect(fixRemaining_, &LinkLabel::activated, this, [this] {
    RunGuarded([this] {
      context_.navigator.ShowMainWindow();
      hide();
      context_.navigator.OpenSongList();
      context_.gui.SongListOrigin = SongListOpenedFrom::kTidyupResults;
    });
  });

  why_ = new LinkLabel(QStringLiteral("Why weren't all of my songs tidied?"), cleanPanel_);
  why_->adjustSize();
  why_->move(16, 58);
  connect(why_, &LinkLabel::activated, this, &TidyupResultsWindow::ShowExplanation);

  cleanClose_ = new QPushButton(QStringLiteral("Close"), cleanPanel_);
  cleanClose_->resize(75, 25);
  MakeDefaultButton(cleanClose_);
  connect(cleanClose_, &QPushButton::clicked, this, &TidyupResultsWindow::BackToMainWindow);

  explanation_ = new QPlainTextEdit(cleanPanel_);
  explanation_->setReadOnly(true);
  explanation_->setFrameShape(QFrame::NoFrame);
  explanation_->setAccessibleName(QStringLiteral("Why some songs were not tidied"));
  look::SetTextColor(explanation_, look::kLink);
  explanation_->setGeometry(16, 60, kCleanSize.width() - 32, 92);
  explanation_->hide();
}

void TidyupResultsWindow::Refresh() {
  explanation_->hide();
  undo_->setVisible(!context_.gui.LastTidyupJournal.empty());
  undone_->setVisible(context_.gui.LastTidyupUndone);
  // Refused renames are listed with the changed files, so they lead to the results too.
  if (AnySongRenamed(context_.lists) || !context_.lists.RenameFailures.empty() ||
      context_.gui.LastTidyupStopped || context_.gui.LastTidyupUndone) {
    for (std::size_t row = 0; row < kCounterOrder.size(); ++row)
      ShowCount(counters_[row], row, (context_.lists.*kCounterOrder[row].log).size());
    const std::size_t refused = context_.lists.RenameFailures.size();
    stopped_->setVisible(context_.gui.LastTidyupStopped && !context_.gui.LastTidyupUndone);
    // Where its journal stopped it, a message has said why.
    stopped_->setText(
        context_.gui.LastTidyupCancelled
            ? QStringLiteral("The tidy-up was cancelled: the counts are what it did.")
            : QStringLiteral("The tidy-up stopped early: the counts are what it did."));
    stopped_->adjustSize();
    refusals_->setVisible(refused > 0);
    refusals_->setText(refused == 1
                           ? QStringLiteral("1 rename could not be made: see why")
                           : QStringLiteral("%1 renames could not be made: see why").arg(refused));
    refusals_->adjustSize();
    PlaceResultsFooter(int(!stopped_->isHidden()) + int(!refusals_->isHidden()));
    resultsPanel_->show();
    cleanPanel_->hide();
    return;
  }

  resultsPanel_->hide();
  cleanPanel_->show();
  resize(kCleanSize);
  context_.navigator.Rescan();
  context_.navigator.CheckNames();
  const std::size_t remaining = context_.lists.IncorrectSongs.size();
  if (remaining == 0) {
    explanation_->hide();
    fixRemaining_->hide();
    why_->hide();
    resize(kAllCleanSize);
    cleanClose_->move(185, 40);
  } else {
    fixRemaining_->setText(QStringLiteral("However %1 songs are still named incorrectly.  Click "
                                          "here to fix them.")
                               .arg(remaining));
    fixRemaining_->adjustSize();
    fixRemaining_->show();
    why_->show();
    cleanClose_->move(328, 55);
  }
}

void TidyupResultsWindow::ShowExplanation() {
  explanation_->setPlainText(
      QStringLiteral("Your songs were not tidied because they don't have a dash in the filename, "
                     "or they have more than one dash.  \n\nThe dash is used to seperate the "
                     "Artist and Song in your song names."));
  explanation_->move(16, 60);
  explanation_->show();
  resize(width(), 230);
  cleanClose_->move(cleanClose_->x(), 160);
  why_->hide();
}

void TidyupResultsWindow::ShowChangedFiles(bool atRefusals) {
  TextList lines = BuildChangedFilesList(context_.lists);
  if (lines.empty()) {
    context_.dialogs.ShowMessage(this, QStringLiteral("No files were fixed"));
    return;
  }
  std::size_t firstRow = 0;
  if (atRefusals)
    firstRow = static_cast<std::size_t>(std::find(lines.begin(), lines.end(), kFailuresHeading) -
                                        lines.begin());
  context_.navigator.ShowChangedFiles(ChangedFilesKind::kTidyup, std::move(lines), firstRow);
}

void TidyupResultsWindow::BackToMainWindow() {
  context_.navigator.ShowMainWindow();
  hide();
}

bool TidyupResultsWindow::IsShowingResults() const { return !resultsPanel_->isHidden(); }
bool TidyupResultsWindow::IsShowingCleanPanel() const { return !cleanPanel_->isHidden(); }
QString TidyupResultsWindow::Counter(int row) const {
  return counters_[static_cast<std::size_t>(row)]->text();
}

void TidyupResultsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) {
    RunGuarded([this] { Refresh(); });
    returnWatch_.Refreshed();
    // The keyboard starts on Close, where Return does no harm.
    (IsShowingResults() ? resultsClose_ : cleanClose_)->setFocus();
  }
}

void TidyupResultsWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (returnWatch_.CameBack(*this, *event)) RunGuarded([this] { Refresh(); });
}

void TidyupResultsWindow::closeEvent(QCloseEvent* event) {
  // The close box only puts this window away: the program goes on.
  context_.navigator.ShowMainWindow();
  event->accept();
}

}  // namespace tunewick
