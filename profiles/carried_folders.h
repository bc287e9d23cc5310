// The folders of a profile that a migration carries, in the order it carries
// them: the file counter counts them, the catalogue carries them and the
// permission reset resets them. Paths are relative to the profile folder,
// without a leading or trailing backslash; JoinPath puts them together.
#pragma once

namespace ferrowin {

struct CarriedFolder {
  enum class When { Always, FileInside, FolderExists };

  const char* path;
  // Carried always, or only when the old profile has the file `evidence`
  // inside it, or has the folder at all.
  When when;
  const char* evidence;
  // Made at the destination first (one level) when it is not there.
  bool madeFirst;

  // The standard data folders, carried whatever the old profile holds.
  bool IsDataFolder() const { return when == When::Always; }
};

inline constexpr CarriedFolder kCarriedFolders[] = {
    {"Contacts", CarriedFolder::When::Always, nullptr, true},
    {"Desktop", CarriedFolder::When::Always, nullptr, false},
    {"Documents", CarriedFolder::When::Always, nullptr, false},
    {"Downloads", CarriedFolder::When::Always, nullptr, false},
    {"Favorites", CarriedFolder::When::Always, nullptr, false},
    {"Music", CarriedFolder::When::Always, nullptr, false},
    {"Pictures", CarriedFolder::When::Always, nullptr, false},
    {"Videos", CarriedFolder::When::Always, nullptr, false},
    {"AppData\\Roaming\\Microsoft\\Sticky Notes", CarriedFolder::When::FileInside, "StickyNotes.snt", true},
    {"AppData\\Local\\Microsoft\\Outlook", CarriedFolder::When::FolderExists, nullptr, true},
    {"AppData\\Local\\Microsoft\\Windows Live Mail", CarriedFolder::When::FolderExists, nullptr, true},
    {"AppData\\Roaming\\Thunderbird", CarriedFolder::When::FolderExists, nullptr, true},
};

}  // namespace ferrowin
