#include "songtags/song_tags.h"

#include "songtags/id3_tag_reader.h"

namespace tunewick {
namespace {

SongTagField Field(const TagText& value, bool albumArtist = false) {
  return {std::string(TrimWhiteSpace(value.text)), CleanTagField(value.text), value.from,
          albumArtist, value.readAsUtf8};
}

}  // namespace

SongTags ReadSongTags(const FileSystem& fileSystem, const std::string& path) try {
  const ModernTags modern = ReadModernTags(fileSystem, path);
  if (modern.unreadable) return {{}, {}, true};
  SongTags tags{Field(modern.title), Field(modern.artist)};
  // ID3v1 holds at most 30 bytes a field: the second choice, read only when needed.
  if (tags.title.from == TagKind::kNone || tags.artist.from == TagKind::kNone) {
    const ID3Fields old = ReadID3Tag(fileSystem, path);
    for (const auto& [field, value] :
         {std::pair{&tags.title, &old.title}, std::pair{&tags.artist, &old.artist}}) {
      if (field->from == TagKind::kNone && !TrimWhiteSpace(value->text).empty())
        *field = Field(*value);
    }
  }
  // The album artist names the album's maker ("Various Artists", say): the last resort.
  if (tags.artist.from == TagKind::kNone) tags.artist = Field(modern.albumArtist, true);
  return tags;
} catch (const std::exception&) {
  return {{}, {}, true};  // one song must not end the run
}

}  // namespace tunewick
