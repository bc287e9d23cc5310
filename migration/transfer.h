// Carrying the contents of one folder into another. From drive C entries are
// moved (renamed, whole sub-trees at once); from any other drive they are
// copied file by file with a percentage. Nothing at the destination is ever
// overwritten, and whatever cannot be carried becomes a line in the log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ferrowin {

// What the transfer needs of the window.
class TransferView {
 public:
  virtual ~TransferView() = default;
  // The "Move Data" status (lblMagic4).
  virtual void SetStatus(const std::string& text) = 0;
  // A line of the migration log (memoRecovery).
  virtual void AddLogLine(const std::string& line) = 0;
  // Handles pending window messages, so the window stays alive meanwhile.
  virtual void LetMessagesThrough() = 0;
  // Paints the whole window now.
  virtual void Repaint() = 0;
};

// Drive C means move mode: the first character of the source, any case.
bool IsMoveMode(const std::string& source);

class FolderTransfer {
 public:
  // `copiedBytes` grows by the size of every file the copy passes;
  // `countedBytes` (a hundredth of the counted total) divides it for the
  // percentage.
  FolderTransfer(TransferView& view, std::int64_t& copiedBytes, const std::int64_t& countedBytes)
      : view_(view), copiedBytes_(copiedBytes), countedBytes_(countedBytes) {}

  // Both folders end in a backslash.
  void TransferFolder(const std::string& source, const std::string& destination);
  void MoveFolderContents(const std::string& source, const std::string& destination);
  void CopyFolderContents(const std::string& source, const std::string& destination);

 private:
  // The status changes with every entry; the window is repainted only as
  // often as a person can see, since painting every file of a large profile
  // would cost more than carrying it.
  void ShowStatus(const std::string& text);
  void Log(const std::string& line) { view_.AddLogLine(line); }
  std::int64_t Percent() const;

  TransferView& view_;
  std::int64_t& copiedBytes_;
  const std::int64_t& countedBytes_;
  DWORD lastRepaint_ = 0;
  bool repainted_ = false;
};

}  // namespace ferrowin
