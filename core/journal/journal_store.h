#pragma once

// The kept journals of Tunewick's runs, one file per run, named by the run's number: one
// more than the newest run's, so that the names tell the order of the runs whatever the
// clock said. Journals of older versions, named after the local time their run began
// ("20261206-163725"), count as older than any numbered one. A run that was taken back
// has a mark beside its journal saying by which undo. A finished run's journal is kept
// packed (packed_journal.h); those of older versions stay as they are.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "journal/journal_format.h"
#include "journal/journal_writer.h"
#include "platform/file_system.h"

namespace tunewick {

// A moment (seconds since 1970) in local time, laid out by strftime's `format`.
std::string LocalTimeText(std::int64_t seconds, const char* format);

inline constexpr std::size_t kJournalsKept = 50;
// Packed, the journal of a run over 100,000 songs takes 8 to 9 MiB: the bound keeps some 30
// such runs, all 50 of a smaller library and fewer of a larger one. That goes back further
// than anyone undoes, while the journals stay a small share of the disk that holds such a
// library, where 50 unpacked ones took gigabytes.
inline constexpr std::uint64_t kJournalBytesKept = std::uint64_t{256} << 20;

// The kept journals cannot be trusted: their folder or one of them is not the running
// user's own (see WhyNotOwn). Undo does not read them then.
class JournalsUntrusted : public std::runtime_error {
 public:
  explicit JournalsUntrusted(const std::string& reason)
      : std::runtime_error("Tunewick cannot trust the journals of its runs: " + reason) {}
};

enum class UndoState { kNotUndone, kPartlyUndone, kUndone };
std::string_view UndoStateName(UndoState state);  // "not undone", "partly undone", "undone"

struct RunSummary {
  std::string name;
  RunHeader header;
  std::size_t renames = 0;  // done, or possibly done when the run was cut short
  UndoState undoState = UndoState::kNotUndone;
  bool ended = true;      // false: cut short, or still under way
  bool underWay = false;  // another run of the program is making it now
  // Recorded by a newer version of Tunewick, which alone can read its journal: of the header
  // only `startedAt` is known, and that is when the journal was last written.
  bool newer = false;
};
// "under way" for a run under way, "recorded by a newer version of Tunewick" for one of a
// newer version, else its UndoStateName.
std::string_view RunStateName(const RunSummary& run);

class JournalStore {
 public:
  // `folder` empty: there is nowhere to keep journals (no home folder).
  JournalStore(FileSystem& disk, std::string folder) : disk_(disk), folder_(std::move(folder)) {}

  const std::string& folder() const { return folder_; }

  // Begins the journal of a new run. Throws JournalUnavailable when the journal cannot be
  // written, or the folder is not the running user's own.
  std::unique_ptr<JournalWriter> StartRun(const RunHeader& header);
  // Keeps only the journals of the newest runs, at most kJournalsKept of them taking at
  // most kJournalBytesKept together; but never that of the run `current`, nor that of the
  // newest run that can be undone. Called once a run's journal is kept, so that a run that
  // renamed nothing pushes none out.
  void Prune(const std::string& current);
  // Puts the packed form of the journal of the run `name` in its place.
  std::error_code KeepPacked(const std::string& name, std::string_view packed);
  // Packs the journals of the current version that are not packed yet: those of runs cut
  // short (by a crash, a kill, a power cut), or killed while their journal was packed.
  // For a run that holds the lock of the runs, so that no other run is under way.
  void PackEarlierJournals();
  // The journal of the newest run, when that run was cut short and its journal is not
  // packed yet.
  std::optional<Journal> NewestCutShort() const;

  // The kept runs, oldest first; the newest may be under way. These three throw
  // JournalsUntrusted.
  std::vector<RunSummary> History() const;
  std::optional<RunSummary> Summary(const std::string& name) const;
  std::optional<Journal> Read(const std::string& name) const;
  void SetUndoState(const std::string& name, UndoState state, const std::string& by);
  // Where the journal of the run `name` is.
  std::string JournalPath(const std::string& name) const;

 private:
  void CheckFolderIsOwn() const;
  std::unique_ptr<ReadableFile> OpenJournal(const std::string& name) const;
  std::string PackingPath(const std::string& name) const;
  std::optional<RunSummary> SummaryOf(const std::string& name) const;
  std::vector<std::string> Names() const;
  std::string MarkPath(const std::string& name) const;

  FileSystem& disk_;
  std::string folder_;
};

// The newest tidy-up or rename from tags that is not wholly undone.
std::optional<std::string> LatestUndoable(const JournalStore& store);
// The run an undo that names none takes back: the LatestUndoable, unless a run recorded by
// a newer version of Tunewick came after it; then that run, which undo refuses, rather than
// take back one the user did not mean.
std::optional<std::string> RunToUndo(const JournalStore& store);

}  // namespace tunewick
