#include "console/command_runner.h"

#include <shellapi.h>

#include <cwchar>
#include <utility>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr const char* kBatchFileName = "vorl-result.bat";
constexpr const char* kResultFileName = "vorl-result.txt";
constexpr const char* kCommandFailedMessage = "dos command failed?";

// The command interpreter reads the batch file in the console's OEM code
// page. A temporary folder whose name that page cannot spell is named by its
// short 8.3 form inside the batch, which is plain ASCII.
std::string FolderForBatch(const std::string& folder) {
  if (ConsoleCodePageHolds(folder)) return folder;
  std::wstring wide = Widen(folder);
  DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return folder;
  std::wstring shortForm(needed, L'\0');
  shortForm.resize(GetShortPathNameW(wide.c_str(), shortForm.data(), needed));
  return Narrow(shortForm);
}

// The memo shows the batch as it is written, so the lines come first.
std::string BatchText(const std::string& command, const std::string& folder) {
  return JoinLines({command + " > " + Quoted(folder + kResultFileName), "del " + Quoted(folder + kBatchFileName)});
}

void StartBatch(const std::string& batchFilePath, HWND owner) {
  // The interpreter looks in its working folder before the PATH: there, the
  // system folder holds only the system's own tools, where the program's
  // folder (a Downloads folder, a stick of tools) might hold a look-alike.
  // The result is not needed: a batch that never starts is still there at
  // the end of the wait, which reports it.
  ShellExecuteW(owner, L"open", Widen(batchFilePath).c_str(), nullptr, Widen(SystemFolder()).c_str(), SW_MINIMIZE);
}

// True when the batch file is gone, that is, the command has finished.
bool WaitForBatchToFinish(const std::string& batchFilePath, const CommandRunnerSettings& settings) {
  for (int check = 0; check < settings.pollLimit && PathIsFile(batchFilePath); ++check) {
    Sleep(static_cast<DWORD>(settings.pollIntervalMs));
  }
  // Judged on the file, not on the count: a batch gone during the last
  // interval has finished too.
  return !PathIsFile(batchFilePath);
}

// Text written as UTF-16 with its byte-order mark, as wmic writes into a
// file, up to its first zero character.
std::string FromUtf16WithMark(std::string_view bytes) {
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == L'\0') break;
    text += unit;
  }
  return Narrow(text);
}

// The command's standard output as the memo shows it: text up to the first
// zero byte, converted from the console's page, with CR LF line breaks.
std::string OutputText(std::string bytes, UINT codePage) {
  // Read as 8-bit text, UTF-16 would end at its first character.
  if (StartsWith(bytes, "\xFF\xFE")) return JoinLines(SplitLines(FromUtf16WithMark(bytes)));
  if (size_t zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);
  return JoinLines(SplitLines(FromCodePage(bytes, codePage)));
}

CommandRun LoadOutput(const std::string& resultFilePath, UINT codePage, ConsoleView& view) {
  std::string bytes;
  if (Win32Result read = ReadFileBytes(resultFilePath, bytes); !read) {
    return {.outcome = CommandRun::Outcome::OutputUnreadable,
            .failure = "The output of the command could not be read from \"" + resultFilePath +
                       "\" (Windows error " + std::to_string(read.Error()) + ")."};
  }
  view.SetOutputText(OutputText(std::move(bytes), codePage));
  return {};
}

CommandRun NotFinished() { return {.outcome = CommandRun::Outcome::NotFinished, .failure = kCommandFailedMessage}; }

}  // namespace

UINT ConsoleCodePage() {
  wchar_t value[16] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", L"OEMCP",
                   RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
    if (UINT page = static_cast<UINT>(wcstoul(value, nullptr, 10))) return page;
  }
  return GetOEMCP();
}

bool ConsoleCodePageHolds(const std::string& text) {
  const UINT page = ConsoleCodePage();
  return FromCodePage(ToCodePage(text, page), page) == text;
}

CommandRun RunConsoleCommand(const std::string& command, ConsoleView& view, const CommandRunnerSettings& settings) {
  const UINT consolePage = ConsoleCodePage();
  const std::string folder = TemporaryFolder();
  const CommandFiles files{.batchFilePath = folder + kBatchFileName, .resultFilePath = folder + kResultFileName};

  const std::string batchText = BatchText(command, FolderForBatch(folder));
  view.SetOutputText(batchText);
  // A result left by an earlier run must not pass for this command's output.
  (void)DeletePath(files.resultFilePath);
  CommandRun run;
  if (!WriteFileBytes(files.batchFilePath, ToCodePage(batchText, consolePage))) {
    run = NotFinished();
  } else if (StartBatch(files.batchFilePath, settings.owner); !WaitForBatchToFinish(files.batchFilePath, settings)) {
    run = NotFinished();
  } else {
    run = LoadOutput(files.resultFilePath, consolePage, view);
  }
  run.files = files;
  return run;
}

}  // namespace ferrowin
