// The checks before a copy on a profile of 20,000 files whose new profile
// already holds half of them: the free-space check (one walk of each side)
// against the file counter's walk of the old profile alone, and a whole
// /plan run, its time and its memory.
#include <algorithm>
#include <atomic>
#include <functional>

#include "app/command_line_migration.h"
#include "bench/bench_support.h"
#include "migration/catalogue.h"
#include "migration/free_space.h"
#include "platform/text.h"
#include "profiles/file_counter.h"
#include "tests/support/app_driver.h"
#include "tests/support/machine.h"
#include "tests/support/window.h"

namespace ferrowin::bench {
namespace {

constexpr int kFolders = 400;
constexpr int kFilesPerFolder = 50;
const char* const kDestination = "c:\\users\\Public";

// Folders of 50 files in the eight data folders; the even-numbered ones are
// at the destination already, as an earlier run would have left them.
void GenerateProfiles(const std::string& source) {
  std::printf("generating %d files in %d folders, half of them at the destination...\n", kFolders * kFilesPerFolder,
              kFolders);
  test::MakeDirs(source);  // a host path exists only for what exists
  test::MakeDirs(kDestination);
  const char* tops[] = {"Documents", "Pictures", "Music", "Desktop", "Downloads", "Videos", "Favorites", "Contacts"};
  std::string script = "cd " + test::ShellQuote(test::HostPath(source)) + " && for i in $(seq 1 " +
                       std::to_string(kFolders) + "); do case $((i % 8)) in ";
  for (int t = 0; t < 8; ++t) script += std::to_string(t) + ") top=" + tops[t] + ";; ";
  script += "esac; d=$top/folder$i; mkdir -p $d; (cd $d && seq 1 " + std::to_string(kFilesPerFolder) +
            " | sed 's/^/file/' | xargs truncate -s $(( (i % 7 + 1) * 1024 ))); if [ $((i % 2)) = 0 ]; then mkdir -p " +
            test::ShellQuote(test::HostPath(kDestination)) + "/$top && cp -a $d " +
            test::ShellQuote(test::HostPath(kDestination)) + "/$top/; fi; done";
  test::RunOnHost(script, 600000);
}

double MedianOfThree(const std::function<double()>& run) {
  double times[3] = {run(), run(), run()};
  std::sort(times, times + 3);
  return times[1];
}

// First, so that the process's peak is the plan's own.
void PlanInProcess(const std::string& source) {
  const double before = ResidentPeakMegabytes();
  const double privateBefore = PeakMegabytes();
  Stopwatch watch;
  CommandLine line{.mode = CommandLine::Mode::Migrate, .source = source, .destination = "Public", .plan = true};
  const int code = RunFromCommandLine(line, test::PassingEnvironment());
  const double seconds = watch.Seconds();
  std::printf("/plan in this process ended with %d\n", code);
  Report("plan: in process, once", seconds, "s");
  Report("plan: resident peak of the process before it (VmHWM)", before, "MB");
  Report("plan: resident peak of the process after it (VmHWM)", ResidentPeakMegabytes(), "MB");
  Report("plan: private bytes peak before it", privateBefore, "MB");
  Report("plan: private bytes peak after it", PeakMegabytes(), "MB");
}

void CompareWithTheCount(const std::string& source) {
  FileTotals totals;
  const double count = MedianOfThree([&] {
    std::atomic<bool> keepCounting{true};
    FileCounter counter(keepCounting, nullptr);
    Stopwatch watch;
    counter.CountFolders(FoldersToCount(source));
    totals = counter.Totals();
    return watch.Seconds();
  });
  Tally toCopy;
  std::string refusal;
  const double check = MedianOfThree([&] {
    Stopwatch watch;
    toCopy = EstimateCopy(source, kDestination).ToCopy();
    refusal = NoRoomRefusal(toCopy.bytes, FreeSpaceFolderFor(kDestination));
    return watch.Seconds();
  });
  std::printf("counted %d files (%s); %lld files (%s) still to copy; %s\n", totals.files,
              SizeText(totals.bytes).c_str(), static_cast<long long>(toCopy.files), SizeText(toCopy.bytes).c_str(),
              refusal.empty() ? "it fits" : refusal.c_str());
  Report("free space: the counter's walk of the old profile (median of 3)", count, "s");
  Report("free space: the check, both profiles walked (median of 3)", check, "s");
  Report("free space: check / count", check / count, "x");
}

void PlanAsAProcess(const std::string& source) {
  const std::string program = test::InstalledProgram();
  DWORD exitCode = 0;
  const double seconds = MedianOfThree([&] {
    Stopwatch watch;
    std::optional<test::FinishedRun> run =
        test::RunToEnd({.program = program, .arguments = "/from:" + source + " /to:Public /plan"}, 600000);
    exitCode = run ? run->exitCode : STILL_ACTIVE;
    return watch.Seconds();
  });
  std::printf("ferrowin.exe /from:%s /to:Public /plan ended with %lu\n", source.c_str(),
              static_cast<unsigned long>(exitCode));
  Report("plan: ferrowin.exe as a process, start to exit (median of 3)", seconds, "s");
}

}  // namespace
}  // namespace ferrowin::bench

int main() {
  using namespace ferrowin;
  test::CleanMachine machine;
  const std::string source = machine.AddDrive('d') + "users\\Dan";
  bench::GenerateProfiles(source);
  bench::PlanInProcess(source);
  bench::CompareWithTheCount(source);
  bench::PlanAsAProcess(source);
  return 0;
}
