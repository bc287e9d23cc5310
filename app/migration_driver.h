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

#include "console/account.h"
#include "console/local_accounts.h"
#include "console/profile_maker.h"
#include "migration/catalogue.h"
#include "migration/free_space.h"
#include "migration/log_file.h"
#include "migration/permissions.h"

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

// What the driver needs of its face.
class MigrationFace {
 public:
  virtual ~MigrationFace() = default;

  // Input that is missing: no source, no destination name.
  virtual void MissingSource() = 0;
  virtual void MissingName() = 0;
  // Whether the face shows a message box for what the user must be told
  // (the window). Without boxes, what a box would say goes into the log.
  virtual bool ShowsMessageBoxes() const = 0;
  virtual void ShowMessage(const std::string& text) = 0;

  // The migration is under way: the window turns to its Migrate page.
  virtual void Begin(bool giveAdmin) = 0;
  virtual void ShowStep(MigrationStep step) = 0;
  virtual void SetStepText(MigrationStep step, const std::string& text) = 0;
  // The sign-in instruction is up (red), or done with.
  virtual void ShowInstruction(const std::string& text) = 0;
  virtual void InstructionDone() = 0;
  virtual void AddLogLines(const std::vector<std::string>& lines) = 0;
  virtual void Repaint() = 0;

  // The console commands' output, as the account commands judge it.
  virtual ConsoleView& Console() = 0;
  virtual HWND Owner() const = 0;

  // The waits for the first sign-in begin: from now on MayGoOnWaiting says
  // whether they may go on (false once the window is closed, or the command
  // line's time is up).
  virtual void StartWaiting() = 0;
  virtual bool MayGoOnWaiting() = 0;
  // Waits at most `milliseconds`, less once `event` (when given) is set;
  // the window handles its messages meanwhile.
  virtual void Wait(HANDLE event, DWORD milliseconds) = 0;
  // In copy mode, waits for the file count and gives a hundredth of its
  // total, the divisor of the percentage; in move mode stops any count.
  // False when the wait was ended.
  virtual bool AwaitCount(bool moving, std::int64_t& hundredthOfTotal) = 0;
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
  std::int32_t programVersion = 14;
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
};

class MigrationDriver {
 public:
  // The three fields are the window's own, which the steps keep up to date.
  MigrationDriver(MigrationFace& face, const MigrationSettings& settings, std::string& batchFilePath,
                  std::string& resultFilePath, std::int64_t& copiedBytes);
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
  void OpenLog(const Plan& plan);
  bool ProvisionAccount(const Plan& plan);
  void MakeNewProfile(const Plan& plan);
  bool WaitForFirstSignIn(Plan& plan);
  bool WaitForFileCount(const Plan& plan, std::int64_t& hundredthOfTotal);
  // In copy mode: whether what is still to copy fits on the new profile's
  // drive; when not, it says so and nothing more runs (app/migration_plan.cpp).
  bool RoomForTheCopy(const Plan& plan);
  bool StillRoomForTheCopy(const Plan& plan);
  CarriedProfile CarryData(const Plan& plan, std::int64_t hundredthOfTotal);
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

  class Accounts;
  class Permissions;

  MigrationFace& face_;
  const MigrationSettings& settings_;
  std::string& batchFilePath_;
  std::string& resultFilePath_;
  std::int64_t& copiedBytes_;
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
