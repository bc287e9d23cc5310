#include "console/destination_name.h"

#include "console/account.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

const char* const kReservedProfileMessage =
    "This name belongs to a folder that Windows keeps for itself in c:\\users (the template that every new "
    "profile is made from, or a link to it), not to a user. Please choose another name.";

const char* const kTrailingFullStopMessage =
    "A user name cannot end with a full stop: Windows drops it from folder names, so the data would go into the "
    "profile of the name without it. Please choose another name.";

const char* const kBuiltInAccountMessage =
    "This is one of the accounts built into Windows (such as Guest), not a person's account: it must not "
    "receive a user's data or rights. Please choose another name.";

const char* const kNameTooLongMessage =
    "A user name can have at most 20 characters; Windows cannot create a longer one. Please choose a shorter "
    "name.";

const char* const kDeviceNameMessage =
    "This name is reserved by Windows for a device, so no folder can carry it. Please choose another name.";

namespace {

// The computer's name as Windows puts it after a profile's name when that
// name is taken: its NetBIOS name.
std::string ComputerNameForProfiles() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return "COMPUTERNAME";
  return Narrow(std::wstring_view(name, length));
}

// The accounts Windows makes for itself: Guest, DefaultAccount and
// WDAGUtilityAccount, known by their relative IDs; their names differ from
// one language to another.
constexpr unsigned long kBuiltInAccountIds[] = {501, 503, 504};

bool IsWindowsOwnProfileFolder(const std::string& name, const std::string& usersFolder) {
  for (const char* reserved : {"Default", "Default User", "All Users"}) {
    if (SameText(name, reserved)) return true;
  }
  // Windows hides the folders under c:\users that are no one's profile.
  for (const DirEntry& entry : DirSearch(usersFolder + "\\*", kAllEntriesMask)) {
    if (entry.IsDotEntry() || !entry.IsDirectory() || !(entry.attributes & FILE_ATTRIBUTE_HIDDEN)) continue;
    if (SameText(name, entry.name)) return true;
  }
  return false;
}

bool IsBuiltInAccount(const std::string& name, const LocalAccounts& accounts) {
  for (unsigned long id : kBuiltInAccountIds) {
    const std::string builtIn = accounts.builtInAccountName(id);
    if (!builtIn.empty() && SameText(name, builtIn)) return true;
  }
  return false;
}

}  // namespace

std::string DestinationNameRefusal(const std::string& name, bool typed, const LocalAccounts& accounts,
                                   const std::string& usersFolder) {
  if (std::string refusal = AccountNameRefusal(name); !refusal.empty()) return refusal;
  if (typed && Widen(name).size() > kLongestAccountName) return kNameTooLongMessage;
  if (name.back() == '.') return kTrailingFullStopMessage;
  if (IsDeviceName(name)) return kDeviceNameMessage;
  if (IsWindowsOwnProfileFolder(name, usersFolder)) return kReservedProfileMessage;
  if (IsBuiltInAccount(name, accounts)) return kBuiltInAccountMessage;
  return {};
}

std::string RecordedProfileFolderOf(const std::string& name, const LocalAccounts& accounts,
                                    const std::string& usersFolder) {
  const std::string folder = RecordedProfileFolder(accounts.accountSid(name));
  const std::string prefix = usersFolder + "\\";
  if (folder.size() <= prefix.size() || !SameText(folder.substr(0, prefix.size()), prefix)) return {};
  const std::string leaf = folder.substr(prefix.size());
  if (leaf.find('\\') != std::string::npos || leaf.find('/') != std::string::npos || leaf == "." || leaf == "..") return {};
  return folder;
}

std::string ProfileFolderRefusal(const std::string& name, const std::string& folder, const std::string& source,
                                 const std::string& usersFolder) {
  if (SameFolder(folder, source)) {
    return "The profile folder of " + name + " is " + folder +
           ", the old profile itself: the data cannot be carried into the folder it comes from. Please choose "
           "another destination.";
  }
  const size_t slash = folder.find_last_of('\\');
  const std::string leaf = slash == std::string::npos ? folder : folder.substr(slash + 1);
  if (SameText(leaf, "Public") || IsDeviceName(leaf) || IsWindowsOwnProfileFolder(leaf, usersFolder)) {
    return "Windows records " + folder + " as the profile folder of " + name +
           ", but that folder is not a user's profile (it is shared by every account, or the template that every "
           "new profile is made from): the data must not go there. Please choose another destination.";
  }
  return {};
}

std::string TypedNameFolderRefusal(const std::string& name, const LocalAccounts& accounts,
                                   const std::string& usersFolder) {
  const std::string folder = JoinPath(usersFolder, name);
  const PathFacts there = LookAt(folder);
  if (there.exists && !there.IsDirectory()) return folder + " is a file, not a profile folder. Please choose another name.";
  if (!there.exists || !RecordedProfileFolderOf(name, accounts, usersFolder).empty()) return {};
  if (ProfileRecordedAt(folder)) return {};
  return folder + " already exists but belongs to no account. Windows would give the account another folder (such as " +
         name + "." + ComputerNameForProfiles() + ") at its first sign-in, and the data would not be seen there. " +
         "Rename or remove the old folder first, or choose it from the list of existing profiles to put the data into " +
         "it.";
}

}  // namespace ferrowin
