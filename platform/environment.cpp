#include "platform/environment.h"

#include <windows.h>

#include "platform/files.h"

namespace ferrowin {

bool ReadWindowsMajorVersion(std::uint32_t& majorVersion) {
  OSVERSIONINFOA info{};
  static_assert(sizeof info == 148);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  majorVersion = info.dwMajorVersion;
  return true;
}

bool ProbeAdminRights(std::string_view probePath) {
  const std::wstring path = Win32Path(probePath);
  {
    UniqueFileHandle probe(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) return false;
  }
  return DeleteFileW(path.c_str()) != 0;
}

}  // namespace ferrowin
