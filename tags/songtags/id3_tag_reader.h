#pragma once

// The ID3v1 tag at the end of a song file: its title and artist, ready to become part of
// a file name.

#include <string>

namespace tunewick {

// Title and artist of a song, as UTF-8, each empty when not available.
struct ID3Fields {
  std::string title;
  std::string artist;
};

// Reads the ID3v1 tag in the last 128 bytes of the file at `path` (a file shorter than
// 128 bytes is read whole, the rest counting as zero bytes). A field ends at its first
// zero byte; a field holding any of : \ / * ? " < > | comes back empty, and trailing
// spaces and control characters are dropped. The text is ISO-8859-1 in the tag and is
// returned as UTF-8. A missing, unreadable or untagged file, or a folder, gives two empty
// texts; this never throws and never changes the file.
ID3Fields ReadID3Tag(const std::string& path);

class FileSystem;
// The same, reading the file through `fileSystem`.
ID3Fields ReadID3Tag(const FileSystem& fileSystem, const std::string& path);

}  // namespace tunewick
