// Creating the destination account on the real window, with our stand-ins
// for net and wmic in the system folder run by Wine's command interpreter,
// and the answers about local accounts set by each test.
#include "console/account.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/console_tools.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

constexpr const char* kDots = "...............";
constexpr const char* kExpiryError = "Error disabling password expiration! (continuing anyway)";

// An English Windows that still has wmic.
LocalAccounts EnglishWindowsWithWmic() {
  return {.builtInAccountName = [](unsigned long) { return std::string(); },
          .localAccountExists = [](const std::string&) { return false; },
          .administratorsGroupName = [] { return std::string("Administrators"); },
          .setPasswordNeverExpires =
              [](const std::string& name) {
                ADD_FAILURE() << "the flag was set for " << name << " although wmic is there";
                return false;
              },
          .wmicInstalled = [] { return true; }};
}

class AccountCommands : public test::WindowTest {
 protected:
  void SetUp() override {
    form = &CreateForm();
    form->PageControl1.SetActivePage(form->tsMagic6);
  }

  bool Create(const std::string& name, bool giveAdmin, CommandRunnerSettings settings = {}) {
    const AccountCreation creation = CreateUserAccount(name, giveAdmin, accounts, form->AsAccountView(), settings);
    form->batchFilePath = creation.commandFiles.batchFilePath;
    form->resultFilePath = creation.commandFiles.resultFilePath;
    return creation.created;
  }

  // A batch left running by a time-out must be gone before the next run.
  bool BatchFinished() {
    return test::WaitUntil([&] { return !PathExists(form->batchFilePath); });
  }

  std::vector<std::string> Log() const { return form->memoRecovery.Lines(); }

  test::ConsoleTools tools;
  test::ScopedTempDirectory temp{tools.Folder(), "Temp"};
  LocalAccounts accounts = EnglishWindowsWithWmic();
  TfrmMain* form = nullptr;
};

// The command lines as the stand-ins receive them, each tool by its full path
// in the system folder: the interpreter passes the blank before the
// redirection on, as Windows' does.
std::vector<std::string> CommandLines(const std::string& quotedName, const std::string& wqlName,
                                      const std::string& group = "administrators") {
  const std::string net = SystemFolder() + "\\net.exe";
  const std::string wmic = SystemFolder() + "\\wbem\\wmic.exe";
  return {net + " users \"" + quotedName + "\" /add ",
          wmic + " useraccount where \"name='" + wqlName + "'\" set passwordExpires=false ",
          net + " localgroup " + group + " \"" + quotedName + "\" /add "};
}

TEST_F(AccountCommands, CreatesAnAdministratorWithTheThreeCommands) {
  // The first line the judgement takes for success.
  tools.Behave("wmic", "print:Property(s) update successful.\\n");
  EXPECT_TRUE(Create("Bob", true));
  EXPECT_EQ(tools.Records(), CommandLines("Bob", "Bob"));
  EXPECT_EQ(form->lblMagic1.Text(), "DONE");
  EXPECT_TRUE(form->lblMagic11.Visible());
  EXPECT_EQ(form->lblMagic11.Text(), "DONE");
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(AccountCommands, AnExistingAccountOrMembershipIsReportedAndTheLaterStepsStillRun) {
  tools.Behave("net_users", "silent");
  tools.Behave("net_localgroup", "stderr");  // Windows' "System error 1378" goes to standard error
  tools.Behave("wmic", "print:Property(s) update successful.\\n");
  EXPECT_TRUE(Create("Bob", true));
  EXPECT_EQ(tools.Records(), CommandLines("Bob", "Bob"));
  EXPECT_EQ(form->lblMagic1.Text(), "User NOT added, maybe because it already existed?");
  EXPECT_EQ(form->lblMagic11.Text(), "User NOT given admin, maybe because they already had admin?");
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(AccountCommands, WithoutGiveAdminTheAdminStatusStaysHiddenWithItsDots) {
  EXPECT_TRUE(Create("Bob", false));
  std::vector<std::string> twoSteps = CommandLines("Bob", "Bob");
  twoSteps.pop_back();
  EXPECT_EQ(tools.Records(), twoSteps);
  EXPECT_FALSE(form->lblMagic11.Visible());
  EXPECT_EQ(form->lblMagic11.Text(), kDots);
}

TEST_F(AccountCommands, AnyOtherFirstLineIsShownOrLoggedWhole) {
  tools.Behave("net_users", "warning");
  tools.Behave("net_localgroup", "print:Access is denied, partly.\\nMore help is available.\\n");
  tools.Behave("wmic", "print:ERROR:\\nDescription = Not found\\n");
  EXPECT_TRUE(Create("Bob", true));
  EXPECT_EQ(form->lblMagic1.Text(),
            "WARNING: the stand-in was asked to warn before it succeeds.\r\nThe command completed successfully.\r\n");
  EXPECT_EQ(form->lblMagic11.Text(), "Access is denied, partly.\r\nMore help is available.");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Unexpected result while disabling password expiry: ERROR:",
                                             "Description = Not found"}));

  // No output from wmic at all.
  tools.Behave("wmic", "stderr");
  EXPECT_TRUE(Create("Bob", false));
  EXPECT_EQ(Log().back(), kExpiryError);
  EXPECT_EQ(Log().size(), 3u);
}

TEST_F(AccountCommands, FindsWmicsSuccessOnAnyLineOfItsUtf16Output) {
  // As Windows prints it: which account it updates, then the success, in UTF-16.
  EXPECT_TRUE(Create("Bob", false));
  std::vector<std::string> output = form->memoDosOutput.Lines();
  ASSERT_GE(output.size(), 2u);
  EXPECT_TRUE(StartsWith(output.front(), "Updating property(s) of "));
  EXPECT_EQ(output.back(), "Property(s) update successful.");
  EXPECT_TRUE(Log().empty());

  // A long first line wraps in the memo; the success after it still counts.
  std::string longLine = "Updating";
  for (int i = 0; i < 12; ++i) longLine += " property number " + std::to_string(i) + " of the account";
  tools.Behave("wmic", "print:" + longLine + " Property(s) update successful.\\n");
  EXPECT_TRUE(Create("Bob", false));
  ASSERT_GT(form->memoDosOutput.Lines().size(), 1u);
  EXPECT_TRUE(Log().empty());
}

TEST_F(AccountCommands, GivesAdminThroughTheAdministratorsGroupByTheNameWindowsGivesIt) {
  struct Case {
    const char* groupName;  // as the lookup of S-1-5-32-544 gives it
    const char* argument;   // as the batch passes it on to net
  };
  const Case cases[] = {
      {"Administratoren", "\"Administratoren\""},  // German Windows
      {"Admins 100%", "\"Admins 100%\""},          // the batch must not take %...% for a variable
      {"Administrators", "administrators"},         // English Windows: the command of old
      {"administrators", "administrators"},
      {"", "administrators"},                       // the lookup failed
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.groupName);
    const std::string groupName = each.groupName;
    accounts.administratorsGroupName = [&] { return groupName; };
    const size_t before = tools.Records().size();
    EXPECT_TRUE(Create("Bob", true));
    ASSERT_EQ(tools.Records().size(), before + 3);
    EXPECT_EQ(tools.Records().back(), CommandLines("Bob", "Bob", each.argument)[2]);
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(AccountCommands, WithoutWmicTheAccountsOwnFlagKeepsItsPasswordFromExpiring) {
  accounts.wmicInstalled = [] { return false; };
  std::vector<std::string> flagged;
  accounts.setPasswordNeverExpires = [&](const std::string& name) {
    flagged.push_back(name);
    return true;
  };
  EXPECT_TRUE(Create("O'Brien %PATH%", true));
  // The name itself, not as the batch or wmic's query would escape it.
  EXPECT_EQ(flagged, std::vector<std::string>{"O'Brien %PATH%"});
  const std::vector<std::string> commands = CommandLines("O'Brien %PATH%", "O\\'Brien %PATH%");
  EXPECT_EQ(tools.Records(), (std::vector<std::string>{commands[0], commands[2]}));
  EXPECT_EQ(form->lblMagic1.Text(), "DONE");
  EXPECT_EQ(form->lblMagic11.Text(), "DONE");
  EXPECT_TRUE(Log().empty());

  // When the flag cannot be set either: the step's error line, and the admin
  // step still runs.
  accounts.setPasswordNeverExpires = [](const std::string&) { return false; };
  EXPECT_TRUE(Create("Bob", true));
  EXPECT_EQ(Log(), std::vector<std::string>{kExpiryError});
  EXPECT_EQ(tools.Records().back(), CommandLines("Bob", "Bob")[2]);
  EXPECT_TRUE(messages.empty());
}

TEST_F(AccountCommands, RefusesANameThatCouldChangeACommandLineBeforeRunningAnything) {
  const std::string pwned = "c:\\pwned.txt";
  (void)DeletePath(pwned);
  EXPECT_FALSE(Create("x\" & echo pwned > c:\\pwned.txt & \"", true));
  EXPECT_EQ(messages, std::vector<std::string>{kInvalidAccountNameMessage});
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_FALSE(PathExists(pwned));
  EXPECT_EQ(form->memoDosOutput.Text(), "memoDosOutput");  // no batch file was written
  EXPECT_EQ(form->lblMagic1.Text(), kDots);

  for (char refused : std::string("\"/\\[]:;|=,+*?<>\t\x01\x1f\x7f")) {
    EXPECT_FALSE(IsValidAccountName(std::string("ab") + refused + "c")) << static_cast<int>(refused);
  }
  EXPECT_FALSE(IsValidAccountName(""));
  for (const char* allowed : {"O'Brien", "J\xc3\xb6rg", "Anna Maria", "Tom & Jerry", "100%", "x^y!(1)"}) {
    EXPECT_TRUE(IsValidAccountName(allowed)) << allowed;
  }
}

TEST_F(AccountCommands, PercentAndApostropheReachTheToolsUnchanged) {
  // Unescaped, the batch file would put the PATH in place of %PATH%.
  EXPECT_TRUE(Create("O'Brien %PATH%", true));
  EXPECT_EQ(tools.Records(), CommandLines("O'Brien %PATH%", "O\\'Brien %PATH%"));
}

TEST_F(AccountCommands, ANameOutsideAsciiArrivesIntactOrIsRefused) {
  ASSERT_NE(ConsoleCodePage(), static_cast<UINT>(CP_UTF8));  // or this would prove nothing
  EXPECT_TRUE(Create("J\xc3\xb6rg", true));  // "Jörg"
  EXPECT_EQ(tools.Records(), CommandLines("J\xc3\xb6rg", "J\xc3\xb6rg"));

  // "Łukasz": the console's page has no Ł, and would make it another name.
  const std::string lukasz = "\xc5\x81ukasz";
  ASSERT_FALSE(ConsoleCodePageHolds(lukasz));
  EXPECT_FALSE(Create(lukasz, true));
  EXPECT_EQ(messages, std::vector<std::string>{kUnsupportedAccountNameMessage});
  EXPECT_EQ(tools.Records().size(), 3u);
}

TEST_F(AccountCommands, OnlyATimeOutOfTheCreateStepStopsTheRest) {
  // Long enough for a step that answers at once, short of the slow one.
  const CommandRunnerSettings shortWait{.pollLimit = 60, .pollIntervalMs = 50};
  {
    SCOPED_TRACE("create");
    tools.Behave("net_users", "delay:6000");
    EXPECT_FALSE(Create("Bob", true, shortWait));
    EXPECT_EQ(messages,
              (std::vector<std::string>{"dos command failed?", "Error creating new user account, aborting!"}));
    ASSERT_TRUE(BatchFinished());
    EXPECT_EQ(tools.Records().size(), 1u);
    EXPECT_EQ(form->lblMagic1.Text(), kDots);
  }
  tools.Behave("net_users", "success");
  messages.clear();
  {
    SCOPED_TRACE("no expiry");
    tools.Behave("wmic", "delay:6000");
    EXPECT_TRUE(Create("Bob", false, shortWait));
    ASSERT_TRUE(BatchFinished());
    // The memo still holds the batch, which is judged as the output.
    const std::string wmicLine = CommandLines("Bob", "Bob")[1];
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         kExpiryError,
                         "Unexpected result while disabling password expiry: " + wmicLine + "> \"" + temp.Path() +
                             "vorl-result.txt\"",
                         "del \"" + temp.Path() + "vorl-result.bat\""}));
    EXPECT_EQ(messages, std::vector<std::string>{"dos command failed?"});
  }
  tools.Behave("wmic", "print:Property(s) update successful.\\n");
  messages.clear();
  {
    SCOPED_TRACE("admin");
    tools.Behave("net_localgroup", "delay:6000");
    EXPECT_TRUE(Create("Bob", true, shortWait));
    ASSERT_TRUE(BatchFinished());
    EXPECT_EQ(messages,
              (std::vector<std::string>{"dos command failed?", "Error giving ADMIN, we will continue anyway"}));
    EXPECT_EQ(form->lblMagic1.Text(), "DONE");
    EXPECT_EQ(form->lblMagic11.Text(), CommandLines("Bob", "Bob")[2] + "> \"" + temp.Path() +
                                           "vorl-result.txt\"\r\ndel \"" + temp.Path() + "vorl-result.bat\"");
  }
}

TEST_F(AccountCommands, AnUnreadableResultEndsTheHandlerAndLeavesTheLogAlone) {
  ASSERT_TRUE(MakeDirectory(temp.Path() + "vorl-result.txt"));
  form->RunHandler([&] { Create("Bob", true); });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0], "could not be read")) << messages[0];
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(form->lblMagic1.Text(), kDots);
}

}  // namespace
}  // namespace ferrowin
