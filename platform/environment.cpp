#include "platform/environment.h"

#include <windows.h>

#include <iterator>

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

std::optional<std::uint32_t> ReadWindowsMajorVersion() {
  OSVERSIONINFOA info{};
  static_assert(sizeof info == 148);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return std::nullopt;
#pragma GCC diagnostic pop
  return info.dwMajorVersion;
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

EnvironmentProbe SystemEnvironment() {
  return {.readWindowsVersion = ReadWindowsMajorVersion,
          .probeAdminRights = [] { return ProbeAdminRights(JoinPath(kUsersFolder, "test.txt")); }};
}

EnvironmentFacts::Refusal EnvironmentFacts::Refused() const {
  if (majorVersion != 6u) return Refusal::WrongWindows;
  return isAdmin ? Refusal::None : Refusal::NotAdmin;
}

EnvironmentFacts CheckEnvironment(const EnvironmentProbe& probe) {
  EnvironmentFacts facts{.majorVersion = probe.readWindowsVersion()};
  if (facts.majorVersion) facts.isAdmin = probe.probeAdminRights();
  return facts;
}

std::string WindowsVersionText() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  FARPROC address = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(address));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return "Windows (version unknown)";
  std::string text = "Windows " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                     " build " + std::to_string(info.dwBuildNumber);
  info.szCSDVersion[std::size(info.szCSDVersion) - 1] = L'\0';
  if (info.szCSDVersion[0]) text.append(" ").append(Narrow(info.szCSDVersion));  // "Service Pack 1"
  return text;
}

std::string ComputerName() {
  for (COMPUTER_NAME_FORMAT format : {ComputerNameDnsHostname, ComputerNameNetBIOS}) {
    DWORD size = 0;
    GetComputerNameExW(format, nullptr, &size);
    if (size == 0) continue;
    std::wstring name(size, L'\0');
    if (!GetComputerNameExW(format, name.data(), &size)) continue;
    name.resize(size);
    if (!name.empty()) return Narrow(name);
  }
  return {};
}

// Windows 7 without its loader update refuses the flag; the full path with
// the altered search keeps the DLL's dependencies in the system folder too.
UniqueModule LoadSystemLibrary(const std::string& name) {
  if (HMODULE module = LoadLibraryExW(Widen(name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return UniqueModule(module);
  }
  if (GetLastError() != ERROR_INVALID_PARAMETER) return {};
  const std::wstring path = Widen(JoinPath(SystemFolder(), name));
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

std::string TemporaryFolder() {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD length = GetTempPathW(static_cast<DWORD>(path.size()), path.data());
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    path.resize(length + 1);  // longer than the buffer: try again with the size it asked for
  }
}

}  // namespace ferrowin
