// Which names may stand for the destination: the account the commands make
// or use, and the folder c:\users\NAME the data goes into. A wrong name here
// would pour one person's files into another's profile, into the template
// every new profile is made from, or make a built-in account an administrator.
#pragma once

#include <string>

#include "console/local_accounts.h"

namespace ferrowin {

extern const char* const kReservedProfileMessage;
extern const char* const kTrailingFullStopMessage;
extern const char* const kBuiltInAccountMessage;
extern const char* const kNameTooLongMessage;

// Windows cannot make an account whose name is longer (in UTF-16 units).
inline constexpr size_t kLongestAccountName = 20;

// Why `name` (trimmed) cannot be the destination, or null when it can.
// `typed`: typed by the user, not chosen from the list of existing profiles.
// "Public" is not judged here: it is no account.
const char* DestinationNameRefusal(const std::string& name, bool typed, const LocalAccounts& accounts,
                                   const std::string& usersFolder = "c:\\users");

}  // namespace ferrowin
