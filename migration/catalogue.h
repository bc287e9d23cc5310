// What a migration carries from one profile to another: the standard data
// folders, Sticky Notes, the mail stores, Firefox's bookmark backups (put on
// the new desktop for a manual import) and Chrome's and Edge's bookmarks and
// history.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "migration/transfer.h"

namespace ferrowin {

struct CarriedProfile {
  // What stayed in the old profile, for the notes at the end of the log.
  LeftBehind whatStayed;
  // The folders under AppData that were carried because the old profile had
  // them (Sticky Notes, the mail stores), relative to the profile, in order
  // ("AppData\\Roaming\\Thunderbird").
  std::vector<std::string> appDataFolders;
};

// Carries the catalogue from `source` to `destination`, both profile folders
// ending in a backslash. Resets `copiedBytes` first; `countedBytes` is a
// hundredth of the counted total, the divisor of the copy's percentage.
CarriedProfile MigrateProfileData(const std::string& source, const std::string& destination, TransferView& view,
                                  std::int64_t& copiedBytes, std::int64_t countedBytes);

// The bookmark backups of the source's Firefox profile: those of the last
// profile folder the search returns, or empty when there is none.
std::string FindFirefoxBookmarkBackups(const std::string& source);

}  // namespace ferrowin
