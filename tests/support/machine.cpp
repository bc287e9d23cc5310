#include "tests/support/machine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "console/local_accounts.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin::test {

namespace {

constexpr const char* kDrivesFolder = "C:\\ferrowin-drives";

}  // namespace

void CleanMachine::Reset() {
  for (const DirEntry& entry : DirSearch("c:\\users\\*", kAllEntriesMask)) {
    if (entry.IsDotEntry() || entry.name == "Public") continue;
    if (entry.attributes & FILE_ATTRIBUTE_HIDDEN) continue;  // the Wine user's own profile
    if (entry.IsDirectory()) {
      RemoveTree("c:\\users\\" + entry.name);
    } else {
      SetFileAttributesW(Win32Path("c:\\users\\" + entry.name).c_str(), FILE_ATTRIBUTE_NORMAL);
      (void)DeletePath("c:\\users\\" + entry.name);
    }
  }
  for (const DirEntry& entry : DirSearch("c:\\windows.old*", kAllEntriesMask)) RemoveTree("c:\\" + entry.name);
  // Public as a new Wine prefix has it: its five folders, empty.
  RemoveTree("c:\\users\\Public");
  for (const char* folder : {"Desktop", "Documents", "Music", "Pictures", "Videos"}) {
    MakeDirs(std::string("c:\\users\\Public\\") + folder);
  }
  UnmapAllDrives();
  RemoveTree(kDrivesFolder);
  RemoveTree("C:\\ProgramData\\Ferrowin");
}

std::string CleanMachine::AddDrive(char letter) {
  std::string folder = std::string(kDrivesFolder) + "\\" + std::string(1, letter);
  MakeDirs(folder);
  MapDrive(letter, folder);
  return std::string(1, letter) + ":\\";
}

std::vector<std::string> Report(const std::string& source, const std::string& name) {
  return {" ", "Your data has been moved from " + source + " to c:\\users\\" + name + ".",
          "You may need to adjust some settings such as your home page, ",
          "desktop background, screensaver, positions of desktop icons, ",
          "and Outlook / Live Mail SMTP/POP3 settings."};
}

std::vector<std::string> WithoutLogFileNote(std::vector<std::string> lines) {
  auto note = std::find_if(lines.begin(), lines.end(),
                           [](const std::string& line) { return StartsWith(line, "NOTE: This log is saved as "); });
  EXPECT_NE(note, lines.end()) << "no line names the log file";
  if (note != lines.end()) lines.erase(note);
  return lines;
}

ProfileListEntry::ProfileListEntry(std::string sid, const std::string& folder) : sid_(std::move(sid)) {
  const std::wstring key = std::wstring(kProfileListKey) + L"\\" + Widen(sid_);
  const std::wstring value = Widen(folder);
  HKEY entry = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &entry,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  ok_ = RegSetValueExW(entry, L"ProfileImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(entry);
}

ProfileListEntry::~ProfileListEntry() {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kProfileListKey) + L"\\" + Widen(sid_)).c_str(), KEY_WOW64_64KEY,
                  0);
}

void SimulateFirstSignIn(const std::string& name) {
  for (const char* folder : {"Contacts", "Desktop", "Documents", "Downloads", "Favorites", "Music", "Pictures",
                             "Videos", "AppData\\Roaming\\Microsoft", "AppData\\Local\\Microsoft"}) {
    MakeDirs("c:\\users\\" + name + "\\" + folder);
  }
}

std::vector<std::string> InFileSystemOrder(const std::string& folder, const std::vector<std::string>& wanted) {
  std::vector<std::string> names;
  for (const DirEntry& entry : DirSearch(folder + "\\*", kAllEntriesMask)) {
    if (std::find(wanted.begin(), wanted.end(), entry.name) != wanted.end()) names.push_back(entry.name);
  }
  return names;
}

}  // namespace ferrowin::test
