#include "migration/browser_bookmarks.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "migration/carried_folders.h"
#include "migration/catalogue.h"
#include "migration/firefox_profiles.h"
#include "migration/lz4_block.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

using Json = nlohmann::json;

// A browser's own files are a few megabytes at most; anything bigger or
// deeper is no file of theirs, and is refused before it is read or parsed.
constexpr size_t kMaxJsonBytes = 64 * 1024 * 1024;
constexpr int kMaxJsonDepth = 200;

// "Chrome - Work (1000).html" is the last name tried.
constexpr int kMaxPageNumber = 1000;

constexpr const char* kPagesFolder = "Desktop\\Browser bookmarks";

struct Root {
  const char* key;
  const char* name;  // when the file gives none
  const char* attributes;
};

constexpr Root kRoots[] = {
    {"bookmark_bar", "Bookmarks bar", " PERSONAL_TOOLBAR_FOLDER=\"true\""},
    {"other", "Other bookmarks", ""},
    {"synced", "Mobile bookmarks", ""},
};

// A cheap scan, string contents skipped, so that a text nested thousands deep
// never reaches a parser or a writer that recurse.
bool NestedWithinLimit(std::string_view text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

std::optional<Json> ParseJson(std::string_view text) {
  if (text.size() > kMaxJsonBytes || !NestedWithinLimit(text)) return std::nullopt;
  try {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    return json;
  } catch (...) {  // out of memory: with its own exceptions off, the parser throws nothing else
    return std::nullopt;
  }
}

// A member of an object; null when the node is no object or lacks it.
const Json& Member(const Json& node, const char* key) {
  static const Json nothing;
  if (!node.is_object()) return nothing;
  const auto found = node.find(key);
  return found == node.end() ? nothing : *found;
}

std::string Text(const Json& node, const char* key) {
  const Json& value = Member(node, key);
  return value.is_string() ? value.get_ref<const std::string&>() : std::string();
}

// Chromium keeps times as microseconds since 1601 in decimal text; the page
// wants seconds since 1970. Anything else, or a time before 1970, is 0.
std::int64_t UnixSeconds(const Json& node, const char* key) {
  constexpr std::uint64_t kSeconds1601To1970 = 11644473600;
  const std::string text = Text(node, key);
  std::uint64_t microseconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), microseconds);
  if (error != std::errc() || end != text.data() + text.size()) return 0;
  const std::uint64_t seconds = microseconds / 1000000;
  return seconds > kSeconds1601To1970 ? static_cast<std::int64_t>(seconds - kSeconds1601To1970) : 0;
}

// Firefox keeps times as a JSON number of microseconds since 1970.
std::int64_t FirefoxSeconds(const Json& node, const char* key) {
  const Json& value = Member(node, key);
  if (value.is_number_unsigned()) return static_cast<std::int64_t>(value.get<std::uint64_t>() / 1000000);
  if (value.is_number_integer()) return value.get<std::int64_t>() / 1000000;
  if (value.is_number_float()) {
    const double seconds = value.get<double>() / 1000000;
    return seconds > 0 && seconds < 1e15 ? static_cast<std::int64_t>(seconds) : 0;
  }
  return 0;
}

// An attribute for a date; none for a date that is missing, zero or before
// 1970, which an importer would otherwise take for 1 January 1970.
std::string DateAttribute(const char* name, std::int64_t seconds) {
  std::string attribute;
  if (seconds > 0) attribute.append(" ").append(name).append("=\"").append(std::to_string(seconds)).append("\"");
  return attribute;
}

// Text for the page. Line breaks become blanks: importers read the page a
// line at a time.
std::string Escaped(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      case '\r':
      case '\n': escaped += ' '; break;
      default: escaped += c;
    }
  }
  return escaped;
}

// Chromium's importer takes a backslash before the closing quote for an
// escaped quote and loses the rest of the line; %5C is the same URL to a browser.
std::string UrlAttribute(std::string_view url) {
  size_t backslashes = 0;
  while (backslashes < url.size() && url[url.size() - 1 - backslashes] == '\\') ++backslashes;
  std::string value = Escaped(url.substr(0, url.size() - backslashes));
  for (size_t i = 0; i < backslashes; ++i) value += "%5C";
  return " HREF=\"" + value + "\"";
}

void AddLine(std::string& page, int level, const std::string& line) {
  page.append(static_cast<size_t>(level) * 4, ' ').append(line).append("\r\n");
}

std::string FolderHeading(const std::string& name, const std::string& dates, const char* attributes) {
  return "<DT><H3" + dates + attributes + ">" + Escaped(name) + "</H3>";
}

// A folder's heading and its list; `addContents(level)` adds what is in it.
// A browser's root is written only when it holds something: most people's
// "Mobile bookmarks" are empty, and would become an empty folder in every import.
template <typename AddContents>
void AddFolder(std::string& page, int level, const std::string& heading, bool root, AddContents addContents) {
  const size_t start = page.size();
  AddLine(page, level, heading);
  AddLine(page, level, "<DL><p>");
  const size_t contents = page.size();
  addContents(level + 1);
  if (root && page.size() == contents) return page.resize(start);
  AddLine(page, level, "</DL><p>");
}

std::string PageStart() {
  return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
         "<TITLE>Bookmarks</TITLE>\r\n"
         "<H1>Bookmarks</H1>\r\n"
         "<DL><p>\r\n";
}
constexpr const char* kPageEnd = "</DL><p>\r\n";

// Chromium's Bookmarks file: roots, each a folder of folders ("type":
// "folder") and links ("type": "url").
namespace chromium {

std::string Dates(const Json& folder) {
  return DateAttribute("ADD_DATE", UnixSeconds(folder, "date_added")) +
         DateAttribute("LAST_MODIFIED", UnixSeconds(folder, "date_modified"));
}

void AddContents(std::string& page, const Json& folder, int level);

// Recurses once per folder; the depth limit of the text bounds it.
void AddNode(std::string& page, const Json& node, int level) {
  if (!node.is_object()) return;
  const std::string type = Text(node, "type");
  const std::string url = Text(node, "url");
  const bool link = type == "url" || (type.empty() && !url.empty());
  if (!link) {
    return AddFolder(page, level, FolderHeading(Text(node, "name"), Dates(node), ""), false,
                     [&](int inner) { AddContents(page, node, inner); });
  }
  if (url.empty()) return;  // a link to nowhere
  AddLine(page, level,
          "<DT><A" + UrlAttribute(url) + DateAttribute("ADD_DATE", UnixSeconds(node, "date_added")) + ">" +
              Escaped(Text(node, "name")) + "</A>");
}

void AddContents(std::string& page, const Json& folder, int level) {
  const Json& children = Member(folder, "children");
  if (!children.is_array()) return;
  for (const Json& child : children) AddNode(page, child, level);
}

}  // namespace chromium

// Firefox's bookmark backup: the places root, whose children are the menu,
// the toolbar, the other and the mobile bookmarks (and, in older backups,
// the tags), each a tree of containers, places and separators.
namespace firefox {

struct Root {
  const char* root;
  const char* guid;
  const char* name;  // as Firefox shows it; the backup's own titles are internal ("menu")
  const char* attributes;
};

constexpr Root kRoots[] = {
    {"bookmarksMenuFolder", "menu________", "Bookmarks Menu", ""},
    {"toolbarFolder", "toolbar_____", "Bookmarks Toolbar", " PERSONAL_TOOLBAR_FOLDER=\"true\""},
    {"unfiledBookmarksFolder", "unfiled_____", "Other Bookmarks", " UNFILED_BOOKMARKS_FOLDER=\"true\""},
    {"mobileFolder", "mobile______", "Mobile Bookmarks", ""},
};

// Tagged places, listed again under each tag: no bookmarks of their own.
bool IsTagsRoot(const Json& node) { return Text(node, "root") == "tagsFolder" || Text(node, "guid") == "tags________"; }

const Root* RootOf(const Json& node) {
  const std::string root = Text(node, "root"), guid = Text(node, "guid");
  for (const Root& known : kRoots) {
    if ((!root.empty() && root == known.root) || (root.empty() && guid == known.guid)) return &known;
  }
  return nullptr;
}

enum class Kind { Link, Folder, Separator, Unknown };

Kind KindOf(const Json& node) {
  const std::string type = Text(node, "type");
  if (type == "text/x-moz-place") return Kind::Link;
  if (type == "text/x-moz-place-container") return Kind::Folder;
  if (type == "text/x-moz-place-separator") return Kind::Separator;
  const Json& code = Member(node, "typeCode");
  if (!type.empty() || !code.is_number_integer()) return Kind::Unknown;
  switch (code.get<std::int64_t>()) {
    case 1: return Kind::Link;
    case 2: return Kind::Folder;
    case 3: return Kind::Separator;
    default: return Kind::Unknown;
  }
}

std::string Dates(const Json& node) {
  return DateAttribute("ADD_DATE", FirefoxSeconds(node, "dateAdded")) +
         DateAttribute("LAST_MODIFIED", FirefoxSeconds(node, "lastModified"));
}

void AddContents(std::string& page, const Json& folder, int level);

// Recurses once per folder; the depth limit of the text bounds it.
void AddNode(std::string& page, const Json& node, int level) {
  if (!node.is_object()) return;
  switch (KindOf(node)) {
    case Kind::Link: {
      const std::string url = Text(node, "uri");
      if (url.empty()) return;  // a link to nowhere
      return AddLine(page, level,
                     "<DT><A" + UrlAttribute(url) + Dates(node) + ">" + Escaped(Text(node, "title")) + "</A>");
    }
    case Kind::Folder:
      return AddFolder(page, level, FolderHeading(Text(node, "title"), Dates(node), ""), false,
                       [&](int inner) { AddContents(page, node, inner); });
    case Kind::Separator: return AddLine(page, level, "<HR>");
    case Kind::Unknown: return;
  }
}

void AddContents(std::string& page, const Json& folder, int level) {
  const Json& children = Member(folder, "children");
  if (!children.is_array()) return;
  for (const Json& child : children) AddNode(page, child, level);
}

}  // namespace firefox

// The bytes of a browser's file, nullopt when it cannot be read; one too big
// to be the browser's own is not read into memory at all.
std::optional<std::string> ReadBrowserFile(const std::string& path, const PathFacts& facts, size_t limit) {
  std::string text;
  if (facts.size > static_cast<std::int64_t>(limit) || !ReadFileBytes(path, text, limit)) return std::nullopt;
  return text;
}

// The profile folders in a browser's folder of profiles (Chromium's User
// Data, Firefox's Profiles), in the search's order. A link is never taken for
// a profile.
std::vector<std::string> ProfileFolders(const std::string& userData) {
  std::vector<std::string> folders;
  for (const DirEntry& entry : DirSearch(userData + "\\*", kAllEntriesMask)) {
    if (!entry.IsDotEntry() && entry.IsDirectory() && !entry.IsReparsePoint()) folders.push_back(entry.name);
  }
  return folders;
}

bool HasFile(const std::string& folder, const char* name) { return LookAt(JoinPath(folder, name)).IsFileOfAnyDate(); }

// "STEM.html" or "STEM (N).html", both in lower case: a name this program
// gave a page of the same profile.
bool IsPageName(const std::string& name, const std::string& stem) {
  if (name == stem + ".html") return true;
  const std::string start = stem + " (", end = ").html";
  if (!StartsWith(name, start) || name.size() <= start.size() + end.size()) return false;
  if (name.compare(name.size() - end.size(), end.size(), end) != 0) return false;
  const std::string number = name.substr(start.size(), name.size() - start.size() - end.size());
  return number.find_first_not_of("0123456789") == std::string::npos;
}

std::string ListOfNames(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return list;
}

// Reads Firefox's list of profiles and makes the page of each one's newest
// backup.
class FirefoxReader {
 public:
  explicit FirefoxReader(const std::string& sourceProfile) : source_(AsFolder(sourceProfile)) {}

  FirefoxPages Read() {
    const std::string firefox = source_ + kFirefoxFolder;
    if (!PathIsDirectory(firefox)) return {};
    const std::string profilesFolder = JoinPath(firefox, "Profiles");
    for (const std::string& folder : ProfileFolders(profilesFolder)) {
      read_.savedPasswords |= HasFile(JoinPath(profilesFolder, folder), "logins.json");
    }
    const std::string iniPath = JoinPath(firefox, "profiles.ini");
    if (!LookAt(iniPath).exists && !PathIsDirectory(profilesFolder)) return std::move(read_);  // never used
    std::string profilesIni, installsIni;
    if (Win32Result read = ReadFileBytes(iniPath, profilesIni, kMaxIniBytes); !read) {
      read_.notes.push_back("NOTE: No bookmark page was made for Firefox: its list of profiles, " +
                            std::string(kFirefoxFolder) + "\\profiles.ini, could not be read (" + read.Reason() + ").");
      return std::move(read_);
    }
    if (!ReadFileBytes(JoinPath(firefox, "installs.ini"), installsIni, kMaxIniBytes)) installsIni.clear();
    for (const FirefoxProfile& profile : ListedFirefoxProfiles(profilesIni, installsIni)) ReadProfile(profile);
    return std::move(read_);
  }

 private:
  // profiles.ini lists a handful of profiles; anything bigger is no file of Firefox's.
  static constexpr std::int64_t kMaxIniBytes = 1024 * 1024;

  void ReadProfile(const FirefoxProfile& profile) {
    const std::string noPage = "NOTE: No bookmark page was made for Firefox (" + profile.name + "): ";
    const std::optional<std::string> relative = FolderInOldProfile(profile, source_);
    if (!relative) {
      return read_.notes.push_back(noPage + "its folder " + OnOneLine(profile.path) + " lies outside the old profile.");
    }
    const std::string backups = JoinPath(*relative, "bookmarkbackups");
    if (const std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(source_, backups)) {
      return read_.notes.push_back(noPage + "its folder " + link->path + " is a link, which is never followed.");
    }
    read_.savedPasswords |= HasFile(source_ + *relative, "logins.json");
    const std::optional<DirEntry> newest = NewestBookmarkBackup(source_ + backups);
    if (!newest) return read_.notes.push_back(noPage + "it has no bookmark backup.");
    const std::string path = JoinPath(source_ + backups, newest->name);
    const PathFacts facts = LookAt(path);
    std::optional<std::string> page;
    if (const std::optional<std::string> bytes = ReadBrowserFile(path, facts, kMaxMozLz4FileBytes)) {
      if (const std::optional<std::string> json = DecodeMozLz4(*bytes)) page = FirefoxBookmarksPage(*json);
    }
    read_.pages.push_back({.profile = profile.name, .page = std::move(page), .backup = TallyFile(newest->name, facts)});
  }

  const std::string source_;
  FirefoxPages read_;
};

class PageSaver {
 public:
  PageSaver(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
            LeftBehind& whatStayed)
      : source_(AsFolder(sourceProfile)), destination_(destinationProfile), view_(view), whatStayed_(whatStayed) {}

  void SaveChromium(const ChromiumBrowser& browser) {
    const std::string userData = source_ + browser.userData;
    const std::vector<std::string> folders = ProfileFolders(userData);
    std::vector<std::string> withBookmarks;
    for (const std::string& folder : folders) {
      const std::string profile = JoinPath(userData, folder);
      if (HasFile(profile, "Bookmarks")) withBookmarks.push_back(folder);
      if (HasFile(profile, "Login Data")) NotePasswords(browser.name);
    }
    if (withBookmarks.empty()) return;
    const std::map<std::string, std::string> names = ReadNames(browser, userData);
    for (const std::string& folder : withBookmarks) {
      const auto named = names.find(folder);
      SaveChromiumProfile(browser, JoinPath(userData, folder),
                          OnOneLine(named == names.end() ? folder : named->second));
    }
  }

  void SaveFirefox(const FirefoxPages& firefox) {
    if (firefox.savedPasswords) NotePasswords("Firefox");
    for (const FirefoxPages::Page& page : firefox.pages) {
      SaveProfile("Firefox", page.profile, page.page, page.backup);
    }
    for (const std::string& note : firefox.notes) whatStayed_.Advise(note);
  }

  // One NOTE, the last: what no copy of files can carry.
  void AdviseOnPasswords() {
    if (passwords_.empty()) return;
    std::vector<std::string> chromium = passwords_;
    const bool firefox = std::erase(chromium, "Firefox") > 0;
    if (chromium.empty()) {
      return whatStayed_.Advise(
          "NOTE: Saved passwords of Firefox are not carried. Sign in to Firefox's sync in the new account, or export "
          "them in the old account (about:logins, the menu, Export Passwords) and import them in the new one "
          "(about:logins, the menu, Import from a File).");
    }
    whatStayed_.Advise("NOTE: Saved passwords of " + ListOfNames(chromium) +
                       " cannot be carried: Windows keeps their key for the old account only. Sign in to the "
                       "browser's sync in the new account, or export them in the old account (Settings, Passwords, "
                       "Export) and import them in the new one." +
                       (firefox ? " Firefox's are not carried either: sign in to its sync, or use its own export "
                                  "and import in about:logins."
                                : ""));
  }

 private:
  void NotePasswords(const std::string& browser) {
    if (std::find(passwords_.begin(), passwords_.end(), browser) == passwords_.end()) passwords_.push_back(browser);
  }

  // The names people gave the profiles; none when Local State is missing or unusable.
  std::map<std::string, std::string> ReadNames(const ChromiumBrowser& browser, const std::string& userData) {
    const std::string path = JoinPath(userData, "Local State");
    const PathFacts facts = LookAt(path);
    if (!facts.exists) return {};
    std::optional<std::map<std::string, std::string>> names;
    const std::optional<std::string> text = ReadBrowserFile(path, facts, kMaxJsonBytes);
    if (text) names = ProfileNames(*text);
    if (names) return *names;
    view_.AddLogLine(std::string("ERROR: Could not read the bookmarks of ") + browser.name + " (Local State)");
    whatStayed_.Failed(TallyFile("Local State", facts));
    return {};
  }

  void SaveChromiumProfile(const ChromiumBrowser& browser, const std::string& profileFolder, const std::string& profile) {
    const std::string path = JoinPath(profileFolder, "Bookmarks");
    const PathFacts facts = LookAt(path);
    std::optional<std::string> page;
    const std::optional<std::string> text = ReadBrowserFile(path, facts, kMaxJsonBytes);
    if (text) page = BookmarksPage(*text);
    SaveProfile(browser.name, profile, page, TallyFile("Bookmarks", facts));
  }

  // One profile's page; nullopt when its bookmarks could not be read.
  // `source` is the bookmarks file, counted as failed when no page is written.
  void SaveProfile(const std::string& browser, const std::string& profile, const std::optional<std::string>& page,
                   const Tally& source) {
    const std::string label = browser + " (" + profile + ")";
    view_.SetStatus("saving the bookmarks of " + label + "... ");
    if (PagesFolderIsALink()) return;
    if (!page) return Fail("ERROR: Could not read the bookmarks of " + label, source);
    std::string pageName;
    if (Win32Result saved = PutPage(*page, SafeFileName(browser + " - " + profile), pageName); !saved) {
      return Fail("ERROR: Could not save the bookmarks of " + label + ": " + saved.Reason(), source);
    }
    whatStayed_.Carried(TallyFile(DirEntry{.name = pageName, .size = static_cast<std::int64_t>(page->size())}));
    view_.AddLogLine("Saved the bookmarks of " + label + " to the desktop as Browser bookmarks\\" + pageName +
                     ": import them in any browser.");
  }

  // A folder of pages that is a link (a junction into another person's
  // profile) is never written through; said once.
  bool PagesFolderIsALink() {
    if (!linkLookedFor_) {
      linkLookedFor_ = true;
      if (const std::optional<LinkOnTheWay> link = FirstLinkOnTheWay(destination_, kPagesFolder)) {
        view_.AddLogLine("ERROR: Did not follow the link " + link->path);
        whatStayed_.Failed({});
        pagesFolderLinked_ = true;
      }
    }
    return pagesFolderLinked_;
  }

  // The page under a name of its own: the one of these names that already
  // holds exactly this page (a migration run again), or else the first free
  // one of "STEM.html", "STEM (2).html"... A file already there, or made
  // meanwhile, is never replaced.
  Win32Result PutPage(const std::string& page, const std::string& stem, std::string& fileName) {
    const std::string folder = JoinPath(destination_, kPagesFolder);
    (void)MakeDirectory(JoinPath(destination_, "Desktop"));  // a profile Windows never finished lacks one
    (void)MakeDirectory(folder);
    fileName = SamePageThere(folder, stem, page);
    if (!fileName.empty()) return {};
    Win32Result written(ERROR_FILE_EXISTS);
    for (int number = 1; number <= kMaxPageNumber; ++number) {
      fileName = stem + (number == 1 ? "" : " (" + std::to_string(number) + ")") + ".html";
      written = WriteNewFile(JoinPath(folder, fileName), page);
      if (written || (written.Error() != ERROR_FILE_EXISTS && written.Error() != ERROR_ALREADY_EXISTS)) break;
    }
    return written;
  }

  static std::string SamePageThere(const std::string& folder, const std::string& stem, const std::string& page) {
    const std::string lowerStem = LowerCase(stem);
    for (const DirEntry& entry : DirSearch(JoinPath(folder, "*"), kAllEntriesMask)) {
      if (entry.IsDirectory() || entry.IsReparsePoint() || entry.size != static_cast<std::int64_t>(page.size())) {
        continue;
      }
      if (!IsPageName(LowerCase(entry.name), lowerStem)) continue;
      std::string there;
      if (ReadFileBytes(JoinPath(folder, entry.name), there, entry.size) && there == page) return entry.name;
    }
    return {};
  }

  void Fail(const std::string& line, const Tally& tally) {
    view_.AddLogLine(line);
    whatStayed_.Failed(tally);
  }

  const std::string source_;
  const std::string destination_;
  TransferView& view_;
  LeftBehind& whatStayed_;
  bool linkLookedFor_ = false;
  bool pagesFolderLinked_ = false;
  std::vector<std::string> passwords_;  // the browsers with saved passwords, in order
};

}  // namespace

std::optional<std::string> BookmarksPage(std::string_view bookmarksJson) {
  const std::optional<Json> json = ParseJson(bookmarksJson);
  if (!json) return std::nullopt;
  std::string page = PageStart();
  const Json& roots = Member(*json, "roots");
  for (const Root& root : kRoots) {
    const Json& folder = Member(roots, root.key);
    const std::string name = Text(folder, "name");
    AddFolder(page, 1, FolderHeading(name.empty() ? root.name : name, chromium::Dates(folder), root.attributes), true,
              [&](int level) { chromium::AddContents(page, folder, level); });
  }
  return page + kPageEnd;
}

std::optional<std::string> FirefoxBookmarksPage(std::string_view backupJson) {
  const std::optional<Json> json = ParseJson(backupJson);
  if (!json || !json->is_object()) return std::nullopt;
  std::string page = PageStart();
  const Json& children = Member(*json, "children");
  if (children.is_array()) {
    for (const Json& child : children) {
      if (firefox::IsTagsRoot(child)) continue;
      const firefox::Root* root = firefox::RootOf(child);
      if (!root) {
        firefox::AddNode(page, child, 1);
        continue;
      }
      AddFolder(page, 1, FolderHeading(root->name, firefox::Dates(child), root->attributes), true,
                [&](int level) { firefox::AddContents(page, child, level); });
    }
  }
  return page + kPageEnd;
}

std::optional<std::map<std::string, std::string>> ProfileNames(std::string_view localStateJson) {
  const std::optional<Json> json = ParseJson(localStateJson);
  if (!json) return std::nullopt;
  std::map<std::string, std::string> names;
  const Json& profiles = Member(Member(*json, "profile"), "info_cache");
  if (!profiles.is_object()) return names;
  for (const auto& profile : profiles.items()) {
    const std::string name = Text(profile.value(), "name");
    if (!Trim(name).empty()) names[profile.key()] = name;
  }
  return names;
}

FirefoxPages ReadFirefoxPages(const std::string& sourceProfile) { return FirefoxReader(sourceProfile).Read(); }

void SaveBookmarkPages(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
                       LeftBehind& whatStayed, const FirefoxPages& firefox) {
  PageSaver saver(sourceProfile, destinationProfile, view, whatStayed);
  for (const ChromiumBrowser& browser : kChromiumBrowsers) saver.SaveChromium(browser);
  saver.SaveFirefox(firefox);
  saver.AdviseOnPasswords();
}

void SaveBookmarkPages(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
                       LeftBehind& whatStayed) {
  SaveBookmarkPages(sourceProfile, destinationProfile, view, whatStayed, ReadFirefoxPages(sourceProfile));
}

}  // namespace ferrowin
