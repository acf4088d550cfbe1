#pragma once

// A song's title and artist, as every part of Tunewick that names songs from their tags
// reads them: the correction dialog's first guess, the rename from tags in the desktop
// program and on the command line, and what `tunewick-cli tags --show` prints.

#include <string>

#include "platform/file_system.h"
#include "songtags/modern_tags.h"
#include "songtools/song_correction.h"

namespace tunewick {

struct SongTagField {
  std::string found;  // the winning tag's value, white space trimmed
  std::string text;   // `found` made ready for a file name (CleanTagField)
  TagKind from = TagKind::kNone;
  bool albumArtist = false;  // the artist came from the album artist
  bool readAsUtf8 = false;   // a field declared Latin-1 held UTF-8 (FromDeclaredLatin1)

  // A file name may be made from it: something is left and it holds no control character.
  bool Usable() const { return !text.empty() && !HoldsForbiddenCharacter(text); }
};

struct SongTags {
  SongTagField title;
  SongTagField artist;
  bool unreadable = false;  // reading failed (out of memory, say): both fields are empty
};

// Per field, the value of the tag that ReadModernTags finds, else that of the ID3v1 tag
// (ReadID3Tag), and for the artist last the album artist ReadModernTags finds; a field that
// no tag fills is empty. Never throws: a song whose tags could not be read comes back
// unreadable.
SongTags ReadSongTags(const FileSystem& fileSystem, const std::string& path);

}  // namespace tunewick
