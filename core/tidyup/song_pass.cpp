#include "tidyup/song_pass.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "catalogue/song_path.h"
#include "platform/held_signals.h"

namespace tunewick {
namespace {

// How often the calling thread looks up from waiting on the other threads.
constexpr auto kWaitingTurn = std::chrono::milliseconds(20);

// The due songs of a pass, each real folder's in the list's order, the folders in the order
// of their first song.
std::vector<std::vector<std::size_t>> SongsByFolder(const FileSystem& fileSystem,
                                                    const std::vector<const SongPath*>& paths,
                                                    std::size_t threads) {
  std::unordered_map<std::string_view, std::size_t> spellingOf;  // folder path -> index
  std::vector<std::string_view> spellings;
  std::vector<std::size_t> spellingOfSong(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!paths[i]) continue;
    const auto [found, fresh] = spellingOf.try_emplace(FolderOf(*paths[i]), spellings.size());
    if (fresh) spellings.push_back(found->first);
    spellingOfSong[i] = found->second;
  }
  // Which real folder each path leads to: a look-up each, on several threads.
  std::vector<std::optional<FolderId>> ids(spellings.size());
  std::atomic<std::size_t> next = 0;
  const auto identify = [&] {
    for (std::size_t k; (k = next++) < spellings.size();)
      ids[k] = fileSystem.IdentifyFolder(std::string(spellings[k]));
  };
  {
    std::vector<std::jthread> helpers;
    try {
      for (std::size_t t = 1; t < threads && t < spellings.size(); ++t)
        helpers.emplace_back(identify);
    } catch (const std::system_error&) {
      // Fewer threads than wished for: this one looks up what they do not.
    }
    identify();
  }
  std::map<FolderId, std::size_t> folderOfId;
  std::vector<std::size_t> folderOfSpelling(spellings.size());
  std::vector<std::vector<std::size_t>> folders;
  for (std::size_t k = 0; k < spellings.size(); ++k) {
    // A path that leads to no folder now is a folder of its own: its renames are refused.
    std::size_t folder = folders.size();
    if (ids[k]) folder = folderOfId.try_emplace(*ids[k], folders.size()).first->second;
    if (folder == folders.size()) folders.emplace_back();
    folderOfSpelling[k] = folder;
  }
  for (std::size_t i = 0; i < paths.size(); ++i)
    if (paths[i]) folders[folderOfSpelling[spellingOfSong[i]]].push_back(i);
  return folders;
}

// The due songs of a pass worked on by several threads, a folder at a time each, while the
// calling thread finishes them in the list's order.
class FolderWorkers {
 public:
  FolderWorkers(const FileSystem& fileSystem, const SongPass& pass,
                std::vector<std::vector<std::size_t>> folders, std::size_t threads)
      : fileSystem_(fileSystem),
        pass_(pass),
        folders_(std::move(folders)),
        done_(new std::atomic<bool>[pass.count]()),
        errors_(pass.count) {
    try {
      for (std::size_t t = 0; t < threads && t < folders_.size(); ++t)
        threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Fewer threads than wished for: the calling thread renames what they do not reach.
    }
  }
  ~FolderWorkers() { Stop(); }
  FolderWorkers(const FolderWorkers&) = delete;
  FolderWorkers& operator=(const FolderWorkers&) = delete;

  // Returns once song `i` is done, true, or no thread will do it, false. While it waits,
  // `lookUp` is called now and then: true stops the threads. Passes on an exception from
  // the song's work or from `lookUp`.
  template <typename LookUp>
  bool AwaitDone(std::size_t i, LookUp lookUp) {
    if (!done_[i]) {
      std::unique_lock lock(mutex_);
      awaited_ = i;  // before looking at done_[i], which a thread sets before looking here
      bool stopWanted = false;
      while (!done_[i] && !stopping_ && !threads_.empty() && !stopWanted) {
        if (songDone_.wait_for(lock, kWaitingTurn, [&] { return done_[i] || stopping_; })) continue;
        lock.unlock();
        stopWanted = lookUp();
        lock.lock();
      }
      awaited_ = kNone;
      lock.unlock();
      if (!done_[i] && (stopping_ || stopWanted)) Stop();  // a thread may have it in hand
    }
    if (done_[i] && errors_[i]) std::rethrow_exception(errors_[i]);
    return done_[i];
  }

  // Runs `call`; when it throws, no thread begins another song, even before the
  // exception is caught.
  template <typename Call>
  void StoppingOnThrow(Call call) {
    try {
      call();
    } catch (...) {
      stopping_ = true;
      throw;
    }
  }

  // Each thread ends after the song in hand.
  void Stop() {
    stopping_ = true;
    threads_.clear();  // joins them
  }

  // After Stop: whether song `i`'s work was done and did not throw.
  bool DoneWell(std::size_t i) const { return done_[i] && !errors_[i]; }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void Work() {
    for (std::size_t f; (f = nextFolder_++) < folders_.size();) {
      for (std::size_t song : folders_[f]) {
        if (stopping_) return;
        if (fileSystem_.RenamesEnded()) {
          stopping_ = true;
          std::lock_guard lock(mutex_);
          songDone_.notify_one();
          return;
        }
        try {
          pass_.work(song);
        } catch (...) {
          errors_[song] = std::current_exception();
          stopping_ = true;
        }
        done_[song] = true;
        if (awaited_ == song || errors_[song]) {
          std::lock_guard lock(mutex_);
          songDone_.notify_one();
        }
      }
    }
  }

  const FileSystem& fileSystem_;
  const SongPass& pass_;
  const std::vector<std::vector<std::size_t>> folders_;
  std::atomic<std::size_t> nextFolder_ = 0;
  std::mutex mutex_;
  std::condition_variable songDone_;
  std::unique_ptr<std::atomic<bool>[]> done_;
  std::vector<std::exception_ptr> errors_;  // each written before its song's done_
  std::atomic<std::size_t> awaited_ = kNone;
  std::atomic<bool> stopping_ = false;
  std::vector<std::jthread> threads_;  // last: they stop before the rest goes
};

void RunInTurn(FileSystem& fileSystem, const SongPass& pass,
               const std::vector<const SongPath*>& paths) {
  if (pass.renames && fileSystem.WantsRenamesAhead()) {
    PathList ahead;
    for (const SongPath* path : paths)
      if (path) ahead.Add(*path);
    fileSystem.AboutToRename(std::move(ahead));
  }
  for (std::size_t i = 0; i < pass.count; ++i) {
    pass.before(i);
    if (!paths[i]) continue;
    if (fileSystem.RenamesEnded()) return;
    pass.work(i);
    pass.finish(i);
  }
}

void RunAtOnce(FileSystem& fileSystem, const SongPass& pass,
               const std::vector<const SongPath*>& paths, std::size_t threads) {
  if (pass.renames && fileSystem.WantsRenamesAhead()) fileSystem.AboutToRename({});
  // A signal that ends the program waits for the renames in hand, which it would cut off on
  // any thread: the threads started here never take one, and this one looks out for it.
  std::optional<HeldEndingSignals> held(std::in_place);
  const auto signalWaiting = [&] { return held && HeldEndingSignals::Waiting(); };
  FolderWorkers workers(fileSystem, pass, SongsByFolder(fileSystem, paths, threads), threads);
  std::size_t unfinished = 0;  // the songs before it are finished or passed over
  // After Stop: what the other threads did is written down before the pass ends.
  const auto finishDone = [&] {
    for (std::size_t j = unfinished; j < pass.count; ++j)
      if (paths[j] && workers.DoneWell(j)) pass.finish(j);
  };
  try {
    for (std::size_t i = 0; i < pass.count; ++i) {
      unfinished = i;
      workers.StoppingOnThrow([&] { pass.before(i); });
      if (!paths[i]) continue;
      const bool done = workers.AwaitDone(i, [&] {
        workers.StoppingOnThrow(pass.waiting);
        return signalWaiting();
      });
      if (signalWaiting()) {
        workers.Stop();
        held.reset();  // the signal is taken here; where it does not end the program, go on
      }
      if (!done && fileSystem.RenamesEnded()) {
        workers.Stop();
        finishDone();
        return;
      }
      if (!done) pass.work(i);
      unfinished = i + 1;
      pass.finish(i);
    }
  } catch (...) {
    workers.Stop();
    finishDone();
    throw;
  }
}

}  // namespace

void RunSongPass(FileSystem& fileSystem, const SongPass& pass) {
  std::vector<const SongPath*> paths(pass.count);
  const SongPath* first = nullptr;
  for (std::size_t i = 0; i < pass.count; ++i)
    if ((paths[i] = pass.due(i)) && !first) first = paths[i];
  std::size_t threads = 1;
  if (first && !pass.inTurn)
    threads = fileSystem.FoldersRenamedAtOnce(std::string(FolderOf(*first)));
  if (threads > 1) {
    RunAtOnce(fileSystem, pass, paths, threads);
  } else {
    RunInTurn(fileSystem, pass, paths);
  }
}

}  // namespace tunewick
