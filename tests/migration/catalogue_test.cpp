// The catalogue of what a profile carries, on real profile folders.
#include "migration/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "migration/transfer_progress.h"
#include "profiles/file_counter.h"
#include "tests/support/host.h"

#include "platform/files.h"
#include "platform/text.h"
#include "tests/migration/recording_transfer_view.h"
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

  // Carries the catalogue; the notes on what stayed behind.
  std::vector<std::string> Migrate(const std::string& source, const std::string& destination) {
    carried = MigrateProfileData(source + "\\", destination + "\\", view, copiedBytes, countedBytes,
                                 {.destinationName = "Dan"});
    return carried.whatStayed.Notes(IsMoveMode(source));
  }

  test::RecordingTransferView view;
  std::int64_t copiedBytes = 12345;  // left over from an earlier migration
  std::int64_t countedBytes = 1;
  CarriedProfile carried;
};

TEST_F(Catalogue, CarriesTheDataFoldersAndMakesAnEmptyContactsFolder) {
  TestFolder source, destination;
  WriteFile(source / "Documents\\cv.docx", "cv");
  WriteFile(source / "Desktop\\todo.txt", "todo");
  WriteFile(source / "Videos\\holiday.mp4", "mp4");
  WriteFile(source / "Projects\\plan.txt", "not carried");
  MakeNewProfile(destination.Path());
  Migrate(source.Path(), destination.Path());
  EXPECT_TRUE(PathIsDirectory(destination / "Contacts"));
  EXPECT_EQ(ReadWholeFile(destination / "Documents\\cv.docx"), "cv");
  EXPECT_EQ(ReadWholeFile(destination / "Desktop\\todo.txt"), "todo");
  EXPECT_EQ(ReadWholeFile(destination / "Videos\\holiday.mp4"), "mp4");
  EXPECT_FALSE(PathExists(destination / "Projects"));
  EXPECT_TRUE(PathIsFile(source / "Projects\\plan.txt"));
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
  // No bookmark page comes of files that are not the browsers' JSON.
  EXPECT_EQ(view.log, (std::vector<std::string>{"ERROR: Could not read the bookmarks of Chrome (Default)",
                                                "ERROR: Could not read the bookmarks of Edge (Default)"}));
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

// --- What stayed behind -------------------------------------------------------

TEST_F(Catalogue, NamesTheNewProfileAlreadyHoldsAreCountedAndTheFirstTwentyShown) {
  TestFolder source, destination;
  MakeNewProfile(destination.Path());
  std::vector<std::string> names;
  for (int i = 1; i <= 21; ++i) {
    std::string name = "letter" + std::to_string(100 + i) + ".txt";
    names.push_back(name);
    WriteFile(source / ("Documents\\" + name), "0123456789");
    WriteFile(destination / ("Documents\\" + name), "the new profile's own");
  }
  // The same file on both sides counts as carried.
  for (const TestFolder* side : {&source, &destination}) {
    WriteFile(*side / "Desktop\\same.txt", "same");
    ASSERT_TRUE(test::SetWriteYear(*side / "Desktop\\same.txt", 2020));
  }
  MakeDirs(destination / "Music\\Albums");
  WriteFile(source / "Music\\Albums", "a file where the new profile has a folder");
  names = test::InFileSystemOrder(source / "Documents", names);

  std::vector<std::string> expected = {
      "NOTE: 22 files (251 B) stayed in the old profile because the new profile already holds their names:"};
  for (int i = 0; i < 20; ++i) expected.push_back("NOTE:   Documents\\" + names[i]);
  expected.push_back("NOTE:   and 2 more");
  EXPECT_EQ(Migrate(source.Path(), destination.Path()), expected);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(Catalogue, ACopyRunAgainOverItsOwnCopyAddsNoNote) {
  test::CleanMachine machine;
  const std::string dan = machine.AddDrive('e') + "users\\Dan";
  WriteFile(dan + "\\Documents\\taxes.pdf", "taxes");
  WriteFile(dan + "\\Pictures\\Holiday\\beach.jpg", "beach");
  TestFolder destination;
  MakeNewProfile(destination.Path());
  EXPECT_TRUE(Migrate(dan, destination.Path()).empty());
  EXPECT_TRUE(Migrate(dan, destination.Path()).empty());

  WriteFile(destination / "Pictures\\Holiday\\beach.jpg", "another beach");
  EXPECT_EQ(Migrate(dan, destination.Path()),
            (std::vector<std::string>{
                "NOTE: 1 files (5 B) were not copied because the new profile already holds their names:",
                "NOTE:   Pictures\\Holiday\\beach.jpg"}));
}

TEST_F(Catalogue, NamesWhatLiesOutsideTheCatalogueButNotWindowsOwnFiles) {
  TestFolder source, destination;
  MakeNewProfile(destination.Path());
  WriteFile(source / "OneDrive\\Documents\\cv.docx", std::string(2500, 'c'));
  WriteFile(source / "Projects\\garden\\plan.txt", "plan");
  WriteFile(source / "Saved Games\\desktop.ini", "ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  WriteFile(source / "NTUSER.DAT", "hive", FILE_ATTRIBUTE_HIDDEN);
  WriteFile(source / "AppData\\Local\\cache.bin", "cache");
  WriteFile(source / "Documents\\letter.txt", "letter");
  std::vector<std::string> named = test::InFileSystemOrder(source.Path(), {"OneDrive", "Projects"});
  ASSERT_EQ(named.size(), 2u);
  auto sized = [](const std::string& name) { return name + (name == "OneDrive" ? " (2 KB)" : " (4 B)"); };
  EXPECT_EQ(Migrate(source.Path(), destination.Path()),
            (std::vector<std::string>{
                "NOTE: Not carried, outside the folders this program carries: " + sized(named[0]) + ", " +
                    sized(named[1]),
                "NOTE: Files in OneDrive return when the user signs in to OneDrive in the new account; files never "
                "synced are only in the old profile's OneDrive folder."}));
}

TEST_F(Catalogue, WhatCouldNotBeCopiedIsSummedUpAndBrowserFilesNamedWithTheSystemsReason) {
  test::CleanMachine machine;
  const std::string dan = machine.AddDrive('e') + "users\\Dan";
  WriteFile(dan + "\\Favorites\\news.url", std::string(1500, 'n'));
  WriteFile(dan + "\\Favorites\\Work\\wiki.url", std::string(700, 'w'));
  WriteFile(dan + "\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Bookmarks", "bookmarks");
  // Like Public: no Favorites and no AppData, which the copy cannot make.
  TestFolder destination;
  MakeDirs(destination / "Documents");
  WriteFile(destination / "AppData", "a file where the folder should go");
  std::vector<std::string> notes = Migrate(dan, destination.Path());
  ASSERT_EQ(view.log.size(), 3u);  // news.url, the Work folder, and the bookmarks that are no JSON
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "NOTE: 3 entries (2 KB) could not be carried; the ERROR lines above name them.",
                       "NOTE: Not copied: AppData\\Local\\Google\\Chrome\\User Data\\Default\\Bookmarks (" +
                           SystemErrorText(ERROR_PATH_NOT_FOUND) + ")"}));
}

// The same size and the same time are not the same file: only the bytes tell
// an earlier copy from another file that happens to look like it.
TEST_F(Catalogue, ATwinOfTheSameSizeAndTimeButOtherBytesIsNamedMovedOrCopied) {
  test::CleanMachine machine;
  TestFolder onC, destination;
  const std::string dan = machine.AddDrive('e') + "users\\Dan";
  for (const std::string& source : {onC.Path(), dan}) {
    SCOPED_TRACE(source);
    test::RemoveTree(destination.Path());
    MakeNewProfile(destination.Path());
    for (const auto& [folder, text] : {std::pair{source, "mine"}, std::pair{destination.Path(), "hers"}}) {
      WriteFile(folder + "\\Documents\\plan.txt", text);
      ASSERT_TRUE(test::SetWriteYear(folder + "\\Documents\\plan.txt", 2021));
    }
    EXPECT_EQ(Migrate(source, destination.Path()),
              (std::vector<std::string>{"NOTE: 1 files (4 B) " +
                                            std::string(IsMoveMode(source) ? "stayed in the old profile"
                                                                           : "were not copied") +
                                            " because the new profile already holds their names:",
                                        "NOTE:   Documents\\plan.txt"}));
    EXPECT_EQ(ReadWholeFile(destination / "Documents\\plan.txt"), "hers");
    EXPECT_EQ(ReadWholeFile(source + "\\Documents\\plan.txt"), "mine");
  }
}

// A drive unplugged or a disk dying part-way: every folder that was there
// and is no longer carried is named, and the notes count it.
TEST_F(Catalogue, ASourceDriveThatGoesAwayPartWayIsSaidOnceAndEveryFolderLeftIsNamed) {
  test::CleanMachine machine;
  const std::string dan = machine.AddDrive('e') + "users\\Dan";
  ASSERT_TRUE(test::MakeSparseFile(dan + "\\Documents\\disk.vhd", 2LL << 30));
  for (const char* file : {"Music\\song.mp3", "Pictures\\cat.jpg", "Videos\\clip.mp4"}) {
    WriteFile(dan + "\\" + file, "data");
  }
  TestFolder destination;
  MakeNewProfile(destination.Path());
  TransferProgress progress;
  std::thread migration(
      [&] { carried = MigrateProfileData(dan + "\\", destination.Path() + "\\", progress, copiedBytes, 0); });
  // Pulled out while the large file is on its way.
  const bool seen = test::WaitUntil([&] { return progress.TakeStatus() == "0% Recovering: disk.vhd"; }, 60000);
  test::UnmapDrive('e');
  migration.join();
  ASSERT_TRUE(seen);
  EXPECT_EQ(progress.TakeLogLines(),
            (std::vector<std::string>{
                "ERROR: Could not read the folder e:\\users\\Dan\\Music\\",
                "ERROR: The source e:\\users\\Dan can no longer be reached; nothing after this point was carried.",
                "ERROR: Could not read the folder e:\\users\\Dan\\Pictures\\",
                "ERROR: Could not read the folder e:\\users\\Dan\\Videos\\"}));
  EXPECT_EQ(carried.whatStayed.Notes(false),
            std::vector<std::string>{"NOTE: 3 entries (0 B) could not be carried; the ERROR lines above name them."});
}

// Alice's Documents a link to Erin's, as some redirection scripts leave it:
// neither moved nor copied nor counted, and Erin's folder untouched.
TEST_F(Catalogue, ADataFolderThatIsALinkIsNeitherCarriedNorCounted) {
  test::CleanMachine machine;
  TestFolder erin, destination, onC;
  const std::string onE = machine.AddDrive('e') + "users\\Alice";
  WriteFile(erin / "Documents\\taxes.pdf", "Erin's");
  for (const std::string& alice : {onC.Path(), onE}) {
    SCOPED_TRACE(alice);
    view.log.clear();
    WriteFile(alice + "\\Music\\song.mp3", "Alice's");
    ASSERT_TRUE(test::MakeHostSymlink(alice + "\\Documents", test::HostPath(erin / "Documents")));
    test::RemoveTree(destination.Path());
    MakeNewProfile(destination.Path());
    std::vector<std::string> notes = Migrate(alice, destination.Path());
    EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + alice + "\\Documents"});
    EXPECT_EQ(notes.front(), "NOTE: 1 entries (0 B) could not be carried; the ERROR lines above name them.");
    EXPECT_EQ(ListTree(erin.Path()), (std::vector<std::string>{"Documents\\", "Documents\\taxes.pdf"}));
    EXPECT_TRUE(ListTree(destination / "Documents").empty());
    EXPECT_EQ(ReadWholeFile(destination / "Music\\song.mp3"), "Alice's");
    std::atomic<bool> keepCounting{true};
    FileCounter counter(keepCounting, nullptr);
    WriteFile(alice + "\\Music\\song.mp3", "Alice's");
    counter.CountFolders(FoldersToCount(alice));
    EXPECT_EQ(counter.Totals().files, 1);
  }
  // The new profile's own folder a link: nothing is carried into it.
  TestFolder alice;
  WriteFile(alice / "Desktop\\todo.txt", "todo");
  test::RemoveTree(destination.Path());
  MakeNewProfile(destination.Path());
  test::RemoveTree(destination / "Desktop");
  ASSERT_TRUE(test::MakeHostSymlink(destination / "Desktop", test::HostPath(erin / "Documents")));
  view.log.clear();
  Migrate(alice.Path(), destination.Path());
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + destination / "Desktop"});
  EXPECT_EQ(ReadWholeFile(alice / "Desktop\\todo.txt"), "todo");
  EXPECT_EQ(ListTree(erin.Path()), (std::vector<std::string>{"Documents\\", "Documents\\taxes.pdf"}));
  // Nor are the browser files, which replace what they find, copied through one.
  const std::string chrome = "AppData\\Local\\Google\\Chrome\\User Data\\Default";
  WriteFile(alice / (chrome + "\\Bookmarks"), "Alice's bookmarks");
  WriteFile(erin / (chrome + "\\Bookmarks"), "Erin's bookmarks");
  test::RemoveTree(destination.Path());
  MakeNewProfile(destination.Path());
  MakeDirs(destination / "AppData\\Local\\Google\\Chrome\\User Data");
  ASSERT_TRUE(test::MakeHostSymlink(destination / chrome, test::HostPath(erin / chrome)));
  view.log.clear();
  Migrate(alice.Path(), destination.Path());
  EXPECT_EQ(view.log.front(), "ERROR: Did not follow the link " + destination / chrome);
  EXPECT_EQ(ReadWholeFile(erin / (chrome + "\\Bookmarks")), "Erin's bookmarks");
}

// What a Windows 11 profile keeps besides the data folders, moved and copied.
TEST_F(Catalogue, AWindows11ProfileCarriesGameSavesOfficeFilesStickyNotesAndBrowserPages) {
  test::CleanMachine machine;
  TestFolder onC, destination;
  const std::string onE = machine.AddDrive('e') + "users\\Dan";
  const std::string sticky = "AppData\\Local\\Packages\\Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe";
  const std::string chrome = "AppData\\Local\\Google\\Chrome\\User Data\\";
  const std::string bookmarks =
      R"({"roots":{"bookmark_bar":{"name":"Bar","children":[{"type":"url","name":"News","url":"https://news.example/"}]}}})";
  const std::vector<std::string> carriedFiles = {
      "Saved Games\\Quest\\slot1.sav", "AppData\\Roaming\\Microsoft\\Signatures\\Work.htm",
      "AppData\\Roaming\\Microsoft\\Templates\\Normal.dotm", "AppData\\Roaming\\Microsoft\\UProof\\CUSTOM.DIC"};
  for (const std::string& source : {onC.Path(), onE}) {
    SCOPED_TRACE(source);
    const bool moving = IsMoveMode(source);
    for (const std::string& file : carriedFiles) WriteFile(source + "\\" + file, file);
    for (const char* file : {"plum.sqlite", "plum.sqlite-wal", "plum.sqlite-shm"}) {
      WriteFile(source + "\\" + sticky + "\\LocalState\\" + file, file);
    }
    WriteFile(source + "\\" + chrome + "Default\\Bookmarks", bookmarks);
    WriteFile(source + "\\" + chrome + "Profile 1\\Bookmarks", bookmarks);
    WriteFile(source + "\\" + chrome + "Local State", R"({"profile":{"info_cache":{"Profile 1":{"name":"Work"}}}})");
    std::atomic<bool> keepCounting{true};
    FileCounter counter(keepCounting, nullptr);
    counter.CountFolders(FoldersToCount(source));
    EXPECT_EQ(counter.Totals().files, 7);

    test::RemoveTree(destination.Path());
    MakeNewProfile(destination.Path());
    // Windows has set Sticky Notes up for the new user of the move only.
    if (moving) MakeDirs(destination / sticky);
    view.log.clear();
    const std::vector<std::string> notes = Migrate(source, destination.Path());
    for (const std::string& file : carriedFiles) EXPECT_EQ(ReadWholeFile(destination / file), file);
    const std::string stickyFolder = moving ? sticky + "\\LocalState" : "Desktop\\StickyNotes";
    EXPECT_EQ(ReadWholeFile(destination / (stickyFolder + "\\plum.sqlite-wal")), "plum.sqlite-wal");
    EXPECT_EQ(carried.conditionalFolders,
              (std::vector<std::string>{"Saved Games", "AppData\\Roaming\\Microsoft\\Signatures",
                                        "AppData\\Roaming\\Microsoft\\Templates",
                                        "AppData\\Roaming\\Microsoft\\UProof", stickyFolder}));
    const std::vector<std::string> pages = ListTree(destination / "Desktop\\Browser bookmarks");
    EXPECT_EQ(pages, (std::vector<std::string>{"Chrome - Default.html", "Chrome - Work.html"}));
    EXPECT_TRUE(Contains(ReadWholeFile(destination / "Desktop\\Browser bookmarks\\Chrome - Work.html"),
                         "HREF=\"https://news.example/\""));
    EXPECT_EQ(std::count_if(view.log.begin(), view.log.end(),
                            [](const std::string& line) { return StartsWith(line, "Saved the bookmarks of Chrome ("); }),
              2);
    const std::string setUpNote =
        "NOTE: Sticky Notes is not set up for Dan yet: the old notes are on the desktop in StickyNotes. Open Sticky "
        "Notes once, close it, and put the three files into "
        "AppData\\Local\\Packages\\Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe\\LocalState.";
    EXPECT_EQ(notes, moving ? std::vector<std::string>{} : std::vector<std::string>{setUpNote});
  }
  // A new profile with notes of its own keeps them; the old ones stay, named.
  WriteFile(destination / (sticky + "\\LocalState\\plum.sqlite"), "the new notes");
  view.log.clear();
  const std::vector<std::string> notes = Migrate(onE, destination.Path());
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[1], "NOTE:   " + sticky + "\\LocalState\\plum.sqlite");
  EXPECT_EQ(ReadWholeFile(destination / (sticky + "\\LocalState\\plum.sqlite")), "the new notes");
  EXPECT_FALSE(PathExists(destination / (sticky + "\\LocalState\\plum.sqlite-wal")));
}

// Today's Sticky Notes are one database in three files: the set goes whole
// beside nothing of another set, or not at all, and what stays is named.
TEST_F(Catalogue, StickyNotesGoAsOneSetOfThreeOrNotAtAll) {
  test::CleanMachine machine;
  TestFolder destination;
  const std::string dan = machine.AddDrive('e') + "users\\Dan";
  const std::string package = "AppData\\Local\\Packages\\Microsoft.MicrosoftStickyNotes_8wekyb3d8bbwe";
  const char* const files[] = {"plum.sqlite", "plum.sqlite-wal", "plum.sqlite-shm"};
  for (const char* file : files) WriteFile(dan + "\\" + package + "\\LocalState\\" + file, std::string("Dan's ") + file);
  std::vector<std::string> sameNames;  // the old set, named as kept out
  for (const char* file : files) sameNames.push_back("NOTE:   " + package + "\\LocalState\\" + file);
  const struct {
    const char* name;
    bool appIsSetUp;
    std::string folder;  // where the notes would go
    const char* heldThere;  // what an earlier migration left there
  } cases[] = {
      {"an earlier database on the desktop", false, "Desktop\\StickyNotes", "plum.sqlite"},
      {"a stray journal in the app's folder", true, package + "\\LocalState", "plum.sqlite-wal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::RemoveTree(destination.Path());
    MakeNewProfile(destination.Path());
    if (c.appIsSetUp) MakeDirs(destination / package);
    WriteFile(destination / (c.folder + "\\" + c.heldThere), "another set's");
    const std::vector<std::string> notes = Migrate(dan, destination.Path());
    EXPECT_EQ(ListTree(destination / c.folder), std::vector<std::string>{c.heldThere});
    ASSERT_GE(notes.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(notes.begin() + 1, notes.begin() + 4), sameNames);
  }
  // The set an earlier run carried is this very set: a rerun is quiet.
  test::RemoveTree(destination.Path());
  MakeNewProfile(destination.Path());
  Migrate(dan, destination.Path());
  EXPECT_EQ(ListTree(destination / "Desktop\\StickyNotes").size(), 3u);
  const std::vector<std::string> rerun = Migrate(dan, destination.Path());
  ASSERT_EQ(rerun.size(), 1u);  // the advice to set Sticky Notes up, nothing left behind
  EXPECT_TRUE(StartsWith(rerun[0], "NOTE: Sticky Notes is not set up for Dan yet")) << rerun[0];
  EXPECT_EQ(carried.whatStayed.EntriesLeftBehind(), 0);
}

TEST(LeftBehindNotes, OnlineOnlyFilesAmongTheFailuresAreToldApart) {
  constexpr DWORD kRecallOnDataAccess = 0x00400000;
  constexpr DWORD kRecallOnOpen = 0x00040000;
  LeftBehind whatStayed;
  whatStayed.Failed(TallyFile({.name = "cloud.docx", .attributes = kRecallOnDataAccess, .size = 4000}));
  whatStayed.Failed(TallyFile({.name = "cloud.xlsx", .attributes = kRecallOnOpen, .size = 3000}));
  whatStayed.Failed(TallyFile({.name = "local.txt", .attributes = FILE_ATTRIBUTE_ARCHIVE, .size = 500}));
  // Kept out by the new profile's own file, not a failure.
  whatStayed.SameName("Documents\\cloud.pptx",
                      TallyFile({.name = "cloud.pptx", .attributes = kRecallOnDataAccess, .size = 9000}));
  EXPECT_EQ(whatStayed.Notes(true),
            (std::vector<std::string>{
                "NOTE: 1 files (9 KB) stayed in the old profile because the new profile already holds their names:",
                "NOTE:   Documents\\cloud.pptx",
                "NOTE: 3 entries (7 KB) could not be carried; the ERROR lines above name them.",
                "NOTE: 2 of the files that could not be carried are online-only OneDrive files (7 KB); they return "
                "when the user signs in to OneDrive."}));
  EXPECT_TRUE(LeftBehind().Notes(false).empty());
}

}  // namespace
}  // namespace ferrowin
