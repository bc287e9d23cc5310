// A folder that exists but cannot be listed must not be passed over in
// silence. Root reads every folder, so ctest also runs this test in a process
// without that power (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdlib>

#include "migration/transfer.h"
#include "platform/files.h"
#include "tests/migration/recording_transfer_view.h"
#include "tests/support/host.h"
#include "tests/support/machine.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::TestFolder;

// Takes every permission away from a folder for the life of the object.
class LockedFolder {
 public:
  explicit LockedFolder(const std::string& path) : host_(test::HostPath(path)) {
    test::RunOnHost("chmod 000 " + test::ShellQuote(host_));
  }
  ~LockedFolder() { test::RunOnHost("chmod 755 " + test::ShellQuote(host_)); }

 private:
  std::string host_;
};

bool CanBeListed(const std::string& folder) {
  return DirSearch(folder + "\\*", kAllEntriesMask).OpenError() == ERROR_SUCCESS;
}

TEST(UnreadableFolder, IsNamedInTheLogWhetherMovedOrCopied) {
  test::CleanMachine machine;
  std::string drive = machine.AddDrive('d');
  test::WriteFile(drive + "src\\Locked\\secret.txt", "s");
  test::WriteFile(drive + "src\\open.txt", "o");
  TestFolder moveSource;
  test::WriteFile(moveSource / "Locked\\secret.txt", "s");
  LockedFolder lockedCopy(drive + "src\\Locked");
  LockedFolder lockedMove(moveSource / "Locked");
  if (CanBeListed(drive + "src\\Locked")) {
    ASSERT_EQ(getenv("FERROWIN_REQUIRE_UNREADABLE"), nullptr) << "the folder could still be read";
    GTEST_SKIP() << "this process may read any folder (root with CAP_DAC_OVERRIDE); ctest runs this test "
                    "again without that capability";
  }

  TestFolder destination;
  test::RecordingTransferView view;
  std::int64_t copiedBytes = 0;
  std::int64_t countedBytes = 0;
  FolderTransfer copying(view, copiedBytes, countedBytes, drive + "src\\");
  copying.TransferFolder(drive + "src\\", destination.Path() + "\\");
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Could not read the folder " + drive + "src\\Locked\\"});
  EXPECT_TRUE(PathIsFile(destination / "open.txt"));

  // Moving into a destination that already has the folder means reading it.
  view.log.clear();
  test::MakeDirs(destination / "Locked");
  FolderTransfer moving(view, copiedBytes, countedBytes, moveSource.Path() + "\\");
  moving.TransferFolder(moveSource.Path() + "\\", destination.Path() + "\\");
  EXPECT_EQ(view.log, std::vector<std::string>{"ERROR: Could not read the folder " + moveSource / "Locked\\"});
}

}  // namespace
}  // namespace ferrowin
