// The answers about local accounts as the system gives them: Wine answers
// the same calls as Windows, with its own accounts.
#include "console/local_accounts.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/console_tools.h"

namespace ferrowin {
namespace {

constexpr const char* kMadeUpName = "Ferrowin Nobody 7Q";

std::string SignedInUser() {
  wchar_t name[257] = {};
  DWORD length = 257;
  if (!GetUserNameW(name, &length)) return {};
  return Narrow(name);
}

TEST(SystemLocalAccounts, NamesTheBuiltInAccountsAndTheAdministratorsGroupFromTheirSids) {
  const LocalAccounts accounts = SystemLocalAccounts();
  EXPECT_EQ(accounts.builtInAccountName(500), "Administrator");
  EXPECT_EQ(accounts.builtInAccountName(501), "Guest");
  EXPECT_EQ(accounts.builtInAccountName(503), "");  // Wine has no DefaultAccount
  EXPECT_EQ(accounts.administratorsGroupName(), "Administrators");
}

TEST(SystemLocalAccounts, AnAccountThatDoesNotExistIsNeitherFoundNorChanged) {
  const LocalAccounts accounts = SystemLocalAccounts();
  const std::string user = SignedInUser();
  ASSERT_FALSE(user.empty());
  EXPECT_TRUE(accounts.localAccountExists(user));
  EXPECT_FALSE(accounts.localAccountExists(kMadeUpName));
  EXPECT_FALSE(accounts.setPasswordNeverExpires(kMadeUpName));
}

TEST(SystemLocalAccounts, LooksForWmicWhereWindowsKeepsIt) {
  const LocalAccounts accounts = SystemLocalAccounts();
  EXPECT_TRUE(accounts.wmicInstalled());
  test::HiddenSystemTool wmic("wbem\\wmic");
  ASSERT_TRUE(wmic.Ok());
  EXPECT_FALSE(accounts.wmicInstalled());
}

}  // namespace
}  // namespace ferrowin
