#include "app/command_line_migration.h"

#include <algorithm>
#include <chrono>

#include "platform/console_output.h"
#include "platform/text.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

// The driver's face without a window: the log and the account statuses go to
// the console, a message box's text into the log, and the wait for the
// first sign-in lasts as long as the command line says.
class CommandLineFace : public MigrationFace, public ConsoleView {
 public:
  CommandLineFace(ConsoleOutput& console, int waitMinutes) : console_(console), waitMinutes_(waitMinutes) {}

  void MissingSource() override { console_.WriteLine("ERROR: No source was given."); }
  void MissingName() override { console_.WriteLine("ERROR: No destination was given."); }
  bool ShowsMessageBoxes() const override { return false; }
  void ShowMessage(const std::string& text) override { console_.WriteLine(text); }
  void Begin(bool) override {}
  void ShowStep(MigrationStep) override {}
  void SetStepText(MigrationStep step, const std::string& text) override {
    if (text == kStatusPlaceholder) return;
    if (step == MigrationStep::Account) console_.WriteLine("Create New User Account: " + text);
    if (step == MigrationStep::Admin) console_.WriteLine("Make Admin: " + text);
  }
  void ShowInstruction(const std::string&) override {}
  void InstructionDone() override {}
  void AddLogLines(const std::vector<std::string>& lines) override { console_.WriteLines(lines); }
  void Repaint() override {}
  ConsoleView& Console() override { return *this; }
  HWND Owner() const override { return nullptr; }
  void StartWaiting() override {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::minutes(waitMinutes_);
    if (waitMinutes_ > 0) {
      console_.WriteLine("Waiting up to " + std::to_string(waitMinutes_) +
                         " minutes for the account's first sign-in...");
    }
  }
  bool MayGoOnWaiting() override { return std::chrono::steady_clock::now() < deadline_; }
  void Wait(HANDLE event, DWORD milliseconds) override {
    if (event) {
      WaitForSingleObject(event, milliseconds);
    } else {
      Sleep(milliseconds);
    }
  }
  // Nothing shows a percentage here: no count to wait for.
  bool AwaitCount(bool, std::int64_t& hundredthOfTotal) override {
    hundredthOfTotal = 0;
    return true;
  }

  // The console commands' output, as the account commands judge it.
  void SetOutputText(const std::string& text) override { output_ = text; }
  std::vector<std::string> OutputLines() const override { return SplitLines(output_); }

 private:
  ConsoleOutput& console_;
  const int waitMinutes_;
  std::chrono::steady_clock::time_point deadline_;
  std::string output_;
};

int Refuse(ConsoleOutput& console, const std::string& why) {
  console.WriteLine("ERROR: " + why);
  return static_cast<int>(ExitCode::Refused);
}

// The source as the wizard's list shows it, whatever the letter case; empty
// when the list has no such profile.
std::string SourceAsListed(const std::string& source) {
  const std::vector<std::string> sources = DiscoverProfiles().sources;
  auto found = std::find_if(sources.begin(), sources.end(), [&](const std::string& entry) {
    return SameText(entry, source) || SameText(entry + "\\", source);
  });
  return found == sources.end() ? std::string() : *found;
}

int ExitCodeOf(const MigrationResult& result) {
  switch (result.outcome) {
    case MigrationResult::Outcome::Refused: return static_cast<int>(ExitCode::Refused);
    case MigrationResult::Outcome::NoAccount: return static_cast<int>(ExitCode::AccountOrRunner);
    case MigrationResult::Outcome::NoProfileYet:
    case MigrationResult::Outcome::Stopped: return static_cast<int>(ExitCode::SignInFirst);
    case MigrationResult::Outcome::Carried: break;
  }
  if (result.entriesFailed > 0) return static_cast<int>(ExitCode::SomeNotCarried);
  if (result.entriesLeftBehind > 0) return static_cast<int>(ExitCode::SomeLeftBehind);
  return static_cast<int>(ExitCode::Carried);
}

int RunMigration(const CommandLine& commandLine, const EnvironmentProbe& environment, const MigrationSettings& settings,
                 ConsoleOutput& console) {
  switch (commandLine.mode) {
    case CommandLine::Mode::Usage: console.WriteLines(SplitLines(kUsageText)); return 0;
    case CommandLine::Mode::Invalid:
      console.WriteLine("ERROR: " + commandLine.error);
      console.WriteLine("ferrowin.exe /? shows the usage.");
      return static_cast<int>(ExitCode::Refused);
    case CommandLine::Mode::Window:
    case CommandLine::Mode::Migrate: break;
  }
  // The checks of the Welcome page.
  std::uint32_t majorVersion = 0;
  if (!environment.readWindowsVersion(majorVersion) || majorVersion != 6) {
    return Refuse(console, "This program is only compatible with Win7/Win8/Win10.");
  }
  if (!environment.probeAdminRights()) {
    return Refuse(console, "This program must run as administrator: it could not write into c:\\users.");
  }
  const std::string source = SourceAsListed(commandLine.source);
  if (source.empty()) {
    return Refuse(console, "There is no profile " + commandLine.source +
                               " to carry from. Give it as the wizard's source list shows it: a name under "
                               "c:\\users, or the full path of a profile folder.");
  }
  CommandLineFace face(console, commandLine.waitMinutes);
  std::string batchFilePath, resultFilePath;
  std::int64_t copiedBytes = 0;
  MigrationDriver driver(face, settings, batchFilePath, resultFilePath, copiedBytes);
  const MigrationRequest request{.source = source, .typedName = commandLine.destination, .giveAdmin = commandLine.admin};
  return ExitCodeOf(commandLine.plan ? driver.RunPlan(request) : driver.Run(request));
}

}  // namespace

int RunFromCommandLine(const CommandLine& commandLine, const EnvironmentProbe& environment,
                       const MigrationSettings& settings) {
  ConsoleOutput console;
  // Nothing escapes to end the program without a word: a deployment tool
  // sees the reason and an exit code.
  try {
    return RunMigration(commandLine, environment, settings, console);
  } catch (const std::exception& error) {
    console.WriteLine(std::string("ERROR: The migration stopped: ") + error.what());
    return static_cast<int>(ExitCode::AccountOrRunner);
  }
}

}  // namespace ferrowin
