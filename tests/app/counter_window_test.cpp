// The file count as the window shows it: a count that runs beside the
// window, started over by another click, and the profile list's other clicks.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Unit2.h"
#include "platform/text.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::MakeDirs;
using test::WriteFile;

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class CounterInTheWindow : public test::WindowTest {
 protected:
  TfrmMain& OpenProfileList() {
    TfrmMain& form = CreateForm();
    EXPECT_TRUE(test::Click(form.cmdNext0));
    return form;
  }

  int IndexOf(const ListBox& list, const std::string& item) {
    std::vector<std::string> items = list.Items();
    auto found = std::find(items.begin(), items.end(), item);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
  }

  bool CountDone(TfrmMain& form) {
    return PumpUntil([&] { return !form.counterBusy; });
  }

  test::CleanMachine machine;
};

TEST_F(CounterInTheWindow, ShowsCountAndSizeAndKeepsAHundredthForTheCopy) {
  WriteFile("c:\\users\\Alice\\Documents\\report.doc", std::string(1500, 'r'));
  WriteFile("c:\\users\\Alice\\Desktop\\desktop.ini", std::string(500, 'i'), kHiddenSystem);
  WriteFile("c:\\users\\Alice\\AppData\\Local\\Microsoft\\Windows Live Mail\\mail.eml", std::string(1000, 'm'));
  TfrmMain& form = OpenProfileList();
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "Alice"));
  EXPECT_TRUE(form.counterBusy);
  EXPECT_TRUE(form.keepCounting);
  ASSERT_TRUE(CountDone(form));
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 3 (3 KB)");
  EXPECT_EQ(form.fileCount, 3);
  EXPECT_EQ(form.countedBytes, 30);
  EXPECT_TRUE(form.keepCounting);  // only a migration clears it
  EXPECT_TRUE(form.lblContactsWarning.Visible());
}

TEST_F(CounterInTheWindow, CountsAFullPathSourceOnItsOwnDrive) {
  std::string d = machine.AddDrive('d');
  WriteFile(d + "users\\Dan\\Music\\song.mp3", std::string(999, 's'));
  TfrmMain& form = OpenProfileList();
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "d:\\users\\Dan"));
  EXPECT_FALSE(form.lblContactsWarning.Visible());
  ASSERT_TRUE(CountDone(form));
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 1 (999 B)");
  EXPECT_EQ(form.countedBytes, 9);
}

TEST_F(CounterInTheWindow, WithNothingSelectedOnlyTheWarningIsHidden) {
  MakeDirs("c:\\users\\Alice\\AppData\\Local\\Microsoft\\Windows Live Mail");
  TfrmMain& form = OpenProfileList();
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "Alice"));
  ASSERT_TRUE(CountDone(form));
  ASSERT_TRUE(form.lblContactsWarning.Visible());
  std::string label = form.lblFileCount.Text();
  test::Select(form.lbInfectedUser, -1);
  EXPECT_FALSE(form.lblContactsWarning.Visible());
  EXPECT_FALSE(form.counterBusy);
  EXPECT_EQ(form.lblFileCount.Text(), label);
}

TEST_F(CounterInTheWindow, ShowsProgressWhileCountingAndAnswersMeanwhile) {
  ASSERT_TRUE(test::MakeManyEmptyFiles("c:\\users\\Big\\Documents", 40000));
  TfrmMain& form = OpenProfileList();
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "Big"));
  bool sawProgress = false;
  ASSERT_TRUE(PumpUntil([&] {
    std::string text = form.lblFileCount.Text();
    if (form.counterBusy && StartsWith(text, "Files = ") && !Contains(text, "(")) {
      sawProgress = true;
      EXPECT_EQ(std::stoi(text.substr(8)) % 10, 0) << text;
    }
    return !form.counterBusy;
  }, 60000));
  EXPECT_TRUE(sawProgress);
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 40000 (0 B)");
}

TEST_F(CounterInTheWindow, AnotherSourceClickedDuringACountStartsOverFromZero) {
  ASSERT_TRUE(test::MakeManyEmptyFiles("c:\\users\\Big\\Documents", 40000));
  WriteFile("c:\\users\\Small\\Pictures\\cat.jpg", std::string(2000, 'c'));
  TfrmMain& form = OpenProfileList();
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "Big"));
  ASSERT_TRUE(PumpUntil([&] { return form.fileCount > 0 || !form.counterBusy; }, 60000));
  test::Select(form.lbInfectedUser, IndexOf(form.lbInfectedUser, "Small"));
  ASSERT_TRUE(CountDone(form));
  EXPECT_EQ(form.fileCount, 1);
  EXPECT_EQ(form.countedBytes, 20);
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 1 (2 KB)");
  // Whatever the first count had still queued changes nothing now.
  app.ProcessMessages();
  EXPECT_EQ(form.fileCount, 1);
  EXPECT_EQ(form.lblFileCount.Text(), "Files = 1 (2 KB)");
}

TEST_F(CounterInTheWindow, ClickingADestinationClearsTheTypedNameAndGiveAdmin) {
  TfrmMain& form = OpenProfileList();
  form.txtNewUser.SetText("Bob");
  form.chkGiveAdmin.SetChecked(true);
  test::Select(form.lbNewUser, IndexOf(form.lbNewUser, "Public"));
  EXPECT_EQ(form.txtNewUser.Text(), "");
  EXPECT_FALSE(form.chkGiveAdmin.Checked());
}

}  // namespace
}  // namespace ferrowin
