#include "migration/browser_bookmarks.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

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

struct Browser {
  const char* name;
  const char* userData;  // relative to the profile
};

constexpr Browser kBrowsers[] = {
    {"Chrome", "AppData\\Local\\Google\\Chrome\\User Data"},
    {"Edge", "AppData\\Local\\Microsoft\\Edge\\User Data"},
    {"Brave", "AppData\\Local\\BraveSoftware\\Brave-Browser\\User Data"},
    {"Vivaldi", "AppData\\Local\\Vivaldi\\User Data"},
};

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

void AddLine(std::string& page, int level, const std::string& line) {
  page.append(static_cast<size_t>(level) * 4, ' ').append(line).append("\r\n");
}

void AddFolder(std::string& page, const Json& folder, const std::string& name, int level, const char* attributes);

void AddNode(std::string& page, const Json& node, int level) {
  if (!node.is_object()) return;
  const std::string type = Text(node, "type");
  const std::string url = Text(node, "url");
  const bool link = type == "url" || (type.empty() && !url.empty());
  if (!link) return AddFolder(page, node, Text(node, "name"), level, "");
  if (url.empty()) return;  // a link to nowhere
  AddLine(page, level,
          "<DT><A HREF=\"" + Escaped(url) + "\" ADD_DATE=\"" + std::to_string(UnixSeconds(node, "date_added")) + "\">" +
              Escaped(Text(node, "name")) + "</A>");
}

// Recurses once per folder; the depth limit of the text bounds it.
void AddFolder(std::string& page, const Json& folder, const std::string& name, int level, const char* attributes) {
  AddLine(page, level,
          "<DT><H3 ADD_DATE=\"" + std::to_string(UnixSeconds(folder, "date_added")) + "\" LAST_MODIFIED=\"" +
              std::to_string(UnixSeconds(folder, "date_modified")) + "\"" + attributes + ">" + Escaped(name) + "</H3>");
  AddLine(page, level, "<DL><p>");
  const Json& children = Member(folder, "children");
  if (children.is_array()) {
    for (const Json& child : children) AddNode(page, child, level + 1);
  }
  AddLine(page, level, "</DL><p>");
}

// A name from a file, fit for one line of the log.
std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return text;
}

// The text of a browser's file, nullopt when it cannot be read; one too big
// to be the browser's own is not read into memory at all.
std::optional<std::string> ReadBrowserFile(const std::string& path, const PathFacts& facts) {
  std::string text;
  if (facts.size > static_cast<std::int64_t>(kMaxJsonBytes) || !ReadFileBytes(path, text)) return std::nullopt;
  return text;
}

Tally TallyOf(const std::string& name, const PathFacts& facts) {
  return TallyFile(DirEntry{.name = name, .attributes = facts.attributes, .size = facts.size});
}

// The profile folders of a browser's User Data that hold a Bookmarks file, in
// the search's order. A link is never taken for a profile.
std::vector<std::string> ProfilesWithBookmarks(const std::string& userData) {
  std::vector<std::string> folders;
  for (const DirEntry& entry : DirSearch(userData + "\\*", kAllEntriesMask)) {
    if (entry.IsDotEntry() || !entry.IsDirectory() || entry.IsReparsePoint()) continue;
    const PathFacts bookmarks = LookAt(JoinPath(JoinPath(userData, entry.name), "Bookmarks"));
    if (bookmarks.exists && !bookmarks.IsDirectory()) folders.push_back(entry.name);
  }
  return folders;
}

class PageSaver {
 public:
  PageSaver(const std::string& destinationProfile, TransferView& view, LeftBehind& whatStayed)
      : destination_(destinationProfile), view_(view), whatStayed_(whatStayed) {}

  void SaveBrowser(const Browser& browser, const std::string& userData) {
    const std::vector<std::string> profiles = ProfilesWithBookmarks(userData);
    if (profiles.empty()) return;
    const std::map<std::string, std::string> names = ReadNames(browser, userData);
    for (const std::string& folder : profiles) {
      const auto named = names.find(folder);
      SaveProfile(browser, JoinPath(userData, folder), OnOneLine(named == names.end() ? folder : named->second));
    }
  }

 private:
  // The names people gave the profiles; none when Local State is missing or unusable.
  std::map<std::string, std::string> ReadNames(const Browser& browser, const std::string& userData) {
    const std::string path = JoinPath(userData, "Local State");
    const PathFacts facts = LookAt(path);
    if (!facts.exists) return {};
    std::optional<std::map<std::string, std::string>> names;
    if (const std::optional<std::string> text = ReadBrowserFile(path, facts)) names = ProfileNames(*text);
    if (names) return *names;
    view_.AddLogLine(std::string("ERROR: Could not read the bookmarks of ") + browser.name + " (Local State)");
    whatStayed_.Failed(TallyOf("Local State", facts));
    return {};
  }

  void SaveProfile(const Browser& browser, const std::string& profileFolder, const std::string& profile) {
    const std::string label = std::string(browser.name) + " (" + profile + ")";
    view_.SetStatus("saving the bookmarks of " + label + "... ");
    const std::string path = JoinPath(profileFolder, "Bookmarks");
    const PathFacts facts = LookAt(path);
    std::optional<std::string> page;
    if (const std::optional<std::string> text = ReadBrowserFile(path, facts)) page = BookmarksPage(*text);
    if (!page) return Fail("ERROR: Could not read the bookmarks of " + label, facts);
    std::string fileName;
    if (Win32Result saved = WritePage(*page, SafeFileName(std::string(browser.name) + " - " + profile), fileName);
        !saved) {
      return Fail("ERROR: Could not save the bookmarks of " + label + ": " + saved.Reason(), facts);
    }
    view_.AddLogLine("Saved the bookmarks of " + label + " to the desktop as Browser bookmarks\\" + fileName +
                     ": import them in any browser.");
  }

  // Under the first free name of "STEM.html", "STEM (2).html"...; a file
  // already there, or made meanwhile, is never replaced.
  Win32Result WritePage(const std::string& page, const std::string& stem, std::string& fileName) {
    const std::string folder = JoinPath(destination_, kPagesFolder);
    (void)MakeDirectory(JoinPath(destination_, "Desktop"));  // a profile Windows never finished lacks one
    (void)MakeDirectory(folder);
    Win32Result written(ERROR_FILE_EXISTS);
    for (int number = 1; number <= kMaxPageNumber; ++number) {
      fileName = stem + (number == 1 ? "" : " (" + std::to_string(number) + ")") + ".html";
      written = WriteNewFile(JoinPath(folder, fileName), page);
      if (written || (written.Error() != ERROR_FILE_EXISTS && written.Error() != ERROR_ALREADY_EXISTS)) break;
    }
    return written;
  }

  void Fail(const std::string& line, const PathFacts& bookmarks) {
    view_.AddLogLine(line);
    whatStayed_.Failed(TallyOf("Bookmarks", bookmarks));
  }

  const std::string destination_;
  TransferView& view_;
  LeftBehind& whatStayed_;
};

}  // namespace

std::optional<std::string> BookmarksPage(std::string_view bookmarksJson) {
  const std::optional<Json> json = ParseJson(bookmarksJson);
  if (!json) return std::nullopt;
  std::string page =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
      "<TITLE>Bookmarks</TITLE>\r\n"
      "<H1>Bookmarks</H1>\r\n"
      "<DL><p>\r\n";
  const Json& roots = Member(*json, "roots");
  for (const Root& root : kRoots) {
    const Json& folder = Member(roots, root.key);
    const std::string name = Text(folder, "name");
    AddFolder(page, folder, name.empty() ? root.name : name, 1, root.attributes);
  }
  return page + "</DL><p>\r\n";
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

void SaveBookmarkPages(const std::string& sourceProfile, const std::string& destinationProfile, TransferView& view,
                       LeftBehind& whatStayed) {
  PageSaver saver(destinationProfile, view, whatStayed);
  for (const Browser& browser : kBrowsers) saver.SaveBrowser(browser, sourceProfile + browser.userData);
}

}  // namespace ferrowin
