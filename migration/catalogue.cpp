#include "migration/catalogue.h"

#include <utility>

#include "platform/files.h"
#include "platform/text.h"
#include "profiles/carried_folders.h"

namespace ferrowin {

namespace {

struct Browser {
  const char* status;
  const char* folders[4];  // made one after the other at the destination
};

const Browser kChrome = {"recovering chrome bookmarks and history... ",
                         {"AppData\\Local\\Google", "AppData\\Local\\Google\\Chrome",
                          "AppData\\Local\\Google\\Chrome\\User Data",
                          "AppData\\Local\\Google\\Chrome\\User Data\\Default"}};

const Browser kEdge = {"recovering edge bookmarks and history... ",
                       {"AppData\\Local\\Microsoft", "AppData\\Local\\Microsoft\\Edge",
                        "AppData\\Local\\Microsoft\\Edge\\User Data",
                        "AppData\\Local\\Microsoft\\Edge\\User Data\\Default"}};

constexpr const char* kFirefoxFolder = "AppData\\Roaming\\Mozilla\\Firefox";
constexpr const char* kFirefoxProfiles = "AppData\\Roaming\\Mozilla\\Firefox\\Profiles";
constexpr const char* kFirefoxOnTheDesktop = "Desktop\\FirefoxBookmarks";
constexpr const char* kFirefoxLogLine =
    "Recovering firefox bookmarks to desktop.  You will need to manually import these bookmarks by running "
    "firefox, show all bookmarks, import and backup, restore, choose file, desktop, FirefoxBookmarks";

bool Applies(const CarriedFolder& folder, const std::string& source) {
  const std::string path = JoinPath(source, folder.path);
  switch (folder.when) {
    case CarriedFolder::When::Always: return true;
    case CarriedFolder::When::FileInside: return PathIsFile(JoinPath(path, folder.evidence));
    case CarriedFolder::When::FolderExists: return PathIsDirectory(path);
  }
  return false;
}

// False when the folder's condition did not hold and nothing was carried.
bool CarryFolder(const CarriedFolder& folder, const std::string& source, const std::string& destination,
                 FolderTransfer& transfer) {
  if (!Applies(folder, source)) return false;
  const std::string target = JoinPath(destination, folder.path);
  if (folder.madeFirst && !PathIsDirectory(target)) MakeDirectory(target);
  transfer.TransferFolder(JoinPath(source, folder.path) + "\\", target + "\\");
  return true;
}

// Bookmarks and history are copied, whatever the drive, replacing the new
// profile's own: a browser started once in the new profile would otherwise
// keep its empty ones.
void CopyBrowserFiles(const Browser& browser, const std::string& source, const std::string& destination,
                      FolderTransfer& transfer, TransferView& view) {
  const std::string profile = browser.folders[3];
  if (!PathIsDirectory(JoinPath(source, profile))) return;
  view.SetStatus(browser.status);
  for (const char* folder : browser.folders) MakeDirectory(JoinPath(destination, folder));
  const std::string target = JoinPath(destination, profile);
  RemoveUnfinishedCopies(target + "\\");
  for (const char* file : {"Bookmarks", "History"}) {
    const std::string from = JoinPath(JoinPath(source, profile), file);
    if (!LookAt(from).exists) continue;  // nothing of it to carry
    if (transfer.CopyReplacingFile(from, JoinPath(target, file))) continue;
    transfer.WhatStayed().BrowserFileNotCopied(transfer.RelativeToOldProfile(from), SystemErrorText(GetLastError()));
  }
}

void CarryFirefoxBookmarks(const std::string& source, const std::string& destination, FolderTransfer& transfer,
                           TransferView& view) {
  if (!PathIsDirectory(JoinPath(source, kFirefoxFolder))) return;
  view.SetStatus("recovering firefox bookmarks... ");
  view.AddLogLine(kFirefoxLogLine);
  const std::string onTheDesktop = JoinPath(destination, kFirefoxOnTheDesktop);
  MakeDirectory(onTheDesktop);
  std::string backups = FindFirefoxBookmarkBackups(source);
  if (!backups.empty()) transfer.TransferFolder(backups, onTheDesktop + "\\");
}

bool IsCatalogueFolder(const std::string& name) {
  if (SameText(name, "AppData")) return true;
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (folder.IsDataFolder() && SameText(name, folder.path)) return true;
  }
  return false;
}

// Names what lies at the top of the old profile that nothing carries: the
// folders people make there, OneDrive, Saved Games, files. Hidden entries
// (the registry hive, AppData), Windows' own links and folders holding only
// Windows' hidden files (desktop.ini) are no one's data.
void AccountOutsideCatalogue(const std::string& source, LeftBehind& whatStayed) {
  for (const DirEntry& entry : DirSearch(source + "*", kAllEntriesMask)) {
    if (entry.IsDotEntry() || entry.IsReparsePoint() || (entry.attributes & FILE_ATTRIBUTE_HIDDEN)) continue;
    if (entry.IsDirectory() && IsCatalogueFolder(entry.name)) continue;
    const Tally tally = entry.IsDirectory() ? TallyFolder(JoinPath(source, entry.name) + "\\") : TallyFile(entry);
    if (tally.plainFiles > 0) whatStayed.OutsideCatalogue(entry.name, tally);
  }
}

}  // namespace

std::string FindFirefoxBookmarkBackups(const std::string& source) {
  std::string found;
  const std::string profiles = JoinPath(source, kFirefoxProfiles);
  for (const DirEntry& entry : DirSearch(profiles + "\\*", kDirectoryMask)) {
    // A stray file beside the profiles is no profile.
    if (entry.IsDotEntry() || !entry.IsDirectory()) continue;
    found = JoinPath(JoinPath(profiles, entry.name), "bookmarkbackups\\");
  }
  return found;
}

CarriedProfile MigrateProfileData(const std::string& source, const std::string& destination, TransferView& view,
                                  std::int64_t& copiedBytes, std::int64_t countedBytes) {
  copiedBytes = 0;
  CarriedProfile carried;
  FolderTransfer transfer(view, copiedBytes, countedBytes, source);
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (CarryFolder(folder, source, destination, transfer) && !folder.IsDataFolder()) {
      carried.appDataFolders.push_back(folder.path);
    }
  }
  CarryFirefoxBookmarks(source, destination, transfer, view);
  CopyBrowserFiles(kChrome, source, destination, transfer, view);
  CopyBrowserFiles(kEdge, source, destination, transfer, view);
  AccountOutsideCatalogue(source, transfer.WhatStayed());
  carried.whatStayed = std::move(transfer.WhatStayed());
  return carried;
}

}  // namespace ferrowin
