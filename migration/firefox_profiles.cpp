#include "migration/firefox_profiles.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/text.h"

namespace ferrowin {

namespace {

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;

  std::string Value(std::string_view key) const {
    for (const auto& [k, v] : values) {
      if (k == key) return v;
    }
    return {};
  }
};

// Sections of "key=value" lines, as Firefox writes them; lines of no section,
// and anything that is neither, are passed over.
std::vector<IniSection> ParseIni(std::string_view text) {
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<IniSection> sections;
  for (const std::string& raw : SplitLines(text)) {
    const std::string line = Trim(raw);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back({Trim(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const size_t equals = line.find('=');
    if (sections.empty() || equals == std::string::npos || line[0] == ';' || line[0] == '#') continue;
    sections.back().values.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
  return sections;
}

bool SectionOf(const IniSection& section, std::string_view prefix) {
  return StartsWith(section.name, prefix) && section.name.size() > prefix.size();
}

std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A name from a file, fit for one line of the log and for a file name.
std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return Trim(text);
}

std::string LastComponent(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  const size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// A path inside a folder: no empty, "." or ".." step out of it, no drive, no
// named stream.
bool StaysInside(std::string_view relative) {
  if (relative.empty()) return false;
  size_t start = 0;
  while (true) {
    const size_t end = relative.find('\\', start);
    const std::string_view step = relative.substr(start, end == std::string_view::npos ? end : end - start);
    if (step.empty() || step == "." || step == ".." || step.find(':') != std::string_view::npos) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

// "bookmarks-2024-05-01_1234_AbCd.jsonlz4" -> "2024-05-01"; empty when the
// name is no backup's.
std::string BackupDate(const std::string& name) {
  const std::string lower = LowerCase(name);
  constexpr std::string_view kStart = "bookmarks-", kEnd = ".jsonlz4";
  const size_t dateEnd = kStart.size() + 10;
  if (!StartsWith(lower, kStart) || lower.size() < dateEnd + kEnd.size()) return {};
  if (lower.compare(lower.size() - kEnd.size(), kEnd.size(), kEnd) != 0) return {};
  const std::string date = lower.substr(kStart.size(), 10);
  for (size_t i = 0; i < date.size(); ++i) {
    const bool dash = i == 4 || i == 7;
    if (dash ? date[i] != '-' : (date[i] < '0' || date[i] > '9')) return {};
  }
  const size_t rest = lower.size() - kEnd.size();
  if (rest != dateEnd && lower[dateEnd] != '_') return {};
  return date;
}

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::vector<FirefoxProfile> ListedFirefoxProfiles(std::string_view profilesIni, std::string_view installsIni) {
  const std::vector<IniSection> sections = ParseIni(profilesIni);
  std::vector<std::string> installDefaults;
  auto addDefaults = [&installDefaults](const std::vector<IniSection>& from, bool allSections) {
    for (const IniSection& section : from) {
      const std::string path = LowerCase(WithBackslashes(section.Value("Default")));
      if ((allSections || SectionOf(section, "Install")) && !path.empty()) installDefaults.push_back(path);
    }
  };
  addDefaults(sections, false);
  addDefaults(ParseIni(installsIni), true);  // its sections are the installs' hashes alone

  std::vector<FirefoxProfile> profiles;
  std::vector<bool> markedDefault;
  for (const IniSection& section : sections) {
    if (!SectionOf(section, "Profile")) continue;
    FirefoxProfile profile{.path = WithBackslashes(section.Value("Path")),
                           .isRelative = section.Value("IsRelative") != "0"};
    if (profile.path.empty()) continue;
    const bool listed = std::any_of(profiles.begin(), profiles.end(),
                                    [&](const FirefoxProfile& other) { return SameText(other.path, profile.path); });
    if (listed) continue;
    profile.name = OnOneLine(section.Value("Name"));
    if (profile.name.empty()) profile.name = OnOneLine(LastComponent(profile.path));
    const std::string path = LowerCase(profile.path);
    profile.isDefault = std::find(installDefaults.begin(), installDefaults.end(), path) != installDefaults.end();
    profiles.push_back(std::move(profile));
    markedDefault.push_back(section.Value("Default") == "1");
  }
  // Firefox before version 67 marked the one it started in the profile's own section.
  if (std::none_of(profiles.begin(), profiles.end(), [](const FirefoxProfile& p) { return p.isDefault; })) {
    for (size_t i = 0; i < profiles.size(); ++i) profiles[i].isDefault = markedDefault[i];
  }
  std::stable_partition(profiles.begin(), profiles.end(), [](const FirefoxProfile& p) { return p.isDefault; });
  return profiles;
}

std::optional<std::string> FolderInOldProfile(const FirefoxProfile& profile, std::string_view oldProfile) {
  std::string relative;
  if (profile.isRelative) {
    relative = JoinPath(kFirefoxFolder, profile.path);
  } else {
    const std::string path = LowerCase(profile.path);
    const std::string here = LowerCase(AsFolder(oldProfile));
    // Where the old profile was when its Windows ran: X:\Users\NAME\.
    const std::string then = ":\\users\\" + LowerCase(LastComponent(oldProfile)) + "\\";
    if (StartsWith(path, here)) {
      relative = profile.path.substr(here.size());
    } else if (path.size() > 1 + then.size() && path.compare(1, then.size(), then) == 0) {
      relative = profile.path.substr(1 + then.size());
    } else {
      return std::nullopt;
    }
  }
  while (!relative.empty() && relative.back() == '\\') relative.pop_back();
  if (!StaysInside(relative)) return std::nullopt;
  return relative;
}

std::optional<DirEntry> NewestBookmarkBackup(const std::string& backupsFolder) {
  std::optional<DirEntry> newest;
  std::string newestDate;
  for (const DirEntry& entry : DirSearch(JoinPath(backupsFolder, "*"), kAllEntriesMask)) {
    if (entry.IsDirectory() || entry.IsReparsePoint()) continue;
    const std::string date = BackupDate(entry.name);
    if (date.empty()) continue;
    if (newest && std::pair(date, Ticks(entry.lastWrite)) <= std::pair(newestDate, Ticks(newest->lastWrite))) continue;
    newest = entry;
    newestDate = date;
  }
  return newest;
}

}  // namespace ferrowin
