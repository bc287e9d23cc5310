// The file counter on a large generated profile: its speed against the
// host's own tools, and how long the window takes to answer while it counts.
#include <algorithm>
#include <atomic>

#include "app/Unit2.h"
#include "bench/bench_support.h"
#include "bench/wizard.h"
#include "platform/application.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profiles/file_counter.h"
#include "tests/support/machine.h"
#include "tests/support/window.h"

namespace ferrowin::bench {
namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 50;
const char* const kProfile = "c:\\users\\BenchUser";

void GenerateProfile() {
  std::printf("generating %d files in %d folders...\n", kFolders * kFilesPerFolder, kFolders);
  const char* tops[] = {"Documents", "Pictures", "Music", "Desktop", "Downloads", "Videos", "Favorites", "Contacts"};
  std::string script = "cd " + test::ShellQuote(test::HostPath(kProfile)) + " && for i in $(seq 1 " +
                       std::to_string(kFolders) + "); do ";
  script += "case $((i % 8)) in ";
  for (int t = 0; t < 8; ++t) script += std::to_string(t) + ") top=" + tops[t] + ";; ";
  script += "esac; d=$top/folder$i; mkdir -p $d; (cd $d && seq 1 " + std::to_string(kFilesPerFolder) +
            " | sed 's/^/file/' | xargs truncate -s $(( (i % 7 + 1) * 1024 ))); done";
  test::MakeDirs(kProfile);
  test::RunOnHost(script, 600000);
  // Some hidden and system files, as profiles have them.
  for (int i = 1; i <= kFolders; i += 20) {
    std::string folder = std::string(kProfile) + "\\" + tops[i % 8] + "\\folder" + std::to_string(i);
    SetFileAttributesW(Win32Path(folder + "\\file1").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  }
}

double MedianOfThree(const std::function<double()>& run) {
  double times[3] = {run(), run(), run()};
  std::sort(times, times + 3);
  return times[1];
}

// The least a count can cost through Win32 here: a bare search loop.
std::int64_t BareSearch(const std::wstring& folder) {
  std::int64_t files = 0;
  WIN32_FIND_DATAW data;
  UniqueFindHandle search(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) return 0;
  do {
    if (data.cFileName[0] == L'.' && (data.cFileName[1] == 0 || (data.cFileName[1] == L'.' && data.cFileName[2] == 0))) {
      continue;
    }
    files += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? BareSearch(folder + data.cFileName + L"\\") : 1;
  } while (FindNextFileW(search.Get(), &data));
  return files;
}

void CompareWithHostTools() {
  FileTotals totals;
  double ours = MedianOfThree([&] {
    std::atomic<bool> keepCounting{true};
    FileCounter counter(keepCounting, nullptr);
    Stopwatch watch;
    counter.CountFolders(FoldersToCount(kProfile));
    totals = counter.Totals();
    return watch.Seconds();
  });
  const std::string host = test::ShellQuote(test::HostPath(kProfile));
  double find = MedianOfThree([&] { return TimeOnHost("find " + host + " -type f | wc -l"); });
  double du = MedianOfThree([&] { return TimeOnHost("du -sb " + host); });
  double bare = MedianOfThree([&] {
    Stopwatch watch;
    BareSearch(Widen(kProfile) + L"\\");
    return watch.Seconds();
  });
  std::printf("counted %d files, %lld bytes\n", totals.files, static_cast<long long>(totals.bytes));
  Report("count: our counter (median of 3)", ours, "s");
  Report("count: a bare FindFirstFileEx loop, nothing else", bare, "s");
  Report("count: find -type f | wc -l (host)", find, "s");
  Report("count: du -sb (host)", du, "s");
  Report("count: ours / du -sb", ours / du, "x");
  Report("count: ours / find", ours / find, "x");
}

// How long the window takes to answer while it counts.
void MeasureResponsiveness() {
  OpenWizard wizard;
  TfrmMain& form = wizard.form;
  Pinger pinger(form.Handle());
  Stopwatch watch;
  wizard.Choose(form.lbInfectedUser, "BenchUser");
  wizard.WaitForTheCount();
  double counting = watch.Seconds();
  pinger.Stop();
  std::printf("window: %s after %d pings\n", form.lblFileCount.Text().c_str(), pinger.Pings());
  Report("window: count in the background", counting, "s");
  Report("window: longest wait for an answer while counting", pinger.LongestMs(), "ms");
}

}  // namespace
}  // namespace ferrowin::bench

int main() {
  using namespace ferrowin;
  test::CleanMachine machine;
  bench::GenerateProfile();
  bench::CompareWithHostTools();
  bench::MeasureResponsiveness();
  return 0;
}
