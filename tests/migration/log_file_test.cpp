// The migration log file on real folders: its name, its bytes as Notepad
// reads them, and where it goes when its folder cannot be used.
#include "migration/log_file.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/console_tools.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ListTree;
using test::ReadWholeFile;
using test::ScopedEnvironment;
using test::ScopedTempDirectory;
using test::TestFolder;
using test::WriteFile;

constexpr const char* kStart = "2024-05-01 14.03.07 ";

LogFileHeader Header() {
  return {.program = "Ferrowin version 14",
          .computer = "FRONT-DESK",
          .windowsVersion = "Windows 10.0 build 22631",
          .source = "d:\\users\\Alice\\",
          .destination = "J\xc3\xb6rg",
          .moving = false,
          .start = {.wYear = 2024, .wMonth = 5, .wDay = 1, .wHour = 14, .wMinute = 3, .wSecond = 7}};
}

TEST(LogFile, WritesHeaderLinesAndSummaryThroughWhileOthersRead) {
  TestFolder folder;
  MigrationLogFile log(Header(), "d:\\users\\Alice\\", "J\xc3\xb6rg", folder / "ProgramData\\Ferrowin\\Logs");
  ASSERT_TRUE(log.Saved()) << log.FailureReason();
  EXPECT_EQ(log.Path(), folder / "ProgramData\\Ferrowin\\Logs\\" + kStart + "Alice to J\xc3\xb6rg.log");
  EXPECT_EQ(LogFileNote(log), "NOTE: This log is saved as " + log.Path());
  const std::string header =
      "\xEF\xBB\xBFProgram: Ferrowin version 14\r\nComputer: FRONT-DESK\r\nWindows: Windows 10.0 build 22631\r\n"
      "Source: d:\\users\\Alice\\\r\nDestination: J\xc3\xb6rg\r\nMode: copy\r\nStarted: 2024-05-01 14:03:07\r\n\r\n";
  log.Append({"Copying Documents", "ERROR: two\nlines"});
  EXPECT_EQ(ReadWholeFile(log.Path()), header + "Copying Documents\r\nERROR: two\r\nlines\r\n");
  log.Append({"NOTE: done"});
  log.Finish({.files = 1234, .bytes = 56'700'000, .leftBehind = 3, .failed = 1, .milliseconds = 125'900});
  EXPECT_EQ(ReadWholeFile(log.Path()),
            header +
                "Copying Documents\r\nERROR: two\r\nlines\r\nNOTE: done\r\n"
                "Summary: 1234 files (56 MB) carried, 3 entries left behind, 1 entries failed, in 2 min 5 s.\r\n");
  EXPECT_TRUE(LogSummaryLine({.milliseconds = 3'725'000}).ends_with(" failed, in 1 h 2 min 5 s."));
}

TEST(LogFile, ALogStartedInTheSameSecondGetsTheNextNumber) {
  TestFolder folder;
  MigrationLogFile first(Header(), "Alice", "Bob", folder.Path());
  first.Append({"first run"});
  MigrationLogFile second(Header(), "Alice", "Bob", folder.Path());
  MigrationLogFile moved(std::move(second));
  moved.Append({"second run"});
  MigrationLogFile third(Header(), "Alice", "Bob", folder.Path());
  EXPECT_EQ(first.Path(), folder / kStart + "Alice to Bob.log");
  EXPECT_EQ(moved.Path(), folder / kStart + "Alice to Bob (2).log");
  EXPECT_EQ(third.Path(), folder / kStart + "Alice to Bob (3).log");
  EXPECT_TRUE(ReadWholeFile(first.Path()).ends_with("\r\n\r\nfirst run\r\n"));
  EXPECT_TRUE(ReadWholeFile(moved.Path()).ends_with("\r\n\r\nsecond run\r\n"));
}

TEST(LogFile, NamesBecomeASafeFileName) {
  TestFolder folder;
  const struct {
    std::string source, destination, name;
  } cases[] = {
      {"d:\\users\\Alice\\", "Bob", "Alice to Bob"},
      {"C:\\Users\\Dan Smith", "a:b?c", "Dan Smith to a_b_c"},
      {"x/<y>", "\"q|r*\t", "_y_ to _q_r__"},
      {std::string(300, 'n'), "Bob", std::string(100, 'n') + " to Bob"},
  };
  for (const auto& c : cases) {
    MigrationLogFile log(Header(), c.source, c.destination, folder.Path());
    EXPECT_TRUE(log.Saved()) << log.FailureReason();
    EXPECT_EQ(log.Path(), folder / kStart + c.name + ".log");
    EXPECT_TRUE(PathIsFile(log.Path())) << log.Path();
  }
}

TEST(LogFile, GoesToTheTemporaryFolderWhenProgramDataCannotHoldIt) {
  TestFolder folder;
  ScopedEnvironment programData("ProgramData", folder / "ProgramData");
  WriteFile(folder / "ProgramData\\Ferrowin", "a file where the folder should be");
  ScopedTempDirectory temp(folder, "Temp");
  MigrationLogFile log(Header(), "Alice", "Bob");
  ASSERT_TRUE(log.Saved()) << log.FailureReason();
  EXPECT_EQ(LogFileNote(log), "NOTE: This log is saved as " + temp.Path() + kStart + "Alice to Bob.log");
  log.Append({"line"});
  EXPECT_TRUE(ReadWholeFile(log.Path()).ends_with("\r\n\r\nline\r\n"));
}

TEST(LogFile, WithNoUsableFolderSaysWhyAndWritesNothing) {
  TestFolder folder;
  WriteFile(folder / "file", "x");
  ScopedEnvironment tmp("TMP", folder / "file\\Temp\\");
  ScopedEnvironment temp("TEMP", folder / "file\\Temp\\");
  MigrationLogFile log(Header(), "Alice", "Bob", folder / "file\\Logs");
  EXPECT_FALSE(log.Saved());
  EXPECT_TRUE(StartsWith(LogFileNote(log), "NOTE: This log could not be saved: " + folder / "file\\Logs: "))
      << LogFileNote(log);
  EXPECT_TRUE(Contains(log.FailureReason(), folder / "file\\Temp: ")) << log.FailureReason();
  log.Append({"lost"});
  log.Finish({});
  EXPECT_EQ(ListTree(folder.Path()), std::vector<std::string>{"file"});
}

}  // namespace
}  // namespace ferrowin
