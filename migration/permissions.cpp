// PLACEHOLDER: the permission reset is being built.
#include "migration/permissions.h"

namespace ferrowin {

std::string PermissionResetParameters(const std::string&) { return {}; }
void ResetPermissions(const std::string&, HWND, const std::function<void(const std::string&)>&) {}

}  // namespace ferrowin
