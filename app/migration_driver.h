// The migration driver: from the choice of a source and a destination to the
// report in the log, as a row of named steps. It knows nothing of the window:
// it talks to its face, which is either the window or the command line, and
// both run exactly these steps. The data itself is carried on a thread of
// its own while the face goes on with its business (the window answers).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/version.h"
#include "console/account.h"
#include "console/local_accounts.h"
#include "console/profile_maker.h"
#include "migration/catalogue.h"
#include "migration/free_space.h"
#include "migration/log_file.h"
#include "migration/permissions.h"
#include "migration/transfer_progress.h"
#include "platform/background_task.h"

namespace ferrowin {

// What the user asked for, as the Profile List page holds it.
struct MigrationRequest {
  std::string source;      // a profile as the source list shows it: a name under c:\users, or a full path
  std::string typedName;   // as typed; trimmed by the driver
  std::string chosenName;  // the existing profile chosen from the list; used when nothing is typed
  bool giveAdmin = false;  // for a typed name only
};

// What every status of the Migrate page reads before its step has run:
// fifteen full stops.
inline constexpr const char* kStatusPlaceholder = "...............";

// The steps of the Migrate page, each with its status.
enum class MigrationStep { Account, Admin, Folders, MoveData, Permissions };

// The input a migration cannot go without.
enum class MigrationInput { Source, DestinationName };

// What the driver tells its face as the migration goes. Each event does
// nothing unless the face shows it: the window shows them all, the command
// line its log, the account's statuses and a wait of its own.
class MigrationFace {
 public:
  virtual ~MigrationFace() = default;

  virtual void InputMissing(MigrationInput) {}
  // Something the user must be told: a refusal, or why the migration stops.
  // True when the face has told them itself (a message box); what it has
  // not, the driver writes into the log as an ERROR line.
  virtual bool Tell(const std::string&) { return false; }
  // The migration is under way, with or without its Make Admin step.
  virtual void Begin(bool /*giveAdmin*/) {}
  virtual void StepShown(MigrationStep) {}
  // A step's status; `urgent` for what the user must act on (the sign-in
  // instruction).
  virtual void StepStatus(MigrationStep, const std::string& /*text*/, bool /*urgent*/ = false) {}
  virtual void LogLines(const std::vector<std::string>&) {}
  // What the steps show so far is worth seeing before a long call.
  virtual void Repaint() {}
  // An account command's output as the face shows it, and its lines as the
  // commands judge them: as shown (the window's memo wraps a long line).
  virtual void CommandOutput(const std::string&) {}
  virtual std::vector<std::string> CommandOutputLines(const std::string& text) const;

  // The waits for the first sign-in begin: from now on MayGoOnWaiting says
  // whether they may go on (false once the window is closed, or the command
  // line's time is up). Without a face's say, there is no wait.
  virtual void StartWaiting() {}
  virtual bool MayGoOnWaiting() { return false; }
  // Waits at most `milliseconds`, less once `event` (when given) is set;
  // the window handles its messages meanwhile.
  virtual void Wait(HANDLE event, DWORD milliseconds);
  // In copy mode, waits for the file count and gives a hundredth of its
  // total, the divisor of the percentage; in move mode stops any count.
  // Empty when the wait was ended. Without a count, no percentage: 0.
  virtual std::optional<std::int64_t> AwaitCount(bool /*moving*/) { return 0; }
  // The window was closed before the waits began.
  virtual bool Closed() const { return false; }
};

struct MigrationSettings {
  LocalAccounts accounts = SystemLocalAccounts();
  // Makes a new account's profile without a sign-in, where Windows can.
  ProfileMaker makeProfile = SystemProfileMaker();
  CommandRunnerSettings commandRunner;
  // Where the log files go; empty for %ProgramData%\Ferrowin\Logs.
  std::string logFolder;
  // Files copied at once; 0 for as many as the drives allow.
  int copyWorkers = 0;
  std::int32_t programVersion = kProgramVersion;
  // The window that owns the processes the migration starts; none without one.
  HWND owner = nullptr;
};

struct MigrationResult {
  enum class Outcome {
    Refused,       // nothing changed
    NoAccount,     // the account could not be made, or the command runner failed
    NoProfileYet,  // the wait for the first sign-in ended first
    Stopped,       // the count's wait was ended (the window closed)
    Carried,
  };
  Outcome outcome = Outcome::Refused;
  std::int64_t entriesLeftBehind = 0;
  std::int64_t entriesFailed = 0;
  // The console commands' two files, as their last run named them.
  CommandFiles commandFiles;
  // Bytes of the files the copy passed.
  std::int64_t copiedBytes = 0;
};

class MigrationDriver {
 public:
  MigrationDriver(MigrationFace& face, const MigrationSettings& settings);
  ~MigrationDriver();
  MigrationDriver(const MigrationDriver&) = delete;
  MigrationDriver& operator=(const MigrationDriver&) = delete;

  MigrationResult Run(const MigrationRequest& request);
  // Every check Run makes, then what it would do, in the log instead of done:
  // nothing changes and no log file is written (app/migration_plan.cpp).
  MigrationResult RunPlan(const MigrationRequest& request);

  // The data is on its way: the window, closed now, ends once it is carried.
  bool Carrying() const { return carrying_; }
  // Says so in the log at once, so a close is never taken for a lost click.
  void NoteClosing();
  // Something has been changed: a log file written, an account command run.
  bool ChangedAnything() const { return logFile_.has_value(); }

 private:
  // A migration as validation settles it.
  struct Plan {
    std::string source;       // the old profile's folder, ending in a backslash
    std::string name;         // the destination account, trimmed
    std::string profile;      // its folder, without a trailing backslash; Windows may decide it at the first sign-in
    bool chosen = false;      // chosen from the list of existing profiles, not typed
    bool hasAccount = false;  // a local account of that name, whose recorded folder counts
    bool isPublic = false;
    bool moving = false;  // from drive C: moved, then permissions reset
    bool giveAdmin = false;
  };

  // The steps, in the order Run takes them.
  void ResetStatuses();
  bool Validate(const MigrationRequest& request, Plan& plan);
  bool ValidateName(const Plan& plan);
  std::optional<MigrationResult::Outcome> Prepare(Plan& plan);
  void OpenLog(const Plan& plan);
  bool ProvisionAccount(const Plan& plan);
  void MakeNewProfile(const Plan& plan);
  bool WaitForFirstSignIn(Plan& plan);
  // In copy mode: whether what is still to copy fits on the new profile's
  // drive; when not, it says so and nothing more runs (app/migration_plan.cpp).
  bool RoomForTheCopy(const Plan& plan);
  bool StillRoomForTheCopy(const Plan& plan);
  CarriedProfile CarryData(const Plan& plan, std::int64_t hundredthOfTotal);
  void FollowTransfer(BackgroundTask& transfer, TransferProgress& progress);
  void AdjustPermissions(const Plan& plan, const std::vector<std::string>& conditionalFolders);
  void NoteWhatStayed(const Plan& plan, const LeftBehind& whatStayed);
  void ReportMigration(const Plan& plan);
  void CloseLog(const LeftBehind* whatStayed);

  // The profile folder as Windows has it now.
  void LookUpProfileFolder(Plan& plan) const;
  // The walk of both profiles, on a thread of its own while the face waits.
  CopyEstimate Estimate(const Plan& plan);
  // Why the data must not go into the plan's profile folder, or empty.
  std::string FolderRefusal(const Plan& plan) const;
  void Tell(const std::string& text);
  void Log(const std::vector<std::string>& lines);
  MigrationResult Finish(MigrationResult result);

  class Accounts;
  class Permissions;

  MigrationFace& face_;
  const MigrationSettings& settings_;
  CommandFiles commandFiles_;
  // Written by the transfer's thread while it runs, read after.
  std::int64_t copiedBytes_ = 0;
  std::int64_t hundredthOfTotal_ = 0;
  std::unique_ptr<Accounts> accounts_;
  std::unique_ptr<Permissions> permissions_;
  std::optional<MigrationLogFile> logFile_;
  DWORD startTick_ = 0;
  bool carrying_ = false;
  bool closingNoted_ = false;
  // The free space was asked of c:\users: the new profile did not exist yet.
  bool spaceCheckedBeforeProfile_ = false;
};

// The sign-in instruction of the Migrate page.
std::string SignInInstruction(const std::string& name);

}  // namespace ferrowin
