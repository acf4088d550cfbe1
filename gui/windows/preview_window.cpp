#include "windows/preview_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScreen>

#include "adapters/application.h"
#include "adapters/desktop_opener.h"
#include "adapters/dialogs.h"
#include "adapters/media_player.h"
#include "songtools/preview_type.h"
#include "widgets/busy_cursor.h"
#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/shown_text.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {
namespace {

constexpr int kHeight = 120;
constexpr int kMargin = 100;  // the window is this much wider than the path
constexpr int kLabelTop = 24;
constexpr int kButtonsTop = 56;
constexpr int kButtonSize = 32;
constexpr int kButtonGap = 16;

}  // namespace

PreviewWindow::PreviewWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Preview song"));
  look::MakeWhite(this);
  MakeFixedWindow(this, 400, kHeight);
  MinimiseApplicationWith(this);

  pathLabel_ = new QLabel(this);
  pathLabel_->setFont(look::Font(12));
  look::SetTextColor(pathLabel_, look::kLink);
  look::LeaveRoomForText(pathLabel_);
  pathLabel_->setTextFormat(Qt::PlainText);
  pathLabel_->move(0, kLabelTop);
  pathLabel_->adjustSize();

  buttons_ = new QWidget(this);
  buttons_->setGeometry(0, kButtonsTop, 2 * kButtonSize + kButtonGap, kButtonSize);
  auto* back = new PictureButton(pictures::BackArrow(), QStringLiteral("Go back to the song list"),
                                 buttons_);
  back->setGeometry(0, 0, kButtonSize, kButtonSize);
  auto* play = new PictureButton(pictures::Play(), QStringLiteral("Play this song"), buttons_);
  play->setGeometry(kButtonSize + kButtonGap, 0, kButtonSize, kButtonSize);
  connect(back, &PictureButton::clicked, this, [this] { Dismiss(); });
  LeaveOnEscape(this, [back] { back->click(); });
  connect(play, &PictureButton::clicked, this, [this] { RunGuarded([this] { PlayAgain(); }); });

  centreTimer_.setSingleShot(true);
  centreTimer_.setInterval(1);
  connect(&centreTimer_, &QTimer::timeout, this, [this] { CentreOnScreen(this); });
  settleTimer_.setSingleShot(true);
  settleTimer_.setInterval(50);
  connect(&settleTimer_, &QTimer::timeout, this, [this] {
    CentreLabel();
    FitWindow();
  });
  layoutTimer_.setInterval(1000);
  connect(&layoutTimer_, &QTimer::timeout, this, [this] {
    CentreLabel();
    FitWindow();
    CentreLabel();
    CentreButtons();
  });
  layoutTimer_.start();

  FitWindow();
  CentreLabel();
  CentreButtons();
}

void PreviewWindow::RequestPreview(PreviewAsker asker) {
  const SongPath song = context_.gui.SelectedSong;
  if (!IsPreviewable(song)) {
    if (asker == PreviewAsker::kCorrectionDialog)
      context_.dialogs.ShowMessage(context_.navigator.WindowOf(asker),
                                   ShownText(PreviewEnding(song)));
    return;
  }
  QWidget* askerWindow = context_.navigator.WindowOf(asker);
  TieTo(this, askerWindow);
  show();
  MediaPlayer& player = context_.mediaPlayer;
  player.SetFileName(song);
  song_ = song;
  ShowPath(ShownText(song), *askerWindow);
  FitWindow();
  CentreLabel();
  CentreButtons();
  opener_ = asker;
  if (!player.Open() || !player.Play()) return PlayFailed(asker);
  raise();
  activateWindow();
  if (!player.CanBeHeard())
    context_.dialogs.ShowMessage(
        this, QStringLiteral("The song is playing, but this computer has no sound output to hear "
                             "it on."));
}

void PreviewWindow::PlayFailed(PreviewAsker asker) {
  QString problem = QString::fromStdString(context_.mediaPlayer.Problem());
  if (problem.isEmpty()) problem = QStringLiteral("it could not be opened");
  bool handedOn = false;
  {
    // The desktop may take a moment to say whether it took the song.
    const BusyCursor hourglass(context_.gui.SavedCursor);
    handedOn = context_.desktopOpener.Open(context_.gui.SelectedSong);
  }
  hide();
  QWidget* window = context_.navigator.WindowOf(asker);
  window->show();
  QString text = QStringLiteral("Tunewick cannot play this song: ") + problem + QStringLiteral(".");
  if (handedOn)
    text += QStringLiteral(
        "\n\nIt has been handed to the program your desktop opens such "
        "songs with.");
  context_.dialogs.ShowMessage(window, text);
}

void PreviewWindow::PlayAgain() {
  MediaPlayer& player = context_.mediaPlayer;
  player.Stop();
  player.Rewind();
  if (!player.Play()) PlayFailed(opener_);
}

void PreviewWindow::StopPlayer() { context_.mediaPlayer.Stop(); }

void PreviewWindow::Pause() {
  if (isVisible()) StopPlayer();
}

void PreviewWindow::Dismiss() {
  StopPlayer();
  hide();
}

void PreviewWindow::LetGoOf(const SongPath& song) {
  if (isVisible() && song == song_) Dismiss();
}

void PreviewWindow::ShowPath(const QString& path, const QWidget& asker) {
  // As wide as the screen at most, frame included: a longer path loses its middle.
  const int frame = asker.frameGeometry().width() - asker.width();
  const int room = asker.screen()->availableGeometry().width() - frame - kMargin;
  const QString shown = pathLabel_->fontMetrics().elidedText(path, Qt::ElideMiddle, room);
  pathLabel_->setText(shown);
  pathLabel_->setToolTip(shown == path ? QString() : path);
  pathLabel_->setAccessibleName(path);
  pathLabel_->adjustSize();
}

void PreviewWindow::CentreLabel() {
  pathLabel_->move(width() / 2 - pathLabel_->width() / 2, pathLabel_->y());
}

void PreviewWindow::FitWindow() { setFixedWidth(pathLabel_->width() + kMargin); }

void PreviewWindow::CentreButtons() {
  buttons_->move(width() / 2 - buttons_->width() / 2, buttons_->y());
}

void PreviewWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    CentreLabel();
    FitWindow();
    centreTimer_.start();
    settleTimer_.start();
  }
  QWidget::changeEvent(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  if (!context_.gui.TerminationRequested) {
    context_.gui.TerminationRequested = true;
    context_.requestTermination();
  } else {
    StopPlayer();
    context_.navigator.WindowOf(opener_)->show();
  }
  event->accept();
}

}  // namespace tunewick
