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

FolderRename RenameWithinFolder(FileSystem& fileSystem, const SongPath& from,
                                std::string_view newName) {
  FolderRename rename;
  rename.from = from;
  rename.to.reserve(from.size() + 8);
  rename.to += FolderOf(from);
  rename.to += newName;
  if (rename.to == from) return rename;

  rename.error = fileSystem.Rename(from, rename.to);
  // A song that is gone was listed twice, or another program took it: passed over. One that
  // cannot be looked at (a share whose connection was lost) is a refusal.
  if (rename.error == std::errc::no_such_file_or_directory &&
      fileSystem.LookUpError(from) == std::errc::no_such_file_or_directory)
    return rename;
  rename.outcome = rename.error ? FolderRename::Outcome::kRefused : FolderRename::Outcome::kRenamed;
  return rename;
}

std::optional<SongPath> WriteDown(SongLists& lists, FolderRename rename, TextList* log,
                                  LogForm form) {
  switch (rename.outcome) {
    case FolderRename::Outcome::kPassedOver:
      return std::nullopt;
    case FolderRename::Outcome::kRefused:
      lists.RenameFailures.push_back(
          {std::move(rename.from), std::move(rename.to), ErrorText(rename.error)});
      return std::nullopt;
    case FolderRename::Outcome::kRenamed:
      break;
  }
  if (log)
    log->push_back(form == LogForm::kQuoted ? QuotedRenameLine(rename.from, rename.to)
                                            : UnquotedRenameLine(rename.from, rename.to));
  return std::move(rename.to);
}

}  // namespace tunewick
