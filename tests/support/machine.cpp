#include "tests/support/machine.h"

#include <windows.h>

#include <algorithm>

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
      DeletePath("c:\\users\\" + entry.name);
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
