#include "songtools/tag_rename.h"

#include "songtools/id3_tag_reader.h"
#include "songtools/song_correction.h"

namespace tunewick {

void RenameFromTags(SharedState& state, FileSystem& fileSystem,
                    const std::function<void()>& refresh) {
  refresh();
  const std::size_t count = state.IncorrectSongs.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SongPath song = state.IncorrectSongs[i];
    const ID3Fields tag = ReadID3Tag(song);
    if (tag.title.empty() || tag.artist.empty()) continue;
    // The reader already refuses the characters file names may not hold; a control
    // character inside a field would still end up in the file name.
    if (HoldsForbiddenCharacter(tag.title) || HoldsForbiddenCharacter(tag.artist)) continue;
    SongPath renamed = CorrectedPath(song, tag.artist, tag.title);
    fileSystem.Rename(song, renamed);  // refused renames show up again after the refresh
    state.IncorrectSongs[i] = std::move(renamed);
  }
  refresh();
}

}  // namespace tunewick
