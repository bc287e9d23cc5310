// Copies files on a few threads while the walk that finds them goes on, and
// hands back what became of each in the order the walk found them, with the
// walk's other news in between: the log then reads exactly as a copy of one
// file at a time would write it. A profile is mostly small files, and one
// thread copying them leaves the disk and the cores waiting on each file's
// opening, closing and renaming.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_copy.h"
#include "platform/files.h"

namespace ferrowin {

// One file to copy, and what became of it.
struct FileCopyJob {
  enum class Outcome {
    Copied,        // a whole copy arrived under the file's name
    AlreadyThere,  // the destination holds the same bytes under the name: an earlier run's copy
    SameName,      // the destination holds something else under the name, which is kept
    Failed,        // `result` says why
  };

  DirEntry entry;  // as the walk found it
  std::string source;
  std::string target;
  PathFacts existing;  // what the destination holds under the name; exists is false when nothing

  Outcome outcome = Outcome::Failed;
  Win32Result result;
};

// Does the job: never replaces what the destination holds.
void RunFileCopyJob(FileCopyJob& job, WholeFileCopier& copier);

class ParallelCopy {
 public:
  // `workers` threads copy; with one or none every job runs at once on the
  // caller's thread. `commit` is called on the caller's thread for every
  // job, in the order the jobs were added.
  ParallelCopy(int workers, const FileExtras& extras, std::function<void(FileCopyJob&)> commit);
  // Finishes and commits every job still under way.
  ~ParallelCopy();
  ParallelCopy(const ParallelCopy&) = delete;
  ParallelCopy& operator=(const ParallelCopy&) = delete;

  // Hands the job to a worker; waits while too many are under way.
  void Add(FileCopyJob job);
  // Runs the job on this thread once every earlier one is committed: a
  // large file is not slowed by small ones beside it.
  void RunAlone(FileCopyJob job);
  // Runs `event` once every job added before it is committed.
  void AddEvent(std::function<void()> event);
  // Commits, in order, what has finished, without waiting.
  void CommitFinished();
  // Waits for every job and commits everything.
  void Drain();

  bool Parallel() const { return workers_ > 1; }

 private:
  struct Slot {
    std::optional<FileCopyJob> job;
    std::function<void()> event;
    bool done = false;
  };

  void StartWorkers();
  void Work();
  // Commits the first slot, waiting for it when `wait`; false when there is
  // none, or it is not done and `wait` is false.
  bool CommitFirst(bool wait);

  const int workers_;
  const FileExtras& extras_;
  std::function<void(FileCopyJob&)> commit_;
  WholeFileCopier copier_;  // for the jobs run on the caller's thread

  std::mutex mutex_;
  std::condition_variable workAdded_;
  std::condition_variable jobDone_;
  // Every slot not yet committed, in order; changed by the caller's thread
  // only. Workers hold pointers to its slots (queue_, and the one each is
  // running): they stay valid because a deque's emplace_back at the end and
  // pop_front at the front move no other element, and a slot is popped only
  // once its worker is done with it.
  std::deque<Slot> order_;
  std::deque<Slot*> queue_;  // jobs no worker has taken yet
  bool stopping_ = false;
  int idleWorkers_ = 0;
  bool callerWaiting_ = false;
  std::vector<std::thread> threads_;
};

// How many files a copy between these two folders has in flight: as many as
// the machine has cores, at most 8; one where either drive says it pays for
// seeking (a spinning disk), which many files at once would only slow.
int CopyWorkersFor(const std::string& source, const std::string& destination);

}  // namespace ferrowin
