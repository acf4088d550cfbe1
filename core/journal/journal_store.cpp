#include "journal/journal_store.h"

#include <algorithm>
#include <ctime>

#include "journal/packed_journal.h"
#include "journal/run_lock.h"
#include "platform/journal_file.h"
#include "platform/user_folders.h"

namespace tunewick {
namespace {

constexpr std::string_view kJournalExtension = ".journal";
constexpr std::string_view kMarkExtension = ".undone";
constexpr std::string_view kPackingExtension = ".packing";
// Enough for a journal's first records, however long the folder its run record names.
constexpr std::uint64_t kHeadBytes = 64 << 10;
constexpr std::uint64_t kTailBytes = 64;  // enough for an end record

std::string ReadBytes(const ReadableFile& file, std::uint64_t from, std::uint64_t count) {
  std::string bytes(count, '\0');
  bytes.resize(file.ReadAt(from, bytes.data(), bytes.size()));
  return bytes;
}

// What a run's summary counts of the journal `text`: the COUNT of its end record, else (the
// run was cut short) every rename that may have happened.
std::size_t RenamesCounted(std::string_view text, int version) {
  const std::size_t tail = std::min<std::size_t>(text.size(), kTailBytes);
  if (const std::optional<std::size_t> count =
          ParseEndCount(text.substr(text.size() - tail), version))
    return *count;
  std::size_t renames = 0;
  if (const std::optional<Journal> journal = ParseJournal(text))
    for (const JournalEntry& entry : journal->entries)
      renames += entry.outcome != JournalEntry::Outcome::kFailed;
  return renames;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The number of the run a journal is named after; nothing for another name, such as the
// local time a run began, which named journals before.
std::optional<std::uint64_t> RunNumber(std::string_view name) {
  if (name.empty() || name.size() > 18 || name[0] == '0') return std::nullopt;
  std::uint64_t number = 0;
  for (const char digit : name) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  return number;
}

// Runs in the order they began: those of journals named otherwise first, in byte order of
// their names, then the numbered ones.
bool BeganBefore(const std::string& a, const std::string& b) {
  const std::optional<std::uint64_t> first = RunNumber(a), second = RunNumber(b);
  if (first.has_value() != second.has_value()) return second.has_value();
  return first ? *first < *second : a < b;
}

bool Undoable(const RunSummary& run) {
  return !run.newer && run.header.kind != RunKind::kUndo && run.undoState != UndoState::kUndone;
}

// The newest of the kept runs that `picks`.
template <typename Picks>
std::optional<std::string> NewestRun(const JournalStore& store, Picks picks) {
  const std::vector<RunSummary> history = store.History();
  for (auto run = history.rbegin(); run != history.rend(); ++run)
    if (picks(*run)) return run->name;
  return std::nullopt;
}

}  // namespace

std::string_view UndoStateName(UndoState state) {
  switch (state) {
    case UndoState::kNotUndone:
      return "not undone";
    case UndoState::kPartlyUndone:
      return "partly undone";
    case UndoState::kUndone:
      return "undone";
  }
  return "";
}

std::string_view RunStateName(const RunSummary& run) {
  if (run.newer) return "recorded by a newer version of Tunewick";
  return run.underWay ? "under way" : UndoStateName(run.undoState);
}

std::string LocalTimeText(std::int64_t seconds, const char* format) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  char text[64];
  if (std::strftime(text, sizeof text, format, &local) == 0) return {};
  return text;
}

std::string JournalStore::JournalPath(const std::string& name) const {
  return folder_ + "/" + name + std::string(kJournalExtension);
}

std::string JournalStore::MarkPath(const std::string& name) const {
  return folder_ + "/" + name + std::string(kMarkExtension);
}

std::string JournalStore::PackingPath(const std::string& name) const {
  return folder_ + "/" + name + std::string(kPackingExtension);
}

std::vector<std::string> JournalStore::Names() const {
  std::vector<std::string> names;
  if (folder_.empty()) return names;
  for (const FolderEntry& entry : disk_.ListFolder(folder_).entries)
    if (entry.isFile && EndsWith(entry.name, kJournalExtension))
      names.push_back(entry.name.substr(0, entry.name.size() - kJournalExtension.size()));
  std::sort(names.begin(), names.end(), BeganBefore);
  return names;
}

std::unique_ptr<JournalWriter> JournalStore::StartRun(const RunHeader& header) {
  if (folder_.empty()) throw JournalUnavailable("there is no home folder to keep it in");
  try {
    MakeFolders(folder_);
  } catch (const FileError& error) {
    throw JournalUnavailable(folder_, error.code());
  }
  if (const std::string distrust = WhyNotOwn(folder_); !distrust.empty())
    throw JournalUnavailable(distrust);
  // Numbered after the newest run, never after a clock, which may be set back or run in
  // another time zone; another run starting at once takes the next number.
  const std::vector<std::string> names = Names();
  std::uint64_t number = names.empty() ? 0 : RunNumber(names.back()).value_or(0);
  std::error_code error;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string name = std::to_string(++number);
    std::unique_ptr<AppendOnlyFile> file = CreateAppendOnlyFile(JournalPath(name), error);
    if (error == std::errc::file_exists) continue;
    std::string head = HeaderRecords(header);
    if (!error) error = file->Append(head);
    if (!error) error = file->SyncData();
    if (error) {
      file.reset();
      disk_.DeleteFile(JournalPath(name));
      throw JournalUnavailable(folder_, error);
    }
    disk_.DeleteFile(MarkPath(name));  // of a journal of this name deleted by hand
    return std::make_unique<JournalWriter>(std::move(file), std::move(name), std::move(head));
  }
  throw JournalUnavailable(folder_, error);
}

void JournalStore::Prune(const std::string& current) {
  std::optional<std::string> undoable;
  try {
    undoable = LatestUndoable(*this);
  } catch (const JournalsUntrusted&) {
    return;
  }
  const std::vector<std::string> names = Names();
  std::uint64_t bytes = 0;
  std::size_t kept = 0;
  bool full = false;  // no older journal is kept, but for those never pruned
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    const std::optional<FileIdentity> file =
        disk_.IdentifyFile(JournalPath(*name), FileSystem::Fingerprint::kLeave);
    const std::uint64_t size = file ? file->size : 0;
    full = full || kept == kJournalsKept || bytes + size > kJournalBytesKept;
    if (full && *name != current && *name != undoable) {
      for (const std::string& path : {MarkPath(*name), PackingPath(*name), JournalPath(*name)})
        disk_.DeleteFile(path);
      continue;
    }
    ++kept;
    bytes += size;
  }
}

std::error_code JournalStore::KeepPacked(const std::string& name, std::string_view packed) {
  return ReplaceFileWith(JournalPath(name), PackingPath(name), packed);
}

void JournalStore::PackEarlierJournals() {
  if (folder_.empty() || !WhyNotOwn(folder_).empty()) return;
  for (const std::string& name : Names()) {
    try {
      const std::unique_ptr<ReadableFile> file = OpenJournal(name);
      if (!file) continue;
      const std::string head = ReadBytes(*file, 0, std::min(file->Size(), kHeadBytes));
      const std::optional<RunHeader> header = ParseHeader(head);
      if (!header || header->version != kJournalVersion || ParsePackedRecord(head)) continue;
      std::string text = ReadBytes(*file, 0, file->Size());
      // A run cut short leaves the space its journal set aside past its last record, and
      // maybe part of a record: no reading takes them in, so they go.
      text.resize(text.rfind('\n') + 1);
      if (const std::optional<std::string> packed =
              PackJournal(text, RenamesCounted(text, kJournalVersion)))
        KeepPacked(name, *packed);
    } catch (const JournalsUntrusted&) {
    }
  }
}

std::optional<Journal> JournalStore::NewestCutShort() const {
  CheckFolderIsOwn();
  const std::vector<std::string> names = Names();
  const std::unique_ptr<ReadableFile> file = names.empty() ? nullptr : OpenJournal(names.back());
  if (!file) return std::nullopt;
  const std::uint64_t size = file->Size(), tail = std::min(size, kTailBytes);
  const std::string head = ReadBytes(*file, 0, std::min(size, kHeadBytes));
  const std::optional<RunHeader> header = ParseHeader(head);
  if (!header || ParsePackedRecord(head) ||
      ParseEndCount(ReadBytes(*file, size - tail, tail), header->version))
    return std::nullopt;
  std::optional<Journal> journal = ParseJournal(ReadBytes(*file, 0, size));
  if (!journal || journal->ended) return std::nullopt;
  return journal;
}

void JournalStore::CheckFolderIsOwn() const {
  if (const std::string distrust = WhyNotOwn(folder_); !distrust.empty())
    throw JournalsUntrusted(distrust);
}

std::unique_ptr<ReadableFile> JournalStore::OpenJournal(const std::string& name) const {
  if (folder_.empty() || name.empty() || name.find('/') != std::string::npos) return nullptr;
  std::string distrust;
  std::unique_ptr<ReadableFile> file = OpenOwnFile(JournalPath(name), distrust);
  if (!distrust.empty()) throw JournalsUntrusted(distrust);
  return file;
}

std::optional<RunSummary> JournalStore::Summary(const std::string& name) const {
  CheckFolderIsOwn();
  return SummaryOf(name);
}

std::optional<RunSummary> JournalStore::SummaryOf(const std::string& name) const {
  const std::unique_ptr<ReadableFile> file = OpenJournal(name);
  if (!file) return std::nullopt;
  const std::uint64_t size = file->Size();
  const std::string head = ReadBytes(*file, 0, std::min(size, kHeadBytes));
  std::optional<RunHeader> header = ParseHeader(head);
  if (!header) {
    if (!NewerJournalVersion(head)) return std::nullopt;
    RunSummary newer;
    newer.name = name;
    newer.newer = true;
    if (const std::optional<FileIdentity> journal =
            disk_.IdentifyFile(JournalPath(name), FileSystem::Fingerprint::kLeave))
      newer.header.startedAt = journal->modifiedNs / 1'000'000'000;
    return newer;
  }
  RunSummary summary{name, std::move(*header)};
  const int version = summary.header.version;
  const std::uint64_t tail = std::min(size, kTailBytes);
  if (const std::optional<PackedRecord> packed = ParsePackedRecord(head)) {
    summary.renames = packed->renames;
  } else if (const std::optional<std::size_t> count =
                 ParseEndCount(ReadBytes(*file, size - tail, tail), version)) {
    summary.renames = *count;
  } else {
    summary.renames = RenamesCounted(ReadBytes(*file, 0, size), version);
    summary.ended = false;
  }
  std::vector<std::string> mark;
  if (disk_.FileExists(MarkPath(name))) {
    try {
      disk_.ReadLines(MarkPath(name), mark);
    } catch (const FileError&) {
    }
  }
  if (!mark.empty())
    summary.undoState = mark[0] == "partly" ? UndoState::kPartlyUndone : UndoState::kUndone;
  return summary;
}

std::vector<RunSummary> JournalStore::History() const {
  CheckFolderIsOwn();
  std::vector<RunSummary> history;
  for (const std::string& name : Names())
    if (std::optional<RunSummary> summary = SummaryOf(name)) history.push_back(std::move(*summary));
  // Runs are numbered in the order they begin, and one at a time: only the newest can be
  // under way, and one cut short holds no lock.
  if (!history.empty() && !history.back().ended && AnotherRunUnderWay(folder_))
    history.back().underWay = true;
  return history;
}

std::optional<Journal> JournalStore::Read(const std::string& name) const {
  CheckFolderIsOwn();
  const std::unique_ptr<ReadableFile> file = OpenJournal(name);
  if (!file) return std::nullopt;
  return ReadKeptJournal(ReadBytes(*file, 0, file->Size()));
}

void JournalStore::SetUndoState(const std::string& name, UndoState state, const std::string& by) {
  if (state == UndoState::kNotUndone) {
    disk_.DeleteFile(MarkPath(name));
    return;
  }
  disk_.WriteLines(MarkPath(name), {state == UndoState::kUndone ? "undone" : "partly", by});
}

std::optional<std::string> LatestUndoable(const JournalStore& store) {
  return NewestRun(store, Undoable);
}

std::optional<std::string> RunToUndo(const JournalStore& store) {
  return NewestRun(store, [](const RunSummary& run) { return run.newer || Undoable(run); });
}

}  // namespace tunewick
