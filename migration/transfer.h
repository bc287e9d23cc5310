// Carrying the contents of one folder into another. From drive C entries are
// moved (renamed, whole sub-trees at once); from any other drive they are
// copied file by file with a percentage. Nothing at the destination is ever
// overwritten, and whatever cannot be carried becomes a line in the log and
// is accounted for in what stayed behind.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "migration/left_behind.h"
#include "platform/file_copy.h"
#include "platform/files.h"

namespace ferrowin {

// What the transfer reports as it goes. The transfer runs on a thread of its
// own; what stands behind this must not touch a window from it.
class TransferView {
 public:
  virtual ~TransferView() = default;
  // The "Move Data" status: the entry being carried now. Set for every entry.
  virtual void SetStatus(const std::string& text) = 0;
  // A line of the migration log.
  virtual void AddLogLine(const std::string& line) = 0;
};

// Drive C means move mode: the first character of the source, any case.
bool IsMoveMode(const std::string& source);

class FolderTransfer {
 public:
  // `copiedBytes` grows by the size of every file the copy passes;
  // `countedBytes` (a hundredth of the counted total) divides it for the
  // percentage. What stayed behind is named relative to `oldProfile` (a
  // folder ending in a backslash) when it lies inside it.
  FolderTransfer(TransferView& view, std::int64_t& copiedBytes, std::int64_t countedBytes,
                 std::string oldProfile = {})
      : view_(view), copiedBytes_(copiedBytes), countedBytes_(countedBytes), oldProfile_(std::move(oldProfile)) {}

  // Both folders end in a backslash.
  void TransferFolder(const std::string& source, const std::string& destination);
  void MoveFolderContents(const std::string& source, const std::string& destination);
  void CopyFolderContents(const std::string& source, const std::string& destination);

  // The browser files, which replace the destination's own; copied whole
  // like any other file. False when the copy failed (GetLastError says why).
  bool CopyReplacingFile(const std::string& source, const std::string& destination);

  LeftBehind& WhatStayed() { return whatStayed_; }
  // A path as the notes name it: relative to the old profile.
  std::string RelativeToOldProfile(const std::string& path) const;

 private:
  // `fresh`: the destination was made by this copy, so it holds nothing yet.
  void CopyInto(const std::string& source, const std::string& destination, bool fresh);
  void CopyFile(const DirEntry& file, const std::string& source, const std::string& target, bool fresh);
  void Log(const std::string& line) { view_.AddLogLine(line); }
  void ReportUnreadable(const DirSearch& search, const std::string& folder);
  void ReportLink(const DirEntry& link, const std::string& folder);
  // An entry the destination's own entry of the same name keeps out.
  void StayBehind(const DirEntry& entry, const std::string& path, const PathFacts& target);
  void Fail(const std::string& line, const DirEntry& entry, const std::string& path);
  std::int64_t Percent() const;

  TransferView& view_;
  std::int64_t& copiedBytes_;
  const std::int64_t countedBytes_;
  const std::string oldProfile_;
  WholeFileCopier copier_;
  LeftBehind whatStayed_;
};

}  // namespace ferrowin
