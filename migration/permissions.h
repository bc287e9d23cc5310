// Resetting the permissions of moved folders to the inherited ones, with the
// system's icacls tool, started and not waited for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ferrowin {

// The data folders reset after a move, relative to the new profile, in
// order. Under AppData only the folders the move carried are reset, never
// AppData\Local or AppData\Roaming as a whole: the Windows apps the new user
// has by then (Start, Settings, Photos) need their own permissions there.
inline constexpr const char* kPermissionDataFolders[] = {
    "\\Contacts", "\\Desktop", "\\Documents", "\\Downloads", "\\Favorites", "\\Music", "\\Pictures", "\\Videos",
};

// The icacls parameters for one folder.
std::string PermissionResetParameters(const std::string& folder);

// Starts the system folder's icacls for one folder; a failure to start it
// becomes a log line.
void ResetPermissions(const std::string& folder, HWND owner,
                      const std::function<void(const std::string& line)>& addLogLine);

}  // namespace ferrowin
