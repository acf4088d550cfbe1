#include "catalogue/name_check.h"

#include <gtest/gtest.h>

namespace tunewick {
namespace {

// A song is named correctly when its file name, and nothing else of its path, holds
// exactly one "-" (a ":" is no separator).
TEST(NameCheck, ListsTheSongsWithoutExactlyOneDashInTheirFileNameInOrder) {
  SharedState state;
  state.AllSongs = {"/music/Artist - Song.mp3", "/music/Artist_Song.mp3",
                    "/mu-sic/A - B - C.wav",    "/my-music/Good - Name.wma",
                    "/music/Artist_Song.mp3",   "/m/a-b:c-d.mp3",
                    "/m/Artist-Song.mp3",       "/m/-.wav",
                    "/m/Al-pha - Song.mp3"};
  state.WorkListA = {"left over"};
  state.SearchBatch = {"left over"};
  ClassifySongs(state);
  EXPECT_EQ(
      state.IncorrectSongs,
      (std::vector<SongPath>{"/music/Artist_Song.mp3", "/mu-sic/A - B - C.wav",
                             "/music/Artist_Song.mp3", "/m/a-b:c-d.mp3", "/m/Al-pha - Song.mp3"}));
  EXPECT_TRUE(state.WorkListA.empty());
  EXPECT_TRUE(state.SearchBatch.empty());
  EXPECT_FALSE(IsNamedCorrectly(""));
}

}  // namespace
}  // namespace tunewick
