#include "songtags/tag_rename.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogue/song_path.h"
#include "journal/undo.h"
#include "songtags/song_tags.h"
#include "songtools/song_correction.h"
#include "tidyup/song_pass.h"

namespace tunewick {
namespace {

// What naming one song from its tags came to.
struct TagRename {
  std::optional<FileIdentity> read;  // the file whose tags were read, where it may be listed twice
  std::optional<SongPath> named;     // from tags that gave a usable title and artist
  std::error_code error;
  bool stillThere = false;  // after a refusal: the song is where it was
  bool left = false;        // the song whose tags were read had left its path before its turn
};

// The songs that may be listed twice, as when their folder is in the library twice or is
// reached by a link as well: by its second listing such a song may have been renamed, and
// another renamed to its path. A song listed twice has its name twice in the list.
std::vector<bool> MayBeListedTwice(const std::vector<SongPath>& songs) {
  std::unordered_map<std::string_view, std::size_t> listed;
  for (const SongPath& song : songs) ++listed[FileNameOf(song)];
  std::vector<bool> twice(songs.size());
  for (std::size_t i = 0; i < songs.size(); ++i) twice[i] = listed[FileNameOf(songs[i])] > 1;
  return twice;
}

std::optional<SongPath> NameFromTags(const FileSystem& fileSystem, const SongPath& song) {
  const SongTags tags = ReadSongTags(fileSystem, song);
  if (!tags.title.Usable() || !tags.artist.Usable()) return std::nullopt;
  return CorrectedPath(song, tags.artist.text, tags.title.text);
}

}  // namespace

TagRenameResult RenameFromTags(SongLists& lists, FileSystem& fileSystem,
                               const std::function<void()>& refresh) {
  TagRenameResult result;
  refresh();
  std::vector<SongPath>& songs = lists.IncorrectSongs;
  std::vector<TagRename> renames(songs.size());
  const std::vector<bool> mayBeListedTwice = MayBeListedTwice(songs);
  // Every song's tags are read before any song is renamed: a link to a song, which gives
  // that song's tags, would else give them or not as the song was renamed after or before.
  RunSongPass(fileSystem, {.count = songs.size(),
                           .due = [&](std::size_t i) { return &songs[i]; },
                           .work =
                               [&](std::size_t i) {
                                 if (mayBeListedTwice[i])
                                   renames[i].read = fileSystem.IdentifyFile(
                                       songs[i], FileSystem::Fingerprint::kLeave);
                                 renames[i].named = NameFromTags(fileSystem, songs[i]);
                               },
                           .finish = [](std::size_t) {},
                           .renames = false});
  RunSongPass(
      fileSystem,
      {.count = songs.size(),
       .due = [&](std::size_t i) { return renames[i].named ? &songs[i] : nullptr; },
       .work =
           [&](std::size_t i) {
             TagRename& rename = renames[i];
             std::optional<FileIdentity> there;
             if (rename.read) {
               // The song whose tags were read may have left its path since.
               there = fileSystem.IdentifyFile(songs[i], FileSystem::Fingerprint::kLeave);
               if (there && !SameFile(*rename.read, *there)) {
                 rename.left = true;
                 return;
               }
             }
             rename.error = there ? fileSystem.RenameIdentified(songs[i], *rename.named, *there)
                                  : fileSystem.Rename(songs[i], *rename.named);
             if (rename.error)
               rename.stillThere =
                   fileSystem.LookUpError(songs[i]) != std::errc::no_such_file_or_directory;
           },
       .finish =
           [&](std::size_t i) {
             TagRename& rename = renames[i];
             // Refused renames show up again after the refresh. A song listed twice
             // (its folder is in the library twice) is gone the second time: not a
             // refusal.
             if (rename.left) return;
             if (rename.error) {
               if (rename.stillThere)
                 result.refused.push_back({songs[i], *rename.named, ErrorText(rename.error)});
             } else if (*rename.named != songs[i]) {
               result.renamed.emplace_back(songs[i], *rename.named);
             }
             songs[i] = std::move(*rename.named);
           }});
  refresh();
  return result;
}

}  // namespace tunewick
