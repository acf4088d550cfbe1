#include "songtags/tag_rename.h"

#include "songtags/song_tags.h"
#include "songtools/song_correction.h"
#include "tidyup/song_pass.h"

namespace tunewick {
namespace {

// What naming one song from its tags came to.
struct TagRename {
  bool tried = false;  // the tags gave a usable title and artist
  SongPath renamed;
  std::error_code error;
  bool stillThere = false;  // after a refusal: the song is where it was
};

TagRename RenameSongFromTags(FileSystem& fileSystem, const SongPath& song) {
  TagRename rename;
  const SongTags tags = ReadSongTags(fileSystem, song);
  if (!tags.title.Usable() || !tags.artist.Usable()) return rename;
  rename.tried = true;
  rename.renamed = CorrectedPath(song, tags.artist.text, tags.title.text);
  rename.error = fileSystem.Rename(song, rename.renamed);
  if (rename.error) rename.stillThere = fileSystem.Exists(song);
  return rename;
}

}  // namespace

TagRenameResult RenameFromTags(SongLists& lists, FileSystem& fileSystem,
                               const std::function<void()>& refresh) {
  TagRenameResult result;
  refresh();
  std::vector<SongPath>& songs = lists.IncorrectSongs;
  std::vector<TagRename> renames(songs.size());
  RunSongPass(
      fileSystem,
      {.count = songs.size(),
       .due = [&](std::size_t i) { return &songs[i]; },
       .work = [&](std::size_t i) { renames[i] = RenameSongFromTags(fileSystem, songs[i]); },
       .finish =
           [&](std::size_t i) {
             TagRename& rename = renames[i];
             if (!rename.tried) return;
             // Refused renames show up again after the refresh. A song listed twice
             // (its folder is in the library twice) is gone the second time: not a
             // refusal.
             if (rename.error) {
               if (rename.stillThere)
                 result.refused.push_back({songs[i], rename.renamed, ErrorText(rename.error)});
             } else if (rename.renamed != songs[i]) {
               result.renamed.emplace_back(songs[i], rename.renamed);
             }
             songs[i] = std::move(rename.renamed);
           }});
  refresh();
  return result;
}

}  // namespace tunewick
