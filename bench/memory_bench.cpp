// The memory a migration takes as the profile grows: the wizard carries a
// generated profile of 300,000 files, copied from a second drive into
// Public and then moved back within C:, and the process's peak is read after
// each step. Run it in a process of its own: the peak only ever grows.
#include "app/Unit2.h"
#include "bench/bench_support.h"
#include "bench/wizard.h"
#include "migration/parallel_copy.h"
#include "migration/transfer.h"
#include "platform/files.h"
#include "tests/support/machine.h"
#include "tests/support/window.h"

namespace ferrowin::bench {
namespace {

// Folders of `perFolder` empty files under Documents and Pictures.
void GenerateProfile(const std::string& profile, int folders, int perFolder) {
  std::printf("generating %d files in %d folders...\n", folders * perFolder, folders);
  test::MakeDirs(profile + "\\Documents");
  test::MakeDirs(profile + "\\Pictures");
  test::RunOnHost("cd " + test::ShellQuote(test::HostPath(profile)) + " && for i in $(seq 1 " +
                      std::to_string(folders) + "); do d=$([ $((i % 2)) = 0 ] && echo Documents || echo Pictures)/f$i; " +
                      "mkdir -p $d; (cd $d && seq 1 " + std::to_string(perFolder) +
                      " | sed 's/^/file-with-a-longish-name-/' | xargs touch); done",
                  1200000);
}

double Migrate(const std::string& source, const std::string& destination) {
  OpenWizard wizard;
  TfrmMain& form = wizard.form;
  wizard.Choose(form.lbInfectedUser, source);
  wizard.WaitForTheCount();
  wizard.Choose(form.lbNewUser, destination);
  Stopwatch watch;
  test::Click(form.cmdNext6);
  double seconds = watch.Seconds();
  std::printf("window: %s, %s, log of %zu lines\n", form.lblFileCount.Text().c_str(), form.lblMagic4.Text().c_str(),
              form.memoRecovery.Lines().size());
  std::vector<std::string> log = form.memoRecovery.Lines();
  for (size_t i = 0; i < log.size() && i < 8; ++i) std::printf("  log: %s\n", log[i].c_str());
  return seconds;
}

class QuietView : public TransferView {
 public:
  void SetStatus(const std::string&) override {}
  void AddLogLine(const std::string&) override {}
};

// Whose is the memory a copy of one large flat folder takes, Wine's or
// ours? The same files copied first by a bare CopyFileW loop, which keeps
// nothing, then by the engine, then by the engine again over its own copy
// (a rerun, which lists the whole destination folder once): the resident
// peak only grows, so each step's growth is its own.
void MeasureFlatFolder(int files) {
  test::CleanMachine machine;
  const std::string source = machine.AddDrive('d') + "users\\Flat\\Pictures";
  std::printf("generating %d files in one folder...\n", files);
  test::MakeDirs(source);
  test::RunOnHost("cd " + test::ShellQuote(test::HostPath(source)) + " && head -c 2048 /dev/urandom > IMG_0 && " +
                      "perl -e 'link \"IMG_0\", \"IMG_$_\" for 1.." + std::to_string(files - 1) + "'",
                  600000);
  const std::string work = "C:\\ferrowin-bench-flat";
  auto report = [](const char* after) {
    std::printf("%-46s resident peak %7.1f MB, Windows' peak %7.1f MB\n", after, ResidentPeakMegabytes(), PeakMegabytes());
  };
  report("at start");
  test::MakeDirs(work + "\\bare");
  for (const DirEntry& entry : DirSearch(source + "\\*", kAllEntriesMask)) {
    if (entry.IsDotEntry()) continue;
    CopyFileW(Win32Path(source + "\\" + entry.name).c_str(), Win32Path(work + "\\bare\\" + entry.name).c_str(), TRUE);
  }
  report("after a bare CopyFileW loop");
  test::RemoveTree(work + "\\bare");
  QuietView view;
  std::int64_t copied = 0;
  test::MakeDirs(work + "\\ours");
  const int workers = CopyWorkersFor(source, work);
  FolderTransfer(view, copied, 1, {}, {.copyWorkers = workers}).CopyFolderContents(source + "\\", work + "\\ours\\");
  report("after the engine");
  FolderTransfer(view, copied, 1, {}, {.copyWorkers = workers}).CopyFolderContents(source + "\\", work + "\\ours\\");
  report("after the engine again, over its own copy");
  test::RemoveTree(work);
}

}  // namespace
}  // namespace ferrowin::bench

int main(int argc, char** argv) {
  using namespace ferrowin;
  // memory_bench flat FILES: whose is the memory a flat folder's copy takes.
  if (argc > 1 && std::string(argv[1]) == "flat") {
    bench::MeasureFlatFolder(argc > 2 ? std::atoi(argv[2]) : 42000);
    return 0;
  }
  const int folders = argc > 1 ? std::atoi(argv[1]) : 3000;
  const int perFolder = argc > 2 ? std::atoi(argv[2]) : 100;
  test::CleanMachine machine;
  const std::string drive = machine.AddDrive('d');
  bench::GenerateProfile(drive + "users\\Many", folders, perFolder);
  bench::Report("memory: peak at start", bench::PeakMegabytes(), "MB");
  bench::Report("memory: resident peak at start (Wine's and ours)", bench::ResidentPeakMegabytes(), "MB");
  bench::Report("copy of the profile into Public, through the window", bench::Migrate("d:\\users\\Many", "Public"), "s");
  bench::Report("memory: peak after the copy", bench::PeakMegabytes(), "MB");
  bench::Report("memory: resident peak after the copy (Wine's and ours)", bench::ResidentPeakMegabytes(), "MB");
  // A profile as its first sign-in leaves it: the data folders are there,
  // so the move goes one level down into each (the folders of the
  // generated profile are renamed one by one).
  for (const char* folder : {"Desktop", "Documents", "Pictures"}) test::MakeDirs(std::string("c:\\users\\Back\\") + folder);
  bench::Report("move of Public back into another profile", bench::Migrate("Public", "Back"), "s");
  bench::Report("memory: peak after the move", bench::PeakMegabytes(), "MB");
  bench::Report("memory: resident peak after the move (Wine's and ours)", bench::ResidentPeakMegabytes(), "MB");
  return 0;
}
