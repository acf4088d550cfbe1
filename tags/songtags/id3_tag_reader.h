#pragma once

// The ID3v1 tag at the end of a song file: its title and artist.

#include <string>

#include "songtags/modern_tags.h"

namespace tunewick {

// Title and artist of a song, as UTF-8, each empty (and from no tag) when not available.
struct ID3Fields {
  TagText title;
  TagText artist;
};

// Reads the ID3v1 tag in the last 128 bytes of the file at `path` (a file shorter than
// 128 bytes is read whole, the rest counting as zero bytes). A field ends at its first
// zero byte, and trailing spaces and control characters are dropped; what is left, when
// anything, comes from kID3v1. The tag declares its text ISO-8859-1; it is returned as
// UTF-8, read as FromDeclaredLatin1 reads it. A missing, unreadable or untagged file, or a
// folder, gives two empty texts; this never throws and never changes the file.
ID3Fields ReadID3Tag(const std::string& path);

class FileSystem;
// The same, reading the file through `fileSystem`.
ID3Fields ReadID3Tag(const FileSystem& fileSystem, const std::string& path);

}  // namespace tunewick
