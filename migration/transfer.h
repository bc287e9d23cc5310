// Carrying the contents of one folder into another. From drive C entries are
// moved (renamed, whole sub-trees at once); from any other drive they are
// copied file by file with a percentage. Nothing at the destination is ever
// overwritten, and whatever cannot be carried becomes a line in the log.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_copy.h"

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
  // percentage.
  FolderTransfer(TransferView& view, std::int64_t& copiedBytes, std::int64_t countedBytes)
      : view_(view), copiedBytes_(copiedBytes), countedBytes_(countedBytes) {}

  // Both folders end in a backslash.
  void TransferFolder(const std::string& source, const std::string& destination);
  void MoveFolderContents(const std::string& source, const std::string& destination);
  void CopyFolderContents(const std::string& source, const std::string& destination);

  // The browser files, which replace the destination's own; copied whole
  // like any other file. False when the copy failed.
  bool CopyReplacingFile(const std::string& source, const std::string& destination);

 private:
  // `fresh`: the destination was made by this copy, so it holds nothing yet.
  void CopyInto(const std::string& source, const std::string& destination, bool fresh);
  void Log(const std::string& line) { view_.AddLogLine(line); }
  std::int64_t Percent() const;

  TransferView& view_;
  std::int64_t& copiedBytes_;
  const std::int64_t countedBytes_;
  WholeFileCopier copier_;
};

}  // namespace ferrowin
