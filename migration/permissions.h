// Resetting the permissions of moved folders to the inherited ones, with the
// system's icacls tool, started and not waited for.
#pragma once

#include <windows.h>

#include <string>

namespace ferrowin {

// What the permission reset needs of the window.
class PermissionView {
 public:
  virtual ~PermissionView() = default;
  // The window that owns the started processes.
  virtual HWND Owner() const = 0;
  // A line of the migration log (memoRecovery).
  virtual void AddLogLine(const std::string& line) = 0;
};

// The icacls parameters for one folder.
std::string PermissionResetParameters(const std::string& folder);

// Starts the system folder's icacls for one folder; a failure to start it
// becomes a log line.
void ResetPermissions(const std::string& folder, PermissionView& view);

}  // namespace ferrowin
