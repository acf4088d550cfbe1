#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "adapters/media_player.h"

namespace tunewick {
namespace {

// How long Open waits for the file to load. GStreamer reports a missing, empty or damaged
// file well within a second; a file that is still loading after this is given the
// benefit of the doubt.
constexpr int kLoadWaitMilliseconds = 5000;

bool Settled(const QMediaPlayer& player) {
  switch (player.mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::EndOfMedia:
    case QMediaPlayer::InvalidMedia:
      return true;
    default:
      return false;
  }
}

std::string ProblemOf(const QMediaPlayer& player) {
  const QString said = player.errorString();
  if (!said.isEmpty()) return said.toStdString();
  return "its sound could not be read: the file is damaged, or of a kind this computer "
         "cannot play";
}

}  // namespace

QtMediaPlayer::QtMediaPlayer() = default;

QtMediaPlayer::~QtMediaPlayer() { Discard(); }

void QtMediaPlayer::SetFileName(const std::string& path) {
  Discard();
  fileName_ = path;
}

bool QtMediaPlayer::Open() {
  Discard();
  problem_.clear();
  // A fresh player for every file: after an error the GStreamer backend still reads
  // "playing" and takes a second to stop, while destroying it is immediate.
  player_ = std::make_unique<QMediaPlayer>();
  QMediaPlayer* player = player_.get();
  player->setAudioOutput(new QAudioOutput(player));
  QObject::connect(player, &QMediaPlayer::errorOccurred, player, [this] { failed_ = true; });

  QEventLoop loop;
  QObject::connect(player, &QMediaPlayer::mediaStatusChanged, &loop, [&loop, player] {
    if (Settled(*player)) loop.quit();
  });
  QObject::connect(player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(kLoadWaitMilliseconds, &loop, &QEventLoop::quit);
  // Qt takes a file name as text, which cannot hold every name: the player gets the
  // song's open file instead.
  file_ = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
  if (file_ < 0) {
    problem_ = std::strerror(errno);
    Discard();
    return false;
  }
  struct stat status {};
  if (::fstat(file_, &status) == 0 && status.st_size == 0) {
    problem_ = "the file is empty";
    Discard();
    return false;
  }
  player->setSource(QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(file_)));
  if (!failed_ && !Settled(*player)) loop.exec(QEventLoop::ExcludeUserInputEvents);

  if (failed_ || player->mediaStatus() == QMediaPlayer::InvalidMedia) {
    problem_ = ProblemOf(*player);
    Discard();
    return false;
  }
  return true;
}

bool QtMediaPlayer::CanBeHeard() const { return !QMediaDevices::audioOutputs().isEmpty(); }

bool QtMediaPlayer::Play() {
  if (!player_ && !Open()) return false;
  player_->play();
  if (failed_) {
    problem_ = ProblemOf(*player_);
    Discard();
    return false;
  }
  return true;
}

void QtMediaPlayer::Stop() { Discard(); }

void QtMediaPlayer::Rewind() {
  if (player_) player_->setPosition(0);
}

bool QtMediaPlayer::IsPlaying() const {
  return player_ && !failed_ && player_->playbackState() == QMediaPlayer::PlayingState &&
         player_->mediaStatus() != QMediaPlayer::EndOfMedia;
}

void QtMediaPlayer::Discard() {
  // Destroying the player stops it and closes its own handle on the file.
  player_.reset();
  if (file_ >= 0) ::close(file_);
  file_ = -1;
  failed_ = false;
}

}  // namespace tunewick
