// Files that could not be carried for a reason the log can name once: a
// file another program holds open, a destination that ran out of space.
#include <gtest/gtest.h>

#include <algorithm>

#include "migration/catalogue.h"
#include "migration/held_files.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/support/held_file.h"
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
  causes.Failed(source + "Documents\\a.xls", "a.xls", 1, "c:\\users\\Public\\Documents\\a.xls", ERROR_SHARING_VIOLATION);
  causes.Failed(source + "Documents\\b.xls", "b.xls", 1, "c:\\users\\Public\\Documents\\b.xls", ERROR_LOCK_VIOLATION);
  causes.Failed(source + "Documents\\c.xls", "c.xls", 1, "c:\\users\\Public\\Documents\\c.xls", ERROR_ACCESS_DENIED);
  EXPECT_EQ(causes.Notes([](const std::vector<std::string>&) { return std::vector<std::string>{}; }),
            std::vector<std::string>{"NOTE: 2 files were open in another program: a.xls, b.xls. Close it in the old "
                                     "account, then run the same migration again."});
  EXPECT_EQ(causes.Notes([](const std::vector<std::string>&) {
    return std::vector<std::string>{"Microsoft Excel", "Notepad"};
  }),
            std::vector<std::string>{"NOTE: 2 files were open in other programs (Microsoft Excel, Notepad): a.xls, "
                                     "b.xls. Close them in the old account, then run the same migration again."});
}

// A 1 MiB file system mounted below a data folder of the new profile.
TEST_F(Causes, ADestinationThatFillsPartWayIsSaidOnceWithWhatToDo) {
  const std::string source = machine.AddDrive('d') + "users\\Dan\\";
  for (const char* name : {"1.tif", "2.tif", "3.tif", "4.tif"}) {
    WriteFile(source + "Documents\\Scans\\" + name, std::string(400 * 1024, 's'));
  }
  WriteFile(source + "Documents\\letter.txt", "letter");
  const std::string scans = "c:\\users\\Public\\Documents\\Scans";
  test::MakeDirs(scans);
  if (test::RunOnHost("mount -t tmpfs -o size=1m tmpfs " + test::ShellQuote(test::HostPath(scans))) != 0) {
    GTEST_SKIP() << "cannot mount a 1 MiB tmpfs here (mounting needs root)";
  }
  const std::vector<std::string> notes = Migrate(source, "c:\\users\\Public\\");
  const std::vector<std::string> arrived = test::ListTree(scans);
  test::RunOnHost("umount " + test::ShellQuote(test::HostPath(scans)));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\letter.txt"), "letter");
  ASSERT_FALSE(arrived.empty());
  const size_t failed = 4 - arrived.size();
  ASSERT_GT(failed, 0u);
  ASSERT_EQ(view.log.size(), failed);
  for (const std::string& line : view.log) EXPECT_TRUE(StartsWith(line, "ERROR: Cound not copy ")) << line;
  EXPECT_EQ(NotesStartingWith(notes, "NOTE: " + std::to_string(failed) + " files (" +
                                         SizeText(static_cast<std::int64_t>(failed) * 400 * 1024) +
                                         ") could not be copied because"),
            std::vector<std::string>{"NOTE: " + std::to_string(failed) + " files (" +
                                     SizeText(static_cast<std::int64_t>(failed) * 400 * 1024) +
                                     ") could not be copied because the destination ran out of space: free space on "
                                     "C:, then run the same migration again; it carries only what is missing."});
}

}  // namespace
}  // namespace ferrowin
