// Creating the destination account with the system's own console commands:
// the account itself, no expiry of its password, and optionally membership of
// the local Administrators group.
#pragma once

#include <string>
#include <string_view>

#include "console/command_runner.h"
#include "console/local_accounts.h"

namespace ferrowin {

// What account provisioning needs of the window besides the command output.
class AccountView : public ConsoleView {
 public:
  // What the user must be told (a message box).
  virtual void ShowMessage(const std::string& text) = 0;
  // "Create New User Account" status (lblMagic1).
  virtual void SetAccountStatus(const std::string& text) = 0;
  // "Make Admin" status (lblMagic11).
  virtual void ShowAdminStatus() = 0;
  virtual void SetAdminStatus(const std::string& text) = 0;
  // A line of the migration log (memoRecovery).
  virtual void AddLogLine(const std::string& line) = 0;
};

// Why a name is refused, shown before any command runs.
extern const char* const kInvalidAccountNameMessage;
// Why a name is refused whose letters the console's code page cannot hold:
// the commands would create an account of another name.
extern const char* const kUnsupportedAccountNameMessage;

// False for a name Windows does not allow for an account: empty, or holding
// " / \ [ ] : ; | = , + * ? < > or a control character.
bool IsValidAccountName(std::string_view name);

// Why the account commands cannot take this name, or empty when they can.
std::string AccountNameRefusal(const std::string& name);

struct AccountCreation {
  // False only when the account could not be created at all (refused name,
  // the create command timed out, a command's output unreadable); the user
  // has been told in a message box.
  bool created = false;
  // The console commands' files, as the last of them named them.
  CommandFiles commandFiles;
};

// Runs the account commands for `name` (already trimmed), each tool by its
// full path in the system folder.
AccountCreation CreateUserAccount(const std::string& name, bool giveAdmin, const LocalAccounts& accounts,
                                  AccountView& view, const CommandRunnerSettings& settings = {});

}  // namespace ferrowin
