#include "tests/support/console_tools.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_copy.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin::test {

namespace {

// Where each stand-in is: where Windows keeps the tool.
constexpr const char* kSystemTools[] = {"net.exe", "icacls.exe", "wbem\\wmic.exe"};

std::string FileName(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

bool IsStandinInPlace(const std::string& relativePath) {
  std::string standin;
  std::string present;
  return ReadFileBytes(StandinFolder() + "\\" + FileName(relativePath), standin) &&
         ReadFileBytes(SystemFolder() + "\\" + relativePath, present) && present == standin;
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

ConsoleTools::ConsoleTools() : record_("FERROWIN_STANDIN_RECORD", folder_ / "record.txt") {
  // scripts/lib/wine-run, through which ctest starts every test, puts them there.
  for (const char* tool : kSystemTools) {
    if (!IsStandinInPlace(tool)) ADD_FAILURE() << "The system folder's " << tool << " is not the stand-in.";
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
  (void)ReadFileBytes(folder_ / "record.txt", bytes);
  return SplitLines(bytes);
}

bool ConsoleTools::WaitForRecords(size_t count, int timeoutMs) const {
  return WaitUntil([&] { return Records().size() >= count; }, timeoutMs);
}

PlantedLookAlikes::PlantedLookAlikes(const std::vector<std::string>& folders)
    : record_("FERROWIN_LOOKALIKE_RECORD", folder_ / "trace.txt") {
  const std::string lookAlike = ProgramFolder() + "\\ferrowin_lookalike.exe";
  WholeFileCopier copier;
  for (std::string folder : folders) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    for (const char* tool : {"net.exe", "wmic.exe", "icacls.exe"}) {
      planted_.push_back(folder + "\\" + tool);
      ok_ = copier.CopyReplacing(lookAlike, planted_.back()) && ok_;
    }
    planted_.push_back(folder + "\\net.bat");
    ok_ = WriteFileBytes(planted_.back(), "@echo net.bat %*>> \"" + (folder_ / "trace.txt") + "\"\r\n") && ok_;
  }
}

PlantedLookAlikes::~PlantedLookAlikes() {
  // A program that still runs cannot be deleted.
  for (const std::string& path : planted_) WaitUntil([&] { return DeletePath(path) || !PathExists(path); });
}

std::vector<std::string> PlantedLookAlikes::Trace() const {
  std::string bytes;
  (void)ReadFileBytes(folder_ / "trace.txt", bytes);
  return SplitLines(bytes);
}

HiddenSystemTool::HiddenSystemTool(std::string_view tool)
    : path_(SystemFolder() + "\\" + std::string(tool) + ".exe"), hiddenPath_(path_ + ".hidden-by-test") {
  // wine-run may have put a new stand-in in the place of one left hidden.
  if (PathExists(hiddenPath_) && PathExists(path_)) (void)DeletePath(hiddenPath_);
  if (PathExists(hiddenPath_)) (void)MoveEntry(hiddenPath_, path_);
  moved_ = PathExists(path_) && MoveEntry(path_, hiddenPath_);
  ok_ = !PathExists(path_);
}

HiddenSystemTool::~HiddenSystemTool() {
  if (moved_) (void)MoveEntry(hiddenPath_, path_);
}

HeldFile::HeldFile(const std::string& path) {
  std::wstring command = L"\"" + Widen(ProgramFolder() + "\\ferrowin_file_holder.exe\" \"" + path) + L"\"";
  STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      process_.Receive())) {
    return;
  }
  // Held once this process is refused even with every sharing mode.
  held_ = WaitUntil([&] {
    const DWORD everyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const UniqueFileHandle file(
        CreateFileW(Win32Path(path).c_str(), GENERIC_READ, everyShare, nullptr, OPEN_EXISTING, 0, nullptr));
    return !file && GetLastError() == ERROR_SHARING_VIOLATION;
  }, 20000);
}

void HeldFile::Release() {
  if (!process_.Process()) return;
  TerminateProcess(process_.Process(), 0);
  WaitForSingleObject(process_.Process(), 20000);
  process_.Reset();
  held_ = false;
}

}  // namespace ferrowin::test
