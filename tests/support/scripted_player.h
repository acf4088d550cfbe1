#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop_opener.h"
#include "platform/media_player.h"

namespace tunewick::testing {

// A player that plays nothing: it records what it was asked, and opening or playing
// fails when the test says so.
class ScriptedMediaPlayer final : public MediaPlayer {
 public:
  // The calls in order: "file <path>", "open", "play", "stop", "rewind".
  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  bool playing() const { return playing_; }

  // From now on, Open (or Play) reports failure.
  void FailOpen(bool fail) { failOpen_ = fail; }
  void FailPlay(bool fail) { failPlay_ = fail; }

  void SetFileName(const std::string& path) override;
  bool Open() override;
  bool Play() override;
  void Stop() override;
  void Rewind() override;

 private:
  std::vector<std::string> calls_;
  bool opened_ = false;
  bool playing_ = false;
  bool failOpen_ = false;
  bool failPlay_ = false;
};

// Records the files handed to the desktop instead of opening them.
class ScriptedDesktopOpener final : public DesktopOpener {
 public:
  const std::vector<std::string>& opened() const { return opened_; }
  void Open(const std::string& path) override { opened_.push_back(path); }

 private:
  std::vector<std::string> opened_;
};

}  // namespace tunewick::testing
