#include "migration/transfer.h"

#include "platform/text.h"

namespace ferrowin {

namespace {

// Windows recreates desktop.ini in every folder it manages: failing to carry
// one is not worth a line, nor is the new profile's own standing in its way.
bool IsDesktopIni(const std::string& name) { return name == "desktop.ini"; }

// A folder that is not there has nothing to carry; one that is there but
// cannot be read is named, so nothing is left behind unnoticed.
bool FolderMissing(const DirSearch& search) {
  DWORD error = search.OpenError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// What an entry holds; a link is not followed, so it holds nothing here.
Tally TallyOf(const DirEntry& entry, const std::string& path) {
  if (!entry.IsDirectory()) return TallyFile(entry);
  return entry.IsReparsePoint() ? Tally{} : TallyFolder(path + "\\");
}

}  // namespace

bool IsMoveMode(const std::string& source) { return !source.empty() && LowerCase(source.substr(0, 1)) == "c"; }

void FolderTransfer::TransferFolder(const std::string& source, const std::string& destination) {
  if (IsMoveMode(source)) {
    MoveFolderContents(source, destination);
  } else {
    CopyFolderContents(source, destination);
  }
}

void FolderTransfer::MoveFolderContents(const std::string& source, const std::string& destination) {
  DirSearch search(source + "*", kAllEntriesMask);
  ReportUnreadable(search, source);
  for (const DirEntry& entry : search) {
    if (entry.IsDotEntry()) continue;
    view_.SetStatus("Recovering: " + entry.name);
    const std::string path = source + entry.name;
    const PathFacts target = LookAt(destination + entry.name);
    // The destination's own entry wins; its twin stays in the old profile.
    if (target.IsFile() || (target.IsDirectory() && !entry.IsDirectory())) {
      StayBehind(entry, path, target);
      continue;
    }
    if (target.IsDirectory()) {
      if (entry.IsReparsePoint()) {
        ReportLink(entry, source);
      } else {
        MoveFolderContents(path + "\\", destination + entry.name + "\\");
      }
      continue;
    }
    // One rename carries a whole sub-tree; a link moves as the link itself.
    if (!MoveEntry(path, destination + entry.name) && !IsDesktopIni(entry.name)) {
      Fail("ERROR: Cound not move " + entry.name, entry, path);
    }
  }
}

void FolderTransfer::CopyFolderContents(const std::string& source, const std::string& destination) {
  CopyInto(source, destination, false);
}

void FolderTransfer::CopyInto(const std::string& source, const std::string& destination, bool fresh) {
  DirSearch search(source + "*", kAllEntriesMask);
  ReportUnreadable(search, source);
  // An earlier run that was stopped may have left unfinished copies here;
  // they go, and the files they stood for are copied whole below.
  if (!fresh && search.OpenError() == ERROR_SUCCESS) RemoveUnfinishedCopies(destination);
  for (const DirEntry& entry : search) {
    if (entry.IsDotEntry()) continue;
    view_.SetStatus(std::to_string(Percent()) + "% Recovering: " + entry.name);
    const std::string target = destination + entry.name;
    if (!entry.IsDirectory()) {
      CopyFile(entry, source + entry.name, target, fresh);
      continue;
    }
    if (entry.IsReparsePoint()) {
      ReportLink(entry, source);
    } else if (!fresh && PathIsDirectory(target)) {
      CopyInto(source + entry.name + "\\", target + "\\", false);
    } else if (MakeDirectory(target)) {
      CopyInto(source + entry.name + "\\", target + "\\", true);
    } else {
      Fail("ERROR: Cound not create new folder " + target, entry, source + entry.name);
    }
  }
}

void FolderTransfer::CopyFile(const DirEntry& file, const std::string& source, const std::string& target,
                              bool fresh) {
  copiedBytes_ += file.size;
  // A folder this copy made holds nothing yet: no need to look for the name.
  if (!fresh) {
    const PathFacts existing = LookAt(target);
    if (existing.IsFile()) {
      StayBehind(file, source, existing);
      return;
    }
  }
  if (!copier_.CopyNew(source, target) && !IsDesktopIni(file.name)) {
    Fail("ERROR: Cound not copy " + file.name, file, source);
  }
}

bool FolderTransfer::CopyReplacingFile(const std::string& source, const std::string& destination) {
  return copier_.CopyReplacing(source, destination);
}

std::string FolderTransfer::RelativeToOldProfile(const std::string& path) const {
  if (oldProfile_.empty() || !StartsWith(path, oldProfile_)) return path;
  return path.substr(oldProfile_.size());
}

void FolderTransfer::ReportUnreadable(const DirSearch& search, const std::string& folder) {
  if (search.OpenError() == ERROR_SUCCESS || FolderMissing(search)) return;
  Log("ERROR: Could not read the folder " + folder);
  whatStayed_.Failed({});
}

// A link is never followed: it may lead out of the profile, into another
// person's, or back into its own parent (an endless tree). Windows' own
// compatibility links are hidden and system, and Windows makes them again in
// every new profile; any other is named.
void FolderTransfer::ReportLink(const DirEntry& link, const std::string& folder) {
  if (link.IsHiddenSystem()) return;
  Log("ERROR: Did not follow the link " + folder + link.name);
  whatStayed_.Failed({});
}

void FolderTransfer::StayBehind(const DirEntry& entry, const std::string& path, const PathFacts& target) {
  if (IsDesktopIni(entry.name)) return;
  // The same file on both sides (a rerun finds what an earlier one copied)
  // is carried.
  if (!entry.IsDirectory() && target.IsFile() && target.SameFileAs(entry)) return;
  const std::string shown = RelativeToOldProfile(path) + (entry.IsDirectory() ? "\\" : "");
  whatStayed_.SameName(shown, TallyOf(entry, path));
}

void FolderTransfer::Fail(const std::string& line, const DirEntry& entry, const std::string& path) {
  Log(line);
  whatStayed_.Failed(TallyOf(entry, path));
}

std::int64_t FolderTransfer::Percent() const {
  // Nothing counted (or under a hundred bytes): there is no share to show.
  if (countedBytes_ <= 0) return 0;
  return copiedBytes_ / countedBytes_;
}

}  // namespace ferrowin
