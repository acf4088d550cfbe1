#include "catalogue/name_check.h"

#include <gtest/gtest.h>

namespace tunewick {
namespace {

TEST(NameCheck, ExactlyOneDashInTheFileNamePasses) {
  EXPECT_TRUE(IsNamedCorrectly("Artist - Song.mp3"));
  EXPECT_TRUE(IsNamedCorrectly("Artist-Song.mp3"));
  EXPECT_TRUE(IsNamedCorrectly("-.wav"));
  EXPECT_FALSE(IsNamedCorrectly("Song.mp3"));
  EXPECT_FALSE(IsNamedCorrectly("Alpha-Beta - Song.mp3"));
  EXPECT_FALSE(IsNamedCorrectly("Artist - Song - Live.mp3"));
  EXPECT_FALSE(IsNamedCorrectly(""));
}

TEST(NameCheck, ListsIncorrectSongsInOrderLookingAtTheFileNameOnly) {
  SharedState state;
  state.AllSongs = {"/music/Artist - Song.mp3",  "/music/Artist_Song.mp3", "/mu-sic/A - B - C.wav",
                    "/my-music/Good - Name.wma", "/music/Artist_Song.mp3", "/m/a-b:c-d.mp3"};
  state.WorkListA = {"left over"};
  state.SearchBatch = {"left over"};
  ClassifySongs(state);
  EXPECT_EQ(state.IncorrectSongs,
            (std::vector<SongPath>{"/music/Artist_Song.mp3", "/mu-sic/A - B - C.wav",
                                   "/music/Artist_Song.mp3", "/m/a-b:c-d.mp3"}));  // ":" is no "/"
  EXPECT_TRUE(state.WorkListA.empty());
  EXPECT_TRUE(state.SearchBatch.empty());
}

}  // namespace
}  // namespace tunewick
