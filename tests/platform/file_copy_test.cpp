// Whole-file copies on real files: a whole copy takes its source's
// attributes and time under its real name only. (A copy that fails part-way
// is tried through the transfer, under a file-size limit and on a full disk.)
#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::TestFolder;

std::vector<std::string> Entries(const TestFolder& folder) { return test::ListTree(folder.Path()); }

TEST(WholeFileCopy, AWholeCopyTakesItsSourcesAttributesAndTimeAndNoTemporaryNameIsLeft) {
  TestFolder folder;
  std::string content(3 << 20, 'x');
  content.replace(2 << 20, 5, "later");
  test::WriteFile(folder / "video.mp4", content, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(test::SetWriteYear(folder / "video.mp4", 2015));
  test::WriteFile(folder / "plain.txt", "plain");
  WholeFileCopier copier;
  ASSERT_TRUE(copier.CopyNew(folder / "video.mp4", folder / "copy.mp4"));
  ASSERT_TRUE(copier.CopyNew(folder / "plain.txt", folder / "plain copy.txt"));
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{"copy.mp4", "plain copy.txt", "plain.txt", "video.mp4"}));
  EXPECT_EQ(test::ReadWholeFile(folder / "copy.mp4"), content);
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(test::AttributesOf(folder / "copy.mp4") & kept, kept);
  // The hidden mark of the copy under way is gone once the copy is whole.
  EXPECT_EQ(test::AttributesOf(folder / "plain copy.txt") & kept, 0u);
  WIN32_FILE_ATTRIBUTE_DATA source, copy;
  ASSERT_TRUE(GetFileAttributesExW(Win32Path(folder / "video.mp4").c_str(), GetFileExInfoStandard, &source));
  ASSERT_TRUE(GetFileAttributesExW(Win32Path(folder / "copy.mp4").c_str(), GetFileExInfoStandard, &copy));
  EXPECT_EQ(CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime), 0);
}

TEST(WholeFileCopy, NeverReplacesAnExistingFileUnlessAsked) {
  TestFolder folder;
  test::WriteFile(folder / "source.txt", "new");
  test::WriteFile(folder / "target.txt", "old");
  WholeFileCopier copier;
  EXPECT_FALSE(copier.CopyNew(folder / "source.txt", folder / "target.txt"));
  EXPECT_EQ(test::ReadWholeFile(folder / "target.txt"), "old");
  EXPECT_TRUE(copier.CopyReplacing(folder / "source.txt", folder / "target.txt"));
  EXPECT_EQ(test::ReadWholeFile(folder / "target.txt"), "new");
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{"source.txt", "target.txt"}));
}

TEST(WholeFileCopy, OnlyHiddenUnfinishedCopiesAreRemoved) {
  TestFolder folder;
  test::WriteFile(folder / "video.mp4.ferrowin-partial", "unfinished", FILE_ATTRIBUTE_HIDDEN);
  test::WriteFile(folder / "notes.ferrowin-partial", "the user's own", FILE_ATTRIBUTE_NORMAL);
  test::WriteFile(folder / "video.mp4", "whole", FILE_ATTRIBUTE_HIDDEN);
  test::MakeDirs(folder / "old.ferrowin-partial");
  SetFileAttributesW(Win32Path(folder / "old.ferrowin-partial").c_str(), FILE_ATTRIBUTE_HIDDEN);
  RemoveUnfinishedCopies(folder.Path() + "\\");
  EXPECT_EQ(Entries(folder),
            (std::vector<std::string>{"notes.ferrowin-partial", "old.ferrowin-partial\\", "video.mp4"}));
}

}  // namespace
}  // namespace ferrowin
