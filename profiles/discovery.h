// Finding the profiles a migration can start from (every users folder of
// this machine and its old installations and other drives) and go to (the
// profiles under c:\users).
#pragma once

#include <string>
#include <vector>

namespace ferrowin {

// The users folders scanned for source profiles, in order: c:\users, the old
// installations on C: (windows.old, windows.old.000 to .009), then d:\users
// to z:\users.
std::vector<std::string> UsersRoots();

// Appends the profile folders of one users folder: plain (not hidden or
// system) sub-folders other than "default.migrated" and anything marked
// "-infected". Under c:\users they are listed by name, elsewhere by path.
void AddProfilesUnder(const std::string& root, std::vector<std::string>& profiles);

struct ProfileLists {
  std::vector<std::string> sources;       // every root
  std::vector<std::string> destinations;  // c:\users only
};

ProfileLists DiscoverProfiles();

// The folder of a profile list entry: a full path as it stands, a bare name
// under c:\users. No trailing backslash.
std::string ProfileFolder(const std::string& entry);

}  // namespace ferrowin
