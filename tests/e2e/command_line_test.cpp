// The migration run from a command line, as a deployment tool runs it on many
// machines: no window, a log file and an exit code.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/app_driver.h"
#include "tests/support/console_tools.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::ReadWholeFile;
using test::WriteFile;

constexpr const char* kLogs = "C:\\ProgramData\\Ferrowin\\Logs";

class CommandLine : public ::testing::Test {
 protected:
  test::FinishedRun Run(const std::string& arguments) {
    std::optional<test::FinishedRun> run = test::RunToEnd({.program = program, .arguments = arguments});
    EXPECT_TRUE(run.has_value()) << arguments << " did not end";
    if (!run) return {};
    EXPECT_FALSE(run->showedAWindow) << arguments;
    return *run;
  }

  // The lines of the newest log file (they are named by their start time).
  std::vector<std::string> NewestLog() {
    std::vector<std::string> logs = test::ListTree(kLogs);
    if (logs.empty()) return {};
    std::sort(logs.begin(), logs.end());
    const std::string text = ReadWholeFile(std::string(kLogs) + "\\" + logs.back());
    return StartsWith(text, "\xEF\xBB\xBF") ? SplitLines(text.substr(3)) : std::vector<std::string>{};
  }

  test::CleanMachine machine;
  test::ConsoleTools tools;
  std::string program = test::InstalledProgram();
};

TEST_F(CommandLine, MovesIntoAnExistingProfileWithALogFileAndNoWindow) {
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  const test::FinishedRun run = Run("/FROM:alice /to:Public");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\letter.txt"), "letter");
  const std::vector<std::string> log = NewestLog();
  ASSERT_GT(log.size(), 10u);
  EXPECT_EQ(log[0], "Program: Ferrowin version 14");
  EXPECT_TRUE(std::find(log.begin(), log.end(),
                        "Your data has been moved from c:\\users\\Alice\\ to c:\\users\\Public.") != log.end());
  EXPECT_TRUE(StartsWith(log.back(), "Summary: 1 files (6 B) carried, 0 entries left behind, 0 entries failed, in "))
      << log.back();
  EXPECT_TRUE(Contains(run.output, "Your data has been moved from")) << run.output;
  EXPECT_TRUE(tools.WaitForRecords(8));  // the permission resets, started and not waited for
  for (const std::string& record : tools.Records()) EXPECT_TRUE(Contains(LowerCase(record), "icacls")) << record;
}

TEST_F(CommandLine, ACopyThatLeavesASameNameBehindEndsWithOne) {
  const std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan Smith\\Documents\\taxes.xls", "Dan's");
  WriteFile(d + "users\\Dan Smith\\Music\\song.mp3", "song");
  WriteFile("c:\\users\\Public\\Documents\\taxes.xls", "the public one");
  const test::FinishedRun run = Run("/to:Public /from:\"d:\\users\\Dan Smith\"");
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Music\\song.mp3"), "song");
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\taxes.xls"), "the public one");
  EXPECT_TRUE(Contains(run.output, "NOTE:   Documents\\taxes.xls")) << run.output;
}

// A new account has no profile until its first sign-in: the first run makes
// the account and ends with 3; the same command after the sign-in carries.
TEST_F(CommandLine, ANewAccountEndsWithThreeUntilItHasSignedInOnce) {
  WriteFile("c:\\users\\Alice\\Pictures\\cat.jpg", "cat");
  const test::FinishedRun first = Run("/from:Alice /to:Bob /admin /wait:0");
  EXPECT_EQ(first.exitCode, 3u) << first.output;
  EXPECT_TRUE(Contains(first.output,
                       "The profile of Bob does not exist yet: sign in once as Bob, then run the same "
                       "command again."))
      << first.output;
  EXPECT_EQ(tools.Records().size(), 3u);  // the account, its password's expiry, the administrators group
  EXPECT_TRUE(PathIsFile("c:\\users\\Alice\\Pictures\\cat.jpg"));

  test::SimulateFirstSignIn("Bob");
  test::ProfileListEntry bob("S-1-5-21-88-88-88-1001", "c:\\users\\Bob");
  ASSERT_TRUE(bob.Ok());
  const test::FinishedRun second = Run("/from:Alice /to:Bob /admin /wait:0");
  EXPECT_EQ(second.exitCode, 0u) << second.output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Pictures\\cat.jpg"), "cat");
}

TEST_F(CommandLine, RefusalsEndWithFourAndChangeNothing) {
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  for (const char* arguments : {"/from:Alice /to:CON", "/fro:Alice /to:Bob", "/from:Alice", "/from:Nobody /to:Bob",
                                "/from:Alice /to:alice", "/from:Alice /to:Bob /wait:soon"}) {
    SCOPED_TRACE(arguments);
    const test::FinishedRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_TRUE(Contains(run.output, "ERROR: ")) << run.output;
  }
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_EQ(ReadWholeFile("c:\\users\\Alice\\Documents\\letter.txt"), "letter");
  const test::FinishedRun usage = Run("/?");
  EXPECT_EQ(usage.exitCode, 0u);
  EXPECT_TRUE(Contains(usage.output, "/from:SOURCE")) << usage.output;
}

}  // namespace
}  // namespace ferrowin
