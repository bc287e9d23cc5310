// What the program asks Windows about its local accounts. Tests put their
// own answers here.
#pragma once

#include <functional>
#include <string>

namespace ferrowin {

struct LocalAccounts {
  // The name of the account whose SID is this machine's account domain SID
  // with `relativeId` appended (500 Administrator, 501 Guest, in the
  // system's language); empty when it does not resolve.
  std::function<std::string(unsigned long relativeId)> builtInAccountName;
  // True when a local account of this name exists on this machine.
  std::function<bool(const std::string& name)> localAccountExists;
  // The local Administrators group (S-1-5-32-544) by its name in the
  // system's language; empty when the lookup fails.
  std::function<std::string()> administratorsGroupName;
  // Adds "password never expires" to the account's flags, keeping the others.
  std::function<bool(const std::string& name)> setPasswordNeverExpires;
  // True when wmic is where Windows keeps it; recent Windows 11 lacks it.
  std::function<bool()> wmicInstalled;
  // The SID ("S-1-5-21-...") of the local account of this name; empty when
  // there is none.
  std::function<std::string(const std::string& name)> accountSid;
};

LocalAccounts SystemLocalAccounts();

// Where Windows keeps, for every account that has signed in, the folder of
// its profile: a key per SID, with the value ProfileImagePath.
inline constexpr const wchar_t* kProfileListKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The profile folder Windows recorded for the SID at the account's first
// sign-in, environment variables expanded and without a trailing
// backslash; empty when it has none (the account never signed in) or the
// entry cannot be read.
std::string RecordedProfileFolder(const std::string& sid);

// True when the profile of some account is recorded as `folder` (compared
// without regard to case).
bool ProfileRecordedAt(const std::string& folder);

// Where the console tools are, by their full paths: a bare name would be
// searched for in the working folder first.
std::string NetPath();
std::string WmicPath();

}  // namespace ferrowin
