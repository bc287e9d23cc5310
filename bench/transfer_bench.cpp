// The transfer engine on generated trees: a copy against the host's cp -a
// and Wine's xcopy, a move of a large tree, and the memory it takes.
#include <algorithm>
#include <random>

#include "app/Unit2.h"

#include "bench/bench_support.h"
#include "bench/wizard.h"
#include "migration/transfer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/machine.h"
#include "tests/support/window.h"

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
};

void GenerateCopySource(const std::string& profile) {
  std::printf("generating %d files of 1-64 KB and three of 50-200 MB...\n", kSmallFiles);
  const std::string root = profile + "\\Documents";
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
    test::MakeDirs(profile + "\\Videos");
    test::RunOnHost("head -c " + std::to_string(megabytes) + "M /dev/urandom > " +
                        test::ShellQuote(test::HostPath(profile + "\\Videos") + "/big" + std::to_string(megabytes) + ".bin"),
                    600000);
  }
}

// The copies run in memory (tmpfs) where the machine allows it: a disk's
// write-back makes the same copy take two to four times as long from one run
// to the next, which drowns the differences between the programs. On disk,
// every copy is timed until its data is written.
bool inMemory = false;

bool MountInMemory(const std::string& folder) {
  test::MakeDirs(folder);
  return test::RunOnHost("mount -t tmpfs -o size=8g tmpfs " + test::ShellQuote(test::HostPath(folder))) == 0;
}

void Unmount(const std::string& folder) { test::RunOnHost("umount " + test::ShellQuote(test::HostPath(folder))); }

void FlushToDisk() {
  if (!inMemory) test::RunOnHost("sync", 600000);
}

double TimeOurCopy(TransferView& view, const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  test::MakeDirs(to);
  FlushToDisk();
  std::int64_t copied = 0;
  std::int64_t counted = 1;
  Stopwatch watch;
  FolderTransfer(view, copied, counted).CopyFolderContents(from + "\\", to + "\\");
  FlushToDisk();
  return watch.Seconds();
}

// The least a copy can cost through Win32 here: CopyFileW on every file,
// nothing else.
void BareCopy(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      BareCopy(from + L"\\" + name, to + L"\\" + name);
    } else {
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), TRUE);
    }
  } while (FindNextFileW(search, &data));
  FindClose(search);
}

double TimeBareCopy(const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  FlushToDisk();
  Stopwatch watch;
  BareCopy(Widen(from), Widen(to));
  FlushToDisk();
  return watch.Seconds();
}

// The whole wizard, as the user runs it: the copy of the profile into
// Public through the real window, its status label and its message loop.
double TimeThroughTheWindow() {
  OpenWizard wizard;
  TfrmMain& form = wizard.form;
  wizard.Choose(form.lbInfectedUser, "d:\\users\\BenchUser");
  wizard.WaitForTheCount();
  wizard.Choose(form.lbNewUser, "Public");
  FlushToDisk();
  Stopwatch watch;
  test::Click(form.cmdNext6);
  FlushToDisk();
  double seconds = watch.Seconds();
  std::printf("window: %s, log of %zu lines\n", form.lblMagic4.Text().c_str(), form.memoRecovery.Lines().size());
  return seconds;
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
  FlushToDisk();
  Stopwatch watch;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  FlushToDisk();
  double seconds = watch.Seconds();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(nul);
  return seconds;
}

void CompareCopies(const std::string& drive) {
  const std::string source = drive + "users\\BenchUser";
  GenerateCopySource(source);
  const std::string hostSource = test::HostPath(source);
  const std::string cpTarget = std::string(kWork) + "\\cp-copy";
  test::RemoveTree(cpTarget);
  // A first pass reads everything into the page cache, so no run pays for the disk alone.
  TimeOnHost("cat $(find " + test::ShellQuote(hostSource) + " -type f) > /dev/null");
  FlushToDisk();
  double cp = TimeOnHost("cp -a " + test::ShellQuote(hostSource) + " " +
                         test::ShellQuote(test::HostPath(kWork) + "/cp-copy") + (inMemory ? "" : " && sync"));
  double bare = TimeBareCopy(source, std::string(kWork) + "\\bare-copy");
  QuietView quiet;
  double engine = TimeOurCopy(quiet, source, std::string(kWork) + "\\our-copy");
  double withLabel = TimeThroughTheWindow();
  double xcopy = TimeXcopy(source, std::string(kWork) + "\\xcopy-copy");
  std::printf("copy of %s\n", source.c_str());
  std::printf("copies %s\n", inMemory ? "in memory (tmpfs)" : "on disk, each until written");
  Report("copy: cp -a (host)", cp, "s");
  Report("copy: a bare CopyFileW loop, nothing else", bare, "s");
  Report("copy: our engine", engine, "s");
  Report("copy: the wizard into Public, through the real window", withLabel, "s");
  Report("copy: xcopy /E /H /K /I (Wine)", xcopy, "s");
  Report("copy: ours / cp -a", engine / cp, "x");
  Report("copy: the wizard / cp -a", withLabel / cp, "x");
  Report("copy: ours / xcopy", engine / xcopy, "x");
  for (const char* target : {"cp-copy", "bare-copy", "our-copy", "xcopy-copy"}) {
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
  bench::inMemory = bench::MountInMemory(bench::kWork) && bench::MountInMemory("c:\\users\\Public");
  for (const char* folder : {"Desktop", "Documents", "Music", "Pictures", "Videos"}) {
    test::MakeDirs(std::string("c:\\users\\Public\\") + folder);
  }
  const std::string driveFolder = std::string(bench::kWork) + "\\drive-d";
  test::MakeDirs(driveFolder);
  test::MappedDrive drive('d', driveFolder);
  bench::Report("memory: peak at start", bench::PeakMegabytes(), "MB");
  bench::CompareCopies(drive.Root());
  bench::Report("memory: peak after the copies", bench::PeakMegabytes(), "MB");
  bench::MeasureMove();
  bench::Report("memory: peak after the moves", bench::PeakMegabytes(), "MB");
  if (bench::inMemory) {
    bench::Unmount("c:\\users\\Public");
    bench::Unmount(bench::kWork);
  }
  test::RemoveTree(bench::kWork);
  return 0;
}
