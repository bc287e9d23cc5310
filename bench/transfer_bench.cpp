// The transfer engine on generated trees: a copy against the host's cp -a
// and Wine's xcopy, a move of a large tree, and the memory it takes.
#include <random>

#include "bench/bench_support.h"
#include "migration/transfer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/machine.h"

namespace ferrowin::bench {
namespace {

constexpr int kSmallFiles = 20000;
constexpr int kSmallFolders = 400;
const char* const kWork = "C:\\ferrowin-bench";

// No window: what the engine itself costs.
class QuietView : public TransferView {
 public:
  void SetStatus(const std::string&) override {}
  void AddLogLine(const std::string& line) override { std::printf("  log: %s\n", line.c_str()); }
  void LetMessagesThrough() override {}
  void Repaint() override {}
};

// A real label and a real message loop, as the window has them.
class LabelView : public TransferView {
 public:
  LabelView() {
    label_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 20, nullptr, nullptr, nullptr,
                             nullptr);
  }
  ~LabelView() override { DestroyWindow(label_); }
  void SetStatus(const std::string& text) override { SetWindowTextW(label_, Widen(text).c_str()); }
  void AddLogLine(const std::string& line) override { std::printf("  log: %s\n", line.c_str()); }
  void LetMessagesThrough() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  void Repaint() override { RedrawWindow(label_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

 private:
  HWND label_;
};

void GenerateCopySource(const std::string& root) {
  std::printf("generating %d files of 1-64 KB and three of 50-200 MB...\n", kSmallFiles);
  std::mt19937 random(14);
  std::string block(64 * 1024, '\0');
  for (char& c : block) c = static_cast<char>(random());
  for (int i = 0; i < kSmallFiles; ++i) {
    size_t size = 1024 + random() % (63 * 1024);
    std::string folder = root + "\\folder" + std::to_string(i % kSmallFolders);
    if (i < kSmallFolders) test::MakeDirs(folder);
    WriteFileBytes(folder + "\\file" + std::to_string(i) + ".dat", std::string_view(block.data(), size));
  }
  const int bigSizes[] = {50, 100, 200};
  for (int megabytes : bigSizes) {
    test::RunOnHost("head -c " + std::to_string(megabytes) + "M /dev/urandom > " +
                    test::ShellQuote(test::HostPath(root) + "/big" + std::to_string(megabytes) + ".bin"), 600000);
  }
}

double TimeOurCopy(TransferView& view, const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  test::MakeDirs(to);
  std::int64_t copied = 0;
  std::int64_t counted = 1;
  Stopwatch watch;
  FolderTransfer(view, copied, counted).CopyFolderContents(from + "\\", to + "\\");
  return watch.Seconds();
}

double TimeXcopy(const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  std::wstring commandLine = Widen("xcopy.exe \"" + from + "\" \"" + to + "\" /E /H /K /I /Q");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  Stopwatch watch;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  double seconds = watch.Seconds();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(nul);
  return seconds;
}

void CompareCopies(const std::string& drive) {
  const std::string source = drive + "bench-src";
  GenerateCopySource(source);
  const std::string hostSource = test::HostPath(source);
  const std::string cpTarget = std::string(kWork) + "\\cp-copy";
  test::RemoveTree(cpTarget);
  // A first pass reads everything into the page cache, so no run pays for the disk alone.
  TimeOnHost("cat $(find " + test::ShellQuote(hostSource) + " -type f) > /dev/null");
  double cp = TimeOnHost("cp -a " + test::ShellQuote(hostSource) + " " + test::ShellQuote(test::HostPath(kWork) + "/cp-copy"));
  QuietView quiet;
  double engine = TimeOurCopy(quiet, source, std::string(kWork) + "\\our-copy");
  LabelView label;
  double withLabel = TimeOurCopy(label, source, std::string(kWork) + "\\our-copy-label");
  double xcopy = TimeXcopy(source, std::string(kWork) + "\\xcopy-copy");
  std::printf("copy of %s\n", source.c_str());
  Report("copy: cp -a (host)", cp, "s");
  Report("copy: our engine", engine, "s");
  Report("copy: our engine updating a real label", withLabel, "s");
  Report("copy: xcopy /E /H /K /I (Wine)", xcopy, "s");
  Report("copy: ours / cp -a", engine / cp, "x");
  Report("copy: ours with label / cp -a", withLabel / cp, "x");
  Report("copy: ours / xcopy", engine / xcopy, "x");
  for (const char* target : {"cp-copy", "our-copy", "our-copy-label", "xcopy-copy"}) {
    test::RemoveTree(std::string(kWork) + "\\" + target);
  }
}

void MeasureMove() {
  const std::string source = std::string(kWork) + "\\move-src";
  const std::string destination = std::string(kWork) + "\\move-dst";
  std::printf("generating 100000 files to move...\n");
  test::MakeDirs(source);
  test::MakeDirs(destination);
  test::RunOnHost("cd " + test::ShellQuote(test::HostPath(source)) +
                      " && for t in $(seq 1 10); do for s in $(seq 1 100); do mkdir -p top$t/sub$s; "
                      "(cd top$t/sub$s && seq 1 100 | sed 's/^/f/' | xargs touch); done; done",
                  600000);
  QuietView view;
  std::int64_t copied = 0;
  std::int64_t counted = 1;
  Stopwatch watch;
  FolderTransfer(view, copied, counted).MoveFolderContents(source + "\\", destination + "\\");
  Report("move: 100000 files, top folders absent at the destination", watch.Seconds(), "s");

  // Back again into a destination that has every top folder: one level deeper.
  for (int t = 1; t <= 10; ++t) test::MakeDirs(source + "\\top" + std::to_string(t));
  Stopwatch back;
  FolderTransfer(view, copied, counted).MoveFolderContents(destination + "\\", source + "\\");
  Report("move: the same, top folders present (1000 renames)", back.Seconds(), "s");
  test::RemoveTree(source);
  test::RemoveTree(destination);
}

}  // namespace
}  // namespace ferrowin::bench

int main() {
  using namespace ferrowin;
  test::CleanMachine machine;
  test::RemoveTree(bench::kWork);
  test::MakeDirs(bench::kWork);
  std::string drive = machine.AddDrive('d');
  bench::Report("memory: peak at start", bench::PeakMegabytes(), "MB");
  bench::CompareCopies(drive);
  bench::Report("memory: peak after the copies", bench::PeakMegabytes(), "MB");
  bench::MeasureMove();
  bench::Report("memory: peak after the moves", bench::PeakMegabytes(), "MB");
  test::RemoveTree(bench::kWork);
  return 0;
}
