#include "profiles/discovery.h"

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

std::vector<std::string> UsersRoots() {
  std::vector<std::string> roots = {kUsersFolder, "c:\\windows.old\\users"};
  for (int i = 0; i <= 9; ++i) roots.push_back("c:\\windows.old.00" + std::to_string(i) + "\\users");
  for (char letter = 'd'; letter <= 'z'; ++letter) roots.push_back(std::string(1, letter) + ":\\users");
  return roots;
}

void AddProfilesUnder(const std::string& root, std::vector<std::string>& profiles) {
  if (!PathIsDirectory(root)) return;
  const bool underCurrentUsers = StartsWith(root, "c:\\u");
  for (const DirEntry& entry : DirSearch(root + "\\*", kDirectoryMask)) {
    if (entry.IsDotEntry() || !entry.IsDirectory()) continue;
    const std::string lower = LowerCase(entry.name);
    if (lower == "default.migrated" || Contains(lower, "-infected")) continue;
    profiles.push_back(underCurrentUsers ? entry.name : JoinPath(root, entry.name));
  }
}

ProfileLists DiscoverProfiles() {
  ProfileLists lists;
  const std::vector<std::string> roots = UsersRoots();
  AddProfilesUnder(roots.front(), lists.sources);
  lists.destinations = lists.sources;
  // A letter without a drive, or a drive without media, fails its folder
  // test at once and quietly: the process's error mode keeps the system's
  // "no disk" box away.
  for (size_t i = 1; i < roots.size(); ++i) AddProfilesUnder(roots[i], lists.sources);
  return lists;
}

std::string ProfileFolder(const std::string& entry) {
  if (entry.size() >= 2 && entry[1] == ':') return entry;
  return JoinPath(kUsersFolder, entry);
}

}  // namespace ferrowin
