// The migration driver in the real window: validation, the Migrate page's
// steps, the waits, and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "app/Unit2.h"
#include "app/command_line_migration.h"
#include "console/destination_name.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/console_tools.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::Click;
using test::MakeDirs;
using test::Report;
using test::WriteFile;

constexpr COLORREF kRed = RGB(255, 0, 0);

class Driver : public test::WindowTest {
 protected:
  TfrmMain& OpenProfileList() {
    TfrmMain& form = CreateForm();
    EXPECT_TRUE(Click(form.cmdNext0));
    return form;
  }

  static void SelectItem(ListBox& list, const std::string& item) {
    std::vector<std::string> items = list.Items();
    auto found = std::find(items.begin(), items.end(), item);
    ASSERT_NE(found, items.end()) << item;
    test::Select(list, static_cast<int>(found - items.begin()));
  }

  // Alice as the source and a typed name, then Next.
  TfrmMain& TryTypedName(const std::string& typed) {
    MakeDirs("c:\\users\\Alice\\Desktop");
    TfrmMain& form = OpenProfileList();
    SelectItem(form.lbInfectedUser, "Alice");
    form.txtNewUser.SetText(typed);
    EXPECT_TRUE(Click(form.cmdNext6));
    return form;
  }


  // Each typed name is refused with its message, and the page stays.
  void ExpectRefused(TfrmMain& form, const std::vector<std::pair<std::string, std::string>>& refused) {
    for (const auto& [typed, message] : refused) {
      SCOPED_TRACE(typed);
      messages.clear();
      form.txtNewUser.SetText(typed);
      ASSERT_TRUE(Click(form.cmdNext6));
      EXPECT_EQ(messages, std::vector<std::string>{message});
      EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
    }
  }

  test::CleanMachine machine;
};

TEST_F(Driver, WithoutASourceTheSourceCaptionTurnsRedUntilTheNextTry) {
  MakeDirs("c:\\users\\Alice\\Desktop");
  TfrmMain& form = OpenProfileList();
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_EQ(form.lblOldUser.FontColor(), kRed);
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);

  // Now with a source but no destination: only the destination caption is red.
  SelectItem(form.lbInfectedUser, "Alice");
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_EQ(form.lblOldUser.FontColor(), Label::kWindowTextColor);
  EXPECT_EQ(form.lblNewUser1.FontColor(), kRed);
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  EXPECT_TRUE(messages.empty());
}

TEST_F(Driver, ANameThatIsOnlyBlanksCountsAsNoName) {
  TfrmMain& form = TryTypedName("  \t ");
  EXPECT_EQ(form.lblNewUser1.FontColor(), kRed);
}

TEST_F(Driver, TheSameNameInAnyCaseIsRefusedAndNothingHappens) {
  TfrmMain& form = TryTypedName(" aLiCe ");
  EXPECT_EQ(messages, std::vector<std::string>{"The new user account can not have the same name as the old user account"});
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  EXPECT_FALSE(form.lblMagic1.Visible());
  EXPECT_TRUE(form.memoRecovery.Lines().empty());
}

TEST_F(Driver, ANameWindowsWouldRefuseIsRefusedBeforeAnythingRuns) {
  TfrmMain& form = TryTypedName("x\" & echo pwned > c:\\pwned.txt & \"");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kInvalidAccountNameMessage);
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  EXPECT_FALSE(PathExists("c:\\pwned.txt"));
}

// The first hidden folder under c:\users: the Wine user's own profile here.
std::string HiddenProfileFolder() {
  for (const DirEntry& entry : DirSearch("c:\\users\\*", kAllEntriesMask)) {
    if (!entry.IsDotEntry() && entry.IsDirectory() && (entry.attributes & FILE_ATTRIBUTE_HIDDEN)) return entry.name;
  }
  return {};
}

TEST_F(Driver, NamesThatLeadToWhatIsNotANewUsersProfileAreRefusedBeforeAnythingRuns) {
  test::ConsoleTools tools;
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  test::SimulateFirstSignIn("Erin");
  test::SimulateFirstSignIn("Guest");  // the guest account's profile, offered in the list
  const std::string hidden = HiddenProfileFolder();
  ASSERT_FALSE(hidden.empty());
  FormOptions options = Options();
  // Wine names the guest account (501) from its SID, but not 503 and 504.
  options.accounts.builtInAccountName = [system = SystemLocalAccounts()](unsigned long id) -> std::string {
    if (id == 503) return "DefaultAccount";
    if (id == 504) return "WDAGUtilityAccount";
    return system.builtInAccountName(id);
  };
  TfrmMain& form = CreateForm(options);
  ASSERT_TRUE(Click(form.cmdNext0));
  SelectItem(form.lbInfectedUser, "Alice");

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"Default", kReservedProfileMessage},          {"default user", kReservedProfileMessage},
      {"ALL USERS", kReservedProfileMessage},        {UpperCase(hidden), kReservedProfileMessage},
      {"Erin.", kTrailingFullStopMessage},           {" Erin. ", kTrailingFullStopMessage},
      {"gUEST", kBuiltInAccountMessage},             {"defaultaccount", kBuiltInAccountMessage},
      {"WDAGUtilityAccount", kBuiltInAccountMessage}, {"Christopher-Alexander", kNameTooLongMessage},
  };
  ExpectRefused(form, refused);
  // Chosen from the list, the guest account's profile is refused as well.
  messages.clear();
  form.txtNewUser.SetText("");
  SelectItem(form.lbNewUser, "Guest");
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_EQ(messages, std::vector<std::string>{kBuiltInAccountMessage});

  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  EXPECT_FALSE(form.lblMagic1.Visible());
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Alice\\Documents\\letter.txt"), "letter");
  EXPECT_TRUE(test::ListTree("c:\\users\\Erin\\Documents").empty());
}

TEST_F(Driver, AChosenProfileWithoutALocalAccountIsFilledWithoutMakingOne) {
  test::ConsoleTools tools;
  for (bool localAccount : {false, true}) {
    SCOPED_TRACE(localAccount ? "a local account" : "a domain account");
    WriteFile("c:\\windows.old\\users\\Carol\\Favorites\\news.url", "url");
    test::SimulateFirstSignIn("Carol");
    FormOptions options = Options();
    options.makeProfile = [](auto&, auto& name) { ADD_FAILURE() << name; return MadeProfile{}; };  // none made
    options.accounts.localAccountExists = [localAccount](const std::string& name) {
      return localAccount && name == "Carol";
    };
    TfrmMain& form = CreateForm(options);
    ASSERT_TRUE(Click(form.cmdNext0));
    SelectItem(form.lbInfectedUser, "c:\\windows.old\\users\\Carol");
    SelectItem(form.lbNewUser, "Carol");
    ASSERT_TRUE(Click(form.cmdNext6));
    EXPECT_EQ(test::ReadWholeFile("c:\\users\\Carol\\Favorites\\news.url"), "url");
    std::vector<std::string> accountCommands;
    for (const std::string& record : tools.Records()) {
      if (!Contains(LowerCase(record), "icacls")) accountCommands.push_back(test::ArgumentsOf(record));
    }
    if (localAccount) {
      EXPECT_EQ(form.lblMagic1.Text(), "DONE");
      EXPECT_EQ(accountCommands, (std::vector<std::string>{
                                     "users \"Carol\" /add ",
                                     "useraccount where \"name='Carol'\" set passwordExpires=false "}));
    } else {
      EXPECT_EQ(form.lblMagic1.Text(), "User NOT added, maybe because it already existed?");
      EXPECT_TRUE(accountCommands.empty());
    }
  }
}

TEST_F(Driver, CopiesFromASecondDriveIntoPublicAfterTheCount) {
  std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Documents\\taxes.xls", std::string(400, 't'));
  WriteFile(d + "users\\Dan\\Pictures\\dog.jpg", std::string(600, 'd'));
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "d:\\users\\Dan");
  SelectItem(form.lbNewUser, "Public");
  form.chkGiveAdmin.SetChecked(true);  // typed after the click: the list's choice unchecks it again
  ASSERT_TRUE(Click(form.cmdNext6));

  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsMagic6);
  EXPECT_FALSE(form.chkGiveAdmin.Checked());
  EXPECT_FALSE(form.lbllblMagic11.Visible());
  EXPECT_FALSE(form.lblMagic11.Visible());
  EXPECT_EQ(form.lblMagic1.Text(), "(PUBLIC folder)");
  EXPECT_EQ(form.lblMagic2.Text(), "New Folders Detected");
  EXPECT_EQ(form.lblMagic2.FontColor(), Label::kWindowTextColor);
  EXPECT_EQ(form.lblMagic4.Text(), "DONE");
  EXPECT_EQ(form.lblMagic5.Text(), "Not needed");
  EXPECT_EQ(form.lblMagic11.Text(), "...............");
  EXPECT_FALSE(form.counterBusy);
  EXPECT_EQ(form.copiedBytes, 1000);
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Documents\\taxes.xls"), std::string(400, 't'));
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Pictures\\dog.jpg"), std::string(600, 'd'));
  EXPECT_TRUE(PathIsFile(d + "users\\Dan\\Documents\\taxes.xls"));
  EXPECT_EQ(test::WithoutLogFileNote(form.memoRecovery.Lines()), Report("d:\\users\\Dan\\", "Public"));
}

// Sparse, so it takes no room: its size counts, its disk use does not.
TEST_F(Driver, ACopyLargerThanTheFreeSpaceIsRefusedWithABoxBeforeAnythingRuns) {
  test::ConsoleTools tools;
  std::string d = machine.AddDrive('d');
  ULARGE_INTEGER free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"c:\\users\\", &free, nullptr, nullptr));
  ASSERT_TRUE(test::MakeSparseFile(d + "users\\Dan\\Videos\\wedding.mkv", free.QuadPart + 20'000'000'000LL));
  WriteFile(d + "users\\Dan\\Documents\\letter.txt", "letter");
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "d:\\users\\Dan");
  form.txtNewUser.SetText("Bob");
  ASSERT_TRUE(Click(form.cmdNext6));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(StartsWith(messages[0], "The copy needs ")) << messages[0];
  EXPECT_TRUE(Contains(messages[0], " but drive C: has ")) << messages[0];
  EXPECT_TRUE(Contains(messages[0], " free. Free some space on C:, or carry less, then try again.")) << messages[0];
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsProfileList);
  EXPECT_TRUE(form.memoRecovery.Lines().empty());
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_FALSE(PathExists("c:\\users\\Bob"));
  EXPECT_FALSE(PathExists("C:\\ProgramData\\Ferrowin"));
}

TEST_F(Driver, MovesWithinCAndStopsTheCounter) {
  WriteFile("c:\\users\\Alice\\Music\\song.mp3", "song");
  WriteFile("c:\\users\\Alice\\Desktop\\list.txt", "alice's");
  WriteFile("c:\\users\\Public\\Desktop\\list.txt", "public's");
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "Alice");
  form.txtNewUser.SetText("public");
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_FALSE(form.keepCounting);
  EXPECT_EQ(form.lblMagic5.Text(), "DONE");
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Music\\song.mp3"), "song");
  EXPECT_FALSE(PathExists("c:\\users\\Alice\\Music\\song.mp3"));
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Desktop\\list.txt"), "public's");
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Alice\\Desktop\\list.txt"), "alice's");
  std::vector<std::string> report = Report("c:\\users\\Alice\\", "public");
  std::vector<std::string> lines = form.memoRecovery.Lines();
  ASSERT_GE(lines.size(), report.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()), report);
}

TEST_F(Driver, BackAndNextDuringAMigrationReturnToItInsteadOfStartingAnother) {
  std::string d = machine.AddDrive('d');
  for (int i = 0; i < 20; ++i) WriteFile(d + "users\\Dan\\Documents\\f" + std::to_string(i), "x");
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "d:\\users\\Dan");
  SelectItem(form.lbNewUser, "Public");
  // Queued now, handled during the migration's own waits and transfer.
  test::PostClick(form.cmdBack62);
  test::PostClick(form.cmdNext6);
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsMagic6);
  EXPECT_EQ(test::WithoutLogFileNote(form.memoRecovery.Lines()), Report("d:\\users\\Dan\\", "Public"));
}

TEST_F(Driver, ClosingDuringTheTransferLetsTheMigrationFinishFirst) {
  WriteFile("c:\\users\\Alice\\Documents\\a.txt", "a");
  WriteFile("c:\\users\\Alice\\Pictures\\b.jpg", "b");
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "Alice");
  SelectItem(form.lbNewUser, "Public");
  // Handled at the transfer's first entry: nothing waits before it for Public.
  PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(form.migrationActive);
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Documents\\a.txt"), "a");
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Pictures\\b.jpg"), "b");
  EXPECT_EQ(form.lblMagic5.Text(), "DONE");
  // The close is said at once, with where the log is kept.
  std::vector<std::string> lines = test::WithoutLogFileNote(form.memoRecovery.Lines());
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(StartsWith(lines.front(), "NOTE: The program will end when the transfer is complete; this log is saved as "))
      << lines.front();
  lines.erase(lines.begin());
  EXPECT_EQ(lines, Report("c:\\users\\Alice\\", "Public"));
}

TEST_F(Driver, TheLogFileHoldsTheLogBetweenItsHeaderAndItsSummary) {
  std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Documents\\taxes.xls", std::string(400, 't'));
  WriteFile("c:\\users\\Public\\Documents\\taxes.xls", "the public one");
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "d:\\users\\Dan");
  SelectItem(form.lbNewUser, "Public");
  ASSERT_TRUE(Click(form.cmdNext6));
  const std::vector<std::string> lines = form.memoRecovery.Lines();
  const std::string prefix = "NOTE: This log is saved as ";
  auto note = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return StartsWith(line, prefix); });
  ASSERT_NE(note, lines.end());
  const std::string path = note->substr(prefix.size());
  EXPECT_TRUE(StartsWith(LowerCase(path), "c:\\programdata\\ferrowin\\logs\\")) << path;
  EXPECT_TRUE(Contains(path, " Dan to Public.log")) << path;
  std::string text = test::ReadWholeFile(path);
  ASSERT_TRUE(StartsWith(text, "\xEF\xBB\xBF"));
  std::vector<std::string> inFile = SplitLines(text.substr(3));
  const auto body = std::find(inFile.begin(), inFile.end(), "") + 1;
  ASSERT_LT(body, inFile.end());
  EXPECT_EQ(std::vector<std::string>(body, inFile.end() - 1), lines);
  EXPECT_EQ(inFile.back(), "Summary: 0 files (0 B) carried, 1 entries left behind, 0 entries failed, in 0 s.");
}

// Windows decides a profile's folder at the first sign-in and records it:
// the data goes there, never into a folder of the same name left over.
class RealProfileFolder : public Driver {
 protected:
  FormOptions OptionsWithAccounts() {
    FormOptions options = Options();
    options.accounts.accountSid = [](const std::string& name) -> std::string {
      if (name == "Bob") return "S-1-5-21-77-77-77-1001";
      if (name == "Fay") return "S-1-5-21-77-77-77-1002";
      return {};
    };
    return options;
  }

  void MigrateAliceTo(const std::string& name, const FormOptions& options) {
    TfrmMain& form = CreateForm(options);
    ASSERT_TRUE(Click(form.cmdNext0));
    SelectItem(form.lbInfectedUser, "Alice");
    form.txtNewUser.SetText(name);
    ASSERT_TRUE(Click(form.cmdNext6));
  }

  test::ConsoleTools tools;
};

TEST_F(RealProfileFolder, NamesThatCannotBeAProfileOrWouldLandInALeftoverAreRefused) {
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  WriteFile("c:\\users\\Bea", "a file");
  test::SimulateFirstSignIn("Carl");  // left over from a deleted account
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(computer, &length));
  TfrmMain& form = CreateForm(OptionsWithAccounts());
  ASSERT_TRUE(Click(form.cmdNext0));
  SelectItem(form.lbInfectedUser, "Alice");
  std::vector<std::pair<std::string, std::string>> refused = {
      {"Bea", "c:\\users\\Bea is a file, not a profile folder. Please choose another name."},
      {"Carl", "c:\\users\\Carl already exists but belongs to no account. Windows would give the account another "
               "folder (such as Carl." + Narrow(computer) + ") at its first sign-in, and the data would not be seen "
               "there. Rename or remove the old folder first, or choose it from the list of existing profiles to put "
               "the data into it."}};
  for (const char* device : {"CON", "nul", "Aux", "PRN", "COM1", "lpt9", "con.txt", "nul.Bob"}) {
    refused.emplace_back(device, kDeviceNameMessage);
  }
  ExpectRefused(form, refused);
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Alice\\Documents\\letter.txt"), "letter");
  // Chosen from the list, the leftover folder is taken as it is.
  messages.clear();
  form.txtNewUser.SetText("");
  SelectItem(form.lbNewUser, "Carl");
  ASSERT_TRUE(Click(form.cmdNext6));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Carl\\Documents\\letter.txt"), "letter");
}

TEST_F(RealProfileFolder, TheDataGoesWhereWindowsRecordedTheAccountsProfile) {
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  test::SimulateFirstSignIn("Bob");  // left over, beside the folder Bob really uses
  test::SimulateFirstSignIn("Bob.PC");
  test::ProfileListEntry bob("S-1-5-21-77-77-77-1001", "%SystemDrive%\\Users\\Bob.PC");
  ASSERT_TRUE(bob.Ok());
  FormOptions options = OptionsWithAccounts();
  options.makeProfile = [](auto&, auto& name) { ADD_FAILURE() << name; return MadeProfile{}; };  // Bob has one
  MigrateAliceTo("Bob", options);
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Bob.PC\\Documents\\letter.txt"), "letter");
  EXPECT_TRUE(test::ListTree("c:\\users\\Bob\\Documents").empty());
  const std::vector<std::string> lines = mainForm->memoRecovery.Lines();
  EXPECT_EQ(lines.at(lines.size() - 4), "Your data has been moved from c:\\users\\Alice\\ to C:\\Users\\Bob.PC.");
  ASSERT_TRUE(tools.WaitForRecords(2 + 8));
  std::vector<std::string> resets;
  for (const std::string& record : tools.Records()) {
    if (Contains(LowerCase(record), "icacls")) resets.push_back(test::ArgumentsOf(record));
  }
  EXPECT_EQ(resets.size(), 8u);
  for (const std::string& reset : resets) EXPECT_TRUE(StartsWith(reset, "\"C:\\Users\\Bob.PC\\")) << reset;
}

// Windows' record of a typed account may name the old profile itself, or a
// folder that is no user's: the data must not go there, and nothing runs.
TEST_F(RealProfileFolder, ARecordedFolderThatIsTheSourceOrNoUsersIsRefusedBeforeAnythingRuns) {
  WriteFile("c:\\users\\Alice\\Desktop\\note.txt", "note");
  const FormOptions options = OptionsWithAccounts();
  TfrmMain& form = CreateForm(options);
  ASSERT_TRUE(Click(form.cmdNext0));
  SelectItem(form.lbInfectedUser, "Alice");
  auto isTheSource = [](const std::string& folder) {
    return "The profile folder of Bob is " + folder +
           ", the old profile itself: the data cannot be carried into the folder it comes from. Please choose "
           "another destination.";
  };
  auto isNoUsers = [](const std::string& folder) {
    return "Windows records " + folder +
           " as the profile folder of Bob, but that folder is not a user's profile (it is shared by every account, or "
           "the template that every new profile is made from): the data must not go there. Please choose another "
           "destination.";
  };
  const std::pair<std::string, std::string> recorded[] = {
      {"C:\\USERS\\ALICE", isTheSource("C:\\USERS\\ALICE")},
      {"%SystemDrive%\\users\\Alice\\", isTheSource("C:\\users\\Alice")},
      {"c:\\users\\alice. ", isTheSource("c:\\users\\alice. ")},
      {"C:\\Users\\Default", isNoUsers("C:\\Users\\Default")},
      {"%SystemDrive%\\Users\\public", isNoUsers("C:\\Users\\public")},
  };
  for (const auto& [folder, message] : recorded) {
    test::ProfileListEntry bob("S-1-5-21-77-77-77-1001", folder);
    ASSERT_TRUE(bob.Ok());
    ExpectRefused(form, {{"Bob", message}});
  }
  // The command line refuses it the same way, with the exit code of a refusal.
  test::ProfileListEntry bob("S-1-5-21-77-77-77-1001", "c:\\users\\Alice\\");
  const MigrationSettings settings{.accounts = options.accounts, .logFolder = options.logFolder};
  EXPECT_EQ(RunFromCommandLine(ParseCommandLine({"/from:Alice", "/to:Bob"}), options.environment, settings), 4);
  EXPECT_TRUE(tools.Records().empty());
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Alice\\Desktop\\note.txt"), "note");
  EXPECT_FALSE(PathExists("c:\\users\\Bob"));
}

// What Windows does at the first sign-in, later: the profile's folder appears
// while the driver waits, and Windows' record names it.
test::ProfileListEntry* signedInEntry = nullptr;
void CALLBACK SignInAsFay(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  test::SimulateFirstSignIn("Fay.PC");
  signedInEntry = new test::ProfileListEntry("S-1-5-21-77-77-77-1002", "c:\\users\\Fay.PC");
}

TEST_F(RealProfileFolder, TheWaitEndsOnTheFolderWindowsGivesTheNewAccount) {
  WriteFile("c:\\users\\Alice\\Music\\song.mp3", "song");
  SetTimer(nullptr, 0, 300, SignInAsFay);
  MigrateAliceTo("Fay", OptionsWithAccounts());
  std::unique_ptr<test::ProfileListEntry> entry(std::exchange(signedInEntry, nullptr));
  ASSERT_TRUE(entry && entry->Ok());
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Fay.PC\\Music\\song.mp3"), "song");
  EXPECT_FALSE(PathExists("c:\\users\\Fay"));
}

// Where Windows makes the profile without a sign-in (CreateProfile, which
// Wine lacks), the data goes at once into the folder it records; where it
// cannot, the sign-in is awaited as before.
bool askedToSignIn = false;
std::unique_ptr<TfrmMain>* signingInForm = nullptr;
void CALLBACK SignInWhenAsked(HWND, UINT, UINT_PTR, DWORD) {
  if (askedToSignIn || !*signingInForm || (*signingInForm)->lblMagic2.Text() != SignInInstruction("Bob")) return;
  askedToSignIn = true;
  test::SimulateFirstSignIn("Bob");
}

TEST_F(RealProfileFolder, TheProfileWindowsMakesIsFilledAtOnceAndWhereItCannotTheSignInIsAwaited) {
  using Outcome = MadeProfile::Outcome;
  // Bob from a Default profile without a Desktop; Bob.PC beside c:\users\Bob, a deleted account's.
  const struct { Outcome outcome; const char* leaf; bool withDesktop, leftover; } cases[] = {
      {Outcome::Made, "Bob", true, false}, {Outcome::Made, "Bob", false, false}, {Outcome::Made, "Bob.PC", true, true},
      {Outcome::AlreadyThere, "Bob.PC", true, false}, {Outcome::Failed, "Bob", true, false}};
  const std::string reason = SystemErrorText(ERROR_ACCESS_DENIED);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.leaf) + (c.withDesktop ? "" : " without a Desktop"));
    test::CleanMachine clean;
    WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
    std::optional<test::ProfileListEntry> entry, deleted;
    if (c.leftover) test::SimulateFirstSignIn("Bob");
    if (c.leftover) deleted.emplace("S-1-5-21-77-77-77-1099", "c:\\users\\Bob");
    const std::string folder = c.outcome == Outcome::Failed ? "c:\\users\\Bob" : "C:\\Users\\" + std::string(c.leaf);
    FormOptions options = OptionsWithAccounts();
    options.makeProfile = [&](const std::string& sid, const std::string&) -> MadeProfile {
      if (c.outcome == Outcome::Failed) return {.outcome = c.outcome, .result = E_ACCESSDENIED};
      c.withDesktop ? test::SimulateFirstSignIn(c.leaf) : MakeDirs(folder + "\\AppData");
      entry.emplace(sid, folder);
      return {.outcome = c.outcome, .folder = folder};
    };
    askedToSignIn = false;
    signingInForm = &mainForm;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, SignInWhenAsked);
    MigrateAliceTo("Bob", options);
    KillTimer(nullptr, timer);
    EXPECT_EQ(askedToSignIn, c.outcome == Outcome::Failed);
    EXPECT_EQ(test::ReadWholeFile(folder + "\\Documents\\letter.txt"), "letter");
    EXPECT_TRUE(!c.leftover || test::ListTree("c:\\users\\Bob\\Documents").empty());
    const std::vector<std::string> lines = mainForm->memoRecovery.Lines();
    const std::string note = c.outcome == Outcome::Failed
        ? "NOTE: Windows could not make the profile of BOB (" + reason.substr(0, reason.size() - 1) +
              "): sign in once as BOB; the data will then be moved automatically."
        : "NOTE: Made the profile of Bob at " + folder + " without a sign-in; Windows finishes setting it up at " +
              "Bob's first sign-in.";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), note), c.outcome == Outcome::AlreadyThere ? 0 : 1);
    EXPECT_EQ(lines.at(lines.size() - 4), "Your data has been moved from c:\\users\\Alice\\ to " + folder + ".");
  }
}

// What the "Move Data" status showed while the driver ran, sampled by a timer
// that fires inside the driver's own waits.
std::vector<std::string> seenStatuses;
TfrmMain* watchedForm = nullptr;

void CALLBACK SampleStatus(HWND, UINT, UINT_PTR, DWORD) {
  if (watchedForm) seenStatuses.push_back(watchedForm->lblMagic4.Text());
}

TEST_F(Driver, WaitsForTheCounterInCopyModeAndShowsItsProgress) {
  std::string d = machine.AddDrive('d');
  // Counted but not carried (no StickyNotes.snt): a long count, a short copy.
  std::string notes = d + "users\\Dan\\AppData\\Roaming\\Microsoft\\Sticky Notes";
  WriteFile(d + "users\\Dan\\Documents\\letter.txt", "letter");
  ASSERT_TRUE(test::MakeManyEmptyFiles(notes, 50000));
  TfrmMain& form = OpenProfileList();
  SelectItem(form.lbInfectedUser, "d:\\users\\Dan");
  ASSERT_TRUE(form.counterBusy);
  SelectItem(form.lbNewUser, "Public");
  watchedForm = &form;
  UINT_PTR timer = SetTimer(nullptr, 0, 5, SampleStatus);
  ASSERT_TRUE(Click(form.cmdNext6));
  KillTimer(nullptr, timer);
  watchedForm = nullptr;

  bool sawWait = std::any_of(seenStatuses.begin(), seenStatuses.end(), [](const std::string& text) {
    return StartsWith(text, "Waiting on file counter... ");
  });
  EXPECT_TRUE(sawWait);
  EXPECT_FALSE(form.counterBusy);
  EXPECT_EQ(form.fileCount, 50001);
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 50001 (6 B)");
  EXPECT_EQ(form.lblMagic4.Text(), "DONE");
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Public\\Documents\\letter.txt"), "letter");
}

// The command line, where Windows makes the new account's profile: one run.
TEST_F(Driver, ANewAccountIsCarriedInOneCommandLineRunWhereWindowsMakesItsProfile) {
  test::ConsoleTools tools;
  WriteFile("c:\\users\\Alice\\Pictures\\cat.jpg", "cat");
  std::optional<test::ProfileListEntry> entry;
  MigrationSettings settings;
  settings.accounts.accountSid = [](const std::string&) { return std::string("S-1-5-21-77-77-77-1001"); };
  settings.makeProfile = [&](const std::string& sid, const std::string& name) -> MadeProfile {
    test::SimulateFirstSignIn(name);
    entry.emplace(sid, "C:\\Users\\" + name);
    return {.outcome = MadeProfile::Outcome::Made};
  };
  EXPECT_EQ(RunFromCommandLine(ParseCommandLine({"/from:Alice", "/to:Bob"}), test::PassingEnvironment(), settings), 0);
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Bob\\Pictures\\cat.jpg"), "cat");
}

// An unexpected failure on the command line says by its exit code whether
// anything had changed: refused (4) before, not all carried (2) after.
TEST_F(Driver, AnUnexpectedErrorOnTheCommandLineSaysWhetherAnythingChanged) {
  test::ConsoleTools tools;
  WriteFile("c:\\users\\Alice\\Pictures\\cat.jpg", "cat");
  const CommandLine line = ParseCommandLine({"/from:Alice", "/to:Bob"});
  MigrationSettings settings;
  settings.accounts.builtInAccountName = [](unsigned long) -> std::string { throw std::runtime_error("no answer"); };
  EXPECT_EQ(RunFromCommandLine(line, test::PassingEnvironment(), settings), 4);
  EXPECT_TRUE(tools.Records().empty());

  settings = {};
  settings.accounts.accountSid = [](const std::string&) { return std::string("S-1-5-21-77-77-77-1001"); };
  settings.makeProfile = [](const std::string&, const std::string&) -> MadeProfile {
    throw std::runtime_error("no answer");
  };
  EXPECT_EQ(RunFromCommandLine(line, test::PassingEnvironment(), settings), 2);
  EXPECT_FALSE(tools.Records().empty());  // the account commands had run
  EXPECT_EQ(test::ReadWholeFile("c:\\users\\Alice\\Pictures\\cat.jpg"), "cat");
}

}  // namespace
}  // namespace ferrowin
