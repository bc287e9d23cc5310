// The transfer on generated trees: a copy by the engine and by the whole
// wizard against a bare CopyFileW loop (and, once each, the host's cp -a and
// Wine's xcopy), how long the window takes to answer during a copy of many
// small files and of one very large one, the cost of logging 20,000 failed
// copies, a move of a large tree, and the memory it all takes.
#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/Unit2.h"

#include "bench/bench_support.h"
#include "bench/wizard.h"
#include "migration/parallel_copy.h"
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

void GenerateSmallFiles(const std::string& profile) {
  std::printf("generating %d files of 1-64 KB...\n", kSmallFiles);
  const std::string root = profile + "\\Documents";
  std::mt19937 random(14);
  std::string block(64 * 1024, '\0');
  for (char& c : block) c = static_cast<char>(random());
  for (int i = 0; i < kSmallFiles; ++i) {
    size_t size = 1024 + random() % (63 * 1024);
    std::string folder = root + "\\folder" + std::to_string(i % kSmallFolders);
    if (i < kSmallFolders) test::MakeDirs(folder);
    (void)WriteFileBytes(folder + "\\file" + std::to_string(i) + ".dat", std::string_view(block.data(), size));
  }
}

void GenerateLargeFiles(const std::string& profile) {
  std::printf("generating three files of 500-1500 MB...\n");
  test::MakeDirs(profile + "\\Videos");
  for (int megabytes : {500, 1000, 1500}) {
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

// `workers` files in flight: one is the copy of one file after the other.
double TimeOurCopy(TransferView& view, const std::string& from, const std::string& to, int workers) {
  test::RemoveTree(to);
  test::MakeDirs(to);
  FlushToDisk();
  std::int64_t copied = 0;
  Stopwatch watch;
  FolderTransfer(view, copied, 1, {}, {.copyWorkers = workers}).CopyFolderContents(from + "\\", to + "\\");
  FlushToDisk();
  return watch.Seconds();
}

// The least a copy can cost through Win32 here: CopyFileW on every file,
// nothing else.
void BareCopy(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  UniqueFindHandle search(FindFirstFileW((from + L"\\*").c_str(), &data));
  if (!search) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      BareCopy(from + L"\\" + name, to + L"\\" + name);
    } else {
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), TRUE);
    }
  } while (FindNextFileW(search.Get(), &data));
}

double TimeBareCopy(const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  FlushToDisk();
  Stopwatch watch;
  BareCopy(Widen(from), Widen(to));
  FlushToDisk();
  return watch.Seconds();
}

// Public as a new prefix has it: its five folders, empty.
void EmptyPublic() {
  for (const char* folder : {"Desktop", "Documents", "Music", "Pictures", "Videos"}) {
    const std::string path = std::string("c:\\users\\Public\\") + folder;
    test::RemoveTree(path);
    test::MakeDirs(path);
  }
}

struct WizardRun {
  double seconds = 0;
  double longestAnswerMs = 0;
  size_t logLines = 0;
};

// The whole wizard, as the user runs it: the copy of a profile into Public
// through the real window, its status label and its message loop. With
// `ping`, another thread asks the window every 20 ms whether it answers.
WizardRun CopyThroughTheWindow(const std::string& profile, bool ping = false) {
  OpenWizard wizard;
  TfrmMain& form = wizard.form;
  wizard.Choose(form.lbInfectedUser, profile);
  wizard.WaitForTheCount();
  wizard.Choose(form.lbNewUser, "Public");
  FlushToDisk();
  std::optional<Pinger> pinger;
  if (ping) pinger.emplace(form.Handle());
  Stopwatch watch;
  test::Click(form.cmdNext6);
  FlushToDisk();
  WizardRun run{.seconds = watch.Seconds(), .logLines = form.memoRecovery.Lines().size()};
  if (pinger) {
    pinger->Stop();
    run.longestAnswerMs = pinger->LongestMs();
  }
  std::printf("window: %s, log of %zu lines\n", form.lblMagic4.Text().c_str(), run.logLines);
  return run;
}

double TimeXcopy(const std::string& from, const std::string& to) {
  test::RemoveTree(to);
  std::wstring commandLine = Widen("xcopy.exe \"" + from + "\" \"" + to + "\" /E /H /K /I /Q");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueFileHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul.Get();
  ScopedProcessInformation process;
  FlushToDisk();
  Stopwatch watch;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      process.Receive())) {
    return -1;
  }
  WaitForSingleObject(process.Process(), INFINITE);
  FlushToDisk();
  return watch.Seconds();
}

constexpr int kRounds = 5;

// The contenders take turns, round after round: the machine's own ups and
// downs shift one round by more than the differences measured, so each
// keeps its rounds, and the best and the median are told.
struct Contender {
  const char* name;
  std::function<double()> run;
  std::vector<double> rounds;

  double Best() const { return *std::min_element(rounds.begin(), rounds.end()); }
  double Median() const {
    std::vector<double> sorted = rounds;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
};

void RunRounds(std::vector<Contender>& contenders, int rounds) {
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d:", round);
    for (Contender& contender : contenders) {
      contender.rounds.push_back(contender.run());
      std::printf(" %s %.2f s,", contender.name, contender.rounds.back());
    }
    std::printf("\n");
  }
  for (const Contender& contender : contenders) {
    std::printf("%-40s best %8.3f s   median %8.3f s\n", contender.name, contender.Best(), contender.Median());
  }
}

void ReportRatio(const char* what, const Contender& ours, const Contender& floor) {
  std::printf("%-58s best %6.3f x   median %6.3f x\n", what, ours.Best() / floor.Best(), ours.Median() / floor.Median());
}

// 20,000 small files: several in flight against one at a time and against
// the bare loop, once each against cp -a and xcopy.
void CompareCopies(const std::string& drive) {
  const std::string source = drive + "users\\BenchUser";
  const std::string hostSource = test::HostPath(source);
  // A first pass reads everything into the page cache, so no run pays for the disk alone.
  TimeOnHost("cat $(find " + test::ShellQuote(hostSource) + " -type f) > /dev/null");
  FlushToDisk();
  double cp = TimeOnHost("cp -a " + test::ShellQuote(hostSource) + " " +
                         test::ShellQuote(test::HostPath(kWork) + "/cp-copy") + (inMemory ? "" : " && sync"));
  double xcopy = TimeXcopy(source, std::string(kWork) + "\\xcopy-copy");
  const int workers = CopyWorkersFor(source, kWork);
  std::printf("copy of %s, %s, %d files in flight\n", source.c_str(),
              inMemory ? "in memory (tmpfs)" : "on disk, each until written", workers);
  QuietView quiet;
  std::vector<Contender> contenders = {
      {"bare CopyFileW loop", [&] { return TimeBareCopy(source, std::string(kWork) + "\\bare-copy"); }},
      {"engine, one file at a time",
       [&] { return TimeOurCopy(quiet, source, std::string(kWork) + "\\serial-copy", 1); }},
      {"engine", [&] { return TimeOurCopy(quiet, source, std::string(kWork) + "\\our-copy", workers); }},
      {"wizard into Public",
       [&] {
         EmptyPublic();
         return CopyThroughTheWindow("d:\\users\\BenchUser").seconds;
       }},
  };
  RunRounds(contenders, kRounds);
  Report("copy: cp -a (host)", cp, "s");
  Report("copy: xcopy /E /H /K /I (Wine)", xcopy, "s");
  ReportRatio("copy: the engine, one at a time / the bare loop", contenders[1], contenders[0]);
  ReportRatio("copy: the engine / the bare loop", contenders[2], contenders[0]);
  ReportRatio("copy: the wizard / the bare loop", contenders[3], contenders[0]);
  Report("copy: our engine (best) / xcopy", contenders[2].Best() / xcopy, "x");
  Report("copy: our engine (best) / cp -a", contenders[2].Best() / cp, "x");
  for (const char* target : {"cp-copy", "bare-copy", "serial-copy", "our-copy", "xcopy-copy"}) {
    test::RemoveTree(std::string(kWork) + "\\" + target);
  }
}

// Three large files: copied alone whatever the workers, so no slower than
// one at a time.
void CompareLargeCopies(const std::string& drive) {
  const std::string source = drive + "users\\BigFiles";
  GenerateLargeFiles(source);
  QuietView quiet;
  const int workers = CopyWorkersFor(source, kWork);
  // Each copy goes as soon as it is timed: three of them would not fit in memory.
  auto removed = [](const std::string& folder, double seconds) {
    test::RemoveTree(folder);
    return seconds;
  };
  const std::string bare = std::string(kWork) + "\\bare-copy", serial = std::string(kWork) + "\\serial-copy",
                    ours = std::string(kWork) + "\\our-copy";
  std::vector<Contender> contenders = {
      {"bare CopyFileW loop", [&] { return removed(bare, TimeBareCopy(source, bare)); }},
      {"engine, one file at a time", [&] { return removed(serial, TimeOurCopy(quiet, source, serial, 1)); }},
      {"engine", [&] { return removed(ours, TimeOurCopy(quiet, source, ours, workers)); }},
  };
  RunRounds(contenders, kRounds);
  ReportRatio("large: the engine / the engine one at a time", contenders[2], contenders[1]);
  ReportRatio("large: the engine / the bare loop", contenders[2], contenders[0]);
  test::RemoveTree(source);
}

// Many files in one flat folder that the destination has already: Wine
// reads the whole folder for every name it does not find, so each lookup
// the copy saves counts.
void CompareFlatFolder(const std::string& drive, int files) {
  const std::string source = drive + "users\\FlatUser\\Pictures";
  std::printf("generating %d files in one folder...\n", files);
  test::MakeDirs(source);
  // Names of one file of 2 KB: a disk makes a new name far faster than a new file.
  test::RunOnHost("cd " + test::ShellQuote(test::HostPath(source)) + " && head -c 2048 /dev/urandom > IMG_0 && " +
                      "perl -e 'link \"IMG_0\", \"IMG_$_\" for 1.." + std::to_string(files - 1) + "'",
                  600000);
  QuietView quiet;
  const int workers = CopyWorkersFor(source, kWork);
  auto into = [&](const char* target, const std::function<void(const std::string&)>& copy) {
    const std::string folder = std::string(kWork) + "\\" + target;
    test::RemoveTree(folder);
    test::MakeDirs(folder);  // there already, empty
    FlushToDisk();
    Stopwatch watch;
    copy(folder);
    FlushToDisk();
    const double seconds = watch.Seconds();
    test::RemoveTree(folder);
    return seconds;
  };
  std::vector<Contender> contenders = {
      {"bare CopyFileW loop", [&] { return into("bare-flat", [&](const std::string& to) { BareCopy(Widen(source), Widen(to)); }); }},
      {"engine",
       [&] {
         return into("our-flat", [&](const std::string& to) {
           std::int64_t copied = 0;
           FolderTransfer(quiet, copied, 1, {}, {.copyWorkers = workers}).CopyFolderContents(source + "\\", to + "\\");
         });
       }},
  };
  RunRounds(contenders, 1);
  ReportRatio("flat: the engine / the bare loop", contenders[1], contenders[0]);
  test::RemoveTree(drive + "users\\FlatUser");
}

// The window while it copies 20,000 small files, and while it copies one
// file of 2 GB.
void MeasureAnswers(const std::string& drive) {
  EmptyPublic();
  WizardRun small = CopyThroughTheWindow("d:\\users\\BenchUser", true);
  Report("window: longest wait for an answer, 20,000 small files", small.longestAnswerMs, "ms");
  EmptyPublic();
  const std::string big = drive + "users\\BigUser\\Videos\\big.bin";
  test::MakeSparseFile(big, 2LL << 30);
  WizardRun one = CopyThroughTheWindow("d:\\users\\BigUser", true);
  Report("copy: one file of 2 GB, through the window", one.seconds, "s");
  Report("window: longest wait for an answer, one file of 2 GB", one.longestAnswerMs, "ms");
  test::RemoveTree(drive + "users\\BigUser");
  EmptyPublic();
}

// A failing disk makes every copy fail: 20,000 ERROR lines for the log. The
// log's share is what the wizard takes beyond the engine alone; and, to see
// it alone, 20,000 lines added to the window's log in the batches the
// wizard adds them in.
void MeasureFailedCopies(const std::string& drive) {
  constexpr int kFailures = 20000;
  const std::string profile = drive + "users\\FailUser";
  test::MakeDirs(profile + "\\Documents");
  EmptyPublic();
  // Each file's name is taken by a folder in Public: every copy fails. In
  // folders of 100, since Wine looks through a whole folder for every new
  // name, and one of 20,000 would time Wine instead of the log.
  test::RunOnHost("cd " + test::ShellQuote(test::HostPath(profile + "\\Documents")) +
                      " && for f in $(seq 1 200); do mkdir -p f$f " +
                      "&& (cd f$f && seq 1 100 | sed 's/^/letter-/' | xargs touch) " + "&& mkdir -p " +
                      test::ShellQuote(test::HostPath("c:\\users\\Public\\Documents")) +
                      "/f$f && (cd " + test::ShellQuote(test::HostPath("c:\\users\\Public\\Documents")) +
                      "/f$f && seq 1 100 | sed 's/^/letter-/' | xargs mkdir); done",
                  600000);
  class CountingView : public TransferView {
   public:
    void SetStatus(const std::string&) override {}
    void AddLogLine(const std::string&) override { ++lines; }
    int lines = 0;
  } counting;
  std::int64_t copied = 0;
  Stopwatch engineWatch;
  FolderTransfer(counting, copied, 0).CopyFolderContents(profile + "\\Documents\\",
                                                         "c:\\users\\Public\\Documents\\");
  double engine = engineWatch.Seconds();
  WizardRun wizard = CopyThroughTheWindow("d:\\users\\FailUser");
  std::printf("%d failed copies, the wizard's log of %zu lines\n", counting.lines, wizard.logLines);
  Report("log: 20,000 failed copies, the engine alone", engine, "s");
  Report("log: the same through the window", wizard.seconds, "s");
  Report("log: the window's share", wizard.seconds - engine, "s");
  test::RemoveTree(profile);
  EmptyPublic();

  OpenWizard window;
  for (int batch : {1, 20, 200}) {
    window.form.memoRecovery.Clear();
    std::vector<std::string> lines(static_cast<size_t>(batch), "ERROR: Cound not copy letter-12345");
    Stopwatch watch;
    for (int added = 0; added < kFailures; added += batch) window.form.memoRecovery.AddLines(lines);
    const std::string what = "log: 20,000 lines added " + std::to_string(batch) + " at a time";
    Report(what.c_str(), watch.Seconds(), "s");
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

// With no argument every part runs but the flat folder; otherwise only those
// named: copies, large, flat, answers, log, move.
int main(int argc, char** argv) {
  using namespace ferrowin;
  auto wanted = [&](const char* part) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i) {
      if (std::string(argv[i]) == part) return true;
    }
    return false;
  };
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
  if (wanted("copies") || wanted("answers")) bench::GenerateSmallFiles(drive.Root() + "users\\BenchUser");
  if (wanted("copies")) bench::CompareCopies(drive.Root());
  if (wanted("large")) bench::CompareLargeCopies(drive.Root());
  if (argc > 1 && wanted("flat")) bench::CompareFlatFolder(drive.Root(), 50000);
  if (wanted("answers")) bench::MeasureAnswers(drive.Root());
  if (wanted("log")) bench::MeasureFailedCopies(drive.Root());
  bench::Report("memory: peak after the copies", bench::PeakMegabytes(), "MB");
  if (wanted("move")) bench::MeasureMove();
  bench::Report("memory: peak after the moves", bench::PeakMegabytes(), "MB");
  if (bench::inMemory) {
    bench::Unmount("c:\\users\\Public");
    bench::Unmount(bench::kWork);
  }
  test::RemoveTree(bench::kWork);
  return 0;
}
