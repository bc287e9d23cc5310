// The migration driver: from Next on the Profile List page to the report in
// the log, as a row of named steps on the window's thread. Its waits handle
// the window's messages between slices, so the window answers throughout;
// the data itself is carried on a thread of its own.
#include <optional>
#include <string>

#include "app/Unit2.h"
#include "app/layout.h"
#include "console/destination_name.h"
#include "migration/catalogue.h"
#include "migration/permissions.h"
#include "migration/transfer_progress.h"
#include "platform/background_task.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profiles/carried_folders.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

constexpr DWORD kWaitSliceMs = 100;
// How often the window shows what the transfer has for it: a person cannot
// read faster, and painting every file of a large profile would cost more
// than carrying it.
constexpr DWORD kStatusIntervalMs = 50;

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
    lblOldUser.SetFontColor(Label::kRed);
    return;
  }
  StartMigration();
}

void TfrmMain::SleepOneSlice() { MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT); }

void TfrmMain::StartMigration() {
  ResetStatusLabels();
  MigrationPlan plan;
  if (!ValidateMigration(plan)) return;
  // From here until the driver returns, Next on the Profile List page only
  // brings the user back to this migration.
  FlagScope running(migrationRunning_);
  if (!ProvisionAccount(plan)) return;
  if (!WaitForFirstSignIn(plan)) return;
  if (!WaitForFileCount(plan)) return;
  const CarriedProfile carried = CarryData(plan);
  AdjustPermissions(plan, carried.appDataFolders);
  NoteWhatStayed(plan, carried.whatStayed);
  ReportMigration(plan);
}

void TfrmMain::ResetStatusLabels() {
  for (Label* status : {&lblMagic1, &lblMagic11, &lblMagic2, &lblMagic4, &lblMagic5}) {
    status->SetText(kStatusPlaceholder);
  }
}

// Reads the Profile List page and refuses what cannot be carried out, before
// anything changes. No waits; a refusal's message box is modal, with the
// window disabled behind it.
bool TfrmMain::ValidateMigration(MigrationPlan& plan) {
  const std::string source = lbInfectedUser.Item(lbInfectedUser.ItemIndex());
  plan.name = Trim(txtNewUser.Text());
  if (plan.name.empty() && lbNewUser.ItemIndex() >= 0) {
    plan.name = lbNewUser.Item(lbNewUser.ItemIndex());
    plan.chosen = true;
    // A profile that already exists is not made administrator from here.
    chkGiveAdmin.SetChecked(false);
  }
  if (plan.name.empty()) {
    lblNewUser1.SetFontColor(Label::kRed);
    return false;
  }
  if (SameText(source, plan.name)) {
    ShowMessage("The new user account can not have the same name as the old user account");
    return false;
  }
  plan.isPublic = LowerCase(plan.name) == "public";
  // The name goes into command lines and becomes a folder path: refuse what
  // Windows refuses, and every name that leads to what is not a new user's.
  const char* refusal = plan.isPublic ? nullptr : DestinationNameRefusal(plan.name, !plan.chosen, options_.accounts);
  if (refusal) {
    ShowMessage(refusal);
    return false;
  }
  plan.source = ProfileFolder(source) + "\\";
  plan.profile = JoinPath("c:\\users", plan.name);
  plan.moving = IsMoveMode(plan.source);
  return true;
}

// Shows the Migrate page and creates the account. The console commands
// block the window while each runs, so no handler runs meanwhile.
bool TfrmMain::ProvisionAccount(const MigrationPlan& plan) {
  PageControl1.SetActivePage(tsMagic6);
  lbllblMagic11.SetVisible(chkGiveAdmin.Checked());
  lblMagic1.SetVisible(true);
  if (plan.isPublic) {
    lblMagic1.SetText("(PUBLIC folder)");
    return true;
  }
  // A chosen profile may belong to a domain account, or to a local one
  // renamed since: no local account has its name, and none is made beside it.
  if (plan.chosen && !options_.accounts.localAccountExists(plan.name)) {
    lblMagic1.SetText("User NOT added, maybe because it already existed?");
    return true;
  }
  return CreateUserAccount(plan.name, chkGiveAdmin.Checked(), options_.accounts, accountView_, batchFilePath,
                           resultFilePath, options_.commandRunner);
}

// Waits until Windows has built the new profile at its first sign-in. Any
// handler may run meanwhile: Back, Next (which returns here), another
// source (its count replaces the one the copy will wait for) and closing
// the window, which clears migrationActive and so ends the migration with
// nothing touched.
bool TfrmMain::WaitForFirstSignIn(const MigrationPlan& plan) {
  lblMagic2.SetVisible(true);
  Repaint();
  lblMagic2.SetText(SignInInstruction(plan.name));
  lblMagic2.SetFontColor(Label::kRed);
  migrationActive = true;
  while (!PathIsDirectory(JoinPath(plan.profile, "desktop")) && migrationActive) {
    SleepOneSlice();
    App().ProcessMessages();
  }
  if (!migrationActive) return false;
  lblMagic2.SetFontColor(Label::kWindowTextColor);
  lblMagic2.SetText("New Folders Detected");
  lblMagic4.SetVisible(true);
  return true;
}

// A copy shows a percentage of the counted bytes, so it waits for the count;
// a move needs no total and stops it. The same handlers as during the
// sign-in wait may run, with the same guards.
bool TfrmMain::WaitForFileCount(const MigrationPlan& plan) {
  if (plan.moving) {
    keepCounting = false;
    return true;
  }
  while (counterBusy && migrationActive) {
    SleepOneSlice();
    lblMagic4.SetText("Waiting on file counter... " + std::to_string(fileCount));
    App().ProcessMessages();
  }
  return migrationActive;
}

// Carries the catalogue on a thread of its own, which touches no control:
// the window shows its status and log as they come. The same handlers as
// during the waits may run; closing the window no longer stops anything
// (the data is on its way), so the migration runs to its report and the
// program ends when the driver returns. A count started meanwhile does not
// change this copy's percentage: the transfer takes the total as it stands.
CarriedProfile TfrmMain::CarryData(const MigrationPlan& plan) {
  TransferProgress progress;
  const std::int64_t hundredthOfTotal = countedBytes;
  CarriedProfile carried;
  BackgroundTask transfer([&] {
    carried = MigrateProfileData(plan.source, plan.profile + "\\", progress, copiedBytes, hundredthOfTotal);
  });
  // Every 50 ms the window takes what the transfer has for it: the log
  // lines in one batch, and the status of the entry being carried, so an
  // entry that takes longer is always shown, and no faster than anyone reads.
  DWORD lastLook = GetTickCount() - kStatusIntervalMs;
  for (;;) {
    // Looked at first: once it is set, every line the transfer made is in.
    const bool finished = transfer.Done();
    if (finished || GetTickCount() - lastLook >= kStatusIntervalMs) {
      lastLook = GetTickCount();
      memoRecovery.AddLines(progress.TakeLogLines());
      if (finished) break;
      if (std::optional<std::string> status = progress.TakeStatus()) lblMagic4.SetText(*status);
    }
    App().ProcessMessages();
    const DWORD sinceLook = GetTickCount() - lastLook;
    HANDLE done = transfer.DoneEvent();
    MsgWaitForMultipleObjects(1, &done, FALSE, sinceLook < kStatusIntervalMs ? kStatusIntervalMs - sinceLook : 0,
                              QS_ALLINPUT);
  }
  transfer.Finish();

  lblMagic4.SetText("DONE");
  lblMagic5.SetVisible(true);
  Repaint();
  return carried;
}

// Moved files keep the old profile's permissions; icacls resets them in the
// background: the data folders, and what the move carried into AppData, never
// AppData\Local or AppData\Roaming as a whole (the Windows apps the new user
// has by then need their own permissions there). No waits.
void TfrmMain::AdjustPermissions(const MigrationPlan& plan, const std::vector<std::string>& appDataFolders) {
  if (!plan.moving) {
    lblMagic5.SetText("Not needed");
    return;
  }
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (folder.IsDataFolder()) ResetPermissions(JoinPath(plan.profile, folder.path), permissionView_);
  }
  for (const std::string& folder : appDataFolders) ResetPermissions(JoinPath(plan.profile, folder), permissionView_);
  lblMagic5.SetText("DONE");
}

// What stayed in the old profile, so the technician does not wipe it with
// data still in it. Nothing is added when everything was carried.
void TfrmMain::NoteWhatStayed(const MigrationPlan& plan, const LeftBehind& whatStayed) {
  memoRecovery.AddLines(whatStayed.Notes(plan.moving));
}

void TfrmMain::ReportMigration(const MigrationPlan& plan) {
  Repaint();
  memoRecovery.AddLines({" ", "Your data has been moved from " + plan.source + " to " + plan.profile + ".",
                         "You may need to adjust some settings such as your home page, ",
                         "desktop background, screensaver, positions of desktop icons, ",
                         "and Outlook / Live Mail SMTP/POP3 settings."});
}

}  // namespace ferrowin
