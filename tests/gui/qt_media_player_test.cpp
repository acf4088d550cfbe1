// The desktop's player on real files. No sound card is needed: without one, GStreamer
// still plays in real time, so the clips are kept short.

#include <gtest/gtest.h>
#include <QTest>

#include <filesystem>

#include "adapters/media_player.h"
#include "support/tag_bytes.h"
#include "support/temp_folder.h"

namespace tunewick::testing {
namespace {

// How many of this process's open files are `path`.
int OpenHandlesOn(const std::string& path) {
  int count = 0;
  std::error_code ignored;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ignored))
    count += std::filesystem::read_symlink(fd.path(), ignored) == path;
  return count;
}

// What it cannot play is reported and let go; a new file replaces it, plays, is let go of
// when stopped, and plays again to its end; so do the added types.
TEST(QtMediaPlayerTest, PlaysWhatItCanAndLetsGoOfEverySong) {
  TempFolder folder;
  QtMediaPlayer player;
  for (const std::string& song : {folder / "missing.mp3", folder.MakeFile("empty.wav"),
                                  folder.MakeFile("text.mp3", std::string(2000, 'x'))}) {
    player.SetFileName(song);
    EXPECT_FALSE(player.Open()) << song;
    EXPECT_FALSE(player.Play()) << song;
    EXPECT_EQ(OpenHandlesOn(song), 0) << song;
  }
  // 300 ms of silence; a name that is not UTF-8.
  const std::string song =
      folder.MakeFile("tone \xe9.wav", WavSong({}, {}, {}, 44100 * 4 * 3 / 10));
  player.SetFileName(song);
  ASSERT_TRUE(player.Open());
  ASSERT_TRUE(player.Play());
  EXPECT_GT(OpenHandlesOn(song), 0);
  player.Stop();
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_EQ(OpenHandlesOn(song), 0);
  ASSERT_TRUE(player.Play());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !player.IsPlaying(); }, 10000));
  // An added type, through the plugins the package brings (AIFF: libav's demuxer).
  player.SetFileName(folder.MakeFile("tone.aiff", AiffSong({}, 44100 * 4 * 3 / 10)));
  ASSERT_TRUE(player.Open() && player.Play());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !player.IsPlaying(); }, 10000));
}

}  // namespace
}  // namespace tunewick::testing
