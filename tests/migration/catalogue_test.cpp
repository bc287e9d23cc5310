// The catalogue of what a profile carries, on real profile folders.
#include "migration/catalogue.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/migration/recording_view.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ListTree;
using test::MakeDirs;
using test::ReadWholeFile;
using test::TestFolder;
using test::WriteFile;

constexpr const char* kFirefoxLine =
    "Recovering firefox bookmarks to desktop.  You will need to manually import these bookmarks by running "
    "firefox, show all bookmarks, import and backup, restore, choose file, desktop, FirefoxBookmarks";

class Catalogue : public ::testing::Test {
 protected:
  // A new profile as Windows builds it at first sign-in.
  void MakeNewProfile(const std::string& root) {
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Favorites", "Music", "Pictures", "Videos",
                               "AppData\\Roaming\\Microsoft", "AppData\\Local\\Microsoft"}) {
      MakeDirs(root + "\\" + folder);
    }
  }

  void Migrate(const std::string& source, const std::string& destination) {
    MigrateProfileData(source + "\\", destination + "\\", view, copiedBytes, countedBytes);
  }

  test::RecordingView view;
  std::int64_t copiedBytes = 12345;  // left over from an earlier migration
  std::int64_t countedBytes = 1;
};

TEST_F(Catalogue, CarriesTheDataFoldersAndMakesAnEmptyContactsFolder) {
  TestFolder source, destination;
  WriteFile(source / "Documents\\cv.docx", "cv");
  WriteFile(source / "Desktop\\todo.txt", "todo");
  WriteFile(source / "Videos\\holiday.mp4", "mp4");
  WriteFile(source / "Saved Games\\save.dat", "not carried");
  MakeNewProfile(destination.Path());
  Migrate(source.Path(), destination.Path());
  EXPECT_TRUE(PathIsDirectory(destination / "Contacts"));
  EXPECT_EQ(ReadWholeFile(destination / "Documents\\cv.docx"), "cv");
  EXPECT_EQ(ReadWholeFile(destination / "Desktop\\todo.txt"), "todo");
  EXPECT_EQ(ReadWholeFile(destination / "Videos\\holiday.mp4"), "mp4");
  EXPECT_FALSE(PathExists(destination / "Saved Games"));
  EXPECT_TRUE(PathIsFile(source / "Saved Games\\save.dat"));
  EXPECT_TRUE(view.log.empty());
  EXPECT_EQ(copiedBytes, 0);  // reset, and moves add nothing
}

TEST_F(Catalogue, StickyNotesNeedTheirStoreFileAndMailStoresTheirFolder) {
  TestFolder withStore, withoutStore, destination, other;
  WriteFile(withoutStore / "AppData\\Roaming\\Microsoft\\Sticky Notes\\notes.bak", "old");
  MakeNewProfile(destination.Path());
  Migrate(withoutStore.Path(), destination.Path());
  EXPECT_FALSE(PathExists(destination / "AppData\\Roaming\\Microsoft\\Sticky Notes"));
  EXPECT_TRUE(PathIsFile(withoutStore / "AppData\\Roaming\\Microsoft\\Sticky Notes\\notes.bak"));

  WriteFile(withStore / "AppData\\Roaming\\Microsoft\\Sticky Notes\\StickyNotes.snt", "notes");
  WriteFile(withStore / "AppData\\Local\\Microsoft\\Outlook\\mail.pst", "pst");
  WriteFile(withStore / "AppData\\Local\\Microsoft\\Windows Live Mail\\Inbox\\1.eml", "eml");
  WriteFile(withStore / "AppData\\Roaming\\Thunderbird\\Profiles\\x.default\\prefs.js", "js");
  MakeNewProfile(other.Path());
  MakeDirs(other / "AppData\\Roaming");
  Migrate(withStore.Path(), other.Path());
  EXPECT_EQ(ReadWholeFile(other / "AppData\\Roaming\\Microsoft\\Sticky Notes\\StickyNotes.snt"), "notes");
  EXPECT_EQ(ReadWholeFile(other / "AppData\\Local\\Microsoft\\Outlook\\mail.pst"), "pst");
  EXPECT_EQ(ReadWholeFile(other / "AppData\\Local\\Microsoft\\Windows Live Mail\\Inbox\\1.eml"), "eml");
  EXPECT_EQ(ReadWholeFile(other / "AppData\\Roaming\\Thunderbird\\Profiles\\x.default\\prefs.js"), "js");
  EXPECT_TRUE(view.log.empty());
}

TEST_F(Catalogue, FirefoxBackupsOfTheLastProfileFolderGoOnTheNewDesktop) {
  TestFolder source, destination;
  const std::string profiles = source / "AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\";
  WriteFile(profiles + "a1.default\\bookmarkbackups\\old.jsonlz4", "a1");
  WriteFile(profiles + "b2.default-release\\bookmarkbackups\\bookmarks-2024.jsonlz4", "b2");
  // A stray file after the profiles must not hide them.
  WriteFile(profiles + "zz-profiles-backup.ini", "not a profile");
  MakeNewProfile(destination.Path());
  Migrate(source.Path(), destination.Path());

  EXPECT_EQ(FindFirefoxBookmarkBackups(source.Path() + "\\"), profiles + "b2.default-release\\bookmarkbackups\\");
  EXPECT_EQ(ListTree(destination / "Desktop\\FirefoxBookmarks"),
            std::vector<std::string>{"bookmarks-2024.jsonlz4"});
  EXPECT_EQ(view.log, std::vector<std::string>{kFirefoxLine});
  EXPECT_EQ(view.StatusCount("recovering firefox bookmarks... "), 1);
  EXPECT_TRUE(PathIsFile(profiles + "a1.default\\bookmarkbackups\\old.jsonlz4"));
}

TEST_F(Catalogue, FirefoxWithoutProfilesStillLeavesTheLineAndAnEmptyFolder) {
  TestFolder source, destination;
  MakeDirs(source / "AppData\\Roaming\\Mozilla\\Firefox\\Profiles");
  MakeNewProfile(destination.Path());
  Migrate(source.Path(), destination.Path());
  EXPECT_EQ(view.log, std::vector<std::string>{kFirefoxLine});
  EXPECT_TRUE(PathIsDirectory(destination / "Desktop\\FirefoxBookmarks"));
  EXPECT_TRUE(ListTree(destination / "Desktop\\FirefoxBookmarks").empty());
}

TEST_F(Catalogue, ChromeAndEdgeFilesAreCopiedOverTheNewOnesEvenWhenMoving) {
  TestFolder source, destination;
  const std::string chrome = "AppData\\Local\\Google\\Chrome\\User Data\\Default\\";
  const std::string edge = "AppData\\Local\\Microsoft\\Edge\\User Data\\Default\\";
  WriteFile(source / (chrome + "Bookmarks"), "old chrome bookmarks");
  WriteFile(source / (chrome + "History"), "old chrome history");
  WriteFile(source / (edge + "Bookmarks"), "old edge bookmarks");
  WriteFile(source / (edge + "History"), "old edge history");
  MakeNewProfile(destination.Path());
  WriteFile(destination / (chrome + "Bookmarks"), "empty");
  Migrate(source.Path(), destination.Path());
  EXPECT_EQ(ReadWholeFile(destination / (chrome + "Bookmarks")), "old chrome bookmarks");
  EXPECT_EQ(ReadWholeFile(destination / (chrome + "History")), "old chrome history");
  EXPECT_EQ(ReadWholeFile(destination / (edge + "Bookmarks")), "old edge bookmarks");
  EXPECT_EQ(ReadWholeFile(destination / (edge + "History")), "old edge history");
  // Copied, not moved, although the source is on C:.
  EXPECT_TRUE(PathIsFile(source / (chrome + "Bookmarks")));
  EXPECT_TRUE(PathIsFile(source / (edge + "History")));
  EXPECT_EQ(view.StatusCount("recovering chrome bookmarks and history... "), 1);
  EXPECT_EQ(view.StatusCount("recovering edge bookmarks and history... "), 1);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(Catalogue, FromASecondDriveEverythingIsCopiedAndBrowserFilesAreNotCounted) {
  test::CleanMachine machine;
  std::string drive = machine.AddDrive('e');
  WriteFile(drive + "users\\Dan\\Documents\\a.txt", std::string(300, 'a'));
  WriteFile(drive + "users\\Dan\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History", "h");
  TestFolder destination;
  MakeNewProfile(destination.Path());
  countedBytes = 3;
  Migrate(drive + "users\\Dan", destination.Path());
  EXPECT_EQ(copiedBytes, 300);
  EXPECT_EQ(view.StatusCount("0% Recovering: a.txt"), 1);
  EXPECT_TRUE(PathIsFile(drive + "users\\Dan\\Documents\\a.txt"));
  EXPECT_EQ(ReadWholeFile(destination / "AppData\\Local\\Google\\Chrome\\User Data\\Default\\History"), "h");
}

}  // namespace
}  // namespace ferrowin
