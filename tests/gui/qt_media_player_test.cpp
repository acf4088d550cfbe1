// The desktop's player on real files, and its "open" through a stand-in for xdg-open. No
// sound card is needed: without one, GStreamer still plays in real time, so the clips are
// kept short.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "adapters/desktop_opener.h"
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

// The desktop has the song only when xdg-open says so; one that still runs after the wait
// runs the song's program itself and has it, and runs on, not a child of this program.
TEST(QtDesktopOpenerTest, SaysTheSongWasHandedOverOnlyWhenXdgOpenTookIt) {
  TempFolder folder;
  const std::string bin = folder.MakeFolder("bin");
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  struct PathBack {
    std::string path;
    ~PathBack() { ::setenv("PATH", path.c_str(), 1); }
  } pathBack{path};
  ::setenv("PATH", (bin + ":" + path).c_str(), 1);
  auto xdgOpen = [&](const std::string& script) {
    WriteFile(bin + "/xdg-open",
              "#!/bin/sh\nprintf %s \"$1\" > '" + folder / "asked" + "'\n" + script + "\n");
    ASSERT_EQ(::chmod((bin + "/xdg-open").c_str(), 0755), 0);
  };
  const std::string song = folder.MakeFile("song \xe9.wma");
  QtDesktopOpener patient(std::chrono::seconds(60));  // these end at once
  for (const int status : {3, 4, 0}) {
    std::filesystem::remove(folder / "asked");
    xdgOpen("exit " + std::to_string(status));
    EXPECT_EQ(patient.Open(song), status == 0) << status;
    EXPECT_EQ(ReadFile(folder / "asked"), song);
  }

  const std::string go = folder / "go", done = folder / "done", pid = folder / "pid";
  xdgOpen("echo $$ > '" + pid + "'; i=0; while [ ! -e '" + go +
          "' ] && [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done; touch '" + done + "'; exit 4");
  EXPECT_TRUE(QtDesktopOpener(std::chrono::milliseconds(100)).Open(song));
  std::string parent;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ReadFile(pid).empty(); }, 10000));
  std::ifstream stat("/proc/" + std::to_string(std::stoi(ReadFile(pid))) + "/stat");
  std::string field;
  for (int i = 0; i < 4 && stat >> field; ++i) parent = field;  // pid (comm) state ppid
  EXPECT_NE(parent, std::to_string(::getpid()));
  WriteFile(go, "");
  EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(done); }, 10000));
}

}  // namespace
}  // namespace tunewick::testing
