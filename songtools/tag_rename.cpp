#include "songtools/tag_rename.h"

#include "songtools/id3_tag_reader.h"
#include "songtools/song_correction.h"

namespace tunewick {

TagRenameResult RenameFromTags(SharedState& state, FileSystem& fileSystem,
                               const std::function<void()>& refresh) {
  TagRenameResult result;
  refresh();
  const std::size_t count = state.IncorrectSongs.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SongPath song = state.IncorrectSongs[i];
    const ID3Fields tag = ReadID3Tag(fileSystem, song);
    if (tag.title.empty() || tag.artist.empty()) continue;
    // The reader already refuses the characters file names may not hold; a control
    // character inside a field would still end up in the file name.
    if (HoldsForbiddenCharacter(tag.title) || HoldsForbiddenCharacter(tag.artist)) continue;
    SongPath renamed = CorrectedPath(song, tag.artist, tag.title);
    // Refused renames show up again after the refresh. A song listed twice (its folder is
    // in the library twice) is gone the second time: not a refusal.
    if (const std::error_code error = fileSystem.Rename(song, renamed)) {
      if (fileSystem.Exists(song)) result.refused.push_back({song, renamed, ErrorText(error)});
    } else if (renamed != song) {
      result.renamed.emplace_back(song, renamed);
    }
    state.IncorrectSongs[i] = std::move(renamed);
  }
  refresh();
  return result;
}

}  // namespace tunewick
