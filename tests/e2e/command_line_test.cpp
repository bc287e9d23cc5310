// The migration run from a command line, as a deployment tool runs it on many
// machines: no window, a log file and an exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/app_driver.h"
#include "tests/support/console_tools.h"
#include "tests/support/host.h"
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
  // The last ones are slips a deployment tool's command box lets through: no window that nobody would see.
  for (const char* arguments : {"/from:Alice /to:CON", "/fro:Alice /to:Bob", "/from:Alice", "/from:Nobody /to:Bob",
                                "/from:Alice /to:alice", "/from:Alice /to:Bob /wait:soon", "/from Alice /to Bob",
                                "/from=Alice /to=Bob", "/FROM:Alice /To Bob", "Alice Bob"}) {
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

// Sparse files: their size counts, their disk use does not.
TEST_F(CommandLine, ACopyLargerThanTheFreeSpaceIsRefusedWithFourUnlessMostOfItIsThereAlready) {
  const std::string dan = machine.AddDrive('d') + "users\\Dan\\";
  ULARGE_INTEGER free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"c:\\users\\", &free, nullptr, nullptr));
  const std::int64_t size = static_cast<std::int64_t>(free.QuadPart) + 20'000'000'000LL;
  ASSERT_TRUE(test::MakeSparseFile(dan + "Videos\\wedding.mkv", size));
  WriteFile(dan + "Documents\\letter.txt", "letter");
  for (const char* arguments : {"/from:d:\\users\\Dan /to:Bob", "/from:d:\\users\\Dan /to:Bob /plan"}) {
    SCOPED_TRACE(arguments);
    const test::FinishedRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, 4u) << run.output;
    EXPECT_TRUE(Contains(run.output, "ERROR: The copy needs " + SizeText(size + 6 + (size + 6) / 100) + " but drive C: has "))
        << run.output;
    EXPECT_TRUE(Contains(run.output, " free. Free some space on C:, or carry less, then try again.")) << run.output;
  }
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_FALSE(PathExists("c:\\users\\Bob"));
  EXPECT_FALSE(PathExists(kLogs));

  // An earlier run's copy (another date, so it is not read through to compare).
  ASSERT_TRUE(test::MakeSparseFile("c:\\users\\Public\\Videos\\wedding.mkv", size));
  ASSERT_TRUE(test::SetWriteYear("c:\\users\\Public\\Videos\\wedding.mkv", 2001));
  const test::FinishedRun run = Run("/from:d:\\users\\Dan /to:Public");
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\letter.txt"), "letter");
}

TEST_F(CommandLine, APlanSaysWhatWouldBeCarriedAndWhatWouldStayAndChangesNothing) {
  const std::string dan = machine.AddDrive('d') + "users\\Dan\\";
  WriteFile(dan + "Documents\\taxes.xls", "Dan's taxes");
  WriteFile(dan + "Documents\\letter.txt", "letter");
  WriteFile(dan + "Projects\\plan.txt", "plan");
  ASSERT_TRUE(test::MakeHostSymlink(dan + "Documents\\Elsewhere", ".."));
  WriteFile("c:\\users\\Public\\Documents\\taxes.xls", "the public one");
  const std::vector<std::string> before[] = {test::ListTree(dan), test::ListTree("c:\\users")};

  const test::FinishedRun run = Run("/from:d:\\users\\Dan /to:Public /plan");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  const std::vector<std::string> lines = SplitLines(run.output);
  for (const char* expected : {"Mode: copy", "Account: none, the data goes into the Public profile",
                               "Destination folder: c:\\users\\Public", "  Documents: 2 files (17 B)",
                               "  1 files (11 B), because the new profile already holds their names:",
                               "    Documents\\taxes.xls", "  outside the folders this program carries: Projects (4 B)",
                               "  the link d:\\users\\Dan\\Documents\\Elsewhere, never followed",
                               "To copy: 1 files (6 B); with its margin the copy needs 100 MB"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected << "\n" << run.output;
  }
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return StartsWith(line, "Free space on drive C: ");
  })) << run.output;

  // A new account is planned against an empty profile, and ends as a run
  // would before its first sign-in; a refused name as a refusal.
  const test::FinishedRun newAccount = Run("/from:d:\\users\\Dan /to:Bob /admin /plan");
  EXPECT_EQ(newAccount.exitCode, 3u) << newAccount.output;
  EXPECT_TRUE(Contains(newAccount.output, "Account: Bob would be made, as an administrator")) << newAccount.output;
  EXPECT_TRUE(Contains(newAccount.output, "To copy: 2 files (17 B)")) << newAccount.output;
  EXPECT_EQ(Run("/from:d:\\users\\Dan /to:CON /plan").exitCode, 4u);

  EXPECT_EQ(test::ListTree(dan), before[0]);
  EXPECT_EQ(test::ListTree("c:\\users"), before[1]);
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_FALSE(PathExists(kLogs));
}

// A folder inside a data folder of the new profile that is a link into
// another person's profile: nothing goes through it, copied or moved, and the
// exit code says that something could not be carried.
TEST_F(CommandLine, ALinkInsideTheNewProfileIsNeverWrittenThrough) {
  const std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Documents\\Shared\\plan.txt", "Dan's plan");
  WriteFile("c:\\users\\Alice\\Pictures\\Holiday\\beach.jpg", "Alice's beach");
  WriteFile("c:\\users\\Erin\\Documents\\erin.txt", "Erin's");
  WriteFile("c:\\users\\Erin\\Pictures\\erin.jpg", "Erin's");
  ASSERT_TRUE(test::MakeHostSymlink("c:\\users\\Public\\Documents\\Shared", test::HostPath("c:\\users\\Erin\\Documents")));
  ASSERT_TRUE(test::MakeHostSymlink("c:\\users\\Public\\Pictures\\Holiday", test::HostPath("c:\\users\\Erin\\Pictures")));
  const test::FinishedRun copy = Run("/from:d:\\users\\Dan /to:Public");
  const test::FinishedRun move = Run("/from:Alice /to:Public");
  for (const test::FinishedRun* run : {&copy, &move}) {
    EXPECT_EQ(run->exitCode, 2u) << run->output;
  }
  EXPECT_TRUE(Contains(copy.output, "ERROR: Did not follow the link c:\\users\\Public\\Documents\\Shared")) << copy.output;
  EXPECT_TRUE(Contains(move.output, "ERROR: Did not follow the link c:\\users\\Public\\Pictures\\Holiday")) << move.output;
  EXPECT_EQ(test::ListTree("c:\\users\\Erin"), (std::vector<std::string>{"Documents\\", "Documents\\erin.txt",
                                                                         "Pictures\\", "Pictures\\erin.jpg"}));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Alice\\Pictures\\Holiday\\beach.jpg"), "Alice's beach");
}

// What the notes say stayed behind is what the exit code says: a browser
// file that could not be copied (Public has no AppData) is not "everything".
TEST_F(CommandLine, ABrowserFileNotCopiedIsNotEverythingCarried) {
  const std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Documents\\letter.txt", "letter");
  WriteFile(d + "users\\Dan\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History", "visited");
  const test::FinishedRun run = Run("/from:d:\\users\\Dan /to:Public");
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_TRUE(Contains(run.output, "NOTE: Not copied: AppData\\Local\\Google\\Chrome\\User Data\\Default\\History"))
      << run.output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\letter.txt"), "letter");
}

// A deployment tool that retries while the first run still works: the second
// is refused at once and changes nothing; the first carries everything.
TEST_F(CommandLine, ASecondRunIntoTheSameAccountWhileOneIsUnderWayIsRefused) {
  WriteFile("c:\\users\\Alice\\Pictures\\cat.jpg", "cat");
  // The first run makes the account and waits for its first sign-in.
  std::future<std::optional<test::FinishedRun>> first = std::async(std::launch::async, [&] {
    return test::RunToEnd({.program = program, .arguments = "/from:Alice /to:Bob /wait:2"}, 180000);
  });
  ASSERT_TRUE(tools.WaitForRecords(2));
  const test::FinishedRun second = Run("/from:Alice /to:BOB");
  EXPECT_EQ(second.exitCode, 4u) << second.output;
  EXPECT_TRUE(Contains(second.output, "ERROR: Another migration into BOB is under way on this computer.")) << second.output;
  EXPECT_EQ(tools.Records().size(), 2u);  // only the first run's account commands
  test::SimulateFirstSignIn("Bob");
  const std::optional<test::FinishedRun> firstRun = first.get();
  ASSERT_TRUE(firstRun.has_value());
  EXPECT_EQ(firstRun->exitCode, 0u) << firstRun->output;
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Pictures\\cat.jpg"), "cat");
}

}  // namespace
}  // namespace ferrowin
