#include "console/local_accounts.h"

#include <windows.h>
#include <lm.h>
#include <sddl.h>
#include <ntsecapi.h>

#include <iterator>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

// The account's name without its domain; empty when the SID does not resolve.
std::string AccountNameOf(PSID sid) {
  DWORD nameLength = 0;
  DWORD domainLength = 0;
  SID_NAME_USE use;
  LookupAccountSidW(nullptr, sid, nullptr, &nameLength, nullptr, &domainLength, &use);
  if (nameLength == 0) return {};
  std::wstring name(nameLength, L'\0');
  std::wstring domain(domainLength, L'\0');
  if (!LookupAccountSidW(nullptr, sid, name.data(), &nameLength, domain.data(), &domainLength, &use)) return {};
  name.resize(nameLength);
  return Narrow(name);
}

// The domain of the machine's own accounts (not the network domain it may
// have joined), as a SID with `relativeId` appended; empty on failure.
std::vector<BYTE> AccountDomainSidWith(unsigned long relativeId) {
  LSA_OBJECT_ATTRIBUTES attributes{};
  LSA_HANDLE opened = nullptr;
  if (LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &opened) != 0) return {};
  UniqueLsaPolicy policy(opened);
  void* queried = nullptr;
  if (LsaQueryInformationPolicy(policy.Get(), PolicyAccountDomainInformation, &queried) != 0) return {};
  const UniqueLsaMemory information(queried);

  PSID domain = static_cast<POLICY_ACCOUNT_DOMAIN_INFO*>(queried)->DomainSid;
  if (!domain || !IsValidSid(domain)) return {};
  const UCHAR count = *GetSidSubAuthorityCount(domain);
  if (count >= SID_MAX_SUB_AUTHORITIES) return {};
  std::vector<BYTE> sid(GetSidLengthRequired(static_cast<UCHAR>(count + 1)));
  if (!InitializeSid(sid.data(), GetSidIdentifierAuthority(domain), static_cast<BYTE>(count + 1))) return {};
  for (UCHAR i = 0; i < count; ++i) *GetSidSubAuthority(sid.data(), i) = *GetSidSubAuthority(domain, i);
  *GetSidSubAuthority(sid.data(), count) = relativeId;
  return sid;
}

std::string BuiltInAccountName(unsigned long relativeId) {
  std::vector<BYTE> sid = AccountDomainSidWith(relativeId);
  if (sid.empty()) return {};
  return AccountNameOf(sid.data());
}

// Asks the account database itself: a lookup by name would also find groups
// and accounts of a network domain.
bool LocalAccountExists(const std::string& name) {
  LPBYTE raw = nullptr;
  NET_API_STATUS status = NetUserGetInfo(nullptr, Widen(name).c_str(), 0, &raw);
  const UniqueNetBuffer info(raw);
  return status == NERR_Success;
}

// S-1-5-32-544: the SID is the same on every Windows, the name is translated.
std::string AdministratorsGroupName() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return {};
  return AccountNameOf(sid);
}

bool SetPasswordNeverExpires(const std::string& name) {
  const std::wstring wideName = Widen(name);
  LPBYTE raw = nullptr;
  NET_API_STATUS status = NetUserGetInfo(nullptr, wideName.c_str(), 1, &raw);
  const UniqueNetBuffer info(raw);
  if (status != NERR_Success || !info) return false;
  USER_INFO_1008 flags{reinterpret_cast<const USER_INFO_1*>(info.Get())->usri1_flags | UF_DONT_EXPIRE_PASSWD};
  return NetUserSetInfo(nullptr, wideName.c_str(), 1008, reinterpret_cast<LPBYTE>(&flags), nullptr) == NERR_Success;
}

bool WmicInstalled() { return PathIsFile(WmicPath()); }

std::string AccountSid(const std::string& name) {
  const std::wstring wideName = Widen(name);
  DWORD sidSize = 0;
  DWORD domainSize = 0;
  SID_NAME_USE use;
  LookupAccountNameW(nullptr, wideName.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
  if (sidSize == 0) return {};
  std::vector<BYTE> sid(sidSize);
  std::wstring domain(domainSize, L'\0');
  if (!LookupAccountNameW(nullptr, wideName.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use) ||
      use != SidTypeUser) {
    return {};
  }
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid.data(), &text)) return {};
  const UniqueLocalMemory owned(text);
  return Narrow(text);
}

UniqueRegistryKey OpenProfileList(const std::wstring& subKey = {}) {
  std::wstring path = kProfileListKey;
  if (!subKey.empty()) path += L"\\" + subKey;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return {};
  }
  return UniqueRegistryKey(key);
}

// A profile entry's folder, read as data that may be anything: only a text
// of a sane length counts.
std::string ProfileImagePath(HKEY entry) {
  wchar_t value[1024];
  DWORD size = sizeof value;
  if (RegGetValueW(entry, nullptr, L"ProfileImagePath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t expanded[1024];
  const DWORD length = ExpandEnvironmentStringsW(value, expanded, static_cast<DWORD>(std::size(expanded)));
  if (length == 0 || length > std::size(expanded)) return {};
  std::string folder = Narrow(expanded);
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

LocalAccounts SystemLocalAccounts() {
  return {.builtInAccountName = BuiltInAccountName,
          .localAccountExists = LocalAccountExists,
          .administratorsGroupName = AdministratorsGroupName,
          .setPasswordNeverExpires = SetPasswordNeverExpires,
          .wmicInstalled = WmicInstalled,
          .accountSid = AccountSid};
}

std::string RecordedProfileFolder(const std::string& sid) {
  if (sid.empty() || sid.find('\\') != std::string::npos) return {};
  UniqueRegistryKey entry = OpenProfileList(Widen(sid));
  return entry ? ProfileImagePath(entry.Get()) : std::string();
}

bool ProfileRecordedAt(const std::string& folder) {
  UniqueRegistryKey list = OpenProfileList();
  if (!list) return false;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(std::size(name));
    const LSTATUS status = RegEnumKeyExW(list.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return false;
    if (status != ERROR_SUCCESS) continue;  // a name too long for any SID
    HKEY opened = nullptr;
    if (RegOpenKeyExW(list.Get(), name, 0, KEY_READ | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) continue;
    UniqueRegistryKey entry(opened);
    if (SameText(ProfileImagePath(entry.Get()), folder)) return true;
  }
}

std::string NetPath() { return JoinPath(SystemFolder(), "net.exe"); }

std::string WmicPath() { return JoinPath(SystemFolder(), "wbem\\wmic.exe"); }

}  // namespace ferrowin
