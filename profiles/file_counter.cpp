#include "profiles/file_counter.h"

#include "platform/files.h"
#include "platform/text.h"
#include "platform/tree_walk.h"

namespace ferrowin {

namespace {

// A person sees no more than this; a count posting every tenth file would
// flood the window on a fast disk.
constexpr DWORD kProgressIntervalMs = 30;

}  // namespace

std::string FileCountText(std::int32_t files) { return "Files = " + std::to_string(files); }

std::string FileCountWithSizeText(std::int32_t files, std::int64_t bytes) {
  return FileCountText(files) + " (" + SizeText(bytes) + ")";
}

void FileCounter::CountFiles(const std::string& folder) {
  TreeWalk walk(folder);
  for (TreeWalk::Step step; keepCounting_ && (step = walk.Next()) != TreeWalk::Step::End;) {
    const WalkEntry& entry = walk.Current();
    if (step != TreeWalk::Step::Entry || entry.IsDirectory()) continue;
    ++totals_.files;
    totals_.bytes += entry.size;
    if (totals_.files % 10 == 0 && onTenthFile_) onTenthFile_(totals_.files);
  }
}

void FileCounter::CountFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    if (!keepCounting_) break;
    CountFiles(folder);
  }
}

void BackgroundCount::Start(std::vector<std::string> folders, std::uint32_t serial) {
  totals_ = {};
  failure_.clear();
  thread_ = std::thread([this, folders = std::move(folders), serial] {
    DWORD lastReport = GetTickCount() - kProgressIntervalMs;
    FileCounter counter(keepCounting_, [&](std::int32_t files) {
      DWORD now = GetTickCount();
      if (now - lastReport < kProgressIntervalMs) return;
      lastReport = now;
      view_.CountProgress(serial, files);
    });
    // Whatever happens, the window hears that the count ended, and why.
    try {
      counter.CountFolders(folders);
    } catch (const std::exception& error) {
      failure_ = error.what();
    }
    totals_ = counter.Totals();
    view_.CountEnded(serial);
  });
}

void BackgroundCount::Stop() {
  if (!thread_.joinable()) return;
  keepCounting_ = false;
  thread_.join();
}

FileTotals BackgroundCount::Finish() {
  if (thread_.joinable()) thread_.join();
  return totals_;
}

}  // namespace ferrowin
