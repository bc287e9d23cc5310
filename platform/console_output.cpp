#include "platform/console_output.h"

#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

// Attached only while it writes: a console process the program starts
// meanwhile (the command runner's batch) would otherwise run in the
// technician's console instead of a window of its own.
class ParentConsole {
 public:
  // ERROR_ACCESS_DENIED: this process has a console already.
  ParentConsole()
      : attached_(AttachConsole(ATTACH_PARENT_PROCESS) != 0),
        usable_(attached_ || GetLastError() == ERROR_ACCESS_DENIED) {}
  ~ParentConsole() {
    if (attached_) FreeConsole();
  }
  ParentConsole(const ParentConsole&) = delete;
  ParentConsole& operator=(const ParentConsole&) = delete;

  bool Usable() const { return usable_; }

 private:
  bool attached_;
  bool usable_;
};

}  // namespace

ConsoleOutput::ConsoleOutput() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type = (output && output != INVALID_HANDLE_VALUE) ? GetFileType(output) : FILE_TYPE_UNKNOWN;
  if (type == FILE_TYPE_PIPE || type == FILE_TYPE_DISK) {
    target_ = Target::Stream;
    stream_ = output;
    return;
  }
  if (ParentConsole().Usable()) target_ = Target::Console;
}

void ConsoleOutput::WriteLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");
  DWORD written = 0;
  if (target_ == Target::Stream) {
    WriteFile(stream_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  if (target_ != Target::Console) return;
  ParentConsole console;
  if (!console.Usable()) return;
  UniqueFileHandle screen(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  const std::wstring wide = Widen(text);
  if (screen) WriteConsoleW(screen.Get(), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace ferrowin
