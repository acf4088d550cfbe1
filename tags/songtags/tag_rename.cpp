#include "songtags/tag_rename.h"

#include "songtags/song_tags.h"
#include "songtools/song_correction.h"

namespace tunewick {

TagRenameResult RenameFromTags(SongLists& lists, FileSystem& fileSystem,
                               const std::function<void()>& refresh) {
  TagRenameResult result;
  refresh();
  const std::size_t count = lists.IncorrectSongs.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SongPath song = lists.IncorrectSongs[i];
    const SongTags tags = ReadSongTags(fileSystem, song);
    if (!tags.title.Usable() || !tags.artist.Usable()) continue;
    SongPath renamed = CorrectedPath(song, tags.artist.text, tags.title.text);
    // Refused renames show up again after the refresh. A song listed twice (its folder is
    // in the library twice) is gone the second time: not a refusal.
    if (const std::error_code error = fileSystem.Rename(song, renamed)) {
      if (fileSystem.Exists(song)) result.refused.push_back({song, renamed, ErrorText(error)});
    } else if (renamed != song) {
      result.renamed.emplace_back(song, renamed);
    }
    lists.IncorrectSongs[i] = std::move(renamed);
  }
  refresh();
  return result;
}

}  // namespace tunewick
