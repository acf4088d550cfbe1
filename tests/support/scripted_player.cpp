#include "support/scripted_player.h"

namespace tunewick::testing {

void ScriptedMediaPlayer::SetFileName(const std::string& path) {
  calls_.push_back("file " + path);
  opened_ = playing_ = false;
}

bool ScriptedMediaPlayer::Open() {
  calls_.push_back("open");
  opened_ = !failOpen_;
  return opened_;
}

bool ScriptedMediaPlayer::Play() {
  calls_.push_back("play");
  // Like the real player, Play opens the file again after Stop.
  if (!opened_) opened_ = !failOpen_;
  playing_ = opened_ && !failPlay_;
  return playing_;
}

void ScriptedMediaPlayer::Stop() {
  calls_.push_back("stop");
  opened_ = playing_ = false;
}

void ScriptedMediaPlayer::Rewind() { calls_.push_back("rewind"); }

}  // namespace tunewick::testing
