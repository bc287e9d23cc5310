// The folders of a profile that a migration carries, in the order it carries
// them: the catalogue carries them, the file counter counts them and the
// permission reset resets them. Paths are relative to the profile folder,
// without a leading or trailing backslash; JoinPath puts them together.
#pragma once

#include <span>
#include <string>

namespace ferrowin {

struct CarriedFolder {
  enum class When { Always, FileInside, FolderExists };

  const char* path;
  // Carried always, or only when the old profile has the file `evidence`
  // inside it, or has the folder at all.
  When when;
  const char* evidence;
  // Made at the destination first when it is not there: one level, or
  // every missing level.
  enum class Made { No, OneLevel, AllLevels } made;

  // The standard data folders, carried whatever the old profile holds.
  bool IsDataFolder() const { return when == When::Always; }
};

// Carried first, in this order: the data folders, then what Windows 7's
// programs kept in AppData.
inline constexpr CarriedFolder kCarriedFolders[] = {
    {"Contacts", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::OneLevel},
    {"Desktop", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Documents", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Downloads", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Favorites", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Music", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Pictures", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"Videos", CarriedFolder::When::Always, nullptr, CarriedFolder::Made::No},
    {"AppData\\Roaming\\Microsoft\\Sticky Notes", CarriedFolder::When::FileInside, "StickyNotes.snt",
     CarriedFolder::Made::OneLevel},
    {"AppData\\Local\\Microsoft\\Outlook", CarriedFolder::When::FolderExists, nullptr, CarriedFolder::Made::OneLevel},
    {"AppData\\Local\\Microsoft\\Windows Live Mail", CarriedFolder::When::FolderExists, nullptr,
     CarriedFolder::Made::OneLevel},
    {"AppData\\Roaming\\Thunderbird", CarriedFolder::When::FolderExists, nullptr, CarriedFolder::Made::OneLevel},
};

// Carried after the browsers' files: what a Windows 10 or 11 profile holds
// besides, game saves and Office's own files (mail signatures, templates,
// custom dictionaries).
inline constexpr CarriedFolder kLaterCarriedFolders[] = {
    {"Saved Games", CarriedFolder::When::FolderExists, nullptr, CarriedFolder::Made::AllLevels},
    {"AppData\\Roaming\\Microsoft\\Signatures", CarriedFolder::When::FolderExists, nullptr,
     CarriedFolder::Made::AllLevels},
    {"AppData\\Roaming\\Microsoft\\Templates", CarriedFolder::When::FolderExists, nullptr,
     CarriedFolder::Made::AllLevels},
    {"AppData\\Roaming\\Microsoft\\UProof", CarriedFolder::When::FolderExists, nullptr, CarriedFolder::Made::AllLevels},
};

// Both tables, for what looks at every folder row.
inline constexpr std::span<const CarriedFolder> kCarriedFolderTables[] = {kCarriedFolders, kLaterCarriedFolders};

// Sticky Notes since Windows 10: a database of three files in the app's
// own folder, which Windows makes when it sets the app up for a user.
inline constexpr const char* kStickyNotesPackage =
    "AppData\\Local\\Packages\\Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe";
inline constexpr const char* kStickyNotesStore =
    "AppData\\Local\\Packages\\Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe\\LocalState";
inline constexpr const char* kStickyNotesFiles[] = {"plum.sqlite", "plum.sqlite-wal", "plum.sqlite-shm"};

// The Chromium browsers, whose profiles' bookmarks become pages in this
// order. Of those with a status the catalogue also copies the Default
// profile's own files, making its folders from `firstFolderMade` down.
struct ChromiumBrowser {
  const char* name;  // as its pages are named
  const char* userData;
  const char* copyStatus;  // nullptr: its own files are not copied
  const char* firstFolderMade;

  std::string DefaultProfile() const { return std::string(userData) + "\\Default"; }
};

inline constexpr ChromiumBrowser kChromiumBrowsers[] = {
    {"Chrome", "AppData\\Local\\Google\\Chrome\\User Data", "recovering chrome bookmarks and history... ",
     "AppData\\Local\\Google"},
    {"Edge", "AppData\\Local\\Microsoft\\Edge\\User Data", "recovering edge bookmarks and history... ",
     "AppData\\Local\\Microsoft"},
    {"Brave", "AppData\\Local\\BraveSoftware\\Brave-Browser\\User Data", nullptr, nullptr},
    {"Vivaldi", "AppData\\Local\\Vivaldi\\User Data", nullptr, nullptr},
};

}  // namespace ferrowin
