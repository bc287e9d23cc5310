#include "migration/catalogue.h"

#include <set>
#include <utility>

#include "migration/browser_bookmarks.h"
#include "migration/carried_folders.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr const char* kFirefoxFolder = "AppData\\Roaming\\Mozilla\\Firefox";
constexpr const char* kFirefoxProfiles = "AppData\\Roaming\\Mozilla\\Firefox\\Profiles";
constexpr const char* kFirefoxOnTheDesktop = "Desktop\\FirefoxBookmarks";
constexpr const char* kFirefoxLogLine =
    "Recovering firefox bookmarks to desktop.  You will need to manually import these bookmarks by running "
    "firefox, show all bookmarks, import and backup, restore, choose file, desktop, FirefoxBookmarks";
constexpr const char* kStickyNotesOnTheDesktop = "Desktop\\StickyNotes";

// A folder at the top of the profile that the catalogue carries.
bool IsCatalogueFolder(const std::string& name) {
  if (SameText(name, "AppData")) return true;
  for (std::span<const CarriedFolder> table : kCarriedFolderTables) {
    for (const CarriedFolder& folder : table) {
      if (SameText(name, folder.path)) return true;
    }
  }
  return false;
}

// Every missing level of a folder below the profile, one after the other;
// the levels before `from` (a length of `relative`) are taken as there.
void MakeAllLevels(const std::string& profile, std::string_view relative, size_t from = 0) {
  for (size_t end = relative.find('\\', from);; end = relative.find('\\', end + 1)) {
    const std::string folder = JoinPath(profile, relative.substr(0, end));
    if (!PathIsDirectory(folder)) (void)MakeDirectory(folder);
    if (end == std::string_view::npos) return;
  }
}

// One migration's walk through the catalogue, row after row.
class CatalogueRun {
 public:
  CatalogueRun(const std::string& source, const std::string& destination, TransferView& view, std::int64_t& copiedBytes,
               std::int64_t countedBytes, const CatalogueOptions& options)
      : source_(AsFolder(source)),
        destination_(AsFolder(destination)),
        view_(view),
        options_(options),
        transfer_(view, copiedBytes, countedBytes, source_, options.transfer) {
    copiedBytes = 0;
    NoteWhatIsThere();
  }

  CarriedProfile Run() {
    for (const CarriedFolder& folder : kCarriedFolders) {
      if (CarryFolder(folder) && !folder.IsDataFolder()) carried_.conditionalFolders.push_back(folder.path);
    }
    // Before its backups go: from drive C they are moved out of the old profile.
    const FirefoxPages firefoxPages = ReadFirefoxPages(source_);
    CarryFirefoxBookmarks();
    for (const ChromiumBrowser& browser : kChromiumBrowsers) {
      if (browser.copyStatus) CopyBrowserFiles(browser);
    }
    for (const CarriedFolder& folder : kLaterCarriedFolders) {
      if (CarryFolder(folder)) carried_.conditionalFolders.push_back(folder.path);
    }
    CarryStickyNotes();
    if (!transfer_.SourceGone()) {
      SaveBookmarkPages(source_, destination_, view_, transfer_.WhatStayed(), firefoxPages);
      AccountOutsideCatalogue();
    }
    for (const std::string& note : transfer_.Causes().Notes(options_.findHolders)) transfer_.WhatStayed().Advise(note);
    carried_.whatStayed = std::move(transfer_.WhatStayed());
    return std::move(carried_);
  }

 private:
  // What the old profile holds as the migration begins: a folder that is
  // gone when its turn comes was lost on the way (a drive unplugged, a disk
  // dying), and is named rather than taken for one the profile never had.
  void NoteWhatIsThere() {
    for (std::span<const CarriedFolder> table : kCarriedFolderTables) {
      for (const CarriedFolder& folder : table) NoteIfThere(folder.path);
    }
    for (const ChromiumBrowser& browser : kChromiumBrowsers) {
      if (browser.copyStatus) NoteIfThere(browser.DefaultProfile());
    }
    NoteIfThere(kFirefoxFolder);
    NoteIfThere(kStickyNotesStore);
  }
  void NoteIfThere(std::string_view relative) {
    if (PathIsDirectory(JoinPath(source_, relative))) there_.emplace(relative);
  }
  bool WasThere(std::string_view relative) const { return there_.count(relative) != 0; }

  // False, and the folder named when it was there at the start, when the
  // source can no longer be read there; true when it can go on.
  bool StillThere(std::string_view relative) {
    if (!WasThere(relative)) return !transfer_.SourceGone();
    const std::string folder = JoinPath(source_, relative);
    if (!transfer_.SourceGone() && PathIsDirectory(folder)) return true;
    transfer_.ReportUnreadable(AsFolder(folder));
    return false;
  }

  // A folder that is a link, on the old profile's side or the new one's, is
  // never carried: the move would empty another person's folder, the copy
  // would pour it into this profile.
  bool LinkInTheWay(std::string_view relative) {
    if (std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(source_, relative)) {
      transfer_.ReportLink(link->path, link->attributes);
      return true;
    }
    return DestinationLinkInTheWay(relative);
  }
  // On the new profile's side a link is named whatever its attributes: what
  // it keeps out stays in the old profile.
  bool DestinationLinkInTheWay(std::string_view relative) {
    std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(destination_, relative);
    if (link) transfer_.ReportDestinationLink(link->path);
    return link.has_value();
  }

  // False when the folder's condition did not hold and nothing was carried.
  bool CarryFolder(const CarriedFolder& folder) {
    if (!StillThere(folder.path) || !CarriedFolderApplies(source_, folder) || LinkInTheWay(folder.path)) return false;
    const std::string target = JoinPath(destination_, folder.path);
    if (folder.made == CarriedFolder::Made::OneLevel && !PathIsDirectory(target)) (void)MakeDirectory(target);
    if (folder.made == CarriedFolder::Made::AllLevels) MakeAllLevels(destination_, folder.path);
    transfer_.TransferFolder(JoinPath(source_, folder.path), target, WasThere(folder.path));
    return true;
  }

  void CarryFirefoxBookmarks() {
    if (!StillThere(kFirefoxFolder) || !PathIsDirectory(JoinPath(source_, kFirefoxFolder))) return;
    view_.SetStatus("recovering firefox bookmarks... ");
    view_.AddLogLine(kFirefoxLogLine);
    if (DestinationLinkInTheWay(kFirefoxOnTheDesktop)) return;
    const std::string onTheDesktop = JoinPath(destination_, kFirefoxOnTheDesktop);
    (void)MakeDirectory(onTheDesktop);
    std::string backups = FindFirefoxBookmarkBackups(source_);
    if (!backups.empty()) transfer_.TransferFolder(backups, onTheDesktop);
  }

  // Bookmarks and history are copied, whatever the drive, replacing the new
  // profile's own: a browser started once in the new profile would otherwise
  // keep its empty ones.
  void CopyBrowserFiles(const ChromiumBrowser& browser) {
    const std::string profile = browser.DefaultProfile();
    if (!StillThere(profile) || !PathIsDirectory(JoinPath(source_, profile))) return;
    view_.SetStatus(browser.copyStatus);
    if (LinkInTheWay(profile)) return;
    MakeAllLevels(destination_, profile, std::string_view(browser.firstFolderMade).size());
    const std::string target = JoinPath(destination_, profile);
    RemoveUnfinishedCopies(AsFolder(target));
    for (const char* file : {"Bookmarks", "History"}) {
      const std::string from = JoinPath(JoinPath(source_, profile), file);
      if (!LookAt(from).exists) continue;  // nothing of it to carry
      Win32Result copied = transfer_.CopyReplacingFile(from, JoinPath(target, file));
      if (copied) continue;
      transfer_.WhatStayed().BrowserFileNotCopied(transfer_.RelativeToOldProfile(from), copied.Reason());
    }
  }

  // Today's Sticky Notes go into the app's own folder when Windows has made
  // it for the new user; no folder is made under Packages by us (an app's
  // folder has permissions that only Windows gives), so otherwise the notes
  // wait on the desktop. The database is three files that belong together
  // (SQLite would apply one database's journal to another's pages): where the
  // new profile holds any of the three names, none of the three is carried,
  // unless what it holds is this very set, carried by an earlier run.
  void CarryStickyNotes() {
    if (!StillThere(kStickyNotesStore)) return;
    const std::string store = AsFolder(JoinPath(source_, kStickyNotesStore));
    if (!LookAt(store + kStickyNotesFiles[0]).IsFileOfAnyDate() || LinkInTheWay(kStickyNotesStore)) return;
    const bool appIsSetUp = PathIsDirectory(JoinPath(destination_, kStickyNotesPackage));
    const char* into = appIsSetUp ? kStickyNotesStore : kStickyNotesOnTheDesktop;
    if (!appIsSetUp && DestinationLinkInTheWay(into)) return;
    const std::string target = AsFolder(JoinPath(destination_, into));
    if (HoldsAnotherStickyNotesSet(store, target)) {
      for (const char* file : kStickyNotesFiles) transfer_.StayBehindFile(store, file);
      return;
    }
    if (!PathIsDirectory(target)) (void)MakeDirectory(target);
    carried_.conditionalFolders.push_back(into);
    if (appIsSetUp) {
      transfer_.TransferFolder(store, target, true);
      return;
    }
    for (const char* file : kStickyNotesFiles) transfer_.TransferFile(store, target, file);
    transfer_.WhatStayed().Advise("NOTE: Sticky Notes is not set up for " + options_.destinationName +
                                  " yet: the old notes are on the desktop in StickyNotes. Open Sticky Notes once, "
                                  "close it, and put the three files into AppData\\Local\\Packages\\"
                                  "Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe\\LocalState.");
  }

  // True when `target` holds any of the three names, other than as the same
  // files the old profile has (each there exactly when it is in `store`, with
  // the same bytes).
  static bool HoldsAnotherStickyNotesSet(const std::string& store, const std::string& target) {
    bool holdsAny = false, sameSet = true;
    for (const char* file : kStickyNotesFiles) {
      const PathFacts there = LookAt(target + file);
      const PathFacts here = LookAt(store + file);
      holdsAny |= there.exists;
      if (there.exists != here.exists) sameSet = false;
      if (there.exists && here.exists &&
          !(there.IsFileOfAnyDate() && SameContent(store + file, target + file).Same())) {
        sameSet = false;
      }
    }
    return holdsAny && !sameSet;
  }

  void AccountOutsideCatalogue() {
    ForEachOutsideCatalogue(source_, [this](const std::string& name, const Tally& tally) {
      transfer_.WhatStayed().OutsideCatalogue(name, tally);
    });
  }

  const std::string source_;
  const std::string destination_;
  TransferView& view_;
  const CatalogueOptions& options_;
  FolderTransfer transfer_;
  std::set<std::string, std::less<>> there_;
  CarriedProfile carried_;
};

}  // namespace

// The folders people make at the top of a profile, OneDrive, files. Hidden
// entries (the registry hive, AppData), Windows' own links and folders
// holding only Windows' hidden files (desktop.ini) are no one's data.
void ForEachOutsideCatalogue(const std::string& profile,
                             const std::function<void(const std::string& name, const Tally& tally)>& found) {
  TreeWalk walk(profile);
  for (TreeWalk::Step step; (step = walk.Next()) != TreeWalk::Step::End;) {
    if (step != TreeWalk::Step::Entry) continue;
    walk.SkipChildren();
    const WalkEntry& entry = walk.Current();
    if (entry.IsReparsePoint() || (entry.attributes & FILE_ATTRIBUTE_HIDDEN)) continue;
    if (entry.IsDirectory() && IsCatalogueFolder(entry.name)) continue;
    const Tally tally = entry.IsDirectory() ? TallyFolder(entry.path) : TallyFile(entry);
    if (tally.plainFiles > 0) found(entry.name, tally);
  }
}

bool CarriedFolderApplies(const std::string& profile, const CarriedFolder& folder) {
  const std::string path = JoinPath(profile, folder.path);
  switch (folder.when) {
    case CarriedFolder::When::Always: return true;
    case CarriedFolder::When::FileInside: return PathIsFile(JoinPath(path, folder.evidence));
    case CarriedFolder::When::FolderExists: return PathIsDirectory(path);
  }
  return false;
}

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

std::optional<LinkOnTheWay> FirstLinkOnTheWay(const std::string& profile, std::string_view relative) {
  for (size_t end = relative.find('\\');; end = relative.find('\\', end + 1)) {
    const std::string folder = JoinPath(profile, relative.substr(0, end));
    const PathFacts facts = LookAt(folder);
    if (!facts.exists) return std::nullopt;
    if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return LinkOnTheWay{folder, facts.attributes};
    if (end == std::string_view::npos) return std::nullopt;
  }
}

std::vector<std::string> FoldersToCount(const std::string& profile) {
  std::vector<std::string> folders;
  auto count = [&](std::string_view relative) {
    if (!FirstLinkOnTheWay(profile, relative)) folders.push_back(JoinPath(profile, relative));
  };
  for (std::span<const CarriedFolder> table : kCarriedFolderTables) {
    for (const CarriedFolder& folder : table) count(folder.path);
  }
  if (LookAt(JoinPath(JoinPath(profile, kStickyNotesStore), kStickyNotesFiles[0])).IsFileOfAnyDate()) {
    count(kStickyNotesStore);
  }
  return folders;
}

CarriedProfile MigrateProfileData(const std::string& source, const std::string& destination, TransferView& view,
                                  std::int64_t& copiedBytes, std::int64_t countedBytes,
                                  const CatalogueOptions& options) {
  return CatalogueRun(source, destination, view, copiedBytes, countedBytes, options).Run();
}

}  // namespace ferrowin
