#include "songtools/song_correction.h"

#include "catalogue/song_path.h"
#include "platform/rename_names.h"

namespace tunewick {

bool HoldsForbiddenCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    // U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F in UTF-8.
    if (byte == 0xC2 && i + 1 < text.size() &&
        (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80)
      return true;
    if (kForbiddenNameCharacters.find(text[i]) != std::string_view::npos) return true;
  }
  return false;
}

std::string_view TrimWhiteSpace(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::string CleanTagField(std::string_view text) {
  text = TrimWhiteSpace(text);
  if (text.find_first_of(kForbiddenNameCharacters) != std::string_view::npos) return {};
  return std::string(text);
}

std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

SongPath CorrectedPath(std::string_view song, std::string_view artist, std::string_view title) {
  SongPath path;
  path.reserve(song.size() + artist.size() + title.size() + 3);
  path += FolderOf(song);
  path += artist;
  path += " - ";
  path += title;
  path += ExtensionOf(song);
  return path;
}

CorrectionResult CorrectSongName(FileSystem& fileSystem, const SongPath& song,
                                 std::string_view artist, std::string_view title,
                                 const std::function<void()>& beforeRename) {
  CorrectionResult result;
  if (TrimWhiteSpace(artist).empty() || TrimWhiteSpace(title).empty()) {
    result.outcome = CorrectionOutcome::kBoxEmpty;
    return result;
  }
  // A "/" would move the song into another folder; other forbidden characters give names
  // that other desktops and players cannot handle.
  if (HoldsForbiddenCharacter(artist) || HoldsForbiddenCharacter(title)) {
    result.outcome = CorrectionOutcome::kForbiddenCharacter;
    return result;
  }
  result.newPath = CorrectedPath(song, artist, title);
  // Where the file system ignores case, a new name that differs only in case finds the
  // song itself in its place; the rename lets such a change through.
  const bool caseOnly = DiffersOnlyInCase(song, result.newPath) && fileSystem.IgnoresCase(song);
  if (!caseOnly && fileSystem.Exists(result.newPath)) {
    result.outcome = CorrectionOutcome::kNameTaken;
    return result;
  }
  if (beforeRename) beforeRename();
  result.error = fileSystem.Rename(song, result.newPath);
  result.outcome = result.error ? CorrectionOutcome::kRefused : CorrectionOutcome::kRenamed;
  return result;
}

}  // namespace tunewick
