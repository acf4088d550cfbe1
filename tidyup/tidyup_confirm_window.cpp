#include "tidyup/tidyup_confirm_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <optional>

#include "app/main_window.h"
#include "platform/application.h"
#include "platform/busy_cursor.h"
#include "platform/dialogs.h"
#include "platform/link_label.h"
#include "platform/look.h"
#include "platform/picture_button.h"
#include "platform/pictures.h"
#include "platform/window_behaviour.h"
#include "reports/tidyup_results_window.h"
#include "tidyup/tidy_up.h"

namespace tunewick {
namespace {

constexpr int kWidth = 416;
constexpr int kHeight = 154;
constexpr int kInformationHeight = 62;
const QColor kHeadingBlue{57, 51, 170};
const QColor kNavy{21, 28, 85};

// The tidy-up as the desktop program runs it: the hourglass during each step, the
// main window's scan, and the message for an empty library.
class WindowTidyupHost : public TidyupHost {
 public:
  WindowTidyupHost(AppContext& context, QWidget* window) : context_(context), window_(window) {}
  void Rescan() override { context_.windows.mainWindow->rescan(); }
  void BeginStep(TidyupStep) override { hourglass_.emplace(context_.state.SavedCursor); }
  void EndStep(TidyupStep) override { hourglass_.reset(); }
  void NoSongsFound() override {
    context_.dialogs.ShowMessage(window_, QStringLiteral("Debug: No Filenames"));
  }
  void ShowMainMenu() override { context_.windows.mainWindow->ShowMainMenu(); }

 private:
  AppContext& context_;
  QWidget* window_;
  std::optional<BusyCursor> hourglass_;
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

  expandIcon_ = new PictureButton(pictures::Expand(), QStringLiteral("More information"), this);
  expandIcon_->setGeometry(18, 115, 22, 23);
  collapseIcon_ = new PictureButton(pictures::Collapse(), QStringLiteral("Less information"), this);
  collapseIcon_->setGeometry(18, 115, 22, 23);
  collapseIcon_->hide();
  toggleLabel_ = new LinkLabel(QStringLiteral("More information"), this);
  toggleLabel_->setAutomaticHover(false);
  toggleLabel_->move(46, 120);
  toggleLabel_->adjustSize();

  continue_ = new QPushButton(QStringLiteral("Continue"), this);
  continue_->setGeometry(328, 112, 75, 25);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setGeometry(248, 112, 75, 25);
  setTabOrder(continue_, cancel_);
  setTabOrder(cancel_, toggleLabel_);

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

  for (PictureButton* icon : {expandIcon_, collapseIcon_})
    connect(icon, &PictureButton::clicked, this, &TidyupConfirmWindow::ToggleInformation);
  connect(toggleLabel_, &LinkLabel::activated, this, &TidyupConfirmWindow::ToggleInformation);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    context_.windows.mainWindow->show();
    hide();
  });
  connect(continue_, &QPushButton::clicked, this, [this] { RunGuarded([this] { RunTidyup(); }); });
}

int TidyupConfirmWindow::ExpandedHeight() const { return collapsedHeight_ + kInformationHeight; }

bool TidyupConfirmWindow::IsExpanded() const { return !informationPanel_->isHidden(); }

void TidyupConfirmWindow::ToggleInformation() {
  if (height() != ExpandedHeight()) {
    setFixedHeight(ExpandedHeight());
    informationPanel_->move(0, collapsedHeight_);
    informationPanel_->show();
    expandIcon_->show();
    collapseIcon_->hide();
  } else {
    informationPanel_->hide();
    setFixedHeight(collapsedHeight_);
  }
  const bool collapseShown = !collapseIcon_->isHidden();
  expandIcon_->setVisible(collapseShown);
  collapseIcon_->setVisible(!collapseShown);
  toggleLabel_->setText(collapseShown ? QStringLiteral("More information")
                                      : QStringLiteral("Less information"));
  toggleLabel_->adjustSize();
}

void TidyupConfirmWindow::RunTidyup() {
  WindowTidyupHost host(context_, this);
  tunewick::RunTidyup(context_.state, context_.fileSystem, host);
  TidyupResultsWindow* results = context_.windows.tidyupResultsWindow;
  results->show();
  CentreOnScreen(results);
  hide();
}

void TidyupConfirmWindow::closeEvent(QCloseEvent* event) {
  // Closing this window always ends the program, whatever else is open.
  context_.state.TerminationRequested = true;
  context_.requestTermination();
  event->accept();
}

}  // namespace tunewick
