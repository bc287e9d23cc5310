// Files that could not be carried for a reason the log can name once: a
// file another program holds open, a destination that ran out of space.
#include <gtest/gtest.h>

#include <algorithm>

#include "migration/catalogue.h"
#include "migration/held_files.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/support/console_tools.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ReadWholeFile;
using test::TestFolder;
using test::WriteFile;

constexpr const char* kOutlook = "AppData\\Local\\Microsoft\\Outlook";

std::vector<std::string> NotesStartingWith(const std::vector<std::string>& notes, const std::string& start) {
  std::vector<std::string> found;
  std::copy_if(notes.begin(), notes.end(), std::back_inserter(found),
               [&](const std::string& note) { return StartsWith(note, start); });
  return found;
}

class Causes : public ::testing::Test {
 protected:
  std::vector<std::string> Migrate(const std::string& source, const std::string& destination,
                                   HolderLookup holders = RestartManagerHolders) {
    view.log.clear();
    std::int64_t copiedBytes = 0;
    CarriedProfile carried = MigrateProfileData(source, destination, view, copiedBytes, 0,
                                                {.destinationName = "Bob", .findHolders = std::move(holders)});
    return carried.whatStayed.Notes(IsMoveMode(source));
  }

  test::CleanMachine machine;
  test::RecordingTransferView view;
};

// Outlook left open in the old account, moved from C: or copied from D:.
TEST_F(Causes, AFileAnotherProgramHoldsIsNamedWithTheProgramAndARerunCarriesIt) {
  for (const std::string& root : {std::string("c:\\users\\"), machine.AddDrive('d') + "users\\"}) {
    const bool moving = IsMoveMode(root);
    SCOPED_TRACE(moving ? "move" : "copy");
    const std::string source = root + "Alice\\", destination = "c:\\users\\Public\\";
    test::RemoveTree(destination + kOutlook);
    test::MakeDirs(destination + "AppData\\Local\\Microsoft");
    WriteFile(source + kOutlook + "\\outlook.pst", "mail");
    WriteFile(source + kOutlook + "\\archive.pst", "old mail");
    WriteFile(source + "Documents\\letter.txt", "letter");
    test::HeldFile holder(source + kOutlook + "\\outlook.pst");
    ASSERT_TRUE(holder.Held());
    std::vector<std::string> asked;
    const std::vector<std::string> notes = Migrate(source, destination, [&](const std::vector<std::string>& paths) {
      asked = paths;
      return std::vector<std::string>{"Microsoft Outlook"};
    });
    EXPECT_EQ(view.log, std::vector<std::string>{std::string(moving ? "ERROR: Cound not move " : "ERROR: Cound not copy ") +
                                                 "outlook.pst"});
    EXPECT_EQ(asked, std::vector<std::string>{source + kOutlook + "\\outlook.pst"});
    EXPECT_EQ(NotesStartingWith(notes, "NOTE: 1 file was open"),
              std::vector<std::string>{"NOTE: 1 file was open in another program (Microsoft Outlook): outlook.pst. "
                                       "Close it in the old account, then run the same migration again."});
    EXPECT_EQ(ReadWholeFile(destination + kOutlook + "\\archive.pst"), "old mail");
    EXPECT_FALSE(PathExists(destination + kOutlook + "\\outlook.pst"));

    holder.Release();
    const std::vector<std::string> again = Migrate(source, destination);
    EXPECT_TRUE(view.log.empty()) << view.log.front();
    EXPECT_TRUE(NotesStartingWith(again, "NOTE: 1 file was open").empty());
    EXPECT_EQ(ReadWholeFile(destination + kOutlook + "\\outlook.pst"), "mail");
    EXPECT_EQ(ReadWholeFile(destination + "Documents\\letter.txt"), "letter");
  }
}

// The system's own Restart Manager, asked about a file a process of ours
// holds: it may name the program or nobody, but the note stands either way.
TEST_F(Causes, TheRestartManagerIsAskedAndANoteWithoutANameSaysAnotherProgram) {
  const std::string source = machine.AddDrive('d') + "users\\Dan\\";
  WriteFile(source + "Documents\\a.xls", "a");
  WriteFile(source + "Documents\\b.xls", "b");
  test::HeldFile a(source + "Documents\\a.xls"), b(source + "Documents\\b.xls");
  ASSERT_TRUE(a.Held() && b.Held());
  std::vector<std::string> notes = NotesStartingWith(Migrate(source, "c:\\users\\Public\\"), "NOTE: 2 files were");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_TRUE(StartsWith(notes[0], "NOTE: 2 files were open in another program")) << notes[0];
  EXPECT_TRUE(Contains(notes[0], ": a.xls, b.xls. Close it in the old account, then run the same migration again."))
      << notes[0];

  FailureCauses causes;
  for (const char* name : {"a.xls", "b.xls"}) causes.Failed(name, name, 1, "c:\\x", ERROR_LOCK_VIOLATION);
  causes.Failed("c.xls", "c.xls", 1, "c:\\x", ERROR_ACCESS_DENIED);  // no cause the notes can name
  auto holders = [](std::vector<std::string> names) { return [=](const std::vector<std::string>&) { return names; }; };
  EXPECT_EQ(causes.Notes(holders({})), std::vector<std::string>{"NOTE: 2 files were open in another program: a.xls, "
                                                                "b.xls. Close it in the old account, then run the "
                                                                "same migration again."});
  EXPECT_EQ(causes.Notes(holders({"Microsoft Excel", "Notepad"})),
            std::vector<std::string>{"NOTE: 2 files were open in other programs (Microsoft Excel, Notepad): a.xls, "
                                     "b.xls. Close them in the old account, then run the same migration again."});
}

// A 1 MiB file system as the folder the copy goes into (a folder the copy
// would go into below it is a mount point, which it never writes through).
TEST_F(Causes, ADestinationThatFillsPartWayIsSaidOnceWithWhatToDo) {
  const std::string scans = machine.AddDrive('d') + "users\\Dan\\Documents\\Scans\\";
  for (const char* name : {"1.tif", "2.tif", "3.tif", "4.tif"}) WriteFile(scans + name, std::string(400 * 1024, 's'));
  TestFolder destination;
  const std::string mountPoint = test::HostPath(destination.Path());
  if (test::RunOnHost("mount -t tmpfs -o size=1m tmpfs " + test::ShellQuote(mountPoint)) != 0) {
    GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here (mounting needs root)";
  }
  std::int64_t copiedBytes = 0;
  FolderTransfer transfer(view, copiedBytes, 0, {}, {.copyWorkers = 2});
  transfer.CopyFolderContents(scans, destination.Path() + "\\");
  const size_t arrived = test::ListTree(destination.Path()).size();
  test::RunOnHost("umount " + test::ShellQuote(mountPoint));
  ASSERT_GT(arrived, 0u);
  const size_t failed = 4 - arrived;
  ASSERT_GT(failed, 0u);
  ASSERT_EQ(view.log.size(), failed);
  for (const std::string& line : view.log) EXPECT_TRUE(StartsWith(line, "ERROR: Cound not copy ")) << line;
  EXPECT_EQ(transfer.Causes().Notes(nullptr),
            std::vector<std::string>{"NOTE: " + std::to_string(failed) + " files (" +
                                     SizeText(static_cast<std::int64_t>(failed) * 400 * 1024) +
                                     ") could not be copied because the destination ran out of space: free space on "
                                     "C:, then run the same migration again; it carries only what is missing."});
}

}  // namespace
}  // namespace ferrowin
