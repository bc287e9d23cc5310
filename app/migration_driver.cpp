// The migration driver: from Next on the Profile List page to the report in
// the log. It runs on the window's thread and keeps the window alive through
// its waits by handling messages between slices.
#include <utility>

#include "app/Unit2.h"
#include "migration/catalogue.h"
#include "migration/permissions.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr const char* kStatusPlaceholder = "...............";
constexpr DWORD kWaitSliceMs = 100;

std::string SignInInstruction(const std::string& name) {
  return "NOW You need to use SWITCH USER in your start menu and log in as " + UpperCase(name) +
         ".  DO NOT CLOSE THIS WINDOW!  Your data will then be moved automatically.  You may need to adjust some "
         "settings such as your home page, desktop background, screensaver, positions of desktop icons, and "
         "Outlook / Live Mail SMTP/POP3 settings.";
}

// Sets a flag for as long as the object lives, whichever way the scope ends.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void TfrmMain::cmdNext6Click(EventSource*) {
  lblOldUser.SetFontColor(Label::kWindowTextColor);
  lblNewUser1.SetFontColor(Label::kWindowTextColor);
  if (migrationRunning_) {
    // The user went Back during a wait; bring them to the migration under way.
    PageControl1.SetActivePage(tsMagic6);
    return;
  }
  if (lbInfectedUser.ItemIndex() < 0) {
    lblOldUser.SetFontColor(kRed);
    return;
  }
  StartMigration();
}

void TfrmMain::SleepOneSlice() { MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT); }

void TfrmMain::StartMigration() {
  for (Label* status : {&lblMagic1, &lblMagic11, &lblMagic2, &lblMagic4, &lblMagic5}) {
    status->SetText(kStatusPlaceholder);
  }

  std::string source = lbInfectedUser.Item(lbInfectedUser.ItemIndex());
  std::string name = Trim(txtNewUser.Text());
  if (name.empty() && lbNewUser.ItemIndex() >= 0) {
    name = lbNewUser.Item(lbNewUser.ItemIndex());
    // A profile that already exists is not made administrator from here.
    chkGiveAdmin.SetChecked(false);
  }
  if (name.empty()) {
    lblNewUser1.SetFontColor(kRed);
    return;
  }
  if (SameText(source, name)) {
    ShowMessage("The new user account can not have the same name as the old user account");
    return;
  }
  const bool isPublic = LowerCase(name) == "public";
  // The name goes into command lines and paths: refuse what Windows refuses
  // before anything is changed.
  if (const char* refusal = isPublic ? nullptr : AccountNameRefusal(name)) {
    ShowMessage(refusal);
    return;
  }
  source = ProfileFolder(source) + "\\";
  const std::string profile = "c:\\users\\" + name;
  FlagScope running(migrationRunning_);

  PageControl1.SetActivePage(tsMagic6);
  lbllblMagic11.SetVisible(chkGiveAdmin.Checked());
  lblMagic1.SetVisible(true);
  if (!isPublic) {
    if (!CreateUserAccount(name, chkGiveAdmin.Checked(), options_.accounts, consoleScreen_, batchFilePath,
                           resultFilePath, options_.commandRunner)) {
      return;
    }
  } else {
    lblMagic1.SetText("(PUBLIC folder)");
  }

  lblMagic2.SetVisible(true);
  Repaint();
  lblMagic2.SetText(SignInInstruction(name));
  lblMagic2.SetFontColor(kRed);
  migrationActive = true;
  // Windows builds the new profile's folders at its first sign-in.
  while (!PathIsDirectory(profile + "\\desktop") && migrationActive) {
    SleepOneSlice();
    App().ProcessMessages();
  }
  if (!migrationActive) return;  // the window was closed: nothing has been touched

  lblMagic2.SetFontColor(Label::kWindowTextColor);
  lblMagic2.SetText("New Folders Detected");
  lblMagic4.SetVisible(true);
  const bool moving = IsMoveMode(source);
  if (moving) {
    keepCounting = false;  // a move needs no total
  } else {
    while (counterBusy && migrationActive) {
      SleepOneSlice();
      lblMagic4.SetText("Waiting on file counter... " + std::to_string(fileCount));
      App().ProcessMessages();
    }
  }
  if (!migrationActive) return;

  // From here on the migration runs to its end, even if the window is closed.
  lblMagic4.BeginUpdate();
  MigrateProfileData(source, profile + "\\", transferScreen_, copiedBytes, countedBytes);
  lblMagic4.EndUpdate();
  lblMagic4.SetText("DONE");
  lblMagic5.SetVisible(true);
  Repaint();
  if (!moving) {
    lblMagic5.SetText("Not needed");
  } else {
    for (const char* folder : kPermissionFolders) {
      ResetPermissions(profile + folder, Handle(), [this](const std::string& line) { memoRecovery.AddLine(line); });
    }
    lblMagic5.SetText("DONE");
  }

  Repaint();
  memoRecovery.AddLine(" ");
  memoRecovery.AddLine("Your data has been moved from " + source + " to " + profile + ".");
  memoRecovery.AddLine("You may need to adjust some settings such as your home page, ");
  memoRecovery.AddLine("desktop background, screensaver, positions of desktop icons, ");
  memoRecovery.AddLine("and Outlook / Live Mail SMTP/POP3 settings.");
}

}  // namespace ferrowin
