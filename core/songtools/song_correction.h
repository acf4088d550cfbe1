#pragma once

// Renaming one song by its artist and title, as the correction dialog does and as the
// rename from tags builds its names: the song stays in its folder and keeps its
// extension, and a name that could leave the folder is never formed.

#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "catalogue/song_lists.h"
#include "platform/file_system.h"

namespace tunewick {

// The characters a file name may not hold on any desktop Tunewick runs on.
inline constexpr std::string_view kForbiddenNameCharacters = ":\\/*?\"<>|";

// True when the UTF-8 `text` holds one of kForbiddenNameCharacters or a control
// character: C0 (U+0000 to U+001F), DEL (U+007F) or C1 (U+0080 to U+009F, which Latin-1
// tags yield for their bytes 0x80 to 0x9F). Other characters from U+00A0 up are allowed.
bool HoldsForbiddenCharacter(std::string_view text);

// `text` without the white space (space, tab, line ends) at its start and end.
std::string_view TrimWhiteSpace(std::string_view text);

// A tag's title or artist made ready for a file name: white space trimmed at both ends,
// and empty when it holds one of kForbiddenNameCharacters. Control characters stay, so
// that HoldsForbiddenCharacter refuses the song instead of naming it from half a text.
std::string CleanTagField(std::string_view text);

// The extension of a song's file name, dot included: from its last "." on, or empty when
// the file name has no dot.
std::string_view ExtensionOf(std::string_view path);

// The song's folder + artist + " - " + title + the song's extension.
SongPath CorrectedPath(std::string_view song, std::string_view artist, std::string_view title);

enum class CorrectionOutcome {
  kRenamed,
  kBoxEmpty,            // artist or title empty: nothing renamed
  kForbiddenCharacter,  // artist or title holds a character file names may not hold
  kNameTaken,           // something already exists at the new path
  kRefused,             // the file system refused the rename; `error` says why
};

struct CorrectionResult {
  CorrectionOutcome outcome = CorrectionOutcome::kBoxEmpty;
  SongPath newPath;  // set from kNameTaken on
  std::error_code error;
};

// Renames `song` to CorrectedPath(song, artist, title), never overwriting anything.
// `beforeRename` runs just before the rename itself, once the checks have passed (the
// preview uses it to let go of the file).
CorrectionResult CorrectSongName(FileSystem& fileSystem, const SongPath& song,
                                 std::string_view artist, std::string_view title,
                                 const std::function<void()>& beforeRename = {});

}  // namespace tunewick
