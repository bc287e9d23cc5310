// Profile discovery on real folders: c:\users, old installations on C: and a
// second drive.
#include "profiles/discovery.h"

#include <gtest/gtest.h>

#include "app/Unit2.h"
#include "platform/files.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::InFileSystemOrder;
using test::MakeDirs;
using test::WriteFile;

constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

void MakeHiddenFolder(const std::string& path) {
  MakeDirs(path);
  SetFileAttributesW(Win32Path(path).c_str(), kHidden);
}

class Discovery : public ::testing::Test {
 protected:
  // The c:\users of a typical machine: real profiles among the ones Windows
  // keeps for itself, and leftovers of earlier rescues.
  void MakeTypicalUsersFolder() {
    MakeDirs("c:\\users\\Alice");
    MakeDirs("c:\\users\\Bob");
    MakeHiddenFolder("c:\\users\\Default");
    MakeHiddenFolder("c:\\users\\Default User");
    MakeHiddenFolder("c:\\users\\All Users");
    WriteFile("c:\\users\\desktop.ini", "[.ShellClassInfo]", kHiddenSystem);
    WriteFile("c:\\users\\notes.txt", "not a profile");
    MakeDirs("c:\\users\\Default.migrated");
    MakeDirs("c:\\users\\Bob-INFECTED");
  }

  test::CleanMachine machine;
};

TEST_F(Discovery, ListsOnlyRealProfilesOfCUsersInBothLists) {
  MakeTypicalUsersFolder();
  ProfileLists lists = DiscoverProfiles();
  std::vector<std::string> expected = InFileSystemOrder("c:\\users", {"Alice", "Bob", "Public"});
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(lists.sources, expected);
  EXPECT_EQ(lists.destinations, expected);
}

TEST_F(Discovery, AddsOldInstallationsAndOtherDrivesAsFullPathsToTheSourcesOnly) {
  MakeTypicalUsersFolder();
  MakeDirs("c:\\windows.old\\users\\Carol");
  MakeDirs("c:\\windows.old\\users\\Alice");  // the same name as a current profile: both listed
  MakeDirs("c:\\windows.old.003\\users\\Eve");
  MakeHiddenFolder("c:\\windows.old.003\\users\\Hidden");
  std::string e = machine.AddDrive('e');
  MakeDirs(e + "users\\Dan");
  MakeDirs(e + "users\\Dan-infected");
  MakeHiddenFolder(e + "users\\Default");
  std::string g = machine.AddDrive('g');  // a second disk without a users folder
  MakeDirs(g + "data");

  ProfileLists lists = DiscoverProfiles();
  std::vector<std::string> expected = InFileSystemOrder("c:\\users", {"Alice", "Bob", "Public"});
  EXPECT_EQ(lists.destinations, expected);
  for (const std::string& name : InFileSystemOrder("c:\\windows.old\\users", {"Alice", "Carol"})) {
    expected.push_back("c:\\windows.old\\users\\" + name);
  }
  expected.push_back("c:\\windows.old.003\\users\\Eve");
  expected.push_back("e:\\users\\Dan");
  EXPECT_EQ(lists.sources, expected);
}

TEST_F(Discovery, ScansTheThirtyFiveRootsInOrder) {
  std::vector<std::string> roots = UsersRoots();
  ASSERT_EQ(roots.size(), 35u);
  EXPECT_EQ(roots[0], "c:\\users");
  EXPECT_EQ(roots[1], "c:\\windows.old\\users");
  EXPECT_EQ(roots[2], "c:\\windows.old.000\\users");
  EXPECT_EQ(roots[11], "c:\\windows.old.009\\users");
  EXPECT_EQ(roots[12], "d:\\users");
  EXPECT_EQ(roots[34], "z:\\users");
}

TEST_F(Discovery, AFolderNamedLikeAPathUnderAnotherRootIsNotShortened) {
  // Only roots that begin exactly "c:\u" give bare names.
  std::vector<std::string> profiles;
  MakeDirs("c:\\windows.old.001\\users\\Frank");
  AddProfilesUnder("c:\\windows.old.001\\users", profiles);
  AddProfilesUnder("c:\\no such root", profiles);
  EXPECT_EQ(profiles, std::vector<std::string>{"c:\\windows.old.001\\users\\Frank"});
  EXPECT_EQ(ProfileFolder("Frank"), "c:\\users\\Frank");
  EXPECT_EQ(ProfileFolder("c:\\windows.old.001\\users\\Frank"), "c:\\windows.old.001\\users\\Frank");
}

class DiscoveryInTheWindow : public test::WindowTest {
 protected:
  test::CleanMachine machine;
};

TEST_F(DiscoveryInTheWindow, NextFillsBothListsWithNothingSelectedAndRebuildsThemEachTime) {
  MakeDirs("c:\\users\\Alice");
  MakeDirs("c:\\windows.old\\users\\Carol");
  TfrmMain& form = CreateForm();
  ASSERT_TRUE(test::Click(form.cmdNext0));
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  std::vector<std::string> names = InFileSystemOrder("c:\\users", {"Alice", "Public"});
  std::vector<std::string> sources = names;
  sources.push_back("c:\\windows.old\\users\\Carol");
  EXPECT_EQ(form.lbInfectedUser.Items(), sources);
  EXPECT_EQ(form.lbNewUser.Items(), names);
  EXPECT_EQ(form.lbInfectedUser.ItemIndex(), -1);
  EXPECT_EQ(form.lbNewUser.ItemIndex(), -1);

  form.lbInfectedUser.SetItemIndex(0);
  ASSERT_TRUE(test::Click(form.cmdBack6));
  ASSERT_TRUE(test::Click(form.cmdNext0));
  EXPECT_EQ(form.lbInfectedUser.Items(), sources);  // rebuilt, not added to
  EXPECT_EQ(form.lbInfectedUser.ItemIndex(), -1);
}

}  // namespace
}  // namespace ferrowin
