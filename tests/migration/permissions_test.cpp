// The permission reset: icacls started through the shell, one process per
// folder, with our stand-in where Windows keeps icacls.
#include "migration/permissions.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "tests/support/console_tools.h"

namespace ferrowin {
namespace {

std::vector<std::string> ProfileFolders(const std::string& profile) {
  std::vector<std::string> folders;
  for (const char* folder : {"Contacts", "Desktop", "Documents", "Downloads", "Favorites", "Music", "Pictures", "Videos"}) {
    folders.push_back(profile + "\\" + folder);
  }
  return folders;
}

std::vector<std::string> ResetAll(const std::vector<std::string>& folders) {
  struct NoWindow : PermissionView {
    HWND Owner() const override { return nullptr; }
    void AddLogLine(const std::string& line) override { log.push_back(line); }
    std::vector<std::string> log;
  } view;
  for (const std::string& folder : folders) ResetPermissions(folder, view);
  return view.log;
}

TEST(PermissionReset, StartsIcaclsForEveryFolderWithoutWaitingForIt) {
  test::ConsoleTools tools;
  // Each reset takes ten seconds; waiting for even one would show.
  tools.Behave("icacls", "delay:10000");
  const DWORD start = GetTickCount();
  EXPECT_TRUE(ResetAll(ProfileFolders("c:\\users\\J\xc3\xb6rg Bauer")).empty());  // "Jörg Bauer"
  EXPECT_LT(GetTickCount() - start, 8000u);

  ASSERT_TRUE(tools.WaitForRecords(8));
  std::vector<std::string> parameters;
  for (const std::string& record : tools.Records()) parameters.push_back(test::ArgumentsOf(record));
  std::sort(parameters.begin(), parameters.end());  // the processes run side by side
  const std::string tail = "\"  /reset /t /c /l /q";
  EXPECT_EQ(parameters, (std::vector<std::string>{
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Contacts" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Desktop" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Documents" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Downloads" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Favorites" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Music" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Pictures" + tail,
                            "\"c:\\users\\J\xc3\xb6rg Bauer\\Videos" + tail,
                        }));
}

TEST(PermissionReset, WithoutIcaclsEveryFolderGetsItsErrorLine) {
  test::ConsoleTools tools;
  test::HiddenSystemTool icacls("icacls");
  ASSERT_TRUE(icacls.Ok());

  const std::vector<std::string> folders = ProfileFolders("c:\\users\\Bob");
  std::vector<std::string> expected;
  // 2: the shell's "file not found".
  for (const std::string& folder : folders) {
    expected.push_back("ERROR: while resetting permissions on " + folder + " - 2");
  }
  EXPECT_EQ(ResetAll(folders), expected);
  EXPECT_TRUE(tools.Records().empty());
}

}  // namespace
}  // namespace ferrowin
