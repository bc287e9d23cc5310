#include "app/command_line_migration.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "app/welcome_text.h"
#include "platform/console_output.h"
#include "platform/text.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

// The driver's face without a window: the log and the account statuses go to
// the console, and the wait for the first sign-in lasts as long as the
// command line says. What a message box would say the driver logs.
class CommandLineFace : public MigrationFace {
 public:
  CommandLineFace(ConsoleOutput& console, int waitMinutes) : console_(console), waitMinutes_(waitMinutes) {}

  void InputMissing(MigrationInput input) override {
    console_.WriteLine(input == MigrationInput::Source ? "ERROR: No source was given."
                                                       : "ERROR: No destination was given.");
  }
  void StepStatus(MigrationStep step, const std::string& text, bool) override {
    if (text == kStatusPlaceholder) return;
    if (step == MigrationStep::Account) console_.WriteLine("Create New User Account: " + text);
    if (step == MigrationStep::Admin) console_.WriteLine("Make Admin: " + text);
  }
  void LogLines(const std::vector<std::string>& lines) override { console_.WriteLines(lines); }
  void StartWaiting() override {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::minutes(waitMinutes_);
    if (waitMinutes_ > 0) {
      console_.WriteLine("Waiting up to " + std::to_string(waitMinutes_) +
                         " minutes for the account's first sign-in...");
    }
  }
  bool MayGoOnWaiting() override { return std::chrono::steady_clock::now() < deadline_; }

 private:
  ConsoleOutput& console_;
  const int waitMinutes_;
  std::chrono::steady_clock::time_point deadline_;
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

// The checks of the Welcome page: the refusal's exit code, or none.
std::optional<int> WelcomeRefusal(const EnvironmentProbe& environment, ConsoleOutput& console) {
  switch (CheckEnvironment(environment).Refused()) {
    case EnvironmentFacts::Refusal::WrongWindows: return Refuse(console, kWrongWindowsNotice);
    case EnvironmentFacts::Refusal::NotAdmin: return Refuse(console, kNotAdminRefusal);
    case EnvironmentFacts::Refusal::None: break;
  }
  return std::nullopt;
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
  if (const std::optional<int> refused = WelcomeRefusal(environment, console)) return *refused;
  const std::string source = SourceAsListed(commandLine.source);
  if (source.empty()) {
    return Refuse(console, "There is no profile " + commandLine.source +
                               " to carry from. Give it as the wizard's source list shows it: a name under "
                               "c:\\users, or the full path of a profile folder.");
  }
  CommandLineFace face(console, commandLine.waitMinutes);
  MigrationDriver driver(face, settings);
  const MigrationRequest request{.source = source, .typedName = commandLine.destination, .giveAdmin = commandLine.admin};
  // Nothing escapes to end the program without a word: a deployment tool
  // sees the reason, and an exit code that says whether anything changed.
  try {
    return ExitCodeOf(commandLine.plan ? driver.RunPlan(request) : driver.Run(request));
  } catch (const std::exception& error) {
    console.WriteLine(std::string("ERROR: The migration stopped: ") + error.what());
    return static_cast<int>(driver.ChangedAnything() ? ExitCode::SomeNotCarried : ExitCode::Refused);
  }
}

}  // namespace

int RunFromCommandLine(const CommandLine& commandLine, const EnvironmentProbe& environment,
                       const MigrationSettings& settings) {
  ConsoleOutput console;
  // Before the driver runs, nothing has changed.
  try {
    return RunMigration(commandLine, environment, settings, console);
  } catch (const std::exception& error) {
    console.WriteLine(std::string("ERROR: The migration stopped: ") + error.what());
    return static_cast<int>(ExitCode::Refused);
  }
}

}  // namespace ferrowin
