#pragma once

// The tags that song files carry besides ID3v1, read through TagLib: ID3v2.2, 2.3 and 2.4
// at the start of a file (MP3), ASF attributes (WMA), and RIFF INFO and an "id3 " chunk
// (WAV). Only the title and the artist are read; audio properties never are.

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tunewick {

// Where a title or an artist came from.
enum class TagKind { kNone, kID3v1, kID3v22, kID3v23, kID3v24, kASF, kRiffInfo };

// "ID3v2.4", "ASF", "RIFF INFO", "ID3v1", ...; empty for kNone.
std::string_view TagKindName(TagKind kind);

struct TagText {
  std::string text;  // UTF-8; the field's first value, as the tag holds it
  TagKind from = TagKind::kNone;
};

struct ModernTags {
  TagText title;
  TagText artist;
  bool unreadable = false;  // reading failed (out of memory, say): the tags are not known
};

// Reads the tags of the file at `path` through `fileSystem`. The kind of file is told by
// its first bytes, not by its name. Per field the first tag that holds more than white
// space wins: in WAV the "id3 " chunk before RIFF INFO; the artist is TPE1, else TPE2 in
// ID3v2, and Author, else WM/AlbumArtist in ASF. A file that cannot be read, is not a
// regular file or is damaged gives empty fields (whatever a damaged tag still holds
// before its damage may be returned); a failure while reading (such as running out of
// memory) gives empty fields marked unreadable. This never throws, never waits on a pipe
// and never changes the file.
ModernTags ReadModernTags(const FileSystem& fileSystem, const std::string& path);

}  // namespace tunewick
