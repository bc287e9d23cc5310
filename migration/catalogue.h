// What a migration carries from one profile to another: the standard data
// folders, Sticky Notes, the mail stores, Firefox's bookmark backups (put on
// the new desktop for a manual import), Chrome's and Edge's bookmarks and
// history, game saves, Office's signatures, templates and dictionaries, and
// the bookmarks of every Chromium browser's profiles as pages any browser
// imports.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "migration/carried_folders.h"
#include "migration/transfer.h"

namespace ferrowin {

struct CarriedProfile {
  // What stayed in the old profile, for the notes at the end of the log.
  LeftBehind whatStayed;
  // The folders besides the data folders that were carried because the old
  // profile had them, relative to the new profile, in order
  // ("AppData\\Roaming\\Thunderbird"): a move resets their permissions.
  std::vector<std::string> conditionalFolders;
};

struct CatalogueOptions {
  // The destination's name, as the notes speak of it.
  std::string destinationName;
  TransferOptions transfer;
  // Who holds the files another program kept from being carried.
  HolderLookup findHolders = RestartManagerHolders;
};

// Carries the catalogue from `source` to `destination`, both profile
// folders. Resets `copiedBytes` first; `countedBytes` is a hundredth of the
// counted total, the divisor of the copy's percentage.
CarriedProfile MigrateProfileData(const std::string& source, const std::string& destination, TransferView& view,
                                  std::int64_t& copiedBytes, std::int64_t countedBytes,
                                  const CatalogueOptions& options = {});

// The folders of a profile (without a trailing backslash) that a migration
// of it would carry, for the file counter: none that is a link.
std::vector<std::string> FoldersToCount(const std::string& profile);

// What lies at the top of a profile that no migration carries, one entry at
// a time with what it holds, as the notes name it.
void ForEachOutsideCatalogue(const std::string& profile,
                             const std::function<void(const std::string& name, const Tally& tally)>& found);

// Whether a folder row's condition holds in a profile folder.
bool CarriedFolderApplies(const std::string& profile, const CarriedFolder& folder);

// The bookmark backups of the source's Firefox profile: those of the last
// profile folder the search returns, or empty when there is none.
std::string FindFirefoxBookmarkBackups(const std::string& source);

// The first folder on the way from `profile` down to `relative` that is a
// link (a junction or a symbolic link), with its attributes.
struct LinkOnTheWay {
  std::string path;
  DWORD attributes = 0;
};
std::optional<LinkOnTheWay> FirstLinkOnTheWay(const std::string& profile, std::string_view relative);

}  // namespace ferrowin
