#include "cli.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>

#include "catalogue/library_scan.h"
#include "catalogue/name_check.h"
#include "catalogue/song_lists.h"
#include "catalogue/song_path.h"
#include "journal/earlier_runs.h"
#include "journal/run_lock.h"
#include "journal/undo.h"
#include "library/library_file.h"
#include "library/library_location.h"
#include "library/user_settings.h"
#include "platform/dry_run_file_system.h"
#include "platform/file_system.h"
#include "platform/interruptions.h"
#include "platform/journal_file.h"
#include "platform/user_folders.h"
#include "reports/changed_files.h"
#include "songtags/song_tags.h"
#include "songtags/tag_rename.h"
#include "tag_report.h"
#include "tidyup/batch_rename.h"
#include "tidyup/tidy_up.h"
#include "undo_commands.h"

namespace tunewick {
namespace {

constexpr std::string_view kUsageIntro =
    "Usage: tunewick-cli COMMAND [OPTIONS] [FOLDER...]\n"
    "\n"
    "Tidies the file names of the songs (.mp3, .wav, .wma) in the FOLDERs and all their\n"
    "subfolders into \"Artist Name - Song Name.ext\". Without FOLDERs, the folders listed in\n"
    "the library file are used: \"searchfolders\" in the current folder when there is one,\n"
    "else the one in the configuration folder. Here and now that is:\n";

constexpr std::string_view kUsage =
    "\n"
    "Commands:\n"
    "  tidy [--dry-run]   the automatic tidy-up: spaces around the dash, underscores to\n"
    "                     spaces, capitals, \"(0)\" to \"(9)\" and track-number prefixes removed\n"
    "  list               the songs whose names do not hold exactly one \"-\"\n"
    "  tags [--dry-run]   rename the songs of `list` to \"Artist - Title.ext\" from their tags:\n"
    "                     ID3v2 (MP3), ASF (WMA), RIFF INFO or an \"id3 \" chunk (WAV), Xiph\n"
    "                     comments (FLAC, Ogg, Opus), MP4 atoms (M4A), an \"ID3 \" chunk\n"
    "                     (AIFF); each field else from ID3v1, the artist only then from the\n"
    "                     album artist; songs without a usable title and artist are left\n"
    "                     as they are\n"
    "  tags --show        print for each song of `list` the title and artist its tags\n"
    "                     hold and which tag they come from; changes nothing\n"
    "  undo [--dry-run] [RUN]\n"
    "                     rename back what a tidy or tags run renamed: the newest run not\n"
    "                     undone yet, or the RUN named (an undo too, which puts its renames\n"
    "                     back); a song is renamed back only when it is still the same file\n"
    "                     and its old name is free\n"
    "  history            the kept runs, oldest first: when, what, the folder it was\n"
    "                     started from, how many renames, undone or not (or under way),\n"
    "                     and its RUN name\n"
    "\n"
    "Every tidy, tags and undo run is recorded in a journal under\n"
    "$XDG_STATE_HOME/tunewick (~/.local/state/tunewick); the 50 newest that renamed\n"
    "something are kept.\n"
    "\n"
    "Options:\n"
    "  --all-types        for list, tidy and tags: also take .flac, .ogg, .oga, .opus,\n"
    "                     .m4a, .aif and .aiff files for songs, this time (the desktop\n"
    "                     program's \"Also look for FLAC, Ogg, Opus, M4A and AIFF songs\",\n"
    "                     kept in the settings file below, does so every time)\n"
    "  --dry-run          change nothing on disk; print what would be done\n"
    "  --no-undo          rename even when the journal cannot be written (the run\n"
    "                     cannot be undone then)\n"
    "  --help             show this help\n"
    "  --version          show the version\n"
    "\n"
    "Folders that cannot be read are skipped, each with a warning on standard error.\n"
    "Settings shared with the desktop program: $XDG_CONFIG_HOME/tunewick/settings\n"
    "(~/.config/tunewick/settings).\n"
    "\n"
    "Exit status: 0 when everything was done, 1 when some renames were refused (or the\n"
    "journal of the run to undo is damaged), 2 for a usage error, a missing or unreadable\n"
    "library file, an unreadable settings file, a run that cannot be recorded, journals that\n"
    "cannot be trusted, another run under way, or no run to undo; 3 when the output could\n"
    "not be written (the renames were done all the same).\n";

std::string_view StepName(TidyupStep step) {
  switch (step) {
    case TidyupStep::kDash:
      return "Spacing dashes";
    case TidyupStep::kUnderscore:
      return "Replacing underscores";
    case TidyupStep::kCapitalisation:
      return "Capitalising words";
    case TidyupStep::kBracket:
      return "Removing bracketed numbers";
    case TidyupStep::kPrefix:
      return "Removing prefixes";
  }
  return "";
}

void WriteLine(std::ostream& out, std::string_view line) {
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
  out.put('\n');
}

// Where the songs come from: the folders named on the command line, or the library file;
// and which files are songs.
class Library {
 public:
  Library(std::vector<std::string> folders, std::string libraryFile, SongTypes types)
      : folders_(std::move(folders)), types_(types) {
    if (folders_.empty()) libraryFile_ = std::move(libraryFile);
  }

  bool FromFile() const { return libraryFile_.has_value(); }

  // Fills AllSongs (and LibraryFolders) from the disk as `fileSystem` shows it.
  void Scan(SongLists& lists, FileSystem& fileSystem) {
    lists.IncorrectSongs.clear();
    lists.LibraryFolders = Folders(fileSystem);
    Remember(ScanFolders(lists, fileSystem, folders_, Entries(), types_));
  }

  // Hands the tree of each library folder to `take` as soon as it is read: the songs Scan
  // would list, without the lists the windows keep.
  void ScanEach(FileSystem& fileSystem, const std::function<void(LibraryTree&)>& take) {
    Remember(ScanEachFolder(fileSystem, Folders(fileSystem), Entries(), types_, take));
  }

  // Every folder that some scan could not read, once, in the order first met.
  const std::vector<UnreadableFolder>& Unreadable() const { return unreadable_; }

 private:
  // The library file is read once a run, not for each of its scans: it may list hundreds of
  // thousands of folders.
  const std::vector<std::string>& Folders(FileSystem& fileSystem) {
    if (libraryFile_ && !fileRead_) {
      LoadLibraryFile(fileSystem, *libraryFile_, LibraryRead::kMainWindow, folders_);
      fileRead_ = true;
    }
    return folders_;
  }
  FolderEntries Entries() const {
    return FromFile() ? FolderEntries::kFromLibraryFile : FolderEntries::kAsGiven;
  }

  void Remember(const std::vector<UnreadableFolder>& unreadable) {
    for (const UnreadableFolder& folder : unreadable)
      if (reported_.insert(folder.path).second) unreadable_.push_back(folder);
  }

  std::vector<std::string> folders_;        // named, or read from the library file
  std::optional<std::string> libraryFile_;  // without named folders
  SongTypes types_;
  bool fileRead_ = false;
  std::vector<UnreadableFolder> unreadable_;
  std::set<std::string> reported_;
};

class CliTidyupHost : public TidyupHost {
 public:
  CliTidyupHost(SongLists& lists, FileSystem& fileSystem, Library& library, CliStreams& streams)
      : lists_(lists), fileSystem_(fileSystem), library_(library), streams_(streams) {}
  ~CliTidyupHost() override {
    if (shown_) *streams_.progress << "\r\033[K" << std::flush;
  }

  void Rescan() override { library_.Scan(lists_, fileSystem_); }

  void Progress(TidyupStep step, std::size_t done, std::size_t total) override {
    if (!streams_.progress) return;
    const auto now = std::chrono::steady_clock::now();
    if (done != total && now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    shown_ = true;
    *streams_.progress << "\r\033[K" << StepName(step) << ": " << done << " of " << total
                       << " songs" << std::flush;
  }

 private:
  SongLists& lists_;
  FileSystem& fileSystem_;
  Library& library_;
  CliStreams& streams_;
  std::chrono::steady_clock::time_point lastShown_{};
  bool shown_ = false;
};

RunHeader HeaderNow(RunKind kind) {
  return {kind,
          std::chrono::duration_cast<std::chrono::seconds>(
              std::chrono::system_clock::now().time_since_epoch())
              .count(),
          CurrentFolder(),
          {}};
}

void WarnAboutJournal(const std::string& problem, CliStreams& streams) {
  if (!problem.empty()) streams.err << "tunewick-cli: " << problem << '\n';
}

int Tidy(Library& library, FileSystem& disk, JournalStore* journals, CliStreams& streams) {
  SongLists lists;
  RecordedRun run(journals, disk, HeaderNow(RunKind::kTidyup));
  FileSystem& fileSystem = run.fileSystem();
  {
    CliTidyupHost host(lists, fileSystem, library, streams);
    RunTidyup(lists, fileSystem, host);
  }
  WarnAboutJournal(run.Finish(), streams);
  const TextList changed = BuildChangedFilesList(lists);
  for (const std::string& line : changed) WriteLine(streams.out, line);
  if (!changed.empty()) streams.out << '\n';
  for (const StepReport& step : kCounterOrder) {
    streams.out << (lists.*step.log).size() << ' ';
    WriteLine(streams.out, step.counterCaption);
  }
  streams.out.flush();
  return lists.RenameFailures.empty() ? kExitDone : kExitSomeRefused;
}

constexpr std::size_t kLinesBlock = 64 * 1024;

int List(Library& library, FileSystem& fileSystem, CliStreams& streams) {
  // The songs the name check would list, printed folder by folder as the scan reads them.
  // The lines go out in blocks: a write per line would cost more than the name check.
  std::string lines;
  auto writeLines = [&] {
    streams.out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    lines.clear();
  };
  library.ScanEach(fileSystem, [&](const LibraryTree& tree) {
    for (std::size_t type = 0; type < kSongTypeCount; ++type) {
      for (const SongPath& song : tree.Songs(type)) {
        if (IsNamedCorrectly(FileNameOf(song))) continue;
        lines.append(song) += '\n';
        if (lines.size() >= kLinesBlock) writeLines();
      }
    }
  });
  writeLines();
  streams.out.flush();
  return kExitDone;
}

int Tags(Library& library, FileSystem& disk, JournalStore* journals, CliStreams& streams) {
  SongLists lists;
  RecordedRun run(journals, disk, HeaderNow(RunKind::kTags));
  FileSystem& fileSystem = run.fileSystem();
  const TagRenameResult result = RenameFromTags(lists, fileSystem, [&] {
    library.Scan(lists, fileSystem);
    ClassifySongs(lists);
  });
  WarnAboutJournal(run.Finish(), streams);
  for (const auto& [from, to] : result.renamed) WriteLine(streams.out, QuotedRenameLine(from, to));
  if (!result.refused.empty()) {
    if (!result.renamed.empty()) streams.out << '\n';
    WriteLine(streams.out, kFailuresHeading);
    for (const RenameFailure& failure : result.refused)
      WriteLine(streams.out, FailureLine(failure));
  }
  streams.out.flush();
  return result.refused.empty() ? kExitDone : kExitSomeRefused;
}

int ShowTags(Library& library, FileSystem& fileSystem, CliStreams& streams) {
  SongLists lists;
  library.Scan(lists, fileSystem);
  ClassifySongs(lists);
  for (const SongPath& song : lists.IncorrectSongs)
    WriteSongTags(streams.out, song, ReadSongTags(fileSystem, song));
  streams.out.flush();
  return kExitDone;
}

int UsageError(CliStreams& streams, std::string_view message) {
  streams.err << "tunewick-cli: " << message << " (see tunewick-cli --help)\n";
  return kExitUsage;
}

void WarnUnreadable(CliStreams& streams, const Library& library) {
  for (const UnreadableFolder& folder : library.Unreadable()) {
    streams.err << "tunewick-cli: skipped folder ";
    streams.err.write(folder.path.data(), static_cast<std::streamsize>(folder.path.size()));
    streams.err << ": " << ErrorText(folder.error) << '\n';
  }
}

// A command with its options, as the command line gives them.
struct Invocation {
  std::string command;
  bool dryRun = false;
  bool noUndo = false;
  bool show = false;
  bool allTypes = false;
  std::vector<std::string> folders;

  // Whether it renames songs, and so prints what it changed.
  bool Renames() const {
    return !dryRun && !show && (command == "tidy" || command == "tags" || command == "undo");
  }
};

// Reads the command and its options. Nothing, with the exit status in `status`, when the
// command line asked for the help or the version or was wrong.
std::optional<Invocation> ReadCommandLine(const std::vector<std::string>& arguments,
                                          const std::string& libraryFile, CliStreams& streams,
                                          int& status) {
  status = kExitDone;
  if (arguments.empty()) {
    status = UsageError(streams, "no command given");
    return std::nullopt;
  }
  auto isHelp = [](const std::string& argument) {
    return argument == "--help" || argument == "-h";
  };
  // The help, also after a command: "tunewick-cli tidy --help" asks for it, never for a tidy-up.
  const auto options = std::find(arguments.begin(), arguments.end(), "--");
  if (std::any_of(arguments.begin(), options, isHelp)) {
    streams.out << kUsageIntro << "  " << (libraryFile == kLibraryFileName ? "./" : "")
                << libraryFile << '\n'
                << kUsage;
    return std::nullopt;
  }
  Invocation invocation;
  invocation.command = arguments.front();
  const std::string& command = invocation.command;
  if (command == "--version") {
    streams.out << "tunewick-cli " TUNEWICK_VERSION "\n";
    return std::nullopt;
  }
  if (command != "tidy" && command != "list" && command != "tags" && command != "undo" &&
      command != "history") {
    status = UsageError(streams, "unknown command \"" + command + "\"");
    return std::nullopt;
  }
  const bool renames = command != "list" && command != "history";
  const bool scans = command != "undo" && command != "history";
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument == "--dry-run" && renames) {
      invocation.dryRun = true;
    } else if (!optionsEnded && argument == "--no-undo" && renames) {
      invocation.noUndo = true;
    } else if (!optionsEnded && argument == "--show" && command == "tags") {
      invocation.show = true;
    } else if (!optionsEnded && argument == "--all-types" && scans) {
      invocation.allTypes = true;
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      status = UsageError(streams, "unknown option \"" + argument + "\" for " + command);
      return std::nullopt;
    } else {
      invocation.folders.push_back(argument);
    }
  }
  return invocation;
}

// Runs `command`, or says why it could not run: no journal, another run under way, a file
// that could not be read.
template <typename Command>
int ReportingWhyNot(CliStreams& streams, Command command) {
  try {
    return command();
  } catch (const JournalUnavailable& error) {
    streams.err << "tunewick-cli: " << error.what() << " (--no-undo goes on without it)\n";
  } catch (const RunInProgress& error) {
    streams.err << "tunewick-cli: " << error.what() << '\n';
  } catch (const FileError& error) {
    streams.err << "tunewick-cli: " << error.what() << '\n';
  }
  return kExitUsage;
}

// `history` and `undo`: the commands on the journals of earlier runs.
int RunJournalCommand(const Invocation& invocation, JournalStore& journals, FileSystem& fileSystem,
                      CliStreams& streams) {
  const std::vector<std::string>& arguments = invocation.folders;
  if (invocation.command == "history") {
    if (!arguments.empty()) return UsageError(streams, "history takes no arguments");
    return HistoryCommand(journals, streams);
  }
  if (arguments.size() > 1) return UsageError(streams, "undo takes one RUN at most");
  return ReportingWhyNot(streams, [&] {
    return UndoCommand(journals, fileSystem, arguments.empty() ? std::string() : arguments[0],
                       invocation.dryRun, !invocation.noUndo, streams);
  });
}

// Whether the command has songs to work on: the FOLDERs named all exist, or else there is a
// library file. Says why not.
bool HaveLibrary(const Invocation& invocation, const std::string& libraryFile,
                 FileSystem& fileSystem, CliStreams& streams) {
  for (const std::string& folder : invocation.folders)
    if (!fileSystem.FolderExists(folder)) {
      streams.err << "tunewick-cli: no such folder: " << folder << '\n';
      return false;
    }
  if (!invocation.folders.empty() || fileSystem.FileExists(libraryFile)) return true;
  if (fileSystem.FolderExists(std::string(kLibraryFileName))) {
    streams.err << "tunewick-cli: no library: ./" << kLibraryFileName
                << " is a folder, not a list of library folders\n";
  } else {
    streams.err << "tunewick-cli: no library: name its FOLDERs, or list them in ./searchfolders or "
                << libraryFile << '\n';
  }
  return false;
}

// `list`, `tidy` and `tags`: the commands on the songs of the library, for real or as a
// dry run.
int RunLibraryCommand(const Invocation& invocation, Library& library, JournalStore& journals,
                      FileSystem& fileSystem, CliStreams& streams) {
  auto run = [&](FileSystem& target, JournalStore* store) {
    if (invocation.command == "list") return List(library, target, streams);
    if (invocation.show) return ShowTags(library, target, streams);
    return invocation.command == "tags" ? Tags(library, target, store, streams)
                                        : Tidy(library, target, store, streams);
  };
  return ReportingWhyNot(streams, [&] {
    if (invocation.dryRun) {
      RefuseWhileAnotherRuns(journals.folder());
      if (!invocation.noUndo) ForeseeRecording(journals.folder());
      DryRunFileSystem view(fileSystem);
      if (!invocation.noUndo) ForeseeSettling(journals, view);
      return run(view, nullptr);
    }
    if (invocation.noUndo) {
      // Not recorded, but other runs are kept out all the same where the journals' folder
      // allows it. (A recorded run holds the lock itself.)
      const RunLock lock(journals.folder(), RunLock::Need::kWherePossible);
      return run(fileSystem, nullptr);
    }
    return run(fileSystem, &journals);
  });
}

int RunCommand(const std::vector<std::string>& arguments, FileSystem& fileSystem,
               CliStreams& streams) {
  const std::string libraryFile = CliLibraryFile(fileSystem, UserConfigFolder());
  int status = kExitDone;
  std::optional<Invocation> invocation = ReadCommandLine(arguments, libraryFile, streams, status);
  if (!invocation) return status;
  // When the reader of a pipe has gone, a run that renamed songs says that the list of what
  // it did was lost; the commands that change nothing end quietly, as `head` expects.
  if (invocation->Renames()) LetWritesToClosedPipesFail();
  JournalStore journals(fileSystem, DefaultJournalFolder());
  if (invocation->command == "history" || invocation->command == "undo")
    return RunJournalCommand(*invocation, journals, fileSystem, streams);
  if (invocation->show && invocation->dryRun)
    return UsageError(streams, "--show changes nothing: no --dry-run with it");
  if (!HaveLibrary(*invocation, libraryFile, fileSystem, streams)) return kExitUsage;

  SongTypes types = SongTypes::All();
  if (!invocation->allTypes) {
    try {
      types = LoadSettings(fileSystem, ConfigSettingsFile(UserConfigFolder())).songTypes();
    } catch (const FileError& error) {
      streams.err << "tunewick-cli: " << error.what() << '\n';
      return kExitUsage;
    }
  }
  Library library(std::move(invocation->folders), libraryFile, types);
  status = RunLibraryCommand(*invocation, library, journals, fileSystem, streams);
  WarnUnreadable(streams, library);
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, FileSystem& fileSystem, CliStreams streams) {
  const int status = RunCommand(arguments, fileSystem, streams);
  // A failed write leaves the stream failed for good, so one look at the end, after the
  // final flush, catches every lost line.
  if (streams.out.flush()) return status;
  streams.err << "tunewick-cli: the output could not be written";
  if (const std::error_code error = streams.outError ? streams.outError() : std::error_code())
    streams.err << ": " << ErrorText(error);
  streams.err << '\n';
  return kExitOutputLost;
}

}  // namespace tunewick
