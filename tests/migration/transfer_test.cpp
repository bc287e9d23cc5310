// Moving and copying real trees under Wine: the source on C: (moved) or on a
// second drive (copied), with collisions, failures and links.
#include "migration/transfer.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ListTree;
using test::MakeDirs;
using test::ReadWholeFile;
using test::RemoveTree;
using test::TestFolder;
using test::WriteFile;

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class Transfer : public ::testing::Test {
 protected:
  // The folder stands for the old profile: its drive decides the mode.
  void Move(const std::string& from, const std::string& to) {
    FolderTransfer(view, copiedBytes, countedBytes, from + "\\").TransferFolder(from + "\\", to + "\\");
  }
  void Copy(const std::string& from, const std::string& to) {
    FolderTransfer(view, copiedBytes, countedBytes, from + "\\").TransferFolder(from + "\\", to + "\\");
  }

  test::RecordingTransferView view;
  std::int64_t copiedBytes = 0;
  std::int64_t countedBytes = 0;
};

TEST(TransferMode, DriveCMovesEverythingElseCopies) {
  EXPECT_TRUE(IsMoveMode("c:\\users\\Alice\\"));
  EXPECT_TRUE(IsMoveMode("C:\\windows.old\\users\\Carol\\"));
  EXPECT_FALSE(IsMoveMode("d:\\users\\Dan\\"));
  EXPECT_FALSE(IsMoveMode(""));
}

// --- Move mode ---------------------------------------------------------------

using MoveMode = Transfer;

TEST_F(MoveMode, AMissingSubTreeArrivesWithOneRename) {
  TestFolder source, destination;
  WriteFile(source / "Projects\\plan.txt", "plan");
  WriteFile(source / "Projects\\old\\2019\\notes.txt", "notes");
  MakeDirs(destination.Path());
  Move(source.Path(), destination.Path());
  EXPECT_EQ(ListTree(destination.Path()), (std::vector<std::string>{"Projects\\", "Projects\\old\\",
                                                                    "Projects\\old\\2019\\",
                                                                    "Projects\\old\\2019\\notes.txt",
                                                                    "Projects\\plan.txt"}));
  EXPECT_TRUE(ListTree(source.Path()).empty());
  EXPECT_EQ(view.StatusCount("Recovering: Projects"), 1);
  EXPECT_EQ(view.statuses.size(), 1u);  // nothing inside was touched one by one
  EXPECT_TRUE(view.log.empty());
}

TEST_F(MoveMode, TheDestinationsOwnFilesWinAndTheirTwinsStayBehind) {
  TestFolder source, destination;
  WriteFile(source / "Desktop\\list.txt", "from the old profile");
  WriteFile(source / "Desktop\\new.txt", "carried");
  WriteFile(destination / "Desktop\\list.txt", "already here");
  Move(source.Path(), destination.Path());
  EXPECT_EQ(ReadWholeFile(destination / "Desktop\\list.txt"), "already here");
  EXPECT_EQ(ReadWholeFile(source / "Desktop\\list.txt"), "from the old profile");
  EXPECT_EQ(ReadWholeFile(destination / "Desktop\\new.txt"), "carried");
  EXPECT_FALSE(PathExists(source / "Desktop\\new.txt"));
  EXPECT_TRUE(view.log.empty());
}

TEST_F(MoveMode, HiddenSystemAndUnicodeEntriesAndLongPathsAreCarried) {
  TestFolder source, destination;
  const std::string unicodeName = "na\xc3\xafve_\xe6\x97\xa5\xe6\x9c\xac.txt";
  WriteFile(source / "Music\\desktop.ini", "ini", kHiddenSystem);
  WriteFile(source / ("Music\\" + unicodeName), "unicode");
  std::string deep = "Music";
  while (deep.size() < 300) deep += "\\a-long-folder-name-in-a-deep-tree";
  WriteFile(source / (deep + "\\deep.txt"), "deep");
  MakeDirs(destination / "Music");
  Move(source.Path(), destination.Path());
  EXPECT_EQ(test::AttributesOf(destination / "Music\\desktop.ini") & kHiddenSystem, kHiddenSystem);
  EXPECT_EQ(ReadWholeFile(destination / ("Music\\" + unicodeName)), "unicode");
  EXPECT_EQ(ReadWholeFile(destination / (deep + "\\deep.txt")), "deep");
  EXPECT_TRUE(ListTree(source / "Music").empty());
  EXPECT_TRUE(view.log.empty());
}

TEST_F(MoveMode, LinksWhoseNamesTheDestinationHoldsAreNeverEntered) {
  TestFolder source, destination, other;
  WriteFile(other / "Documents\\taxes.pdf", "another person's");
  WriteFile(other / "Music\\song.mp3", "another person's");
  MakeDirs(source / "Documents");
  // A link into another profile's folder, and one of Windows' own hidden ones.
  ASSERT_TRUE(test::MakeHostSymlink(source / "Documents\\Shared", test::HostPath(other / "Documents")));
  ASSERT_TRUE(test::MakeHostSymlink(source / "Documents\\My Music", test::HostPath(other / "Music")));
  SetFileAttributesW(Win32Path(source / "Documents\\My Music").c_str(), kHiddenSystem);
  MakeDirs(destination / "Documents\\Shared");
  MakeDirs(destination / "Documents\\My Music");
  Move(source.Path(), destination.Path());
  EXPECT_EQ(ListTree(other.Path()),
            (std::vector<std::string>{"Documents\\", "Documents\\taxes.pdf", "Music\\", "Music\\song.mp3"}));
  EXPECT_EQ(ListTree(destination.Path()),
            (std::vector<std::string>{"Documents\\", "Documents\\My Music\\", "Documents\\Shared\\"}));
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + source / "Documents\\Shared"});
}

TEST_F(MoveMode, FailuresAreNamedExceptForDesktopIni) {
  TestFolder source, destination;
  WriteFile(source / "desktop.ini", "ini", kHiddenSystem);
  WriteFile(source / "photo.jpg", "jpg");
  // The destination folder itself is missing: every rename fails.
  FolderTransfer(view, copiedBytes, countedBytes).MoveFolderContents(source.Path() + "\\", destination / "gone\\");
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Cound not move photo.jpg"});
  EXPECT_TRUE(PathIsFile(source / "photo.jpg"));
}

// --- Copy mode ---------------------------------------------------------------

class CopyMode : public Transfer {
 protected:
  void SetUp() override { drive = machine.AddDrive('d'); }
  test::CleanMachine machine;
  std::string drive;
};

TEST_F(CopyMode, ShowsThePercentageOfTheCountedBytes) {
  WriteFile(drive + "users\\Alice\\Documents\\first", std::string(50, '1'));
  WriteFile(drive + "users\\Alice\\Documents\\second", std::string(150, '2'));
  TestFolder destination;
  countedBytes = 2;  // a hundredth of the 200 counted
  Copy(drive + "users\\Alice\\Documents", destination.Path());
  EXPECT_EQ(view.statuses, (std::vector<std::string>{"0% Recovering: first", "25% Recovering: second"}));
  EXPECT_EQ(copiedBytes, 200);
  EXPECT_EQ(ReadWholeFile(destination / "second"), std::string(150, '2'));
  EXPECT_TRUE(PathIsFile(drive + "users\\Alice\\Documents\\first"));  // copies leave the source alone
}

TEST_F(CopyMode, WithNothingCountedThePercentageIsZeroAndTheCopyGoesOn) {
  WriteFile(drive + "src\\a.txt", "aaa");
  WriteFile(drive + "src\\b.txt", "bbb");
  TestFolder destination;
  countedBytes = 0;
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(view.statuses, (std::vector<std::string>{"0% Recovering: a.txt", "0% Recovering: b.txt"}));
  EXPECT_EQ(ListTree(destination.Path()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(CopyMode, ExistingFilesAreKeptButCountedAndFoldersAreMerged) {
  WriteFile(drive + "src\\Pictures\\cat.jpg", "new cat");
  WriteFile(drive + "src\\Pictures\\dog.jpg", "dog");
  ASSERT_TRUE(test::MakeSparseFile(drive + "src\\Pictures\\disk.vhd", 5LL * 1024 * 1024 * 1024));
  TestFolder destination;
  WriteFile(destination / "Pictures\\cat.jpg", "old cat");
  // The big file is already there, so its size is counted without being copied.
  ASSERT_TRUE(test::MakeSparseFile(destination / "Pictures\\disk.vhd", 1));
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(ReadWholeFile(destination / "Pictures\\cat.jpg"), "old cat");
  EXPECT_EQ(ReadWholeFile(destination / "Pictures\\dog.jpg"), "dog");
  EXPECT_EQ(copiedBytes, 7 + 3 + 5LL * 1024 * 1024 * 1024);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(CopyMode, HiddenAndSystemEntriesAreCarriedWithTheirAttributes) {
  WriteFile(drive + "src\\Desktop\\desktop.ini", "ini", kHiddenSystem);
  MakeDirs(drive + "src\\Secret");
  SetFileAttributesW(Win32Path(drive + "src\\Secret").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteFile(drive + "src\\Secret\\key.txt", "k", FILE_ATTRIBUTE_HIDDEN);
  TestFolder destination;
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(test::AttributesOf(destination / "Desktop\\desktop.ini") & kHiddenSystem, kHiddenSystem);
  EXPECT_EQ(ReadWholeFile(destination / "Secret\\key.txt"), "k");
  EXPECT_TRUE(test::AttributesOf(destination / "Secret\\key.txt") & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(CopyMode, AFolderThatCannotBeCreatedIsNamedAndItsFilesAreNotTried) {
  WriteFile(drive + "src\\Projects\\a.txt", "a");
  WriteFile(drive + "src\\Projects\\b.txt", "b");
  WriteFile(drive + "src\\z.txt", "z");
  TestFolder destination;
  WriteFile(destination / "Projects", "a file where the folder should go");
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Cound not create new folder " + destination / "Projects"});
  EXPECT_EQ(view.StatusCount("0% Recovering: a.txt"), 0);
  EXPECT_EQ(ReadWholeFile(destination / "z.txt"), "z");
}

TEST_F(CopyMode, AFileWhoseNameIsTakenByAFolderIsNamedButDesktopIniIsNot) {
  WriteFile(drive + "src\\report.doc", "report");
  WriteFile(drive + "src\\desktop.ini", "ini", kHiddenSystem);
  TestFolder destination;
  MakeDirs(destination / "report.doc");
  MakeDirs(destination / "desktop.ini");
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Cound not copy report.doc"});
  EXPECT_EQ(copiedBytes, 6 + 3);
}

TEST_F(CopyMode, UnicodeNamesAndLongPathsAreCarried) {
  const std::string unicodeName = "\xd0\x9e\xd1\x82\xd1\x87\xd1\x91\xd1\x82 \xe6\x97\xa5\xe6\x9c\xac.docx";
  WriteFile(drive + "src\\" + unicodeName, "unicode");
  std::string deep = "src";
  while (deep.size() < 300) deep += "\\another-long-folder-name";
  WriteFile(drive + deep + "\\deep.txt", "deep");
  TestFolder destination;
  Copy(drive + "src", destination.Path());
  EXPECT_EQ(ReadWholeFile(destination / unicodeName), "unicode");
  EXPECT_EQ(ReadWholeFile(destination.Path() + deep.substr(3) + "\\deep.txt"), "deep");
  EXPECT_TRUE(view.log.empty());
}

TEST_F(CopyMode, LinksAreNotFollowedAndOnlyForeignOnesAreNamed) {
  WriteFile(drive + "src\\Documents\\letter.txt", "letter");
  WriteFile(drive + "src\\JunctionTarget\\music.mp3", "mp3");
  // A link back to its own parent would make an endless tree.
  ASSERT_TRUE(test::MakeHostSymlink(drive + "src\\Documents\\Loop", ".."));
  // Windows' own compatibility links are hidden and system.
  ASSERT_TRUE(test::MakeHostSymlink(drive + "src\\Documents\\My Music", "../JunctionTarget"));
  SetFileAttributesW(Win32Path(drive + "src\\Documents\\My Music").c_str(), kHiddenSystem);
  ASSERT_EQ(test::AttributesOf(drive + "src\\Documents\\My Music") & (kHiddenSystem | FILE_ATTRIBUTE_REPARSE_POINT),
            kHiddenSystem | FILE_ATTRIBUTE_REPARSE_POINT);
  TestFolder destination;
  Copy(drive + "src\\Documents", destination.Path());
  EXPECT_EQ(ListTree(destination.Path()), std::vector<std::string>{"letter.txt"});
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + drive + "src\\Documents\\Loop"});
}

TEST_F(CopyMode, NamesEndingInAFullStopOrABlankArriveAsThemselvesMovedOrCopied) {
  TestFolder onC, destination;
  for (const std::string& root : {drive + "src", onC.Path()}) {
    WriteFile(root + "\\Documents\\report", "plain");
    WriteFile(root + "\\Documents\\report.", "with a full stop");
    WriteFile(root + "\\Documents\\notes ", "with a blank");
  }
  const std::vector<std::string> expected = {"Documents\\", "Documents\\notes ", "Documents\\report",
                                             "Documents\\report."};
  for (const std::string& root : {drive + "src", onC.Path()}) {
    SCOPED_TRACE(root);
    RemoveTree(destination.Path() + "\\Documents");
    MakeDirs(destination / "Documents");
    // The look-alike is there first: the full-stop name must not stand for it.
    WriteFile(destination / "Documents\\report", "plain");
    Copy(root, destination.Path());
    EXPECT_EQ(ListTree(destination.Path()), expected);
    EXPECT_EQ(ReadWholeFile(destination / "Documents\\report."), "with a full stop");
    EXPECT_EQ(ReadWholeFile(destination / "Documents\\notes "), "with a blank");
    EXPECT_TRUE(view.log.empty());
  }
  EXPECT_EQ(ListTree(onC / "Documents"), std::vector<std::string>{"report"});  // moved, but for the twin
}

TEST_F(CopyMode, ACopyThatRunsOutOfSpaceIsNamedAndLeavesNoPartialFile) {
  WriteFile(drive + "src\\small.txt", "small");
  WriteFile(drive + "src\\video.mp4", std::string(3 * 1024 * 1024, 'v'));
  TestFolder destination;
  std::string mountPoint = test::HostPath(destination.Path());
  if (test::RunOnHost("mount -t tmpfs -o size=1m tmpfs " + test::ShellQuote(mountPoint)) != 0) {
    GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here (mounting needs root)";
  }
  Copy(drive + "src", destination.Path());
  std::vector<std::string> left = ListTree(destination.Path());
  test::RunOnHost("umount " + test::ShellQuote(mountPoint));
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Cound not copy video.mp4"});
  EXPECT_EQ(left, std::vector<std::string>{"small.txt"});
}

TEST_F(CopyMode, AnyNameAndAnyDateArriveWholeAndARerunFindsThemCarried) {
  const std::string longName = std::string(246, 'n') + ".txt";  // 250 of the 255 a name may have
  WriteFile(drive + "src\\" + longName, "long");
  WriteFile(drive + "src\\old.txt", "1975");
  WriteFile(drive + "src\\future.txt", "2110");
  ASSERT_TRUE(test::SetWriteYear(drive + "src\\old.txt", 1975));
  ASSERT_TRUE(test::SetWriteYear(drive + "src\\future.txt", 2110));
  TestFolder destination;
  // Left visible by a run that was killed: it must not block anything.
  WriteFile(destination / "~ferrowin-0000000100000001.partial", "half");
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    FolderTransfer transfer(view, copiedBytes, countedBytes);
    transfer.CopyFolderContents(drive + "src\\", destination.Path() + "\\");
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(transfer.WhatStayed().Notes(false).empty());
    EXPECT_EQ(ListTree(destination.Path()), (std::vector<std::string>{"future.txt", longName, "old.txt"}));
    EXPECT_EQ(ReadWholeFile(destination / longName), "long");
    for (const char* dated : {"old.txt", "future.txt"}) {
      const PathFacts copy = LookAt(destination / dated), original = LookAt(drive + "src\\" + dated);
      EXPECT_EQ(CompareFileTime(&copy.lastWrite, &original.lastWrite), 0) << dated;
    }
  }
}

// The log of a copy with several files in flight is line for line the log of
// one file at a time, whatever finishes first.
TEST_F(CopyMode, SeveralFilesInFlightWriteTheLogOfOneAtATime) {
  const std::string source = drive + "src";
  for (int folder = 0; folder < 4; ++folder) {
    for (int file = 0; file < 60; ++file) {
      WriteFile(source + "\\f" + std::to_string(folder) + "\\" + std::to_string(file) + ".jpg",
                std::string(static_cast<size_t>(file * 37 + folder), 'x'));
    }
  }
  WriteFile(source + "\\Projects\\plan.txt", "plan");
  ASSERT_TRUE(test::MakeHostSymlink(source + "\\f2\\Elsewhere", ".."));
  auto prepare = [](const TestFolder& destination) {
    WriteFile(destination / "Projects", "a file where the folder should go");
    for (int file : {3, 17, 42}) WriteFile(destination / ("f1\\" + std::to_string(file) + ".jpg"), "the new one's own");
    MakeDirs(destination / "f3\\9.jpg");  // a folder where a file should go
  };
  struct Run {
    std::vector<std::string> log, notes, tree;
  };
  TestFolder destination;
  auto copy = [&](int workers) {
    RemoveTree(destination.Path());
    prepare(destination);
    test::RecordingTransferView recording;
    std::int64_t copied = 0;
    FolderTransfer transfer(recording, copied, 1, drive, {.copyWorkers = workers});
    transfer.CopyFolderContents(source + "\\", destination.Path() + "\\");
    // Every file passed, the failed and the kept ones too; none in the folder that could not be made.
    EXPECT_EQ(copied, 4 * (60 * 59 / 2 * 37) + 60 * (0 + 1 + 2 + 3));
    return Run{recording.log, transfer.WhatStayed().Notes(false), ListTree(destination.Path())};
  };
  const Run serial = copy(1);
  const Run parallel = copy(4);
  ASSERT_EQ(serial.log.size(), 3u);
  EXPECT_EQ(parallel.log, serial.log);
  EXPECT_EQ(parallel.notes, serial.notes);
  EXPECT_EQ(parallel.tree, serial.tree);
  EXPECT_EQ(ReadWholeFile(destination / "f0\\59.jpg"), std::string(59 * 37, 'x'));
  EXPECT_EQ(ReadWholeFile(destination / "f1\\42.jpg"), "the new one's own");
}

// Each label shows the bytes of every file before it in the walk, as a copy
// of one file at a time shows them, though the small files ahead of a large
// one are still on their way when its label is set.
TEST_F(CopyMode, EveryLabelShowsThePercentageOfOneFileAtATimeWithFilesInFlight) {
  const std::string source = drive + "src";
  const std::string folder = source + "\\";
  auto named = [](char letter, int number) {
    std::string name(1, letter);
    return name += std::to_string(number);
  };
  std::vector<std::string> names;
  for (int file = 0; file < 40; ++file) {
    names.push_back(named('a', 100 + file));
    WriteFile(folder + names.back(), std::string(static_cast<size_t>(20000 + file * 997), 's'));
  }
  names.push_back("m-large");
  ASSERT_TRUE(test::MakeSparseFile(source + "\\m-large", 80LL * 1024 * 1024));
  for (int file = 0; file < 10; ++file) {
    names.push_back(named('z', file));
    WriteFile(folder + names.back(), std::string(static_cast<size_t>(30000 + file), 'z'));
  }
  std::vector<std::string> expected;
  std::int64_t total = 0, passed = 0;
  for (const std::string& name : names) total += LookAt(folder + name).size;
  const std::int64_t hundredth = total / 100;
  for (const std::string& name : test::InFileSystemOrder(source, names)) {
    expected.push_back(std::to_string(passed / hundredth) + "% Recovering: " + name);
    passed += LookAt(folder + name).size;
  }
  TestFolder destination;
  FolderTransfer(view, copiedBytes, hundredth, {}, {.copyWorkers = 4})
      .CopyFolderContents(folder, destination.Path() + "\\");
  EXPECT_EQ(view.statuses, expected);
  EXPECT_EQ(copiedBytes, total);
  EXPECT_TRUE(view.log.empty());
}

// A folder of the new profile that is a link (into another person's profile)
// is never written through, moved or copied: it is named, and what it kept
// out stays in the old profile.
TEST_F(CopyMode, AFolderOfTheDestinationThatIsALinkIsNeverWrittenThrough) {
  TestFolder onC, destination, erin;
  WriteFile(erin / "Documents\\erin.txt", "Erin's");
  for (const std::string& root : {drive + "src", onC.Path()}) {
    SCOPED_TRACE(root);
    WriteFile(root + "\\Documents\\Shared\\dan.txt", "Dan's");
    WriteFile(root + "\\Documents\\Shared\\Deeper\\more.txt", "more");
    WriteFile(root + "\\Documents\\plain.txt", "plain");
    RemoveTree(destination.Path());
    MakeDirs(destination / "Documents");
    ASSERT_TRUE(test::MakeHostSymlink(destination / "Documents\\Shared", test::HostPath(erin / "Documents")));
    view.log.clear();
    FolderTransfer transfer(view, copiedBytes, countedBytes, root + "\\");
    transfer.TransferFolder(root + "\\", destination.Path() + "\\");
    EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Did not follow the link " + destination / "Documents\\Shared"});
    EXPECT_EQ(transfer.WhatStayed().EntriesFailed(), 1);
    EXPECT_EQ(ListTree(erin.Path()), (std::vector<std::string>{"Documents\\", "Documents\\erin.txt"}));
    EXPECT_EQ(ReadWholeFile(destination / "Documents\\plain.txt"), "plain");
    EXPECT_EQ(ReadWholeFile(root + "\\Documents\\Shared\\dan.txt"), "Dan's");
  }
}

// ctest runs this again with writes limited to FERROWIN_FILE_SIZE_LIMIT_KB:
// a copy then fails part-way as on a full disk, and no root is needed.
TEST(CopyUnderAFileSizeLimit, AFileThatFailsPartWayIsNamedAndLeavesNothingBehind) {
  if (!getenv("FERROWIN_FILE_SIZE_LIMIT_KB")) GTEST_SKIP() << "needs the limit that ctest's second run sets";
  test::CleanMachine machine;
  const std::string source = machine.AddDrive('d') + "src";
  WriteFile(source + "\\small.txt", "small");
  // Made on the host, free of the limit: larger than this process may write.
  ASSERT_EQ(test::RunOnHost("ulimit -S -f unlimited && head -c 3M /dev/urandom > " +
                            test::ShellQuote(test::HostPath(source) + "/video.mp4")),
            0);
  TestFolder destination;
  test::RecordingTransferView view;
  std::int64_t copiedBytes = 0;
  FolderTransfer(view, copiedBytes, 0).CopyFolderContents(source + "\\", destination.Path() + "\\");
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Cound not copy video.mp4"});
  EXPECT_EQ(ListTree(destination.Path()), std::vector<std::string>{"small.txt"});
}

// A write that takes only part is written on until the system says why; the
// file that could not be written whole is not left behind.
TEST(CopyUnderAFileSizeLimit, ANewFileThatCannotBeWrittenWholeIsNotLeft) {
  if (!getenv("FERROWIN_FILE_SIZE_LIMIT_KB")) GTEST_SKIP() << "needs the limit that ctest's second run sets";
  TestFolder folder;
  const Win32Result written = WriteNewFile(folder / "page.html", std::string(3 * 1024 * 1024, 'p'));
  EXPECT_FALSE(written);
  EXPECT_NE(written.Error(), static_cast<DWORD>(ERROR_WRITE_FAULT)) << written.Reason();
  EXPECT_FALSE(PathExists(folder / "page.html"));
}

}  // namespace
}  // namespace ferrowin
