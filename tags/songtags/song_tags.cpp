#include "songtags/song_tags.h"

#include "songtags/id3_tag_reader.h"

namespace tunewick {
namespace {

SongTagField Field(std::string_view value, TagKind from) {
  return {std::string(TrimWhiteSpace(value)), CleanTagField(value), from};
}

}  // namespace

SongTags ReadSongTags(const FileSystem& fileSystem, const std::string& path) try {
  const ModernTags modern = ReadModernTags(fileSystem, path);
  if (modern.unreadable) return {{}, {}, true};
  SongTags tags{Field(modern.title.text, modern.title.from),
                Field(modern.artist.text, modern.artist.from)};
  // ID3v1 holds at most 30 Latin-1 bytes a field: the second choice, read only when needed.
  if (tags.title.from == TagKind::kNone || tags.artist.from == TagKind::kNone) {
    const ID3Fields old = ReadID3Tag(fileSystem, path);
    for (const auto& [field, value] :
         {std::pair{&tags.title, &old.title}, std::pair{&tags.artist, &old.artist}}) {
      if (field->from == TagKind::kNone && !TrimWhiteSpace(*value).empty())
        *field = Field(*value, TagKind::kID3v1);
    }
  }
  return tags;
} catch (const std::exception&) {
  return {{}, {}, true};  // one song must not end the run
}

}  // namespace tunewick
