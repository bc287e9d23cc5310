// Counting the files and bytes a migration of a profile would carry, so the
// copy can show a percentage. The count runs on a thread of its own: a large
// profile holds hundreds of thousands of files, and the window must go on
// answering meanwhile.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ferrowin {

struct FileTotals {
  std::int32_t files = 0;
  std::int64_t bytes = 0;
};

// "Files = N"
std::string FileCountText(std::int32_t files);
// "Files = N (S U)": the size in B, KB, MB or GB, decimal, truncated.
std::string FileCountWithSizeText(std::int32_t files, std::int64_t bytes);

class FileCounter {
 public:
  // `keepCounting` is read between entries: once false, every level of the
  // count stops after its current entry. `onTenthFile` hears of every tenth file.
  FileCounter(const std::atomic<bool>& keepCounting, std::function<void(std::int32_t files)> onTenthFile)
      : keepCounting_(keepCounting), onTenthFile_(std::move(onTenthFile)) {}

  // Counts every file below `folder`, hidden and
  // system ones included. Links (junctions, symbolic links) are not followed:
  // they lead out of the profile, some back into their own parent.
  void CountFiles(const std::string& folder);

  // Counts each folder (without a trailing backslash) in turn: the folders a
  // migration of a profile would carry.
  void CountFolders(const std::vector<std::string>& folders);

  const FileTotals& Totals() const { return totals_; }

 private:
  const std::atomic<bool>& keepCounting_;
  std::function<void(std::int32_t)> onTenthFile_;
  FileTotals totals_;
};

// What a count on its own thread tells the window. It is called on the
// count's thread: what stands behind this hands it to the window's thread
// (a posted message), and never touches a control itself.
class CountView {
 public:
  virtual ~CountView() = default;
  // The files counted so far, at most every few tens of milliseconds.
  virtual void CountProgress(std::uint32_t serial, std::int32_t files) = 0;
  // The count has ended; BackgroundCount::Finish hands over its totals.
  virtual void CountEnded(std::uint32_t serial) = 0;
};

// One count at a time on a thread of its own. Each count carries a serial
// number, so the window can tell an old count's news from the current one's.
class BackgroundCount {
 public:
  BackgroundCount(std::atomic<bool>& keepCounting, CountView& view) : keepCounting_(keepCounting), view_(view) {}
  ~BackgroundCount() { Stop(); }
  BackgroundCount(const BackgroundCount&) = delete;
  BackgroundCount& operator=(const BackgroundCount&) = delete;

  // Starts counting the folders of a profile. A count still running must
  // have been stopped first.
  void Start(std::vector<std::string> folders, std::uint32_t serial);

  // Tells a running count to stop and waits until its thread has ended.
  void Stop();

  // After the done message: waits for the thread's last instructions and
  // hands over the totals.
  FileTotals Finish();
  // After Finish: why the count broke off (it could not go on: no memory,
  // say), or empty when it ran to its end or was stopped.
  const std::string& Failure() const { return failure_; }

 private:
  std::atomic<bool>& keepCounting_;
  CountView& view_;
  std::thread thread_;
  FileTotals totals_;
  std::string failure_;
};

}  // namespace ferrowin
