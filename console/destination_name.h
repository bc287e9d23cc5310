// Which names may stand for the destination: the account the commands make
// or use, and the folder c:\users\NAME the data goes into. A wrong name here
// would pour one person's files into another's profile, into the template
// every new profile is made from, or make a built-in account an administrator.
#pragma once

#include <string>

#include "console/local_accounts.h"
#include "platform/files.h"

namespace ferrowin {

extern const char* const kReservedProfileMessage;
extern const char* const kTrailingFullStopMessage;
extern const char* const kBuiltInAccountMessage;
extern const char* const kNameTooLongMessage;
extern const char* const kDeviceNameMessage;

// Windows cannot make an account whose name is longer (in UTF-16 units).
inline constexpr size_t kLongestAccountName = 20;

// Why `name` (trimmed) cannot be the destination, or empty when it can.
// `typed`: typed by the user, not chosen from the list of existing profiles.
// "Public" is not judged here: it is no account.
std::string DestinationNameRefusal(const std::string& name, bool typed, const LocalAccounts& accounts,
                                   const std::string& usersFolder = kUsersFolder);

// The profile folder Windows recorded for the local account of this name, if
// it has signed in, without a trailing backslash; empty when there is none.
// A recorded folder that is not directly under the users folder is no
// profile this program carries into, and counts as none.
std::string RecordedProfileFolderOf(const std::string& name, const LocalAccounts& accounts,
                                    const std::string& usersFolder = kUsersFolder);

// Why `folder`, the profile folder that the destination NAME's data would go
// into, cannot receive the data of the old profile `source`, or empty when
// it can: it is the old profile itself, or a folder that is no user's
// (Public, the Default template, a device name).
std::string ProfileFolderRefusal(const std::string& name, const std::string& folder, const std::string& source,
                                 const std::string& usersFolder = kUsersFolder);

// Why the data cannot go into USERS\NAME for a typed name, or empty when it
// can: a file stands there, or a folder that no account's profile is (left
// over from a deleted account): Windows would give the account another folder
// at its first sign-in, and the data would not be seen there.
std::string TypedNameFolderRefusal(const std::string& name, const LocalAccounts& accounts,
                                   const std::string& usersFolder = kUsersFolder);

}  // namespace ferrowin
