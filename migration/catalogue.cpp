#include "migration/catalogue.h"

#include <utility>

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

enum class When { Always, SourceFileExists, SourceFolderExists };

struct CatalogueRow {
  const char* item;       // the folder carried, relative to both profiles
  When when;
  const char* evidence;   // what must exist in the source for the row to run
  const char* prepared;   // made at the destination first (one level), if any
};

const CatalogueRow kDataFolders[] = {
    {"Contacts\\", When::Always, nullptr, "Contacts"},
    {"Desktop\\", When::Always, nullptr, nullptr},
    {"Documents\\", When::Always, nullptr, nullptr},
    {"Downloads\\", When::Always, nullptr, nullptr},
    {"Favorites\\", When::Always, nullptr, nullptr},
    {"Music\\", When::Always, nullptr, nullptr},
    {"Pictures\\", When::Always, nullptr, nullptr},
    {"Videos\\", When::Always, nullptr, nullptr},
    {"AppData\\Roaming\\Microsoft\\Sticky Notes\\", When::SourceFileExists,
     "AppData\\Roaming\\Microsoft\\Sticky Notes\\StickyNotes.snt", "AppData\\Roaming\\Microsoft\\Sticky Notes"},
    {"AppData\\Local\\Microsoft\\Outlook\\", When::SourceFolderExists, "AppData\\Local\\Microsoft\\Outlook",
     "AppData\\Local\\Microsoft\\Outlook"},
    {"AppData\\Local\\Microsoft\\Windows Live Mail\\", When::SourceFolderExists,
     "AppData\\Local\\Microsoft\\Windows Live Mail", "AppData\\Local\\Microsoft\\Windows Live Mail"},
    {"AppData\\Roaming\\Thunderbird\\", When::SourceFolderExists, "AppData\\Roaming\\Thunderbird",
     "AppData\\Roaming\\Thunderbird"},
};

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
constexpr const char* kFirefoxProfiles = "AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\";
constexpr const char* kFirefoxLogLine =
    "Recovering firefox bookmarks to desktop.  You will need to manually import these bookmarks by running "
    "firefox, show all bookmarks, import and backup, restore, choose file, desktop, FirefoxBookmarks";

bool RowApplies(const CatalogueRow& row, const std::string& source) {
  switch (row.when) {
    case When::Always: return true;
    case When::SourceFileExists: return PathIsFile(source + row.evidence);
    case When::SourceFolderExists: return PathIsDirectory(source + row.evidence);
  }
  return false;
}

// False when the row's condition did not hold and nothing was carried.
bool CarryDataFolder(const CatalogueRow& row, const std::string& source, const std::string& destination,
                     FolderTransfer& transfer) {
  if (!RowApplies(row, source)) return false;
  if (row.prepared && !PathIsDirectory(destination + row.prepared)) MakeDirectory(destination + row.prepared);
  transfer.TransferFolder(source + row.item, destination + row.item);
  return true;
}

// Bookmarks and history are copied, whatever the drive, replacing the new
// profile's own: a browser started once in the new profile would otherwise
// keep its empty ones.
void CopyBrowserFiles(const Browser& browser, const std::string& source, const std::string& destination,
                      FolderTransfer& transfer, TransferView& view) {
  const std::string profile = browser.folders[3];
  if (!PathIsDirectory(source + profile)) return;
  view.SetStatus(browser.status);
  for (const char* folder : browser.folders) MakeDirectory(destination + folder);
  RemoveUnfinishedCopies(destination + profile + "\\");
  for (const char* file : {"\\Bookmarks", "\\History"}) {
    const std::string from = source + profile + file;
    if (!LookAt(from).exists) continue;  // nothing of it to carry
    if (transfer.CopyReplacingFile(from, destination + profile + file)) continue;
    transfer.WhatStayed().BrowserFileNotCopied(transfer.RelativeToOldProfile(from), SystemErrorText(GetLastError()));
  }
}

void CarryFirefoxBookmarks(const std::string& source, const std::string& destination, FolderTransfer& transfer,
                           TransferView& view) {
  if (!PathIsDirectory(source + kFirefoxFolder)) return;
  view.SetStatus("recovering firefox bookmarks... ");
  view.AddLogLine(kFirefoxLogLine);
  MakeDirectory(destination + "Desktop\\FirefoxBookmarks");
  std::string backups = FindFirefoxBookmarkBackups(source);
  if (!backups.empty()) transfer.TransferFolder(backups, destination + "Desktop\\FirefoxBookmarks\\");
}

bool IsCatalogueFolder(const std::string& name) {
  if (SameText(name, "AppData")) return true;
  for (const CatalogueRow& row : kDataFolders) {
    if (row.when == When::Always && SameText(name + "\\", row.item)) return true;
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
    const Tally tally = entry.IsDirectory() ? TallyFolder(source + entry.name + "\\") : TallyFile(entry);
    if (tally.plainFiles > 0) whatStayed.OutsideCatalogue(entry.name, tally);
  }
}

}  // namespace

std::string FindFirefoxBookmarkBackups(const std::string& source) {
  std::string found;
  for (const DirEntry& entry : DirSearch(source + kFirefoxProfiles + "*", kDirectoryMask)) {
    // A stray file beside the profiles is no profile.
    if (entry.IsDotEntry() || !entry.IsDirectory()) continue;
    found = source + kFirefoxProfiles + entry.name + "\\bookmarkbackups\\";
  }
  return found;
}

CarriedProfile MigrateProfileData(const std::string& source, const std::string& destination, TransferView& view,
                                  std::int64_t& copiedBytes, std::int64_t countedBytes) {
  copiedBytes = 0;
  CarriedProfile carried;
  FolderTransfer transfer(view, copiedBytes, countedBytes, source);
  for (const CatalogueRow& row : kDataFolders) {
    if (!CarryDataFolder(row, source, destination, transfer) || row.when == When::Always) continue;
    carried.appDataFolders.push_back(std::string("\\").append(row.prepared));
  }
  CarryFirefoxBookmarks(source, destination, transfer, view);
  CopyBrowserFiles(kChrome, source, destination, transfer, view);
  CopyBrowserFiles(kEdge, source, destination, transfer, view);
  AccountOutsideCatalogue(source, transfer.WhatStayed());
  carried.whatStayed = std::move(transfer.WhatStayed());
  return carried;
}

}  // namespace ferrowin
