// Carrying the contents of one folder into another. From drive C entries are
// moved (renamed, whole sub-trees at once); from any other drive they are
// copied file by file with a percentage, several files at a time. Nothing at
// the destination is ever overwritten, and whatever cannot be carried
// becomes a line in the log and is accounted for in what stayed behind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "migration/held_files.h"
#include "migration/left_behind.h"
#include "migration/parallel_copy.h"
#include "platform/file_copy.h"
#include "platform/files.h"
#include "platform/tree_walk.h"

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

// The key of a name as Windows compares names, without regard to case: a
// hash of its upper-case form, eight bytes however long the name.
std::uint64_t NameKey(std::string_view name);

// Drive C means move mode: the first character of the source, any case.
bool IsMoveMode(const std::string& source);

struct TransferOptions {
  // Files copied at the same time; one copies them one after the other.
  int copyWorkers = 1;
  const FileExtras* extras = &SystemFileExtras();
};

class FolderTransfer {
 public:
  // `copiedBytes` grows by the size of every file the copy passes;
  // `countedBytes` (a hundredth of the counted total) divides it for the
  // percentage. What stayed behind is named relative to `oldProfile` (a
  // folder ending in a backslash) when it lies inside it; once the old
  // profile can no longer be reached, nothing more is carried. Whether the
  // transfer moves or copies is decided here, once: it moves when the old
  // profile lies on drive C (IsMoveMode).
  FolderTransfer(TransferView& view, std::int64_t& copiedBytes, std::int64_t countedBytes, std::string oldProfile = {},
                 TransferOptions options = {});
  ~FolderTransfer();
  FolderTransfer(const FolderTransfer&) = delete;
  FolderTransfer& operator=(const FolderTransfer&) = delete;

  // Carries the contents of a folder of the old profile, moved or copied as
  // decided. Folders with or without their trailing backslash. `existed`:
  // the source folder was there when the migration began, so not finding it
  // now is a loss to name, not a folder the profile never had.
  void TransferFolder(const std::string& source, const std::string& destination, bool existed = false);
  // The same, moved or copied whatever the old profile: for a folder of none.
  void MoveFolderContents(const std::string& source, const std::string& destination, bool existed = false);
  void CopyFolderContents(const std::string& source, const std::string& destination, bool existed = false);

  // Carries one file of `sourceFolder` into `destinationFolder` (both ending
  // in a backslash) by the rules of a folder's files, moved or copied as
  // decided; nothing when it is not there.
  void TransferFile(const std::string& sourceFolder, const std::string& destinationFolder, const std::string& name);
  // Names one file of `sourceFolder` as kept out by the destination's own.
  void StayBehindFile(const std::string& sourceFolder, const std::string& name);

  // The browser files, which replace the destination's own; copied whole
  // like any other file.
  Win32Result CopyReplacingFile(const std::string& source, const std::string& destination);

  // A folder of the profile that is a link, named and never entered.
  // Windows' own compatibility links (hidden and system) pass in silence.
  void ReportLink(const std::string& path, DWORD attributes);
  // A folder of the new profile that is a link: never written through.
  void ReportDestinationLink(const std::string& path);
  // A folder that could not be read (ending in a backslash).
  void ReportUnreadable(const std::string& folder);

  // False once the old profile can no longer be reached (a drive unplugged,
  // a disk that died), which is said once in the log.
  bool SourceReachable();
  bool SourceGone() const { return sourceGone_; }

  LeftBehind& WhatStayed() { return whatStayed_; }
  // Why files failed, where that is more than their ERROR lines say.
  const FailureCauses& Causes() const { return causes_; }
  // A path as the notes name it: relative to the old profile.
  std::string RelativeToOldProfile(const std::string& path) const;

 private:
  struct TargetFolder;

  // The one walk of a folder, whether it moves or copies.
  void Carry(const std::string& source, const std::string& destination, bool existed, bool moving);
  void MoveOne(TreeWalk& walk, std::vector<TargetFolder>& targets);
  void CopyOne(TreeWalk& walk, std::vector<TargetFolder>& targets);
  // False when the entry stays where it is (or failed); true when it is a
  // folder that the destination has too, to be gone into.
  bool Move(const WalkEntry& entry, const std::string& target);
  // Into a folder of the destination that exists, or else is made; false
  // when neither, and it is skipped.
  bool EnterFolder(TreeWalk& walk, std::vector<TargetFolder>& targets);
  void ShowCopying(const std::string& name);
  // Hands one file to the copies; `alone` when it is not to share the disk.
  void HandOut(FileCopyJob job, bool alone);
  void Commit(FileCopyJob& job);
  void Unreadable(const TreeWalk& walk, bool rootExisted);
  // Runs in the order of the copy: after the files handed out before it.
  void InOrder(std::function<void()> event) { copies_.AddEvent(std::move(event)); }
  void Log(const std::string& line) { view_.AddLogLine(line); }
  // An entry the destination's own entry of the same name keeps out.
  void StayBehind(const WalkEntry& entry, const PathFacts& there, const std::string& target);
  void Fail(const std::string& line, const Tally& tally);
  void NameLink(const std::string& path);
  std::int64_t Percent() const;

  TransferView& view_;
  std::int64_t& copiedBytes_;
  const std::int64_t countedBytes_;
  const std::string oldProfile_;
  const bool moving_;
  std::string sourceRoot_;  // the folder being carried, when there is no old profile to watch
  bool sourceGone_ = false;
  LeftBehind whatStayed_;
  FailureCauses causes_;
  WholeFileCopier copier_;
  ParallelCopy copies_;
};

}  // namespace ferrowin
