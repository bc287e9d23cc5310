#include "migration/permissions.h"

#include <shellapi.h>

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

std::string PermissionResetParameters(const std::string& folder) {
  return Quoted(folder) + "  /reset /t /c /l /q";
}

void ResetPermissions(const std::string& folder, PermissionView& view) {
  // By its full path: the shell would look for a bare "icacls" in the
  // program's own folder first. Not waited for: the resets run on by
  // themselves while the program finishes.
  const std::string icacls = JoinPath(SystemFolder(), "icacls.exe");
  auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(view.Owner(), L"open", Widen(icacls).c_str(),
                                                         Widen(PermissionResetParameters(folder)).c_str(), nullptr,
                                                         SW_MINIMIZE));
  if (started > 32) return;
  view.AddLogLine("ERROR: while resetting permissions on " + folder + " - " + std::to_string(started));
}

}  // namespace ferrowin
