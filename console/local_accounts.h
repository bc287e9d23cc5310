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
};

LocalAccounts SystemLocalAccounts();

// Where the console tools are, by their full paths: a bare name would be
// searched for in the working folder first.
std::string NetPath();
std::string WmicPath();

}  // namespace ferrowin
