// Firefox's profiles as its profiles.ini lists them, and the bookmark
// backups Firefox keeps in each: what the bookmark pages are made of.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ferrowin {

// Where Firefox keeps its list of profiles, relative to a Windows profile.
inline constexpr const char* kFirefoxFolder = "AppData\\Roaming\\Mozilla\\Firefox";

struct FirefoxProfile {
  std::string name;  // as its owner named it, on one line
  std::string path;  // as listed, with backslashes
  bool isRelative = true;
  bool isDefault = false;
};

// The profiles of a profiles.ini text ([ProfileN] sections with a Path),
// each folder once: first the ones an [Install...] section of it or of
// installs.ini starts by default (or, where none names a listed one, the one
// marked Default=1), then the others in their listed order.
std::vector<FirefoxProfile> ListedFirefoxProfiles(std::string_view profilesIni, std::string_view installsIni);

// The folder of a listed profile relative to the old Windows profile
// `oldProfile` (as this machine reaches it, ending in a backslash); nullopt
// when it lies outside. An absolute path written when the old profile was in
// use (C:\Users\NAME\...) is found in it wherever it is reached now (on a
// second drive, in windows.old).
std::optional<std::string> FolderInOldProfile(const FirefoxProfile& profile, std::string_view oldProfile);

// The newest bookmarks-YYYY-MM-DD*.jsonlz4 file of a bookmarkbackups folder,
// by the date in its name, then by its last-write time; a link is never
// taken. Nullopt when there is none.
std::optional<DirEntry> NewestBookmarkBackup(const std::string& backupsFolder);

}  // namespace ferrowin
