#pragma once

// The player of the song preview: no visible controls, one file at a time. Windows use it
// through this interface so that tests can script it instead of playing sound.

#include <memory>
#include <string>

class QMediaPlayer;

namespace tunewick {

class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;

  // The file to play from now on (path bytes). Whatever played before is stopped and
  // let go of.
  virtual void SetFileName(const std::string& path) = 0;
  // Opens the file. False when it cannot be played: missing, damaged, no decoder for its
  // type, no way to output sound.
  virtual bool Open() = 0;
  // Plays from the current position, opening the file again after Stop. False when
  // playback cannot start.
  virtual bool Play() = 0;
  // Stops playing and lets go of the file, so that it can be renamed or deleted at once.
  // No effect when nothing plays.
  virtual void Stop() = 0;
  // Back to the start of the song.
  virtual void Rewind() = 0;
  // Why the last Open or Play failed, for the user: "the file is empty", the decoder's
  // own words...
  virtual std::string Problem() const = 0;
  // False when the computer has no sound output: a song plays, but no one hears it.
  virtual bool CanBeHeard() const = 0;
};

// The player on the desktop, built on Qt Multimedia (QMediaPlayer with a QAudioOutput).
// Open waits, without taking user input, until the file has loaded or failed to. The
// song is opened by its path bytes and played through /proc/self/fd, so a name that is
// not UTF-8 plays like any other.
class QtMediaPlayer final : public MediaPlayer {
 public:
  QtMediaPlayer();
  ~QtMediaPlayer() override;
  QtMediaPlayer(const QtMediaPlayer&) = delete;
  QtMediaPlayer& operator=(const QtMediaPlayer&) = delete;

  void SetFileName(const std::string& path) override;
  bool Open() override;
  bool Play() override;
  void Stop() override;
  void Rewind() override;
  std::string Problem() const override { return problem_; }
  bool CanBeHeard() const override;

  // True while a song is playing (for tests and diagnostics).
  bool IsPlaying() const;

 private:
  void Discard();

  std::string fileName_;
  std::unique_ptr<QMediaPlayer> player_;  // none until a file is opened
  int file_ = -1;                         // the song, opened by its path bytes
  bool failed_ = false;                   // the current player reported an error
  std::string problem_;                   // why the last Open or Play failed
};

}  // namespace tunewick
