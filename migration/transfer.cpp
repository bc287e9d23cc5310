#include "migration/transfer.h"

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

// Windows recreates desktop.ini in every folder it manages; failing to carry
// one is not worth a line.
bool IsDesktopIni(const std::string& name) { return name == "desktop.ini"; }

// A folder that is not there has nothing to carry; one that is there but
// cannot be read is named, so nothing is left behind unnoticed.
bool FolderMissing(const DirSearch& search) {
  DWORD error = search.OpenError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void ReportUnreadableFolder(const DirSearch& search, const std::string& folder, TransferView& view) {
  if (search.OpenError() == ERROR_SUCCESS || FolderMissing(search)) return;
  view.AddLogLine("ERROR: Could not read the folder " + folder);
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
  ReportUnreadableFolder(search, source, view_);
  for (const DirEntry& entry : search) {
    if (entry.IsDotEntry()) continue;
    view_.SetStatus("Recovering: " + entry.name);
    const std::string target = destination + entry.name;
    // The destination's own file wins; its twin stays in the old profile.
    if (PathIsFile(target)) continue;
    if (PathIsDirectory(target)) {
      if (entry.IsDirectory()) MoveFolderContents(source + entry.name + "\\", target + "\\");
      continue;
    }
    // One rename carries a whole sub-tree (on Windows a link moves as the link itself).
    if (!MoveEntry(source + entry.name, target) && !IsDesktopIni(entry.name)) {
      Log("ERROR: Cound not move " + entry.name);
    }
  }
}

void FolderTransfer::CopyFolderContents(const std::string& source, const std::string& destination) {
  CopyInto(source, destination, false);
}

void FolderTransfer::CopyInto(const std::string& source, const std::string& destination, bool fresh) {
  DirSearch search(source + "*", kAllEntriesMask);
  ReportUnreadableFolder(search, source, view_);
  // An earlier run that was stopped may have left unfinished copies here;
  // they go, and the files they stood for are copied whole below.
  if (!fresh && search.OpenError() == ERROR_SUCCESS) RemoveUnfinishedCopies(destination);
  for (const DirEntry& entry : search) {
    if (entry.IsDotEntry()) continue;
    view_.SetStatus(std::to_string(Percent()) + "% Recovering: " + entry.name);
    const std::string target = destination + entry.name;

    if (entry.IsDirectory()) {
      // A link may lead out of the profile or back into it (an endless tree).
      // Windows' own compatibility links are hidden and system, and Windows
      // makes them again in every new profile; any other is named.
      if (entry.IsReparsePoint()) {
        if (!entry.IsHiddenSystem()) Log("ERROR: Did not follow the link " + source + entry.name);
        continue;
      }
      if (!fresh && PathIsDirectory(target)) {
        CopyInto(source + entry.name + "\\", target + "\\", false);
      } else if (MakeDirectory(target)) {
        CopyInto(source + entry.name + "\\", target + "\\", true);
      } else {
        Log("ERROR: Cound not create new folder " + target);
      }
      continue;
    }

    // A folder this copy made holds nothing yet: no need to look for the name.
    const bool taken = !fresh && PathIsFile(target);
    if (!taken && !copier_.CopyNew(source + entry.name, target) && !IsDesktopIni(entry.name)) {
      Log("ERROR: Cound not copy " + entry.name);
    }
    copiedBytes_ += entry.size;
  }
}

bool FolderTransfer::CopyReplacingFile(const std::string& source, const std::string& destination) {
  return copier_.CopyReplacing(source, destination);
}

std::int64_t FolderTransfer::Percent() const {
  // Nothing counted (or under a hundred bytes): there is no share to show.
  if (countedBytes_ <= 0) return 0;
  return copiedBytes_ / countedBytes_;
}

}  // namespace ferrowin
