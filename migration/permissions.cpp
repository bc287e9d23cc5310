#include "migration/permissions.h"

#include <shellapi.h>

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

std::string PermissionResetParameters(const std::string& folder) {
  return "\"" + folder + "\"" + "  /reset /t /c /l /q";
}

void ResetPermissions(const std::string& folder, HWND owner,
                      const std::function<void(const std::string& line)>& addLogLine) {
  // By its full path: the shell would look for a bare "icacls" in the
  // program's own folder first. Not waited for: the resets run on by
  // themselves while the program finishes.
  const std::string icacls = SystemFolder() + "\\icacls.exe";
  auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", Widen(icacls).c_str(),
                                                         Widen(PermissionResetParameters(folder)).c_str(), nullptr,
                                                         SW_MINIMIZE));
  if (started > 32) return;
  addLogLine("ERROR: while resetting permissions on " + folder + " - " + std::to_string(started));
}

}  // namespace ferrowin
