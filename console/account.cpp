// PLACEHOLDER: account provisioning is being built.
#include "console/account.h"

namespace ferrowin {

const char* const kInvalidAccountNameMessage = "";
bool IsValidAccountName(std::string_view) { return false; }
bool CreateUserAccount(const std::string&, bool, AccountView&, std::string&, std::string&,
                       const CommandRunnerSettings&) {
  return false;
}

}  // namespace ferrowin
