// Holds one file open without sharing it, as Outlook holds its store, until
// it is ended: ferrowin_file_holder.exe PATH. Another process that opens,
// copies or renames the file meanwhile fails with a sharing violation.
#include <windows.h>
#include <shellapi.h>

int wmain() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count != 2) return 2;
  HANDLE file = CreateFileW(arguments[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Sleep(INFINITE);
  return 0;
}
