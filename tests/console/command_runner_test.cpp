// The command runner under Wine's own command interpreter: the batch file it
// writes, how it waits for it, and what it brings back.
#include "console/command_runner.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/console_tools.h"
#include "tests/support/tree.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::ConsoleTools;
using test::ScopedEnvironment;

// The view without a window: every text the runner shows, in order.
class RecordingConsoleView : public ConsoleView {
 public:
  void SetOutputText(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> OutputLines() const override {
    return texts.empty() ? std::vector<std::string>{} : SplitLines(texts.back());
  }

  std::vector<std::string> texts;
};

class CommandRunner : public ::testing::Test {
 protected:
  void UseTempFolder(const std::string& name) {
    temp = std::make_unique<test::ScopedTempDirectory>(tools.Folder(), name);
  }

  // Keeps what the runner says of its failure, and its files.
  bool Run(const std::string& command, CommandRunnerSettings settings = {}) {
    lastRun = RunConsoleCommand(command, view, settings);
    batchFilePath = lastRun.files.batchFilePath;
    resultFilePath = lastRun.files.resultFilePath;
    if (!lastRun.Finished()) messages.push_back(lastRun.failure);
    return lastRun.Finished();
  }

  // A batch left running by a time-out must be gone before the next test.
  bool BatchFinished() {
    return test::WaitUntil([&] { return !PathExists(batchFilePath); });
  }

  ConsoleTools tools;
  std::unique_ptr<test::ScopedTempDirectory> temp;
  RecordingConsoleView view;
  CommandRun lastRun;
  std::vector<std::string> messages;
  std::string batchFilePath;
  std::string resultFilePath;
};

std::string BatchLines(const std::string& command, const std::string& folder) {
  return command + " > \"" + folder + "vorl-result.txt\"\r\ndel \"" + folder + "vorl-result.bat\"";
}

TEST_F(CommandRunner, WritesTheBatchInTheConsolePageIntoATempFolderWithABlank) {
  UseTempFolder("Temp J\xc3\xb6rg");  // "Temp Jörg": a blank, and a letter outside ASCII
  const std::string folder = temp->Path();
  ASSERT_EQ(TemporaryFolder(), folder);
  // The command keeps a copy of the batch file that is running it.
  const std::string copy = tools.Folder() / "batch-copy.bin";
  const std::string command = "copy /b \"" + folder + "vorl-result.bat\" \"" + copy + "\"";

  ASSERT_TRUE(Run(command));

  EXPECT_EQ(batchFilePath, folder + "vorl-result.bat");
  EXPECT_EQ(resultFilePath, folder + "vorl-result.txt");
  ASSERT_FALSE(view.texts.empty());
  const std::string expected = BatchLines(command, folder);
  EXPECT_EQ(view.texts.front(), expected);  // the memo shows the batch first
  const std::string written = test::ReadWholeFile(copy);
  EXPECT_EQ(written, ToCodePage(expected, ConsoleCodePage()));
  EXPECT_NE(written, expected) << "written in UTF-8, which the interpreter does not read";
  EXPECT_FALSE(PathExists(batchFilePath));
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandRunner, LoadsTheStandardOutputFromTheConsolePageUpToAZeroByte) {
  UseTempFolder("Temp");
  tools.Behave("net", "print:Gr\xc3\xb6\xc3\x9f" "e: 12\\n\\nzweite Zeile\\n\\0nach der Null\\n");
  ASSERT_TRUE(Run("net view"));
  // The interpreter passes the blank before the redirection on, as Windows' does.
  EXPECT_EQ(tools.Records(), std::vector<std::string>{"net view "});
  EXPECT_EQ(view.texts.back(), "Gr\xc3\xb6\xc3\x9f" "e: 12\r\n\r\nzweite Zeile");
  EXPECT_TRUE(messages.empty());

  tools.Behave("net", "stderr");  // what goes to standard error is not captured
  ASSERT_TRUE(Run("net view"));
  EXPECT_EQ(view.texts.back(), "");
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandRunner, RunsTheBatchInTheSystemFolder) {
  // The interpreter looks for a command in its working folder first.
  UseTempFolder("Temp");
  ASSERT_TRUE(Run("cd"));
  EXPECT_EQ(view.texts.back(), SystemFolder());
}

TEST_F(CommandRunner, ReadsALongTempFolderWhole) {
  UseTempFolder("Temp " + std::string(150, 'x'));
  ASSERT_GT(temp->Path().size(), 160u);
  EXPECT_EQ(TemporaryFolder(), temp->Path());
  tools.Behave("net", "print:from the long folder");
  ASSERT_TRUE(Run("net view"));
  EXPECT_EQ(view.texts.back(), "from the long folder");
  EXPECT_EQ(resultFilePath, temp->Path() + "vorl-result.txt");
}

TEST_F(CommandRunner, NamesATempFolderTheConsolePageCannotSpellByItsShortForm) {
  UseTempFolder("Temp \xe6\x97\xa5\xe6\x9c\xac");  // "Temp 日本"
  ASSERT_FALSE(ConsoleCodePageHolds(temp->Path()));
  tools.Behave("net", "print:done");
  ASSERT_TRUE(Run("net view"));
  EXPECT_EQ(view.texts.back(), "done");
  EXPECT_EQ(batchFilePath, temp->Path() + "vorl-result.bat");
  EXPECT_FALSE(PathExists(batchFilePath));
  EXPECT_FALSE(Contains(view.texts.front(), "\xe6\x97\xa5")) << view.texts.front();
}

TEST_F(CommandRunner, TimesOutWithAMessageAndKeepsTheBatchText) {
  UseTempFolder("Temp");
  tools.Behave("net", "delay:3000");
  EXPECT_FALSE(Run("net view", {.pollLimit = 3, .pollIntervalMs = 50}));
  EXPECT_EQ(messages, std::vector<std::string>{"dos command failed?"});
  EXPECT_EQ(view.texts, std::vector<std::string>{BatchLines("net view", temp->Path())});
  EXPECT_TRUE(BatchFinished());
}

TEST_F(CommandRunner, ABatchGoneDuringTheLastIntervalHasFinished) {
  UseTempFolder("Temp");
  tools.Behave("net", "print:in time");
  // One check, then one interval long enough for the command to end in it.
  EXPECT_TRUE(Run("net view", {.pollLimit = 1, .pollIntervalMs = 8000}));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(view.texts.back(), "in time");
}

TEST_F(CommandRunner, AResultThatCannotBeReadIsAClearError) {
  UseTempFolder("Temp");
  // A folder in the result file's place: the redirection fails, and so does reading.
  ASSERT_TRUE(MakeDirectory(temp->Path() + "vorl-result.txt"));
  EXPECT_FALSE(Run("net view"));
  EXPECT_EQ(lastRun.outcome, CommandRun::Outcome::OutputUnreadable);
  EXPECT_TRUE(Contains(lastRun.failure, temp->Path() + "vorl-result.txt")) << lastRun.failure;
  EXPECT_TRUE(BatchFinished());
}

TEST_F(CommandRunner, AnEarlierResultIsNotTakenForThisCommandsOutput) {
  UseTempFolder("Temp");
  test::WriteFile(temp->Path() + "vorl-result.txt", "The command completed successfully.\r\n");
  // The interpreter gives a remark no redirection, so this run leaves no result.
  EXPECT_FALSE(Run("rem nothing to show"));
  EXPECT_EQ(lastRun.outcome, CommandRun::Outcome::OutputUnreadable);
  EXPECT_FALSE(Contains(JoinLines(view.texts), "successfully"));
}

TEST_F(CommandRunner, ABatchThatCannotBeWrittenFailsAtOnce) {
  UseTempFolder("Temp");
  ASSERT_TRUE(MakeDirectory(temp->Path() + "vorl-result.bat"));
  const DWORD start = GetTickCount();
  EXPECT_FALSE(Run("net view"));
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_EQ(messages, std::vector<std::string>{"dos command failed?"});
  EXPECT_TRUE(tools.Records().empty());
}

// The Dos Command page, as a user works it with "/debug".
class DosCommandPage : public test::WindowTest {
 protected:
  TfrmMain& OpenPage() {
    FormOptions options = Options();
    options.firstArgument = "/debug";
    TfrmMain& form = CreateForm(options);
    SetForegroundWindow(form.Handle());
    form.PageControl1.SetActivePage(form.tsDosCommand);
    return form;
  }

  ConsoleTools tools;
  test::ScopedTempDirectory temp{tools.Folder(), "Temp"};
};

TEST_F(DosCommandPage, EnterRunsTheTypedCommandAndShowsItsOutput) {
  TfrmMain& form = OpenPage();
  form.txtDosCommand.SetText("echo hello");
  SetFocus(form.txtDosCommand.Handle());
  test::PressKey(app, VK_RETURN);
  // The interpreter keeps the blank before the redirection, as Windows' does.
  const std::vector<std::string> hello{"hello "};
  EXPECT_TRUE(PumpUntil([&] { return form.memoDosOutput.Lines() == hello; }))
      << JoinLines(form.memoDosOutput.Lines());
  EXPECT_EQ(form.batchFilePath, temp.Path() + "vorl-result.bat");
  EXPECT_EQ(form.resultFilePath, temp.Path() + "vorl-result.txt");
  EXPECT_TRUE(messages.empty());
}

TEST_F(DosCommandPage, AnUnreadableResultIsShownInABoxAndTheLogIsUntouched) {
  TfrmMain& form = OpenPage();
  ASSERT_TRUE(MakeDirectory(temp.Path() + "vorl-result.txt"));
  form.txtDosCommand.SetText("echo hello");
  ASSERT_TRUE(test::Click(form.cmdExecute));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0], "could not be read")) << messages[0];
  EXPECT_TRUE(form.memoRecovery.Lines().empty());
}

}  // namespace
}  // namespace ferrowin
