#include "app/migration_driver.h"

#include <utility>

#include "console/destination_name.h"
#include "migration/carried_folders.h"
#include "migration/parallel_copy.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

constexpr DWORD kWaitSliceMs = 100;
// How often the face shows what the transfer has for it: a person cannot
// read faster, and painting every file of a large profile would cost more
// than carrying it.
constexpr DWORD kStatusIntervalMs = 50;
// One migration into an account at a time on this computer, whichever face,
// session or deployment tool's retry starts it: two at once would each find
// the other's files and folders appearing under their hands. Null when
// another holds the account. The name is the account's in upper case, as
// Windows compares account names.
UniqueKernelHandle ClaimDestination(const std::string& name) {
  std::wstring key = Widen(name);
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, key.data(), static_cast<int>(key.size()), key.data(),
                static_cast<int>(key.size()), nullptr, nullptr, 0);
  for (const wchar_t* scope : {L"Global\\", L"Local\\"}) {
    UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, (scope + std::wstring(L"Ferrowin migration into ") + key).c_str()));
    if (mutex) return GetLastError() == ERROR_ALREADY_EXISTS ? UniqueKernelHandle() : std::move(mutex);
    // Without the right to make global objects, this session at least.
    if (GetLastError() != ERROR_ACCESS_DENIED) return {};
  }
  return {};
}

constexpr MigrationStep kAllSteps[] = {MigrationStep::Account, MigrationStep::Admin, MigrationStep::Folders,
                                       MigrationStep::MoveData, MigrationStep::Permissions};

// A profile made from a Default profile without a Desktop has no data
// folders yet: made here, Desktop first (the wait looks for it), so that
// they take the permissions the profile folder hands down.
void MakeDataFolders(const std::string& profile) {
  if (!PathIsDirectory(profile) || PathIsDirectory(JoinPath(profile, "Desktop"))) return;
  (void)MakeDirectory(JoinPath(profile, "Desktop"));
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (folder.IsDataFolder() && !PathIsDirectory(JoinPath(profile, folder.path))) {
      (void)MakeDirectory(JoinPath(profile, folder.path));
    }
  }
}

}  // namespace

std::string SignInInstruction(const std::string& name) {
  return "NOW You need to use SWITCH USER in your start menu and log in as " + UpperCase(name) +
         ".  DO NOT CLOSE THIS WINDOW!  Your data will then be moved automatically.  You may need to adjust some "
         "settings such as your home page, desktop background, screensaver, positions of desktop icons, and "
         "Outlook / Live Mail SMTP/POP3 settings.";
}

std::vector<std::string> MigrationFace::CommandOutputLines(const std::string& text) const { return SplitLines(text); }

void MigrationFace::Wait(HANDLE event, DWORD milliseconds) {
  if (event) {
    WaitForSingleObject(event, milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

// The driver as the account commands see it: the face's console output and
// statuses, and the log.
class MigrationDriver::Accounts : public AccountView {
 public:
  explicit Accounts(MigrationDriver& driver) : driver_(driver) {}
  void SetOutputText(const std::string& text) override {
    output_ = text;
    driver_.face_.CommandOutput(text);
  }
  std::vector<std::string> OutputLines() const override { return driver_.face_.CommandOutputLines(output_); }
  void ShowMessage(const std::string& text) override { driver_.Tell(text); }
  void SetAccountStatus(const std::string& text) override { driver_.face_.StepStatus(MigrationStep::Account, text); }
  void ShowAdminStatus() override { driver_.face_.StepShown(MigrationStep::Admin); }
  void SetAdminStatus(const std::string& text) override { driver_.face_.StepStatus(MigrationStep::Admin, text); }
  void AddLogLine(const std::string& line) override { driver_.Log({line}); }

 private:
  MigrationDriver& driver_;
  std::string output_;
};

class MigrationDriver::Permissions : public PermissionView {
 public:
  explicit Permissions(MigrationDriver& driver) : driver_(driver) {}
  HWND Owner() const override { return driver_.settings_.owner; }
  void AddLogLine(const std::string& line) override { driver_.Log({line}); }

 private:
  MigrationDriver& driver_;
};

MigrationDriver::MigrationDriver(MigrationFace& face, const MigrationSettings& settings)
    : face_(face),
      settings_(settings),
      accounts_(std::make_unique<Accounts>(*this)),
      permissions_(std::make_unique<Permissions>(*this)) {}

MigrationDriver::~MigrationDriver() = default;

MigrationResult MigrationDriver::Run(const MigrationRequest& request) {
  using Outcome = MigrationResult::Outcome;
  ResetStatuses();
  Plan plan;
  if (!Validate(request, plan)) return Finish({.outcome = Outcome::Refused});
  const UniqueKernelHandle claim = ClaimDestination(plan.name);
  if (!claim) {
    Tell("Another migration into " + plan.name +
         " is under way on this computer. Let it finish, then run this one again if anything is still missing.");
    return Finish({.outcome = Outcome::Refused});
  }
  if (!RoomForTheCopy(plan)) return Finish({.outcome = Outcome::Refused});
  OpenLog(plan);
  if (const std::optional<Outcome> stopped = Prepare(plan)) {
    CloseLog(nullptr);
    return Finish({.outcome = *stopped});
  }
  const CarriedProfile carried = CarryData(plan, hundredthOfTotal_);
  AdjustPermissions(plan, carried.conditionalFolders);
  NoteWhatStayed(plan, carried.whatStayed);
  ReportMigration(plan);
  CloseLog(&carried.whatStayed);
  return Finish({.outcome = Outcome::Carried,
                 .entriesLeftBehind = carried.whatStayed.EntriesLeftBehind(),
                 .entriesFailed = carried.whatStayed.EntriesFailed()});
}

// The account, the profile and the count the transfer needs; the outcome
// when the migration stops before it carries anything.
std::optional<MigrationResult::Outcome> MigrationDriver::Prepare(Plan& plan) {
  using Outcome = MigrationResult::Outcome;
  if (!ProvisionAccount(plan)) return Outcome::NoAccount;
  MakeNewProfile(plan);
  if (!WaitForFirstSignIn(plan)) return Outcome::NoProfileYet;
  if (const std::string refusal = FolderRefusal(plan); !refusal.empty()) {
    Tell(refusal);  // recorded at the first sign-in, as nothing a user's profile may be
    return Outcome::Refused;
  }
  const std::optional<std::int64_t> hundredthOfTotal = face_.AwaitCount(plan.moving);
  if (!hundredthOfTotal) return Outcome::Stopped;
  hundredthOfTotal_ = *hundredthOfTotal;
  if (!StillRoomForTheCopy(plan)) return Outcome::Refused;
  return std::nullopt;
}

MigrationResult MigrationDriver::Finish(MigrationResult result) {
  result.commandFiles = commandFiles_;
  result.copiedBytes = copiedBytes_;
  return result;
}

void MigrationDriver::ResetStatuses() {
  for (MigrationStep step : kAllSteps) face_.StepStatus(step, kStatusPlaceholder);
}

// Reads the request and refuses what cannot be carried out, before anything
// changes.
bool MigrationDriver::Validate(const MigrationRequest& request, Plan& plan) {
  if (request.source.empty()) {
    face_.InputMissing(MigrationInput::Source);
    return false;
  }
  plan.name = Trim(request.typedName);
  plan.giveAdmin = request.giveAdmin;
  if (plan.name.empty() && !request.chosenName.empty()) {
    plan.name = request.chosenName;
    plan.chosen = true;
    // A profile that already exists is not made administrator from here.
    plan.giveAdmin = false;
  }
  if (plan.name.empty()) {
    face_.InputMissing(MigrationInput::DestinationName);
    return false;
  }
  if (SameText(request.source, plan.name)) {
    Tell("The new user account can not have the same name as the old user account");
    return false;
  }
  plan.isPublic = LowerCase(plan.name) == "public";
  if (!ValidateName(plan)) return false;
  plan.source = AsFolder(ProfileFolder(request.source));
  plan.profile = JoinPath(kUsersFolder, plan.name);
  // A typed name is an account, made now if need be; a chosen profile is one
  // only when a local account of that name exists.
  plan.hasAccount = !plan.isPublic && (!plan.chosen || settings_.accounts.localAccountExists(plan.name));
  plan.moving = IsMoveMode(plan.source);
  // The folder Windows records for the account may be any folder at all.
  LookUpProfileFolder(plan);
  if (const std::string refusal = FolderRefusal(plan); !refusal.empty()) {
    Tell(refusal);
    return false;
  }
  return true;
}

// The name goes into command lines and becomes a folder path: refuse what
// Windows refuses, and every name that leads to what is not a new user's.
bool MigrationDriver::ValidateName(const Plan& plan) {
  if (plan.isPublic) return true;
  std::string refusal = DestinationNameRefusal(plan.name, !plan.chosen, settings_.accounts);
  if (refusal.empty() && !plan.chosen) refusal = TypedNameFolderRefusal(plan.name, settings_.accounts);
  if (refusal.empty()) return true;
  Tell(refusal);
  return false;
}

std::string MigrationDriver::FolderRefusal(const Plan& plan) const {
  if (plan.isPublic) return {};
  return ProfileFolderRefusal(plan.name, plan.profile, plan.source);
}

// Every line the log shows from here on is also in the log file.
void MigrationDriver::OpenLog(const Plan& plan) {
  startTick_ = GetTickCount();
  LogFileHeader header{.program = "Ferrowin version " + std::to_string(settings_.programVersion),
                       .computer = ComputerName(),
                       .windowsVersion = WindowsVersionText(),
                       .source = plan.source,
                       .destination = plan.name,
                       .moving = plan.moving};
  GetLocalTime(&header.start);
  const std::string folder = settings_.logFolder.empty() ? DefaultLogFolder() : settings_.logFolder;
  logFile_.emplace(header, plan.source, plan.name, folder);
}

// The account, made with the system's console commands. They block the
// window while each runs, so no handler runs meanwhile.
bool MigrationDriver::ProvisionAccount(const Plan& plan) {
  face_.Begin(plan.giveAdmin);
  face_.StepShown(MigrationStep::Account);
  if (plan.isPublic) {
    face_.StepStatus(MigrationStep::Account, "(PUBLIC folder)");
    return true;
  }
  // A chosen profile may belong to a domain account, or to a local one
  // renamed since: no local account has its name, and none is made beside it.
  if (!plan.hasAccount) {
    face_.StepStatus(MigrationStep::Account, "User NOT added, maybe because it already existed?");
    return true;
  }
  CommandRunnerSettings runner = settings_.commandRunner;
  runner.owner = settings_.owner;
  const AccountCreation creation = CreateUserAccount(plan.name, plan.giveAdmin, settings_.accounts, *accounts_, runner);
  commandFiles_ = creation.commandFiles;
  return creation.created;
}

// A new account's profile, made now where Windows can without a sign-in, so
// that the wait below passes at once and the command line carries in one
// run. Public, a profile chosen from the list and an account Windows already
// keeps a profile for are left as they are. Like the account commands, it
// blocks the window while it runs (a few seconds), so no handler runs meanwhile.
void MigrationDriver::MakeNewProfile(const Plan& plan) {
  if (plan.isPublic || plan.chosen || !plan.hasAccount) return;
  const std::string sid = settings_.accounts.accountSid(plan.name);
  if (!RecordedProfileFolder(sid).empty()) return;
  const MadeProfile made = settings_.makeProfile(sid, plan.name);
  if (made.outcome == MadeProfile::Outcome::Failed) {
    Log({"NOTE: Windows could not make the profile of " + UpperCase(plan.name) + " (" + made.Reason() +
         "): sign in once as " + UpperCase(plan.name) + "; the data will then be moved automatically."});
    return;
  }
  if (made.outcome != MadeProfile::Outcome::Made) return;
  const std::string recorded = RecordedProfileFolderOf(plan.name, settings_.accounts);
  if (!recorded.empty()) MakeDataFolders(recorded);
  Log({"NOTE: Made the profile of " + plan.name + " at " + (recorded.empty() ? made.folder : recorded) +
       " without a sign-in; Windows finishes setting it up at " + plan.name + "'s first sign-in."});
}

// Waits until Windows has built the account's profile at its first sign-in,
// looking at every turn for the folder Windows gives it (recorded then).
// The window's handlers may run meanwhile: Back, Next (which returns here),
// another source (its count replaces the one the copy will wait for) and
// closing, which ends the migration with no data touched.
bool MigrationDriver::WaitForFirstSignIn(Plan& plan) {
  face_.StepShown(MigrationStep::Folders);
  face_.Repaint();
  face_.StepStatus(MigrationStep::Folders, SignInInstruction(plan.name), /*urgent=*/true);
  face_.StartWaiting();
  for (;;) {
    LookUpProfileFolder(plan);
    if (PathIsDirectory(JoinPath(plan.profile, "desktop"))) break;
    if (!face_.MayGoOnWaiting()) {
      Log({"NOTE: The profile of " + plan.name + " does not exist yet: sign in once as " + plan.name +
           ", then run the same command again."});
      return false;
    }
    face_.Wait(nullptr, kWaitSliceMs);
  }
  face_.StepStatus(MigrationStep::Folders, "New Folders Detected");
  face_.StepShown(MigrationStep::MoveData);
  return true;
}

void MigrationDriver::LookUpProfileFolder(Plan& plan) const {
  if (!plan.hasAccount) return;
  const std::string recorded = RecordedProfileFolderOf(plan.name, settings_.accounts);
  plan.profile = recorded.empty() ? JoinPath(kUsersFolder, plan.name) : recorded;
}

// Carries the catalogue on a thread of its own, which touches no face: the
// face shows its status and log as they come. Closing the window no longer
// stops anything (the data is on its way), so the migration runs to its
// report and the program ends when the driver returns.
CarriedProfile MigrationDriver::CarryData(const Plan& plan, std::int64_t hundredthOfTotal) {
  const int workers = plan.moving                 ? 1
                      : settings_.copyWorkers > 0 ? settings_.copyWorkers
                                                  : CopyWorkersFor(plan.source, plan.profile);
  const CatalogueOptions options{.destinationName = plan.name, .transfer = {.copyWorkers = workers}};
  TransferProgress progress;
  CarriedProfile carried;
  carrying_ = true;
  {
    BackgroundTask transfer([&] {
      carried = MigrateProfileData(plan.source, AsFolder(plan.profile), progress, copiedBytes_, hundredthOfTotal, options);
    });
    FollowTransfer(transfer, progress);
    try {
      transfer.Finish();
    } catch (const std::exception& error) {
      Log({"ERROR: The transfer stopped: " + std::string(error.what())});
    }
  }
  carrying_ = false;
  face_.StepStatus(MigrationStep::MoveData, "DONE");
  face_.StepShown(MigrationStep::Permissions);
  face_.Repaint();
  return carried;
}

// Every 50 ms the face takes what the transfer has for it: the log lines in
// one batch, and the status of the entry being carried, so an entry that
// takes longer is always shown, and no faster than anyone reads.
void MigrationDriver::FollowTransfer(BackgroundTask& transfer, TransferProgress& progress) {
  DWORD lastLook = GetTickCount() - kStatusIntervalMs;
  for (;;) {
    // The face's messages are handled at least once while the data is on its
    // way, however soon it arrives: a close asked for meanwhile is said now.
    const DWORD sinceLook = GetTickCount() - lastLook;
    face_.Wait(transfer.DoneEvent(), sinceLook < kStatusIntervalMs ? kStatusIntervalMs - sinceLook : 0);
    // Looked at before the lines: once it is set, every line the transfer made is in.
    const bool finished = transfer.Done();
    if (finished || GetTickCount() - lastLook >= kStatusIntervalMs) {
      lastLook = GetTickCount();
      Log(progress.TakeLogLines());
      if (finished) return;
      if (std::optional<std::string> status = progress.TakeStatus()) {
        face_.StepStatus(MigrationStep::MoveData, *status);
      }
    }
  }
}

// Moved files keep the old profile's permissions; icacls resets them in the
// background: the data folders, and what the move carried besides, never
// AppData\Local or AppData\Roaming as a whole (the Windows apps the new user
// has by then need their own permissions there). No waits.
void MigrationDriver::AdjustPermissions(const Plan& plan, const std::vector<std::string>& conditionalFolders) {
  if (!plan.moving) {
    face_.StepStatus(MigrationStep::Permissions, "Not needed");
    return;
  }
  for (const CarriedFolder& folder : kCarriedFolders) {
    if (folder.IsDataFolder()) ResetPermissions(JoinPath(plan.profile, folder.path), *permissions_);
  }
  for (const std::string& folder : conditionalFolders) ResetPermissions(JoinPath(plan.profile, folder), *permissions_);
  face_.StepStatus(MigrationStep::Permissions, "DONE");
}

// What stayed in the old profile, so the technician does not wipe it with
// data still in it; and where this log is kept.
void MigrationDriver::NoteWhatStayed(const Plan& plan, const LeftBehind& whatStayed) {
  Log(whatStayed.Notes(plan.moving));
  Log({LogFileNote(*logFile_)});
}

void MigrationDriver::ReportMigration(const Plan& plan) {
  face_.Repaint();
  Log({" ", "Your data has been moved from " + plan.source + " to " + plan.profile + ".",
       "You may need to adjust some settings such as your home page, ",
       "desktop background, screensaver, positions of desktop icons, ", "and Outlook / Live Mail SMTP/POP3 settings."});
}

void MigrationDriver::CloseLog(const LeftBehind* whatStayed) {
  LogFileSummary summary{.milliseconds = static_cast<std::int64_t>(GetTickCount() - startTick_)};
  if (whatStayed) {
    summary.files = whatStayed->CarriedTally().files;
    summary.bytes = whatStayed->CarriedTally().bytes;
    summary.leftBehind = whatStayed->EntriesLeftBehind();
    summary.failed = whatStayed->EntriesFailed();
  }
  logFile_->Finish(summary);
}

void MigrationDriver::NoteClosing() {
  if (!carrying_ || !logFile_ || closingNoted_) return;
  closingNoted_ = true;
  Log({logFile_->Saved()
           ? "NOTE: The program will end when the transfer is complete; this log is saved as " + logFile_->Path() + "."
           : "NOTE: The program will end when the transfer is complete; this log could not be saved: " +
                 logFile_->FailureReason() + "."});
}

// What no message box has said stays in the log.
void MigrationDriver::Tell(const std::string& text) {
  if (!face_.Tell(text)) Log({"ERROR: " + text});
}

void MigrationDriver::Log(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  face_.LogLines(lines);
  if (logFile_) logFile_->Append(lines);
}

}  // namespace ferrowin
