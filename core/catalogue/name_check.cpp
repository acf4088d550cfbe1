#include "catalogue/name_check.h"

#include "catalogue/song_path.h"

namespace tunewick {

bool IsNamedCorrectly(std::string_view fileName) {
  std::size_t dash = fileName.find('-');
  return dash != std::string_view::npos && fileName.find('-', dash + 1) == std::string_view::npos;
}

void ClassifySongs(SongLists& lists) {
  lists.IncorrectSongs.clear();
  for (const SongPath& song : lists.AllSongs)
    if (!IsNamedCorrectly(FileNameOf(song))) lists.IncorrectSongs.push_back(song);
}

}  // namespace tunewick
