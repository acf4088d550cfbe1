// The desktop's player on real files. No sound card is needed: without one, GStreamer
// still plays in real time, so the clips are kept short.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTest>

#include <cstdint>
#include <filesystem>

#include "platform/media_player.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::TempFolder;

void Append(std::string& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A mono 16-bit 8 kHz WAV file of silence.
std::string Wav(std::uint32_t milliseconds) {
  constexpr std::uint32_t kRate = 8000;
  const std::string sound(2 * kRate * milliseconds / 1000, '\0');
  std::string wav = "RIFF";
  Append(wav, 36 + static_cast<std::uint32_t>(sound.size()), 4);
  wav += "WAVEfmt ";
  // Header size, PCM, mono, samples and bytes a second, bytes a sample, bits a sample.
  for (auto [value, size] :
       {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {kRate, 4}, {2 * kRate, 4}, {2u, 2}, {16u, 2}})
    Append(wav, value, size);
  wav += "data";
  Append(wav, static_cast<std::uint32_t>(sound.size()), 4);
  return wav + sound;
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
}  // namespace tunewick
