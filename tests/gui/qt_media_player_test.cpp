// The desktop's player on real files. No sound card is needed: without one, GStreamer
// still plays in real time, so the clips are kept short.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTest>

#include <filesystem>

#include "adapters/media_player.h"
#include "support/tag_bytes.h"
#include "support/temp_folder.h"

namespace tunewick::testing {
namespace {

// A WAV file of this many milliseconds of silence.
std::string Wav(std::size_t milliseconds) {
  return testing::WavSong({}, {}, {}, 44100 * 4 * milliseconds / 1000);
}

// How many of this process's open files are `path`.
int OpenHandlesOn(const std::string& path) {
  int count = 0;
  std::error_code ignored;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ignored))
    count += std::filesystem::read_symlink(fd.path(), ignored) == path;
  return count;
}

// What it cannot play is reported quickly and let go; a new file replaces it, plays, is
// let go of when stopped, and plays again to its end.
TEST(QtMediaPlayerTest, PlaysWhatItCanAndLetsGoOfEverySong) {
  TempFolder folder;
  QtMediaPlayer player;
  for (const std::string& song : {folder / "missing.mp3", folder.MakeFile("empty.wav"),
                                  folder.MakeFile("text.mp3", std::string(2000, 'x')),
                                  folder.MakeFile("cut.wav", Wav(200).substr(0, 30))}) {
    SCOPED_TRACE(song);
    player.SetFileName(song);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(player.Open());
    EXPECT_FALSE(player.Play());
    player.Stop();  // after a failure too, Stop is quick and harmless
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_EQ(OpenHandlesOn(song), 0);
  }

  const std::string song = folder.MakeFile("tone \xe9.wav", Wav(300));  // not UTF-8
  player.SetFileName(song);
  ASSERT_TRUE(player.Open());
  ASSERT_TRUE(player.Play());
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_GT(OpenHandlesOn(song), 0);
  player.Stop();
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_EQ(OpenHandlesOn(song), 0);
  ASSERT_TRUE(player.Play());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !player.IsPlaying(); }, 10000));
}

}  // namespace
}  // namespace tunewick::testing
