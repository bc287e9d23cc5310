// The one walk through a folder tree, and results that keep their reason.
#include "platform/tree_walk.h"

#include <gtest/gtest.h>

#include "platform/file_copy.h"
#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::TestFolder;

// Every step of a walk as "entry NAME", "unreadable PATH (ERROR)" or "leave PATH".
std::vector<std::string> Steps(TreeWalk& walk, const std::function<void(const WalkEntry&)>& onEntry = nullptr) {
  std::vector<std::string> steps;
  for (TreeWalk::Step step; (step = walk.Next()) != TreeWalk::Step::End;) {
    switch (step) {
      case TreeWalk::Step::Entry:
        steps.push_back("entry " + walk.Current().path);
        if (onEntry) onEntry(walk.Current());
        break;
      case TreeWalk::Step::Unreadable:
        steps.push_back("unreadable " + walk.Current().path + " (" + std::to_string(walk.Error()) + ")");
        break;
      case TreeWalk::Step::Leave: steps.push_back("leave " + walk.Current().path); break;
      case TreeWalk::Step::End: break;
    }
  }
  return steps;
}

TEST(TreeWalkTest, GoesDepthFirstPastLinksAndNamesAFolderThatWentAwayMeanwhile) {
  TestFolder root;
  test::WriteFile(root / "a.txt", "a");
  test::WriteFile(root / "Sub\\b.txt", "b");
  test::WriteFile(root / "Vanishing\\c.txt", "c");
  ASSERT_TRUE(test::MakeHostSymlink(root / "Link", ".."));
  TreeWalk walk(root.Path());
  // A folder removed between the walk finding it and going into it, as a
  // drive unplugged would take it.
  const std::vector<std::string> steps = Steps(walk, [&](const WalkEntry& entry) {
    if (entry.name == "Vanishing") test::RemoveTree(entry.path);
  });
  const std::string r = root.Path() + "\\";
  EXPECT_EQ(steps,
            (std::vector<std::string>{"entry " + r + "a.txt", "entry " + r + "Link", "entry " + r + "Sub",
                                      "entry " + r + "Sub\\b.txt", "leave " + r + "Sub\\", "entry " + r + "Vanishing",
                                      "unreadable " + r + "Vanishing\\ (" + std::to_string(ERROR_PATH_NOT_FOUND) + ")",
                                      "leave " + r + "Vanishing\\", "leave " + r}));

  TreeWalk missing(root / "absent");
  EXPECT_EQ(missing.Next(), TreeWalk::Step::Unreadable);
  EXPECT_TRUE(TreeWalk::IsMissing(missing.Error()));
}

// The reason of a failure is taken when it happens: the calls that clean up
// after it (closing, deleting the unfinished copy) cannot overwrite it.
TEST(Win32ResultTest, AFailureKeepsItsReasonAcrossLaterCalls) {
  TestFolder folder;
  test::WriteFile(folder / "source.txt", "new");
  test::WriteFile(folder / "target.txt", "old");
  const Win32Result copied = WholeFileCopier().CopyNew(folder / "source.txt", folder / "target.txt");
  const Win32Result made = MakeDirectory(folder.Path());
  EXPECT_TRUE(PathExists(folder / "source.txt"));  // a call that succeeds
  EXPECT_FALSE(copied.Ok());
  EXPECT_TRUE(copied.Error() == ERROR_ALREADY_EXISTS || copied.Error() == ERROR_FILE_EXISTS) << copied.Error();
  EXPECT_EQ(made.Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(made.Reason(), SystemErrorText(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(test::ListTree(folder.Path()), (std::vector<std::string>{"source.txt", "target.txt"}));
}

}  // namespace
}  // namespace ferrowin
