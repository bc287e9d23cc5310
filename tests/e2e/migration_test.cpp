// Whole migrations as a technician runs them: ferrowin.exe started from its
// folder, the console tools standing in for Windows', the sign-in to the new
// account done by the test as Windows would do it, all driven by control id.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/control_ids.h"
#include "platform/file_copy.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/app_driver.h"
#include "tests/support/console_tools.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::Launch;
using test::ListTree;
using test::ReadWholeFile;
using test::RunningApp;
using test::WriteFile;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

using test::Report;

std::string Instruction(const std::string& upperName) {
  return "NOW You need to use SWITCH USER in your start menu and log in as " + upperName +
         ".  DO NOT CLOSE THIS WINDOW!  Your data will then be moved automatically.  You may need to adjust some "
         "settings such as your home page, desktop background, screensaver, positions of desktop icons, and "
         "Outlook / Live Mail SMTP/POP3 settings.";
}

// The permission resets of a move: the eight data folders, then what the
// move carried into AppData.
std::vector<std::string> ResetParameters(const std::string& name, std::vector<std::string> appDataFolders = {}) {
  std::vector<std::string> parameters;
  std::vector<std::string> folders = {"Contacts", "Desktop", "Documents", "Downloads",
                                      "Favorites", "Music", "Pictures", "Videos"};
  folders.insert(folders.end(), appDataFolders.begin(), appDataFolders.end());
  for (const std::string& folder : folders) {
    parameters.push_back("\"c:\\users\\" + name + "\\" + folder + "\"  /reset /t /c /l /q");
  }
  // Started side by side and not waited for: they may record in any order.
  std::sort(parameters.begin(), parameters.end());
  return parameters;
}

class Migration : public ::testing::Test {
 protected:

  // Starts the program and goes to the Profile List page.
  void Open(RunningApp& app) {
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(app.Click(ids::cmdNext0));
    ASSERT_TRUE(app.WaitFor([&] { return app.ActivePageId() == ids::tsProfileList && !app.Items(ids::lbNewUser).empty(); }));
  }

  // Alice towards a new account Bob, up to the sign-in instruction.
  void StartAliceToBob(RunningApp& app, bool giveAdmin = false) {
    Open(app);
    ASSERT_TRUE(app.Select(ids::lbInfectedUser, "Alice"));
    ASSERT_TRUE(app.Type(ids::txtNewUser, "Bob"));
    if (giveAdmin) {
      ASSERT_TRUE(app.SetChecked(ids::chkGiveAdmin, true));
    }
    ASSERT_TRUE(app.Click(ids::cmdNext6));
    ASSERT_TRUE(app.WaitForText(ids::lblMagic2, Instruction("BOB")));
  }

  // A copy of a profile on another drive into Public, once it is counted.
  void StartCopyIntoPublic(RunningApp& app, const std::string& source) {
    Open(app);
    ASSERT_TRUE(app.Select(ids::lbInfectedUser, source));
    ASSERT_TRUE(app.WaitFor([&] { return StartsWith(app.Text(ids::lblFileCount), "Files = ") &&
                                         Contains(app.Text(ids::lblFileCount), "("); }));
    ASSERT_TRUE(app.Select(ids::lbNewUser, "Public"));
    ASSERT_TRUE(app.Click(ids::cmdNext6));
  }

  bool Finished(const RunningApp& app) {
    return app.WaitFor([&] { return app.Lines(ids::memoRecovery).size() >= 5 && app.Text(ids::lblMagic5) != "..............."; }, 60000);
  }

  // Sorted: see ResetParameters.
  std::vector<std::string> IcaclsRecords() const {
    std::vector<std::string> icacls;
    for (const std::string& record : tools.Records()) {
      if (Contains(LowerCase(record), "icacls")) icacls.push_back(test::ArgumentsOf(record));
    }
    std::sort(icacls.begin(), icacls.end());
    return icacls;
  }

  test::CleanMachine machine;
  test::ConsoleTools tools;
  std::string program = test::InstalledProgram();
};

TEST_F(Migration, MovesAProfileOnCIntoANewAdministratorAccount) {
  WriteFile("c:\\users\\Alice\\Documents\\Projects\\plan.docx", "plan");
  WriteFile("c:\\users\\Alice\\Documents\\desktop.ini", "ini", kHiddenSystem);
  WriteFile("c:\\users\\Alice\\Desktop\\todo.txt", "alice's todo");
  WriteFile("c:\\users\\Alice\\Pictures\\cat.jpg", "cat");
  WriteFile("c:\\users\\Alice\\AppData\\Roaming\\Microsoft\\Sticky Notes\\StickyNotes.snt", "notes");
  WriteFile("c:\\users\\Alice\\AppData\\Roaming\\Thunderbird\\profiles.ini", "thunderbird");
  RunningApp app(Launch{.program = program});
  Open(app);
  ASSERT_TRUE(app.Select(ids::lbInfectedUser, "Alice"));
  ASSERT_TRUE(app.Type(ids::txtNewUser, "  Bob  "));
  ASSERT_TRUE(app.SetChecked(ids::chkGiveAdmin, true));
  ASSERT_TRUE(app.Click(ids::cmdNext6));

  ASSERT_TRUE(app.WaitForText(ids::lblMagic2, Instruction("BOB")));
  // Read off the screen: what Wine has drawn may reach the display a moment later.
  EXPECT_TRUE(app.WaitFor([&] { return app.ShowsColor(ids::lblMagic2, kRed); }));
  EXPECT_EQ(app.ActivePageId(), ids::tsMagic6);
  EXPECT_EQ(app.Text(ids::lblMagic1), "DONE");
  EXPECT_TRUE(app.Visible(ids::lbllblMagic11));
  EXPECT_EQ(app.Text(ids::lblMagic11), "DONE");
  std::vector<std::string> commands;
  for (const std::string& record : tools.Records()) commands.push_back(test::ArgumentsOf(record));
  // Wine's command interpreter, like Windows', keeps the blank before " > ".
  EXPECT_EQ(commands, (std::vector<std::string>{"users \"Bob\" /add ",
                                                "useraccount where \"name='Bob'\" set passwordExpires=false ",
                                                "localgroup administrators \"Bob\" /add "}));
  // Nothing has moved while the new account has no profile.
  EXPECT_TRUE(PathIsFile("c:\\users\\Alice\\Pictures\\cat.jpg"));

  test::SimulateFirstSignIn("Bob");
  WriteFile("c:\\users\\Bob\\Desktop\\todo.txt", "bob's todo");
  ASSERT_TRUE(Finished(app));
  EXPECT_EQ(app.Text(ids::lblMagic2), "New Folders Detected");
  EXPECT_EQ(app.Text(ids::lblMagic4), "DONE");
  EXPECT_EQ(app.Text(ids::lblMagic5), "DONE");
  std::vector<std::string> log = {
      "NOTE: 1 files (12 B) stayed in the old profile because the new profile already holds their names:",
      "NOTE:   Desktop\\todo.txt"};
  for (const std::string& line : Report("c:\\users\\Alice\\", "Bob")) log.push_back(line);
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), log);
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Documents\\Projects\\plan.docx"), "plan");
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Pictures\\cat.jpg"), "cat");
  EXPECT_EQ(test::AttributesOf("c:\\users\\Bob\\Documents\\desktop.ini") & kHiddenSystem, kHiddenSystem);
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Desktop\\todo.txt"), "bob's todo");
  EXPECT_EQ(ReadWholeFile("c:\\users\\Alice\\Desktop\\todo.txt"), "alice's todo");
  EXPECT_FALSE(PathExists("c:\\users\\Alice\\Documents\\Projects"));

  ASSERT_TRUE(tools.WaitForRecords(13));
  // The data folders and what the move carried into AppData, never AppData
  // as a whole: the new user's Windows apps keep their own permissions there.
  EXPECT_EQ(IcaclsRecords(),
            ResetParameters("Bob", {"AppData\\Roaming\\Microsoft\\Sticky Notes", "AppData\\Roaming\\Thunderbird"}));
}

TEST_F(Migration, LookAlikeToolsBesideTheProgramOrInItsTempFolderNeverRun) {
  // What a Downloads folder or a stick of tools may hold next to ferrowin.exe:
  // the program runs as administrator, and so would they.
  test::ScopedTempDirectory temp(tools.Folder(), "Temp");
  test::PlantedLookAlikes lookAlikes({test::FolderOf(program), temp.Path()});
  ASSERT_TRUE(lookAlikes.Ok());
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  RunningApp app(Launch{.program = program});
  StartAliceToBob(app, true);
  if (HasFatalFailure()) return;
  test::SimulateFirstSignIn("Bob");
  ASSERT_TRUE(Finished(app));
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), Report("c:\\users\\Alice\\", "Bob"));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Documents\\letter.txt"), "letter");

  // None of the look-alikes ran: the system's own tools did, by their full
  // paths, with the arguments of old.
  const bool allRecorded = tools.WaitForRecords(11);
  EXPECT_EQ(lookAlikes.Trace(), std::vector<std::string>{});
  ASSERT_TRUE(allRecorded);
  const std::string net = SystemFolder() + "\\net.exe";
  const std::string wmic = SystemFolder() + "\\wbem\\wmic.exe";
  const std::vector<std::string> records = tools.Records();
  EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 3),
            (std::vector<std::string>{net + " users \"Bob\" /add ",
                                      wmic + " useraccount where \"name='Bob'\" set passwordExpires=false ",
                                      net + " localgroup administrators \"Bob\" /add "}));
  EXPECT_EQ(IcaclsRecords(), ResetParameters("Bob"));
}

TEST_F(Migration, CopiesAProfileOfASecondDriveIntoPublicAfterTheCount) {
  std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Documents\\budget.xls", std::string(3000, 'b'));
  WriteFile(d + "users\\Dan\\Music\\song.mp3", std::string(7000, 's'));
  WriteFile(d + "users\\Dan\\Desktop\\desktop.ini", "ini", kHiddenSystem);
  RunningApp app(Launch{.program = program});
  Open(app);
  ASSERT_TRUE(app.Select(ids::lbInfectedUser, "d:\\users\\Dan"));
  ASSERT_TRUE(app.WaitForText(ids::lblFileCount, "Files = 3 (10 KB)"));
  ASSERT_TRUE(app.Select(ids::lbNewUser, "Public"));
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  ASSERT_TRUE(Finished(app));

  EXPECT_EQ(app.Text(ids::lblMagic1), "(PUBLIC folder)");
  EXPECT_FALSE(app.Visible(ids::lbllblMagic11));
  EXPECT_EQ(app.Text(ids::lblMagic2), "New Folders Detected");
  EXPECT_EQ(app.Text(ids::lblMagic4), "DONE");
  EXPECT_EQ(app.Text(ids::lblMagic5), "Not needed");
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), Report("d:\\users\\Dan\\", "Public"));
  EXPECT_TRUE(tools.Records().empty());  // no account command, no permission reset
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Documents\\budget.xls"), std::string(3000, 'b'));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Public\\Music\\song.mp3"), std::string(7000, 's'));
  EXPECT_TRUE(PathIsFile(d + "users\\Dan\\Music\\song.mp3"));
}

TEST_F(Migration, AnExistingDestinationFromTheListKeepsItsAccountAsItIs) {
  WriteFile("c:\\windows.old\\users\\Carol\\Favorites\\news.url", "url");
  test::SimulateFirstSignIn("Carol");
  tools.Behave("net", "silent");  // the account exists: net prints nothing on its output
  RunningApp app(Launch{.program = program});
  Open(app);
  ASSERT_TRUE(app.Select(ids::lbInfectedUser, "c:\\windows.old\\users\\Carol"));
  ASSERT_TRUE(app.SetChecked(ids::chkGiveAdmin, true));
  ASSERT_TRUE(app.Select(ids::lbNewUser, "Carol"));
  // The selection reaches the window as a posted message: its handler runs when the window gets to it.
  EXPECT_TRUE(app.WaitFor([&] { return !app.Checked(ids::chkGiveAdmin); }));
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  ASSERT_TRUE(Finished(app));
  EXPECT_EQ(app.Text(ids::lblMagic1), "User NOT added, maybe because it already existed?");
  EXPECT_FALSE(app.Visible(ids::lbllblMagic11));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Carol\\Favorites\\news.url"), "url");
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), Report("c:\\windows.old\\users\\Carol\\", "Carol"));
}

TEST_F(Migration, RefusesTheSameNameAndFlagsWhatIsMissing) {
  test::MakeDirs("c:\\users\\Alice\\Desktop");
  RunningApp app(Launch{.program = program});
  Open(app);
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  EXPECT_TRUE(app.WaitFor([&] { return app.ShowsColor(ids::lblOldUser, kRed); }));
  EXPECT_FALSE(app.ShowsColor(ids::lblNewUser1, kRed));

  ASSERT_TRUE(app.Select(ids::lbInfectedUser, "Alice"));
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  EXPECT_TRUE(app.WaitFor([&] { return app.ShowsColor(ids::lblNewUser1, kRed); }));
  EXPECT_FALSE(app.ShowsColor(ids::lblOldUser, kRed));

  ASSERT_TRUE(app.Type(ids::txtNewUser, "ALICE"));
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  EXPECT_EQ(app.WaitForMessageBox(), "The new user account can not have the same name as the old user account");
  ASSERT_TRUE(app.DismissMessageBox());
  EXPECT_EQ(app.ActivePageId(), ids::tsProfileList);
  EXPECT_TRUE(tools.Records().empty());
}

TEST_F(Migration, ClosingDuringTheSignInWaitEndsWithoutTouchingAnything) {
  WriteFile("c:\\users\\Alice\\Documents\\letter.txt", "letter");
  std::vector<std::string> before = ListTree("c:\\users");
  RunningApp app(Launch{.program = program});
  StartAliceToBob(app);
  if (HasFatalFailure()) return;
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit());
  EXPECT_EQ(ListTree("c:\\users"), before);
}

TEST_F(Migration, BackAndNextDuringTheWaitReturnToTheMigrationUnderWay) {
  WriteFile("c:\\users\\Alice\\Music\\song.mp3", "song");
  RunningApp app(Launch{.program = program});
  StartAliceToBob(app);
  if (HasFatalFailure()) return;
  size_t commands = tools.Records().size();

  ASSERT_TRUE(app.Click(ids::cmdBack62));
  ASSERT_TRUE(app.WaitFor([&] { return app.ActivePageId() == ids::tsProfileList; }));
  ASSERT_TRUE(app.Click(ids::cmdNext6));
  ASSERT_TRUE(app.WaitFor([&] { return app.ActivePageId() == ids::tsMagic6; }));
  EXPECT_EQ(tools.Records().size(), commands);  // no second account, no second wait

  test::SimulateFirstSignIn("Bob");
  ASSERT_TRUE(Finished(app));
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), Report("c:\\users\\Alice\\", "Bob"));
  EXPECT_EQ(ReadWholeFile("c:\\users\\Bob\\Music\\song.mp3"), "song");
  // Nothing was carried into AppData: only the eight data folders are reset.
  ASSERT_TRUE(tools.WaitForRecords(commands + 8));
  EXPECT_EQ(IcaclsRecords(), ResetParameters("Bob"));
}

TEST_F(Migration, AKilledCopyLeavesNoPartOfAFileUnderItsNameAndARerunCarriesItWhole) {
  const std::string videos = machine.AddDrive('d') + "users\\Dan\\Videos\\";
  constexpr std::int64_t kSize = 1LL << 30;
  WriteFile(videos + "a clip.mp4", "clip");
  ASSERT_TRUE(test::MakeSparseFile(videos + "big.bin", kSize));
  ASSERT_TRUE(test::WriteAt(videos + "big.bin", kSize - 4, "tail"));
  const std::string copy = "c:\\users\\Public\\Videos\\big.bin";
  // The unfinished copy has a short name of its own beside the file.
  auto unfinishedCopy = [] {
    for (const DirEntry& entry : DirSearch("c:\\users\\Public\\Videos\\*", kAllEntriesMask)) {
      if (IsUnfinishedCopy(entry.name, entry.attributes)) return "c:\\users\\Public\\Videos\\" + entry.name;
    }
    return std::string();
  };
  std::string unfinished;
  {
    RunningApp app(Launch{.program = program});
    StartCopyIntoPublic(app, "d:\\users\\Dan");
    if (HasFatalFailure()) return;
    // Killed a little way into the big file.
    ASSERT_TRUE(app.WaitFor([&] {
      unfinished = unfinishedCopy();
      return test::FileSize(unfinished) > 0;
    }, 60000));
    app.Kill();
  }
  EXPECT_FALSE(PathExists(copy));
  EXPECT_LT(test::FileSize(unfinished), kSize);
  EXPECT_TRUE(test::AttributesOf(unfinished) & FILE_ATTRIBUTE_HIDDEN);

  RunningApp app(Launch{.program = program});
  StartCopyIntoPublic(app, "d:\\users\\Dan");
  if (HasFatalFailure()) return;
  // While the big file is copied, the label names it and the window answers.
  ASSERT_TRUE(app.WaitFor([&] { return Contains(app.Text(ids::lblMagic4), "% Recovering: big.bin"); }, 60000));
  EXPECT_TRUE(app.Visible(ids::lblMagic4));  // to screen readers and automation too
  DWORD slowestAnswer = 0;
  EXPECT_TRUE(app.WaitFor([&] {
    slowestAnswer = std::max(slowestAnswer, app.AnswerTime(5000));
    return !Contains(app.Text(ids::lblMagic4), "big.bin");
  }, 60000));
  EXPECT_LT(slowestAnswer, 2000u);
  ASSERT_TRUE(Finished(app));
  EXPECT_EQ(test::FileSize(copy), kSize);
  EXPECT_EQ(test::ReadAt(copy, kSize - 4, 4), "tail");
  EXPECT_EQ(ListTree("c:\\users\\Public\\Videos"), (std::vector<std::string>{"a clip.mp4", "big.bin"}));
  EXPECT_EQ(test::WithoutLogFileNote(app.Lines(ids::memoRecovery)), Report("d:\\users\\Dan\\", "Public"));
}

}  // namespace
}  // namespace ferrowin
