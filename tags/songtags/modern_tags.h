#pragma once

// The tags that song files carry besides ID3v1, read through TagLib: ID3v2.2, 2.3 and 2.4
// at the start of a file (MP3), ASF attributes (WMA), RIFF INFO and an "id3 " chunk (WAV),
// Xiph comments (FLAC, Ogg Vorbis, Opus, and FLAC in Ogg), MP4 atoms (M4A) and an "ID3 "
// chunk (AIFF). Only the title, the artist and the album artist are read; audio properties
// never are.

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tunewick {

// Where a title or an artist came from.
enum class TagKind { kNone, kID3v1, kID3v22, kID3v23, kID3v24, kASF, kRiffInfo, kXiph, kMP4 };

// "ID3v2.4", "ASF", "RIFF INFO", "Xiph comment", "MP4", "ID3v1", ...; empty for kNone.
std::string_view TagKindName(TagKind kind);

struct TagText {
  std::string text;  // UTF-8; the field's first value, as the tag holds it
  TagKind from = TagKind::kNone;
  // The tag declares the field Latin-1, but its bytes were UTF-8 (FromDeclaredLatin1).
  bool readAsUtf8 = false;
};

struct ModernTags {
  TagText title;
  TagText artist;           // TPE1, Author, IART, ARTIST, ©ART
  TagText albumArtist;      // TPE2, WM/AlbumArtist, ALBUMARTIST, aART
  bool unreadable = false;  // reading failed (out of memory, say): the tags are not known
};

// Reads the tags of the file at `path` through `fileSystem`. The kind of file is told by
// its first bytes, not by its name. Per field the first tag that holds more than white
// space wins: in WAV the "id3 " chunk before RIFF INFO, in a FLAC file that begins with an
// ID3v2 tag its Xiph comment before that tag. A file that cannot be read, is not a
// regular file or is damaged gives empty fields (whatever a damaged tag still holds
// before its damage may be returned); a failure while reading (such as running out of
// memory) gives empty fields marked unreadable. This never throws, never waits on a pipe
// and never changes the file.
ModernTags ReadModernTags(const FileSystem& fileSystem, const std::string& path);

}  // namespace tunewick
