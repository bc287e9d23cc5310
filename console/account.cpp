#include "console/account.h"

#include <algorithm>
#include <functional>

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
  void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
  HWND Owner() const override { return inner_.Owner(); }
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

// wmic where Windows still has it; where it is gone, the account's own flag.
void DisablePasswordExpiry(const std::string& name, const LocalAccounts& accounts,
                           const std::function<bool(const std::string&)>& run, const CapturingView& console,
                           AccountView& screen) {
  if (!accounts.wmicInstalled()) {
    if (!accounts.setPasswordNeverExpires(name)) screen.AddLogLine(kExpiryError);
    return;
  }
  if (!run(NoExpiryCommand(name))) screen.AddLogLine(kExpiryError);
  JudgeNoExpiry(console, screen);
}

}  // namespace

const char* AccountNameRefusal(const std::string& name) {
  if (!IsValidAccountName(name)) return kInvalidAccountNameMessage;
  if (!ConsoleCodePageHolds(name)) return kUnsupportedAccountNameMessage;
  return nullptr;
}

bool IsValidAccountName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (IsRefusedCharacter(c)) return false;
  }
  return true;
}

bool CreateUserAccount(const std::string& name, bool giveAdmin, const LocalAccounts& accounts, AccountView& view,
                       std::string& batchFilePath, std::string& resultFilePath,
                       const CommandRunnerSettings& settings) {
  if (const char* refusal = AccountNameRefusal(name)) {
    view.ShowMessage(refusal);
    return false;
  }
  CapturingView console(view);
  auto run = [&](const std::string& command) {
    return RunConsoleCommand(command, console, batchFilePath, resultFilePath, settings);
  };

  if (!run(CreateCommand(name))) {
    view.ShowMessage("Error creating new user account, aborting!");
    return false;
  }
  view.SetAccountStatus(NetStatus(console, "User NOT added, maybe because it already existed?"));

  DisablePasswordExpiry(name, accounts, run, console, view);

  if (!giveAdmin) return true;
  view.ShowAdminStatus();
  if (!run(AdminCommand(name, accounts.administratorsGroupName()))) {
    view.ShowMessage("Error giving ADMIN, we will continue anyway");
  }
  view.SetAdminStatus(NetStatus(console, "User NOT given admin, maybe because they already had admin?"));
  return true;
}

}  // namespace ferrowin
