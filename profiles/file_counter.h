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

namespace ferrowin {

// The folders counted, relative to the profile folder, in order.
inline constexpr const char* kCountedFolders[] = {
    "\\Contacts\\",
    "\\Desktop\\",
    "\\Documents\\",
    "\\Downloads\\",
    "\\Favorites\\",
    "\\Music\\",
    "\\Pictures\\",
    "\\Videos\\",
    "\\AppData\\Roaming\\Microsoft\\Sticky Notes\\",
    "\\AppData\\Local\\Microsoft\\Outlook\\",
    "\\AppData\\Local\\Microsoft\\Windows Live Mail\\",
    "\\AppData\\Roaming\\Thunderbird\\",
};

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

  // Counts every file below `folder` (ending in a backslash), hidden and
  // system ones included. Links (junctions, symbolic links) are not followed:
  // they lead out of the profile, some back into their own parent.
  void CountFiles(const std::string& folder);

  // The counted folders of one profile folder (no trailing backslash).
  void CountProfile(const std::string& profileFolder);

  const FileTotals& Totals() const { return totals_; }

 private:
  const std::atomic<bool>& keepCounting_;
  std::function<void(std::int32_t)> onTenthFile_;
  FileTotals totals_;
};

// One count at a time on a background thread, reporting to a window:
// progress messages (wParam: the count's serial, lParam: files so far) at
// most every few tens of milliseconds, and a message when it has ended.
class BackgroundCount {
 public:
  BackgroundCount(std::atomic<bool>& keepCounting, UINT progressMessage, UINT doneMessage)
      : keepCounting_(keepCounting), progressMessage_(progressMessage), doneMessage_(doneMessage) {}
  ~BackgroundCount() { Stop(); }
  BackgroundCount(const BackgroundCount&) = delete;
  BackgroundCount& operator=(const BackgroundCount&) = delete;

  // Starts counting a profile folder. A count still running must have been
  // stopped first.
  void Start(const std::string& profileFolder, HWND window, WPARAM serial);

  // Tells a running count to stop and waits until its thread has ended.
  void Stop();

  // After the done message: waits for the thread's last instructions and
  // hands over the totals.
  FileTotals Finish();

 private:
  std::atomic<bool>& keepCounting_;
  UINT progressMessage_;
  UINT doneMessage_;
  std::thread thread_;
  FileTotals totals_;
};

}  // namespace ferrowin
