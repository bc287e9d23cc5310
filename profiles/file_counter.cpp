#include "profiles/file_counter.h"

#include "platform/files.h"
#include "platform/text.h"
#include "profiles/carried_folders.h"

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
  for (const DirEntry& entry : DirSearch(folder + "*", kAllEntriesMask)) {
    if (!entry.IsDotEntry()) {
      if (entry.IsDirectory()) {
        if (!entry.IsReparsePoint()) CountFiles(folder + entry.name + "\\");
      } else {
        ++totals_.files;
        totals_.bytes += entry.size;
        if (totals_.files % 10 == 0 && onTenthFile_) onTenthFile_(totals_.files);
      }
    }
    if (!keepCounting_) break;
  }
}

void FileCounter::CountProfile(const std::string& profileFolder) {
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (!keepCounting_) break;
    CountFiles(JoinPath(profileFolder, folder.path) + "\\");
  }
}

void BackgroundCount::Start(const std::string& profileFolder, std::uint32_t serial) {
  totals_ = {};
  thread_ = std::thread([this, profileFolder, serial] {
    DWORD lastReport = GetTickCount() - kProgressIntervalMs;
    FileCounter counter(keepCounting_, [&](std::int32_t files) {
      DWORD now = GetTickCount();
      if (now - lastReport < kProgressIntervalMs) return;
      lastReport = now;
      view_.CountProgress(serial, files);
    });
    counter.CountProfile(profileFolder);
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
