// Stands in for the system's console tools (net, wmic, icacls), which Wine
// only stubs: one program, copied under each tool's name. It appends its whole
// command line to a record file and prints what the real tool prints.
//
// FERROWIN_STANDIN_RECORD       the record file (UTF-8, one line per run);
//                               FERROWIN_LOOKALIKE_RECORD for the build of it
//                               that tests plant as a look-alike
// FERROWIN_STANDIN_<TOOL>_<ARG> what to do when the first argument is ARG,
// FERROWIN_STANDIN_<TOOL>       otherwise (TOOL and ARG in capitals):
//   success        the tool's usual output (the default)
//   silent         no output at all (net: the account or membership exists)
//   stderr         the tool's error text on standard error only
//   warning        a warning line, then the usual output
//   delay:<ms>     waits, then the usual output
//   print:<text>   the text ("\n" ends a line, "\0" is a zero byte)
// Standard output is written as the tools write it when it is redirected into
// a file: wmic in UTF-16 with a byte-order mark, the others in the console's
// OEM code page.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>

#include "platform/handles.h"

namespace {

#ifdef FERROWIN_LOOKALIKE
constexpr const wchar_t* kRecordVariable = L"FERROWIN_LOOKALIKE_RECORD";
#else
constexpr const wchar_t* kRecordVariable = L"FERROWIN_STANDIN_RECORD";
#endif

std::string ToBytes(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  int length =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                      nullptr);
  return bytes;
}

std::wstring Environment(const std::wstring& name) {
  DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
  return value;
}

std::wstring UpperCase(std::wstring text) {
  CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// "net" for "C:\tools\NET.EXE".
std::wstring ToolName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.rfind(L'.'));
}

std::wstring FirstArgument() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const ferrowin::UniqueLocalMemory owned(arguments);
  return (arguments && count > 1) ? arguments[1] : L"";
}

void Record() {
  std::wstring path = Environment(kRecordVariable);
  if (path.empty()) return;
  const ferrowin::UniqueFileHandle opened(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!opened) return;
  HANDLE file = opened.Get();
  // Several stand-ins may record at once (icacls runs side by side): one at a
  // time, each at the end, or one line would land on another.
  OVERLAPPED whole{};
  LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
  SetFilePointer(file, 0, nullptr, FILE_END);
  std::string line = ToBytes(GetCommandLineW(), CP_UTF8) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
}

UINT OutputCodePage() {
  UINT console = GetConsoleOutputCP();
  return console != 0 ? console : GetOEMCP();
}

bool WritesUtf16() {
  std::wstring tool = ToolName();
  CharLowerBuffW(tool.data(), static_cast<DWORD>(tool.size()));
  return tool == L"wmic";
}

std::string Utf16Bytes(std::wstring_view text) {
  static bool markWritten = false;
  std::string bytes = markWritten ? "" : "\xFF\xFE";
  markWritten = true;
  for (wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

void Write(DWORD stream, std::wstring_view text) {
  std::string bytes = (stream == STD_OUTPUT_HANDLE && WritesUtf16()) ? Utf16Bytes(text) : ToBytes(text, OutputCodePage());
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring UsualOutput(const std::wstring& tool) {
  if (tool == L"wmic") {
    return L"Updating property(s) of '\\\\STANDIN\\ROOT\\CIMV2:Win32_UserAccount.Domain=\"STANDIN\","
           L"Name=\"account\"'\r\nProperty(s) update successful.\r\n";
  }
  if (tool == L"icacls") return L"Successfully processed 1 files; Failed processing 0 files\r\n";
  return L"The command completed successfully.\r\n\r\n";
}

std::wstring ErrorOutput(const std::wstring& tool) {
  if (tool == L"wmic") return L"ERROR:\r\nDescription = Generic failure\r\n";
  if (tool == L"icacls") return L"The system cannot find the file specified.\r\n";
  return L"System error 1378 has occurred.\r\n\r\nThe specified account name is already a member of the group.\r\n\r\n";
}

std::wstring Unescaped(std::wstring_view text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n') {
      result += L"\r\n";
      ++i;
      continue;
    }
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'0') {
      result += L'\0';
      ++i;
      continue;
    }
    result += text[i];
  }
  return result;
}

std::wstring Behaviour(const std::wstring& tool) {
  std::wstring key = L"FERROWIN_STANDIN_" + UpperCase(tool);
  std::wstring specific = Environment(key + L"_" + UpperCase(FirstArgument()));
  if (!specific.empty()) return specific;
  std::wstring general = Environment(key);
  return general.empty() ? L"success" : general;
}

int Act(const std::wstring& tool, const std::wstring& behaviour) {
  if (behaviour == L"silent") return 2;
  if (behaviour == L"stderr") {
    Write(STD_ERROR_HANDLE, ErrorOutput(tool));
    return 2;
  }
  if (behaviour == L"warning") {
    Write(STD_OUTPUT_HANDLE, L"WARNING: the stand-in was asked to warn before it succeeds.\r\n");
    Write(STD_OUTPUT_HANDLE, UsualOutput(tool));
    return 0;
  }
  if (behaviour.starts_with(L"delay:")) Sleep(static_cast<DWORD>(std::stoul(behaviour.substr(6))));
  if (behaviour.starts_with(L"print:")) {
    Write(STD_OUTPUT_HANDLE, Unescaped(behaviour.substr(6)));
    return 0;
  }
  Write(STD_OUTPUT_HANDLE, UsualOutput(tool));
  return 0;
}

}  // namespace

int wmain() {
  Record();
  std::wstring tool = ToolName();
  CharLowerBuffW(tool.data(), static_cast<DWORD>(tool.size()));
  return Act(tool, Behaviour(tool));
}
