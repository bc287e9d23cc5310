#include "tests/support/host.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tests/support/tree.h"

namespace ferrowin::test {

namespace {

using UnixNameFunction = char*(CDECL*)(LPCWSTR);

UnixNameFunction UnixNameLookup() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
}

std::string DosDevicesFolder() {
  // "C:\" maps to ".../dosdevices/c:/"; the letters live beside it.
  std::string c = HostPath("C:\\");
  while (!c.empty() && c.back() == '/') c.pop_back();
  return c.substr(0, c.rfind('/'));
}

std::string ScratchFolder() {
  std::string folder = "C:\\ferrowin-host";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  return folder;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    Sleep(20);
  }
  return true;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

bool RunningUnderWine() { return UnixNameLookup() != nullptr; }

std::string HostPath(std::string_view windowsPath) {
  UnixNameFunction lookup = UnixNameLookup();
  if (!lookup) return {};
  char* unixName = lookup(Widen(windowsPath).c_str());
  if (!unixName) return {};
  std::string result(unixName);
  HeapFree(GetProcessHeap(), 0, unixName);
  return result;
}

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

int RunOnHost(std::string_view shellCommand, int timeoutMs) {
  static std::atomic<int> serial{0};
  // Wine gives a new process an id an ended one had: the time makes the
  // name one of this run's alone.
  std::string name = ScratchFolder() + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(GetTickCount64()) + "-" + std::to_string(serial++);
  std::string script = name + ".sh";
  std::string status = name + ".status";
  (void)DeletePath(status);
  // Wine cannot wait on a host process, so the script leaves its exit status
  // in a file that we wait for.
  // The command holds none of the test's descriptors (ctest's pipes, the
  // Wine desktop's keeper): if it outlives the test, nothing waits on it.
  std::string body = "exec </dev/null >/dev/null 2>&1 8>&- 9>&-\n" + std::string(shellCommand) + "\necho $? > " + ShellQuote(HostPath(status) + ".tmp") +
                     " && mv " + ShellQuote(HostPath(status) + ".tmp") + " " + ShellQuote(HostPath(status)) + "\n";
  if (!WriteFileBytes(script, body)) return -1;

  // Wine runs a host program given its path in the \\?\unix\ namespace.
  std::wstring commandLine = Widen("\\\\?\\unix\\bin\\sh " + HostPath(script));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ScopedProcessInformation process;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      process.Receive())) {
    return -1;
  }
  process.Reset();  // not waited on: Wine cannot wait on a host process

  std::string result;
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    if (ReadFileBytes(status, result) && !result.empty()) break;
    Sleep(10);
  }
  (void)DeletePath(script);
  (void)DeletePath(status);
  if (result.empty()) return -1;
  return std::stoi(result);
}

bool MakeManyEmptyFiles(std::string_view windowsFolder, int count) {
  // A file may have at most 65,000 names on ext4; a new one every 50,000.
  // perl is part of every Debian system.
  const std::string script =
      "for my $i (1.." + std::to_string(count) + ") { my $first = int(($i - 1) / 50000) * 50000 + 1; " +
      "if ($i == $first) { open(my $new, '>', \"f$i\") or exit 1; close $new } " +
      "else { link(\"f$first\", \"f$i\") or exit 1 } }";
  MakeDirs(windowsFolder);
  const std::string folder = HostPath(windowsFolder);
  return !folder.empty() && RunOnHost("cd " + ShellQuote(folder) + " && perl -e " + ShellQuote(script)) == 0;
}

bool MapDrive(char letter, std::string_view windowsFolder) {
  std::string target = HostPath(windowsFolder);
  std::string link = DosDevicesFolder() + "/" + std::string(1, static_cast<char>(tolower(letter))) + ":";
  return !target.empty() && RunOnHost("ln -sfn " + ShellQuote(target) + " " + ShellQuote(link)) == 0;
}

void UnmapDrive(char letter) {
  std::string link = DosDevicesFolder() + "/" + std::string(1, static_cast<char>(tolower(letter))) + ":";
  RunOnHost("rm -f " + ShellQuote(link));
}

void UnmapAllDrives() { RunOnHost("rm -f " + ShellQuote(DosDevicesFolder()) + "/[d-z]:"); }

MappedDrive::MappedDrive(char letter, std::string_view windowsFolder)
    : letter_(letter), ok_(MapDrive(letter, windowsFolder)) {}

MappedDrive::~MappedDrive() { UnmapDrive(letter_); }

}  // namespace ferrowin::test
