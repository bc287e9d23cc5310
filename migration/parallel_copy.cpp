#include "migration/parallel_copy.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace ferrowin {

namespace {

// Jobs under way per worker: enough that a worker never waits for the walk,
// few enough that memory does not grow with the tree.
constexpr size_t kJobsInFlightPerWorker = 16;
constexpr int kMostWorkers = 8;

}  // namespace

namespace {

// The destination's own file is kept. Only the same bytes make it an
// earlier copy of this one: a size and a time alike are not enough.
FileCopyJob::Outcome OutcomeBeside(const FileCopyJob& job, const PathFacts& existing) {
  if (existing.SameSizeAndTimeAs(job.entry) && SameContent(job.source, job.target).Same()) {
    return FileCopyJob::Outcome::AlreadyThere;
  }
  return FileCopyJob::Outcome::SameName;
}

}  // namespace

void RunFileCopyJob(FileCopyJob& job, WholeFileCopier& copier) {
  try {
    if (job.existing.IsFileOfAnyDate()) {
      job.outcome = OutcomeBeside(job, job.existing);
      return;
    }
    job.result = copier.CopyNew(job.source, job.target);
    job.outcome = job.result ? FileCopyJob::Outcome::Copied : FileCopyJob::Outcome::Failed;
    // The name was taken while the copy was written (another run copying
    // the same profile): what took it is judged as if it had been there.
    const DWORD error = job.result.Error();
    if (!job.result && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) {
      if (const PathFacts now = LookAt(job.target); now.IsFileOfAnyDate()) job.outcome = OutcomeBeside(job, now);
    }
  } catch (const std::exception&) {
    // Out of memory for a name or a buffer: this file fails, the copy goes on.
    job.outcome = FileCopyJob::Outcome::Failed;
    job.result = Win32Result(ERROR_NOT_ENOUGH_MEMORY);
  }
}

ParallelCopy::ParallelCopy(int workers, const FileExtras& extras, std::function<void(FileCopyJob&)> commit)
    : workers_(workers), extras_(extras), commit_(std::move(commit)), copier_(extras) {}

ParallelCopy::~ParallelCopy() {
  // Left by an error on its way out, the jobs under way are still waited
  // for: the workers write into their slots until they are done.
  try {
    Drain();
  } catch (...) {
    std::unique_lock lock(mutex_);
    for (Slot* untaken : queue_) untaken->done = true;  // never to be run
    queue_.clear();
    callerWaiting_ = true;
    for (Slot& slot : order_) jobDone_.wait(lock, [&] { return slot.done; });
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  workAdded_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void ParallelCopy::StartWorkers() {
  for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { Work(); });
}

// Under Wine every wake-up of a thread is a round trip to its server, which
// costs as much as a small file's opening: a worker is woken only when it
// sleeps, and the caller only when it waits for a job to finish.
void ParallelCopy::Work() {
  WholeFileCopier copier(extras_);
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queue_.empty()) {
      ++idleWorkers_;
      workAdded_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      --idleWorkers_;
    }
    if (queue_.empty()) return;
    Slot* slot = queue_.front();
    queue_.pop_front();
    lock.unlock();
    RunFileCopyJob(*slot->job, copier);
    lock.lock();
    slot->done = true;
    if (callerWaiting_) jobDone_.notify_all();
  }
}

void ParallelCopy::Add(FileCopyJob job) {
  if (!Parallel()) {
    RunAlone(std::move(job));
    return;
  }
  if (threads_.empty()) StartWorkers();
  CommitFinished();
  while (order_.size() >= kJobsInFlightPerWorker * static_cast<size_t>(workers_)) CommitFirst(true);
  Slot& slot = order_.emplace_back();
  slot.job = std::move(job);
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&slot);
    wake = idleWorkers_ > 0;
  }
  if (wake) workAdded_.notify_one();
}

void ParallelCopy::RunAlone(FileCopyJob job) {
  Drain();
  RunFileCopyJob(job, copier_);
  commit_(job);
}

void ParallelCopy::AddEvent(std::function<void()> event) {
  CommitFinished();
  if (order_.empty()) {
    event();
    return;
  }
  Slot& slot = order_.emplace_back();
  slot.event = std::move(event);
  slot.done = true;
}

void ParallelCopy::CommitFinished() {
  while (CommitFirst(false)) {
  }
}

void ParallelCopy::Drain() {
  while (CommitFirst(true)) {
  }
}

bool ParallelCopy::CommitFirst(bool wait) {
  if (order_.empty()) return false;
  Slot& first = order_.front();
  {
    std::unique_lock lock(mutex_);
    if (!first.done) {
      if (!wait) return false;
      callerWaiting_ = true;
      jobDone_.wait(lock, [&] { return first.done; });
      callerWaiting_ = false;
    }
  }
  // The worker is done with the slot: it is the caller's alone now.
  Slot slot = std::move(first);
  order_.pop_front();
  if (slot.job) commit_(*slot.job);
  if (slot.event) slot.event();
  return true;
}

int CopyWorkersFor(const std::string& source, const std::string& destination) {
  for (const std::string* folder : {&source, &destination}) {
    if (DriveIncursSeekPenalty(*folder).value_or(false)) return 1;
  }
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, kMostWorkers);
}

}  // namespace ferrowin
