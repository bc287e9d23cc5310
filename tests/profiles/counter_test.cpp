// The file counter: what it counts and what it must not follow.
#include "profiles/file_counter.h"

#include <gtest/gtest.h>

#include "migration/catalogue.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::MakeDirs;
using test::TestFolder;
using test::WriteFile;

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

FileTotals Count(const std::string& folder, bool keepGoing = true) {
  std::atomic<bool> keepCounting{keepGoing};
  FileCounter counter(keepCounting, nullptr);
  counter.CountFiles(folder);
  return counter.Totals();
}

TEST(FileCountText, ChoosesTheUnitByDecimalTruncation) {
  EXPECT_EQ(FileCountWithSizeText(0, 0), "Files = 0 (0 B)");
  EXPECT_EQ(FileCountWithSizeText(1, 999), "Files = 1 (999 B)");
  EXPECT_EQ(FileCountWithSizeText(1, 1000), "Files = 1 (1 KB)");
  EXPECT_EQ(FileCountWithSizeText(1, 999999), "Files = 1 (999 KB)");
  EXPECT_EQ(FileCountWithSizeText(1, 1000000), "Files = 1 (1 MB)");
  EXPECT_EQ(FileCountWithSizeText(1, 999999999), "Files = 1 (999 MB)");
  EXPECT_EQ(FileCountWithSizeText(1, 3000000000), "Files = 1 (3 GB)");
  EXPECT_EQ(FileCountWithSizeText(2345, 5678901234), "Files = 2345 (5 GB)");
}

TEST(FileCounterTest, CountsHiddenAndSystemFilesInEveryFolder) {
  TestFolder folder;
  WriteFile(folder / "a.txt", "1");
  WriteFile(folder / "b.txt", std::string(10, 'b'));
  WriteFile(folder / "desktop.ini", std::string(20, 'd'), kHiddenSystem);
  WriteFile(folder / "sub\\c.txt", std::string(5, 'c'));
  WriteFile(folder / "hidden\\d.txt", std::string(7, 'd'), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(Win32Path(folder / "hidden").c_str(), kHiddenSystem);
  FileTotals totals = Count(folder.Path() + "\\");
  EXPECT_EQ(totals.files, 5);
  EXPECT_EQ(totals.bytes, 43);
  EXPECT_EQ(Count(folder / "missing\\").files, 0);
}

TEST(FileCounterTest, AddsSizesBeyondTwoAndFourGigabytesInFull) {
  TestFolder folder;
  ASSERT_TRUE(test::MakeSparseFile(folder / "disk.vhd", 3000000000));
  ASSERT_TRUE(test::MakeSparseFile(folder / "backup.bin", 5LL * 1024 * 1024 * 1024));
  FileTotals totals = Count(folder.Path() + "\\");
  EXPECT_EQ(totals.files, 2);
  EXPECT_EQ(totals.bytes, 3000000000LL + 5LL * 1024 * 1024 * 1024);
  EXPECT_EQ(FileCountWithSizeText(totals.files, totals.bytes), "Files = 2 (8 GB)");
}

TEST(FileCounterTest, DoesNotFollowLinksOutOfTheFolderOrBackIntoIt) {
  TestFolder folder;
  WriteFile(folder / "Documents\\letter.txt", "abc");
  WriteFile(folder / "Elsewhere\\secret.txt", "not in the profile");
  // One link back to its own parent (as "Application Data" does), one out of the tree.
  ASSERT_TRUE(test::MakeHostSymlink(folder / "Documents\\Application Data", ".."));
  ASSERT_TRUE(test::MakeHostSymlink(folder / "Documents\\Outside", test::HostPath(folder / "Elsewhere")));
  ASSERT_TRUE(test::AttributesOf(folder / "Documents\\Outside") & FILE_ATTRIBUTE_REPARSE_POINT);
  FileTotals totals = Count(folder / "Documents\\");
  EXPECT_EQ(totals.files, 1);
  EXPECT_EQ(totals.bytes, 3);
}

TEST(FileCounterTest, ReportsEveryTenthFileAndStopsWhenToldTo) {
  TestFolder folder;
  ASSERT_TRUE(test::MakeManyEmptyFiles(folder / "many", 25));
  std::atomic<bool> keepCounting{true};
  std::vector<std::int32_t> reported;
  FileCounter counter(keepCounting, [&](std::int32_t files) { reported.push_back(files); });
  counter.CountFiles(folder / "many\\");
  EXPECT_EQ(reported, (std::vector<std::int32_t>{10, 20}));
  EXPECT_EQ(counter.Totals().files, 25);

  // Stopped, a count takes the entry at hand and no more.
  EXPECT_EQ(Count(folder / "many\\", false).files, 0);
  std::atomic<bool> stopAtTwelve{true};
  FileCounter stopping(stopAtTwelve, [&](std::int32_t files) {
    if (files == 10) stopAtTwelve = false;
  });
  stopping.CountFiles(folder / "many\\");
  EXPECT_EQ(stopping.Totals().files, 10);
}

TEST(FileCounterTest, CountsTheCarriedFoldersOfAProfileOnly) {
  TestFolder profile;
  for (const char* folder :
       {"Contacts", "Desktop", "Documents", "Downloads", "Favorites", "Music", "Pictures", "Videos",
        "AppData\\Roaming\\Microsoft\\Sticky Notes", "AppData\\Local\\Microsoft\\Outlook",
        "AppData\\Local\\Microsoft\\Windows Live Mail", "AppData\\Roaming\\Thunderbird"}) {
    WriteFile(profile / folder + "\\file.dat", "xy");
  }
  WriteFile(profile / "AppData\\Local\\Temp\\cache.tmp", "not carried");
  WriteFile(profile / "Saved Games\\save.dat", "carried too");
  std::atomic<bool> keepCounting{true};
  FileCounter counter(keepCounting, nullptr);
  counter.CountFolders(FoldersToCount(profile.Path()));
  EXPECT_EQ(counter.Totals().files, 13);
  EXPECT_EQ(counter.Totals().bytes, 24 + 11);
}

}  // namespace
}  // namespace ferrowin
