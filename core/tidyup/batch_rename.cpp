#include "tidyup/batch_rename.h"

#include "catalogue/song_path.h"

namespace tunewick {

std::string QuotedRenameLine(std::string_view from, std::string_view to) {
  std::string line;
  line.reserve(from.size() + to.size() + 21);
  line += '\'';
  line += from;
  line += "' was renamed to '";
  line += to;
  line += '\'';
  return line;
}

std::string UnquotedRenameLine(std::string_view from, std::string_view to) {
  std::string line;
  line.reserve(from.size() + to.size() + 16);
  line += from;
  line += " was renamed to ";
  line += to;
  return line;
}

std::optional<SongPath> RenameInFolder(SongLists& lists, FileSystem& fileSystem,
                                       const SongPath& from, std::string_view newName,
                                       TextList* log, LogForm form) {
  SongPath to;
  to.reserve(from.size() + 8);
  to += FolderOf(from);
  to += newName;
  if (to == from) return std::nullopt;

  const std::error_code error = fileSystem.Rename(from, to);
  if (error == std::errc::no_such_file_or_directory && !fileSystem.Exists(from))
    return std::nullopt;
  if (error) {
    lists.RenameFailures.push_back({from, to, ErrorText(error)});
    return std::nullopt;
  }
  if (log)
    log->push_back(form == LogForm::kQuoted ? QuotedRenameLine(from, to)
                                            : UnquotedRenameLine(from, to));
  return to;
}

}  // namespace tunewick
