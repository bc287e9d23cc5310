#include "tests/support/held_file.h"

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/console_tools.h"
#include "tests/support/host.h"

namespace ferrowin::test {

namespace {

bool HeldByOthers(const std::string& path) {
  const UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

HeldFile::HeldFile(const std::string& path) {
  std::wstring commandLine = L"\"" + Widen(ProgramFolder() + "\\ferrowin_file_holder.exe") + L"\" \"" +
                             Widen(path) + L"\"";
  STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      process_.Receive())) {
    return;
  }
  held_ = WaitUntil([&] {
    return HeldByOthers(path) || WaitForSingleObject(process_.Process(), 0) == WAIT_OBJECT_0;
  }, 20000) && HeldByOthers(path);
}

void HeldFile::Release() {
  if (!process_.Process()) return;
  TerminateProcess(process_.Process(), 0);
  WaitForSingleObject(process_.Process(), 20000);
  process_.Reset();
  held_ = false;
}

}  // namespace ferrowin::test
