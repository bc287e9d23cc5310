#include "migration/log_file.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// With the date, both names and a counter, a file name stays within the 255
// UTF-16 units NTFS allows.
constexpr size_t kNameUnits = 100;
constexpr int kMostCopies = 1000;

std::string EnvironmentText(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  if (value.empty()) return {};
  value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return Narrow(value);
}

// Makes a folder and every missing level above it. Levels that cannot be made
// but exist (a drive's root, a share) are no obstacle, so only the result
// counts: ERROR_SUCCESS, or the last failure on the way.
DWORD MakeFolders(const std::string& folder) {
  std::vector<std::string> missing;
  for (std::string level = folder; !level.empty() && !PathIsDirectory(level);) {
    missing.push_back(level);
    size_t slash = level.find_last_of('\\');
    if (slash == std::string::npos) break;
    level.resize(slash);
  }
  DWORD error = ERROR_PATH_NOT_FOUND;
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (Win32Result made = MakeDirectory(*level); !made) error = made.Error();
  }
  return PathIsDirectory(folder) ? ERROR_SUCCESS : error;
}

// A name as it goes into the file name: the last part of a path, without the
// characters Windows refuses, cut between two characters.
std::string NamePart(std::string part) {
  while (!part.empty() && (part.back() == '\\' || part.back() == '/')) part.pop_back();
  size_t slash = part.find_last_of("\\/");
  if (slash != std::string::npos) part.erase(0, slash + 1);
  std::wstring wide = Widen(SafeFileName(part));
  if (wide.size() > kNameUnits) wide.resize(IS_HIGH_SURROGATE(wide[kNameUnits - 1]) ? kNameUnits - 1 : kNameUnits);
  return Narrow(wide);
}

std::string TimeText(const SYSTEMTIME& time, char timeSeparator) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u%c%02u%c%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                timeSeparator, time.wMinute, timeSeparator, time.wSecond);
  return text;
}

// The line with CR LF after it; a line break inside it becomes CR LF too, so
// that every line of the file ends alike.
void AddLine(std::string& text, const std::string& line) {
  const std::vector<std::string> parts = SplitLines(line);
  if (parts.empty()) text.append("\r\n");
  for (const std::string& part : parts) text.append(part).append("\r\n");
}

std::string HeaderText(const LogFileHeader& header) {
  std::string text(kByteOrderMark);
  AddLine(text, "Program: " + header.program);
  AddLine(text, "Computer: " + header.computer);
  AddLine(text, "Windows: " + header.windowsVersion);
  AddLine(text, "Source: " + header.source);
  AddLine(text, "Destination: " + header.destination);
  AddLine(text, header.moving ? "Mode: move" : "Mode: copy");
  AddLine(text, "Started: " + TimeText(header.start, ':'));
  AddLine(text, "");
  return text;
}

std::string DurationText(std::int64_t milliseconds) {
  const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
  std::string text;
  if (seconds >= 3600) text += std::to_string(seconds / 3600) + " h ";
  if (seconds >= 60) text += std::to_string(seconds / 60 % 60) + " min ";
  return text + std::to_string(seconds % 60) + " s";
}

}  // namespace

std::string DefaultLogFolder() {
  std::string programData = EnvironmentText(L"ProgramData");
  wchar_t common[MAX_PATH] = {};
  if (programData.empty() && SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common))) {
    programData = Narrow(common);
  }
  return programData.empty() ? std::string() : JoinPath(programData, "Ferrowin\\Logs");
}

std::string LogSummaryLine(const LogFileSummary& summary) {
  return "Summary: " + std::to_string(summary.files) + " files (" + SizeText(summary.bytes) + ") carried, " +
         std::to_string(summary.leftBehind) + " entries left behind, " + std::to_string(summary.failed) +
         " entries failed, in " + DurationText(summary.milliseconds) + ".";
}

MigrationLogFile::MigrationLogFile(const LogFileHeader& header, const std::string& sourceName,
                                   const std::string& destinationName, const std::string& folder) {
  const std::string name =
      TimeText(header.start, '.') + " " + NamePart(sourceName) + " to " + NamePart(destinationName);
  const std::string headerText = HeaderText(header);
  const std::string preferred = TryFolder(folder, name, headerText);
  if (saved_) return;
  const std::string fallback = TryFolder(TemporaryFolder(), name, headerText);
  if (saved_) return;
  failureReason_ = preferred + " " + fallback;
}

// Empty when the log is open in the folder with its header written; otherwise
// what went wrong, and where.
std::string MigrationLogFile::TryFolder(const std::string& folder, const std::string& name,
                                        const std::string& headerText) {
  const std::string place = WithoutTrailingBackslash(folder);
  if (place.empty()) return "(no folder): " + SystemErrorText(ERROR_PATH_NOT_FOUND);
  DWORD error = MakeFolders(place);
  if (error == ERROR_SUCCESS) error = CreateLog(place, name);
  if (error == ERROR_SUCCESS) error = Write(headerText);
  if (error == ERROR_SUCCESS) {
    saved_ = true;
    return {};
  }
  // A log without even its header tells nobody anything.
  if (file_) {
    file_.Close();
    (void)DeletePath(path_);
  }
  path_.clear();
  return place + ": " + SystemErrorText(error);
}

DWORD MigrationLogFile::CreateLog(const std::string& folder, const std::string& name) {
  for (int copy = 1; copy <= kMostCopies; ++copy) {
    const std::string counter = copy == 1 ? "" : " (" + std::to_string(copy) + ")";
    const std::string path = JoinPath(folder, name + counter + ".log");
    const Win32Result created = file_.Open(Win32Path(path), GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    if (created) {
      path_ = path;
      return ERROR_SUCCESS;
    }
    const DWORD error = created.Error();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
  }
  return ERROR_FILE_EXISTS;
}

DWORD MigrationLogFile::Write(std::string_view bytes) {
  if (Win32Result written = file_.WriteAll(bytes); !written) return written.Error();
  // Write-through covers the data; the flush covers the file's new size too.
  return FlushFileBuffers(file_.Get()) ? ERROR_SUCCESS : GetLastError();
}

void MigrationLogFile::Append(const std::vector<std::string>& lines) {
  if (!file_ || lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) AddLine(text, line);
  const DWORD error = Write(text);
  if (error == ERROR_SUCCESS) return;
  file_.Close();
  saved_ = false;
  failureReason_ = path_ + ": " + SystemErrorText(error);
}

void MigrationLogFile::Finish(const LogFileSummary& summary) {
  Append({LogSummaryLine(summary)});
  file_.Close();
}

std::string LogFileNote(const MigrationLogFile& log) {
  if (log.Saved()) return "NOTE: This log is saved as " + log.Path();
  return "NOTE: This log could not be saved: " + log.FailureReason();
}

}  // namespace ferrowin
