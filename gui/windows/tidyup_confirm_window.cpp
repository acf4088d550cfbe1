#include "windows/tidyup_confirm_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <chrono>
#include <functional>
#include <optional>

#include "actions/undo_actions.h"
#include "adapters/application.h"
#include "adapters/dialogs.h"
#include "catalogue/library_scan.h"
#include "journal/earlier_runs.h"
#include "journal/run_lock.h"
#include "platform/dry_run_file_system.h"
#include "reports/changed_files.h"
#include "tidyup/tidy_up.h"
#include "widgets/busy_cursor.h"
#include "widgets/link_label.h"
#include "widgets/long_operation.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr int kWidth = 416;
constexpr int kHeight = 154;
constexpr int kInformationHeight = 62;
const QColor kHeadingBlue{57, 51, 170};
const QColor kNavy{21, 28, 85};

// Shows how far a long run has got in the window, once it has run for a moment, and stops
// it when the window's Cancel was clicked meanwhile.
class ProgressHost : public TidyupHost {
 public:
  ProgressHost(int& savedCursor, QLabel* progress, LongOperation& operation, const bool& stop)
      : savedCursor_(savedCursor), progress_(progress), operation_(operation), stop_(stop) {}
  ~ProgressHost() override { progress_->hide(); }
  void BeginStep(TidyupStep) override { hourglass_.emplace(savedCursor_); }
  void EndStep(TidyupStep) override { hourglass_.reset(); }
  void Progress(TidyupStep step, std::size_t done, std::size_t total) override {
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (now - started_ < milliseconds(300) || now - shown_ < milliseconds(100)) return;
    shown_ = now;
    progress_->setText(QStringLiteral("Step %1 of 5: %2%")
                           .arg(static_cast<int>(step) + 1)
                           .arg(total ? done * 100 / total : 100));
    progress_->adjustSize();
    progress_->move(kWidth - 13 - progress_->width(), 18);
    progress_->show();
    progress_->repaint();
  }
  bool StopRequested() override {
    operation_.LetEventsThrough();
    return stop_;
  }

 private:
  int& savedCursor_;
  QLabel* progress_;
  LongOperation& operation_;
  const bool& stop_;
  std::optional<BusyCursor> hourglass_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now(), shown_;
};

// The tidy-up as the desktop program runs it: the hourglass during each step, the
// main window's scan, and the message for an empty library.
class WindowTidyupHost : public ProgressHost {
 public:
  WindowTidyupHost(AppContext& context, QWidget* window, QLabel* progress, LongOperation& operation,
                   const bool& stop)
      : ProgressHost(context.gui.SavedCursor, progress, operation, stop),
        context_(context),
        window_(window) {}
  void Rescan() override { context_.navigator.Rescan(); }
  void NoSongsFound() override {
    context_.dialogs.ShowMessage(window_, QStringLiteral("Debug: No Filenames"));
  }
  void ShowMainMenu() override { context_.navigator.ShowMainMenu(); }

 private:
  AppContext& context_;
  QWidget* window_;
};

// The same tidy-up over a view of the disk in which renames are only written down, on
// lists of its own: the windows and their lists stay as they are.
class PreviewTidyupHost : public ProgressHost {
 public:
  PreviewTidyupHost(AppContext& context, SongLists& preview, FileSystem& view, QLabel* progress,
                    LongOperation& operation, const bool& stop)
      : ProgressHost(context.gui.SavedCursor, progress, operation, stop),
        libraryFile_(context.paths.libraryFile),
        types_(context.gui.ScannedTypes),
        preview_(preview),
        view_(view) {}
  void Rescan() override { tunewick::rescan(preview_, view_, libraryFile_, types_); }

 private:
  const std::string& libraryFile_;
  const SongTypes types_;
  SongLists& preview_;
  FileSystem& view_;
};

}  // namespace

TidyupConfirmWindow::TidyupConfirmWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Tunewick"));
  look::MakeWhite(this);
  setFont(look::Font(12));
  MakeFixedWindow(this, kWidth, kHeight);
  CentreWhenFirstShown(this);
  collapsedHeight_ = height();
  BuildQuestion();
  BuildInformationToggle();

  // In the room right of the heading; a long run shows its progress there instead.
  preview_ = new LinkLabel(QStringLiteral("Show what will change"), this);
  preview_->adjustSize();
  preview_->move(kWidth - 13 - preview_->width(), 18);
  progress_ = new QLabel(this);
  look::SetTextColor(progress_, kNavy);
  progress_->hide();

  continue_ = new QPushButton(QStringLiteral("Continue"), this);
  continue_->setGeometry(328, 112, 75, 25);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setGeometry(248, 112, 75, 25);
  MakeDefaultButton(continue_);
  QWidget* order[] = {continue_, cancel_, toggleLabel_, preview_, expandIcon_, collapseIcon_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  BuildInformationPanel();

  for (PictureButton* icon : {expandIcon_, collapseIcon_})
    connect(icon, &PictureButton::clicked, this, &TidyupConfirmWindow::ToggleInformation);
  connect(toggleLabel_, &LinkLabel::activated, this, &TidyupConfirmWindow::ToggleInformation);
  connect(cancel_, &QPushButton::clicked, this, [this] { Cancel(); });
  LeaveOnEscape(this, [this] { cancel_->click(); });
  connect(continue_, &QPushButton::clicked, this, [this] { RunGuarded([this] { RunTidyup(); }); });
  connect(preview_, &LinkLabel::activated, this,
          [this] { RunGuarded([this] { PreviewTidyup(); }); });
}

void TidyupConfirmWindow::BuildQuestion() {
  look::AddText(this, QStringLiteral("Are you sure you want to continue"), 15, kHeadingBlue,
                {16, 16});
  look::AddText(
      this, QStringLiteral("This could take a few minutes, depending on the amount of files or if"),
      12, kNavy)
      ->move(16, 48);
  look::AddText(this, QStringLiteral("the songs are on another computer on your network."), 12,
                kNavy)
      ->move(16, 64);
  look::AddText(this,
                QStringLiteral("Clicking \"Continue\" will automatically tidy your music library."),
                12, kNavy)
      ->move(16, 88);
}

void TidyupConfirmWindow::BuildInformationToggle() {
  expandIcon_ = new PictureButton(pictures::Expand(), QStringLiteral("More information"), this);
  expandIcon_->setGeometry(18, 115, 22, 23);
  collapseIcon_ = new PictureButton(pictures::Collapse(), QStringLiteral("Less information"), this);
  collapseIcon_->setGeometry(18, 115, 22, 23);
  collapseIcon_->hide();
  toggleLabel_ = new LinkLabel(QStringLiteral("More information"), this);
  toggleLabel_->setAutomaticHover(false);
  toggleLabel_->move(46, 120);
  toggleLabel_->adjustSize();
}

// What the tidy-up does, shown below the buttons on request.
void TidyupConfirmWindow::BuildInformationPanel() {
  informationPanel_ = new QWidget(this);
  informationPanel_->setGeometry(0, kHeight - kInformationHeight, kWidth, kInformationHeight);
  look::MakeWhite(informationPanel_);
  auto* explanation = new QPlainTextEdit(informationPanel_);
  explanation->setPlainText(
      QStringLiteral("Clicking \"Continue\" will replace underscores with spaces, remove \n"
                     "non-letter prefixes, capitalize words, and remove \"(1)\" to \"(9)\" from \n"
                     "your song filenames."));
  explanation->setReadOnly(true);
  explanation->setFrameShape(QFrame::NoFrame);
  explanation->setFont(look::Font(12));
  look::SetTextColor(explanation, kNavy);
  explanation->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  explanation->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  explanation->setAccessibleName(QStringLiteral("What the tidy-up does"));
  explanation->setGeometry(16, 8, 393, 49);
  explanation->document()->setDocumentMargin(0);
  informationPanel_->hide();
}

int TidyupConfirmWindow::ExpandedHeight() const { return collapsedHeight_ + kInformationHeight; }

bool TidyupConfirmWindow::IsExpanded() const { return !informationPanel_->isHidden(); }

void TidyupConfirmWindow::ToggleInformation() {
  if (height() != ExpandedHeight()) {
    setFixedHeight(ExpandedHeight());
    informationPanel_->move(0, collapsedHeight_);
    informationPanel_->show();
  } else {
    informationPanel_->hide();
    setFixedHeight(collapsedHeight_);
  }
  const bool expanded = IsExpanded();
  PictureButton* shown = expanded ? collapseIcon_ : expandIcon_;
  PictureButton* replaced = expanded ? expandIcon_ : collapseIcon_;
  shown->show();
  // A toggle pressed from the keyboard hides itself: the focus goes to the one shown in its
  // place, not on to Continue, where the next Space would start the tidy-up.
  if (focusWidget() == replaced) shown->setFocus(Qt::OtherFocusReason);
  replaced->hide();
  toggleLabel_->setText(expanded ? QStringLiteral("Less information")
                                 : QStringLiteral("More information"));
  toggleLabel_->adjustSize();
}

void TidyupConfirmWindow::Cancel() {
  if (running_) {
    stopRequested_ = true;
    cancel_->setEnabled(false);  // taken: the run ends after the rename in hand
    return;
  }
  context_.navigator.ShowMainWindow();
  hide();
}

TidyupEnd TidyupConfirmWindow::RunStoppable(
    const std::function<TidyupEnd(LongOperation&, const bool&)>& steps) {
  running_ = true;
  stopRequested_ = false;
  context_.gui.BulkRunInProgress = true;
  // Hiding the link and turning Continue off moves the keyboard focus on from them, at once
  // or when the window is next activated: it comes back where it was once the run is over.
  const QPointer<QWidget> focused = focusWidget();
  preview_->hide();
  continue_->setEnabled(false);
  struct Restore {
    TidyupConfirmWindow& window;
    QPointer<QWidget> focused;
    ~Restore() {
      window.running_ = false;
      window.context_.gui.BulkRunInProgress = false;
      window.preview_->show();
      window.continue_->setEnabled(true);
      window.cancel_->setEnabled(true);
      if (focused && focused->isVisibleTo(&window) && focused->isEnabled())
        focused->setFocus(Qt::OtherFocusReason);
    }
  } restore{*this, focused};
  LongOperation operation(this);
  return steps(operation, stopRequested_);
}

void TidyupConfirmWindow::RunTidyup() {
  std::unique_ptr<RecordedRun> run = StartRecordedRun(context_, this, RunKind::kTidyup);
  if (!run) return;
  context_.gui.LastTidyupJournal.clear();
  context_.gui.LastTidyupUndone = false;
  const TidyupEnd end = RunStoppable([&](LongOperation& operation, const bool& stop) {
    WindowTidyupHost host(context_, this, progress_, operation, stop);
    return tunewick::RunTidyup(context_.lists, run->fileSystem(), host);
  });
  context_.gui.LastTidyupStopped = end == TidyupEnd::kStopped;
  context_.gui.LastTidyupCancelled = end == TidyupEnd::kStopped && stopRequested_;
  FinishRecordedRun(context_, this, *run);
  if (run->renamed() > 0) context_.gui.LastTidyupJournal = run->name();
  context_.navigator.ShowTidyupResults();
  hide();
}

void TidyupConfirmWindow::PreviewTidyup() {
  RefuseWhileAnotherRuns(context_.paths.journalFolder);
  SongLists preview;
  DryRunFileSystem view(context_.fileSystem);
  ForeseeSettling(JournalStore(context_.fileSystem, context_.paths.journalFolder), view);
  const TidyupEnd end = RunStoppable([&](LongOperation& operation, const bool& stop) {
    PreviewTidyupHost host(context_, preview, view, progress_, operation, stop);
    return tunewick::RunTidyup(preview, view, host);
  });
  if (end == TidyupEnd::kStopped) return;  // the user no longer wants to see it
  TextList lines = BuildChangedFilesList(preview);
  if (lines.empty()) {
    context_.dialogs.ShowMessage(this, QStringLiteral("The tidy-up would not rename any song."));
    return;
  }
  context_.navigator.ShowChangedFiles(ChangedFilesKind::kPreview, std::move(lines));
}

void TidyupConfirmWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) continue_->setFocus();
}

void TidyupConfirmWindow::closeEvent(QCloseEvent* event) {
  // Closing this window always ends the program, whatever else is open; a run going on
  // stops first, after the rename in hand, and is recorded as far as it got.
  stopRequested_ = true;
  context_.gui.TerminationRequested = true;
  context_.requestTermination();
  event->accept();
}

}  // namespace tunewick
