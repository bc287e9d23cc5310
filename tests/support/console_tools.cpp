#include "tests/support/console_tools.h"

#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin::test {

namespace {

// icacls is found through the program's own folder, not the PATH.
constexpr const char* kPathTools[] = {"net", "wmic"};

std::string SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return Narrow(folder);
}

}  // namespace

std::optional<std::string> EnvironmentValue(std::string_view name) {
  std::wstring wideName = Widen(name);
  DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(wideName.c_str(), value.data(), size));
  return Narrow(value);
}

ScopedEnvironment::ScopedEnvironment(std::string_view name, std::string_view value)
    : name_(name), previous_(EnvironmentValue(name)) {
  SetEnvironmentVariableW(Widen(name_).c_str(), Widen(value).c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironmentVariableW(Widen(name_).c_str(), previous_ ? Widen(*previous_).c_str() : nullptr);
}

ScopedTempDirectory::ScopedTempDirectory(const TestFolder& parent, const std::string& name)
    : path_(parent / name + "\\"), tmp_("TMP", path_), temp_("TEMP", path_) {
  MakeDirs(parent / name);
}

std::string ProgramFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  // Wine names a program started from a host path "unix\..." (its NT name
  // without "\??\"); the file calls take it as "\\?\unix\...".
  if (path.starts_with(L"unix\\")) path = L"\\\\?\\" + path;
  return Narrow(path.substr(0, path.find_last_of(L'\\')));
}

std::string StandinFolder() { return ProgramFolder() + "\\standins"; }

std::string ArgumentsOf(std::string_view commandLine) {
  size_t end = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    end = commandLine.find('"', 1);
    end = end == std::string_view::npos ? commandLine.size() : end + 1;
  } else {
    end = std::min(commandLine.find(' '), commandLine.size());
  }
  if (end < commandLine.size() && commandLine[end] == ' ') ++end;
  return std::string(commandLine.substr(end));
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    Sleep(20);
  }
  return true;
}

ConsoleTools::ConsoleTools()
    : record_("FERROWIN_STANDIN_RECORD", folder_ / "record.txt"),
      path_("PATH", folder_ / "tools" + ";" + EnvironmentValue("PATH").value_or("")) {
  MakeDirs(ToolsFolder());
  for (const char* tool : kPathTools) {
    std::string name = std::string(tool) + ".exe";
    CopyReplacingFile(StandinFolder() + "\\" + name, ToolsFolder() + "\\" + name);
  }
}

ConsoleTools::~ConsoleTools() {
  for (const std::string& variable : behaviourVariables_) SetEnvironmentVariableW(Widen(variable).c_str(), nullptr);
}

void ConsoleTools::Behave(std::string_view key, std::string_view behaviour) {
  std::string variable = "FERROWIN_STANDIN_" + UpperCase(key);
  SetEnvironmentVariableW(Widen(variable).c_str(), Widen(behaviour).c_str());
  behaviourVariables_.push_back(variable);
}

std::vector<std::string> ConsoleTools::Records() const {
  std::string bytes;
  ReadFileBytes(folder_ / "record.txt", bytes);
  return SplitLines(bytes);
}

bool ConsoleTools::WaitForRecords(size_t count, int timeoutMs) const {
  return WaitUntil([&] { return Records().size() >= count; }, timeoutMs);
}

ToolBesideProgram::ToolBesideProgram(std::string_view tool)
    : path_(ProgramFolder() + "\\" + std::string(tool) + ".exe"),
      ok_(CopyReplacingFile(StandinFolder() + "\\" + std::string(tool) + ".exe", path_)) {}

ToolBesideProgram::~ToolBesideProgram() {
  // A program that still runs cannot be deleted.
  WaitUntil([&] { return DeletePath(path_) || !PathExists(path_); });
}

HiddenSystemTool::HiddenSystemTool(std::string_view tool)
    : path_(SystemFolder() + "\\" + std::string(tool) + ".exe"), hiddenPath_(path_ + ".hidden-by-test") {
  if (!PathExists(path_) && PathExists(hiddenPath_)) MoveEntry(hiddenPath_, path_);
  moved_ = PathExists(path_) && MoveEntry(path_, hiddenPath_);
  ok_ = !PathExists(path_);
}

HiddenSystemTool::~HiddenSystemTool() {
  if (moved_) MoveEntry(hiddenPath_, path_);
}

}  // namespace ferrowin::test
