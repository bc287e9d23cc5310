// The bookmarks of every profile of the Chromium browsers (Chrome, Edge,
// Brave, Vivaldi) and of Firefox, saved on the new desktop as pages in the
// Netscape bookmark file format, which every browser imports. Copying a
// browser's own files carries only its Default profile, and only into the
// same browser; Firefox's own restore replaces every bookmark the new
// account already has.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "migration/left_behind.h"
#include "migration/transfer.h"

namespace ferrowin {

// The page for one Chromium Bookmarks file; nullopt when the text is not
// usable JSON (invalid, cut short, nested too deep, larger than 64 MB). Parts
// missing or of the wrong type leave empty folders.
std::optional<std::string> BookmarksPage(std::string_view bookmarksJson);

// The page for one Firefox bookmark backup, decompressed; nullopt when the
// text is not usable JSON. The menu, toolbar, other and mobile folders are
// named as Firefox shows them.
std::optional<std::string> FirefoxBookmarksPage(std::string_view backupJson);

// Profile folder -> the name its owner gave it, from a Local State text;
// nullopt when the text is not usable JSON, empty when it names nothing.
std::optional<std::map<std::string, std::string>> ProfileNames(std::string_view localStateJson);

// The pages of Firefox's profiles, made from their newest backups before the
// catalogue carries the backups (from drive C it moves them out of the old
// profile) and written with the others.
struct FirefoxPages {
  struct Page {
    std::string profile;              // the name its owner gave it
    std::optional<std::string> page;  // nullopt when the backup could not be read
    Tally backup;                     // counted as failed when no page is written
  };
  std::vector<Page> pages;         // the profile Firefox starts by default first
  std::vector<std::string> notes;  // NOTEs on the profiles that gave no page
  bool savedPasswords = false;
};
FirefoxPages ReadFirefoxPages(const std::string& sourceProfile);

// Writes one page per browser profile holding bookmarks to
// destinationProfile + "Desktop\\Browser bookmarks\\BROWSER - PROFILE.html",
// never replacing a file there (a page that is already there as it is counts
// as carried), and never through a link. Both profiles end in a backslash.
// What cannot be read or written becomes an ERROR line and a failed entry; a
// Firefox profile that gives no page, and the saved passwords no copy can
// carry, become NOTEs of advice.
void SaveBookmarkPages(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
                       LeftBehind& whatStayed, const FirefoxPages& firefox);
// The same, Firefox's pages read now.
void SaveBookmarkPages(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
                       LeftBehind& whatStayed);

}  // namespace ferrowin
