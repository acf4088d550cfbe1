#include "catalogue/name_check.h"

#include "catalogue/song_path.h"

namespace tunewick {

bool IsNamedCorrectly(std::string_view fileName) {
  std::size_t dash = fileName.find('-');
  return dash != std::string_view::npos && fileName.find('-', dash + 1) == std::string_view::npos;
}

void ClassifySongs(SharedState& state) {
  state.WorkListA.clear();
  state.WorkListD.clear();
  state.SearchBatch.clear();
  state.WorkListB.clear();
  state.IncorrectSongs.clear();
  state.WorkListC.clear();
  for (const SongPath& song : state.AllSongs)
    if (!IsNamedCorrectly(FileNameOf(song))) state.IncorrectSongs.push_back(song);
}

}  // namespace tunewick
