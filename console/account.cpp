#include "console/account.h"

#include <algorithm>

#include "platform/text.h"

namespace ferrowin {

const char* const kInvalidAccountNameMessage =
    "This name cannot be used for a Windows account. A user name must not be empty and must not contain any of "
    "these characters: \" / \\ [ ] : ; | = , + * ? < > (nor tabs or other control characters). Please choose "
    "another name.";

const char* const kUnsupportedAccountNameMessage =
    "This name cannot be passed to the Windows console commands that create the account: it contains letters "
    "that the console's code page cannot hold. Please choose another name.";

namespace {

constexpr const char* kNetSuccess = "The command completed successfully.";
constexpr const char* kWmicSuccess = "Property(s) update successful.";
constexpr const char* kExpiryError = "Error disabling password expiration! (continuing anyway)";

// Remembers the memo's text as the runner last set it: the judgements quote
// the whole output as the memo holds it, not its wrapped display lines.
class CapturingView : public ConsoleView {
 public:
  explicit CapturingView(ConsoleView& inner) : inner_(inner) {}
  void SetOutputText(const std::string& text) override {
    text_ = text;
    inner_.SetOutputText(text);
  }
  std::vector<std::string> OutputLines() const override { return inner_.OutputLines(); }
  const std::string& Text() const { return text_; }

 private:
  ConsoleView& inner_;
  std::string text_;
};

bool IsRefusedCharacter(char c) {
  if (static_cast<unsigned char>(c) < 32 || c == 127) return true;
  return std::string_view("\"/\\[]:;|=,+*?<>").find(c) != std::string_view::npos;
}

// The batch file would expand %NAME% even inside quotes.
std::string ForBatch(std::string_view name) {
  std::string escaped;
  for (char c : name) {
    escaped += c;
    if (c == '%') escaped += '%';
  }
  return escaped;
}

// The name inside the apostrophes of the wmic query (WQL escapes with a backslash).
std::string ForWqlString(std::string_view name) {
  std::string escaped;
  for (char c : name) {
    if (c == '\'') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// A tool named by its full path, which the interpreter runs without a search.
std::string ToolToken(const std::string& path) { return Contains(path, " ") ? Quoted(path) : path; }

std::string CreateCommand(const std::string& name) {
  return ToolToken(NetPath()) + " users \"" + ForBatch(name) + "\" /add";
}

std::string NoExpiryCommand(const std::string& name) {
  return ToolToken(WmicPath()) + " useraccount where \"name='" + ForWqlString(ForBatch(name)) +
         "'\" set passwordExpires=false";
}

// The group by its own name where Windows calls it otherwise (another display
// language); where it is "Administrators", or unknown, the word net has
// always been given.
std::string AdminGroupArgument(const std::string& groupName) {
  if (groupName.empty() || SameText(groupName, "Administrators")) return "administrators";
  return Quoted(ForBatch(groupName));
}

std::string AdminCommand(const std::string& name, const std::string& groupName) {
  return ToolToken(NetPath()) + " localgroup " + AdminGroupArgument(groupName) + " \"" + ForBatch(name) + "\" /add";
}

// The status text of a net command: its whole output unless the first line
// is exactly the success text; `nothingPrinted` when there was no output.
std::string NetStatus(const CapturingView& view, const char* nothingPrinted) {
  const std::vector<std::string> lines = view.OutputLines();
  if (lines.empty()) return nothingPrinted;
  if (lines.front() == kNetSuccess) return "DONE";
  return view.Text();
}

// wmic first says which account it is updating, a line long enough to wrap
// in the memo, and only then that it succeeded: the success may be on any line.
void JudgeNoExpiry(const CapturingView& view, AccountView& screen) {
  const std::vector<std::string> lines = view.OutputLines();
  if (lines.empty()) {
    screen.AddLogLine(kExpiryError);
    return;
  }
  bool succeeded = std::any_of(lines.begin(), lines.end(),
                               [](const std::string& line) { return Contains(line, kWmicSuccess); });
  if (!succeeded) screen.AddLogLine("Unexpected result while disabling password expiry: " + view.Text());
}

// Runs the account commands one after another. A command whose output
// cannot be read ends them: what the account has become is unknown.
class AccountCommands {
 public:
  AccountCommands(AccountView& view, const CommandRunnerSettings& settings)
      : view_(view), console_(view), settings_(settings) {}

  // False when the command did not finish; the runner's failure, then
  // `failure` unless the commands have stopped, have been shown.
  bool Run(const std::string& command, const char* failure = nullptr) {
    if (stopped_) return false;
    const CommandRun run = RunConsoleCommand(command, console_, settings_);
    files_ = run.files;
    if (run.Finished()) return true;
    view_.ShowMessage(run.failure);
    stopped_ = run.outcome == CommandRun::Outcome::OutputUnreadable;
    if (failure && !stopped_) view_.ShowMessage(failure);
    return false;
  }
  bool Stopped() const { return stopped_; }
  const CapturingView& Console() const { return console_; }
  const CommandFiles& Files() const { return files_; }

 private:
  AccountView& view_;
  CapturingView console_;
  const CommandRunnerSettings& settings_;
  CommandFiles files_;
  bool stopped_ = false;
};

// wmic where Windows still has it; where it is gone, the account's own flag.
void DisablePasswordExpiry(const std::string& name, const LocalAccounts& accounts, AccountCommands& commands,
                           AccountView& screen) {
  if (!accounts.wmicInstalled()) {
    if (!accounts.setPasswordNeverExpires(name)) screen.AddLogLine(kExpiryError);
    return;
  }
  if (!commands.Run(NoExpiryCommand(name))) {
    if (commands.Stopped()) return;
    screen.AddLogLine(kExpiryError);
  }
  JudgeNoExpiry(commands.Console(), screen);
}

bool RunAccountCommands(const std::string& name, bool giveAdmin, const LocalAccounts& accounts, AccountView& view,
                        AccountCommands& commands) {
  if (!commands.Run(CreateCommand(name), "Error creating new user account, aborting!")) return false;
  view.SetAccountStatus(NetStatus(commands.Console(), "User NOT added, maybe because it already existed?"));

  DisablePasswordExpiry(name, accounts, commands, view);
  if (commands.Stopped()) return false;

  if (!giveAdmin) return true;
  view.ShowAdminStatus();
  const std::string admin = AdminCommand(name, accounts.administratorsGroupName());
  if (!commands.Run(admin, "Error giving ADMIN, we will continue anyway") && commands.Stopped()) return false;
  view.SetAdminStatus(NetStatus(commands.Console(), "User NOT given admin, maybe because they already had admin?"));
  return true;
}

}  // namespace

std::string AccountNameRefusal(const std::string& name) {
  if (!IsValidAccountName(name)) return kInvalidAccountNameMessage;
  if (!ConsoleCodePageHolds(name)) return kUnsupportedAccountNameMessage;
  return {};
}

bool IsValidAccountName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (IsRefusedCharacter(c)) return false;
  }
  return true;
}

AccountCreation CreateUserAccount(const std::string& name, bool giveAdmin, const LocalAccounts& accounts,
                                  AccountView& view, const CommandRunnerSettings& settings) {
  if (const std::string refusal = AccountNameRefusal(name); !refusal.empty()) {
    view.ShowMessage(refusal);
    return {};
  }
  AccountCommands commands(view, settings);
  const bool created = RunAccountCommands(name, giveAdmin, accounts, view, commands);
  return {.created = created, .commandFiles = commands.Files()};
}

}  // namespace ferrowin
