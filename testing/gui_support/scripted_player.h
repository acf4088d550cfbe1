#pragma once

#include <string>
#include <vector>

#include "adapters/desktop_opener.h"
#include "adapters/media_player.h"

namespace tunewick::testing {

// A player that plays nothing: it records what it was asked, and opening fails when the
// test says so.
class ScriptedMediaPlayer final : public MediaPlayer {
 public:
  // The calls in order: "file <path>", "open", "play", "stop", "rewind".
  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  bool playing() const { return playing_; }
  // From now on, Open (and Play) report failure.
  void FailOpen(bool fail) { failOpen_ = fail; }
  // From now on, the computer has no sound output.
  void Mute(bool mute) { mute_ = mute; }

  void SetFileName(const std::string& path) override {
    calls_.push_back("file " + path);
    opened_ = playing_ = false;
  }
  bool Open() override {
    calls_.push_back("open");
    opened_ = !failOpen_;
    return opened_;
  }
  bool Play() override {
    calls_.push_back("play");
    // Like the real player, Play opens the file again after Stop.
    if (!opened_) opened_ = !failOpen_;
    playing_ = opened_;
    return playing_;
  }
  void Stop() override {
    calls_.push_back("stop");
    opened_ = playing_ = false;
  }
  void Rewind() override { calls_.push_back("rewind"); }
  std::string Problem() const override { return failOpen_ ? "the file is empty" : ""; }
  bool CanBeHeard() const override { return !mute_; }

 private:
  std::vector<std::string> calls_;
  bool opened_ = false;
  bool playing_ = false;
  bool failOpen_ = false;
  bool mute_ = false;
};

// Records the files handed to the desktop instead of opening them.
class ScriptedDesktopOpener final : public DesktopOpener {
 public:
  const std::vector<std::string>& opened() const { return opened_; }
  bool Open(const std::string& path) override {
    opened_.push_back(path);
    return true;
  }

 private:
  std::vector<std::string> opened_;
};

}  // namespace tunewick::testing
