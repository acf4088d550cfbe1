#include "reports/changed_files.h"

namespace tunewick {

const std::array<StepReport, 5> kCounterOrder = {{
    {&SongLists::PrefixLog, "Prefixes Removed", "The following had prefixes removed"},
    {&SongLists::UnderscoreLog, "Underscores Replaced with spaces",
     "The following had underscores replaced with spaces"},
    {&SongLists::BracketLog, "Bracketted Numbers removed",
     "The following had bracketted numbers removed"},
    {&SongLists::CapitalLog, "Songs had words capitalized in them",
     "The following had words capitalized"},
    {&SongLists::DashLog, "Songs had spaces before and after the dash fixed",
     "The following had spaces around the middle dash fixed"},
}};

const std::array<StepReport, 5> kListOrder = {kCounterOrder[4], kCounterOrder[1], kCounterOrder[3],
                                              kCounterOrder[2], kCounterOrder[0]};

std::string FailureLine(const RenameFailure& failure) {
  return "'" + failure.from + "' could not be renamed to '" + failure.to + "': " + failure.reason;
}

bool AnySongRenamed(const SongLists& lists) {
  for (const StepReport& step : kCounterOrder)
    if (!(lists.*step.log).empty()) return true;
  return false;
}

TextList BuildChangedFilesList(const SongLists& lists) {
  TextList list;
  auto section = [&list](std::string_view heading) {
    if (!list.empty()) list.emplace_back();
    list.emplace_back(heading);
  };
  for (const StepReport& step : kListOrder) {
    const TextList& log = lists.*step.log;
    if (log.empty()) continue;
    section(step.listHeading);
    list.insert(list.end(), log.begin(), log.end());
  }
  if (!lists.RenameFailures.empty()) {
    section(kFailuresHeading);
    for (const RenameFailure& failure : lists.RenameFailures) list.push_back(FailureLine(failure));
  }
  return list;
}

std::string ProposedLogFolder(const FileSystem& fileSystem, const std::string& programFolder,
                              const std::string& documentsFolder) {
  return fileSystem.CanChangeFolder(programFolder) ? programFolder : documentsFolder;
}

std::string LogFileName(const std::string& chosen) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const std::string_view extension = ".txt";
  bool hasExtension = chosen.size() >= extension.size();
  for (std::size_t i = 0; hasExtension && i < extension.size(); ++i)
    hasExtension = lower(chosen[chosen.size() - extension.size() + i]) == extension[i];
  return hasExtension ? chosen : chosen + ".txt";
}

std::string SaveChangedFilesList(FileSystem& fileSystem, const std::string& chosen,
                                 const TextList& lines) {
  std::string path = LogFileName(chosen);
  fileSystem.WriteLines(path, lines);
  return path;
}

}  // namespace tunewick
