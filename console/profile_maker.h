// Making a new account's profile without a sign-in: Windows' CreateProfile
// builds the folder from the Default profile and records it in ProfileList,
// as the first sign-in would. Tests put their own maker here (Wine has none).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ferrowin {

struct MadeProfile {
  enum class Outcome {
    Unavailable,  // this Windows offers no way to make one (Wine's userenv has no CreateProfile)
    Made,
    AlreadyThere,  // the account has a profile already
    Failed,
  };
  Outcome outcome = Outcome::Unavailable;
  std::string folder;     // Made: the folder Windows says it made
  HRESULT result = S_OK;  // Failed: why

  // The system's own words for `result`, without a closing full stop.
  std::string Reason() const;
};

// Makes the profile of the account with this SID (empty when the account
// was not found), its folder named after `name`.
using ProfileMaker = std::function<MadeProfile(const std::string& sid, const std::string& name)>;

// CreateProfile from userenv.dll, loaded from the system folder only.
ProfileMaker SystemProfileMaker();

}  // namespace ferrowin
