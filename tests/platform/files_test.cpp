#include "platform/files.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/file_copy.h"

#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin {
namespace {

using test::TestFolder;

std::map<std::string, DWORD> Search(const std::string& pattern, DWORD mask) {
  std::map<std::string, DWORD> found;
  for (const DirEntry& entry : DirSearch(pattern, mask)) found[entry.name] = entry.attributes;
  return found;
}

class DirSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeDirs(folder / "Plain folder");
    test::MakeDirs(folder / "Hidden folder");
    SetFileAttributesW(Win32Path(folder / "Hidden folder").c_str(), FILE_ATTRIBUTE_HIDDEN);
    test::WriteFile(folder / "desktop.ini", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    test::WriteFile(folder / "notes.txt", "hello");
  }
  TestFolder folder;
};

TEST_F(DirSearchTest, AllEntriesMaskPassesEverything) {
  auto found = Search(folder.Path() + "\\*", kAllEntriesMask);
  EXPECT_EQ(found.size(), 6u);  // ".", "..", and the four entries
  EXPECT_TRUE(found.count("Hidden folder"));
  EXPECT_TRUE(found.count("desktop.ini"));
}

TEST_F(DirSearchTest, DirectoryMaskPassesOrdinaryFilesButNoHiddenOrSystemEntry) {
  auto found = Search(folder.Path() + "\\*", kDirectoryMask);
  EXPECT_TRUE(found.count("Plain folder"));
  EXPECT_TRUE(found.count("notes.txt"));  // callers test the directory bit themselves
  EXPECT_FALSE(found.count("Hidden folder"));
  EXPECT_FALSE(found.count("desktop.ini"));
  EXPECT_TRUE(found.at("Plain folder") & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(DirSearchTest, AFirstEntryThatDoesNotPassIsSkippedNotTheWholeSearch) {
  TestFolder only;
  test::WriteFile(only / "a-hidden.txt", "", FILE_ATTRIBUTE_HIDDEN);
  test::WriteFile(only / "b-plain.txt", "");
  auto found = Search(only / "*.txt", kDirectoryMask);
  EXPECT_EQ(found.size(), 1u);
  EXPECT_TRUE(found.count("b-plain.txt"));
}

TEST_F(DirSearchTest, MissingFolderYieldsNothingAndSaysWhy) {
  DirSearch search(folder / "absent\\*", kAllEntriesMask);
  EXPECT_EQ(search.begin(), search.end());
  EXPECT_TRUE(search.OpenError() == ERROR_PATH_NOT_FOUND || search.OpenError() == ERROR_FILE_NOT_FOUND)
      << search.OpenError();
}

TEST(DirSearchSizes, SizesAboveFourGibibytesAreWhole) {
  TestFolder folder;
  const std::int64_t size = 5LL * 1024 * 1024 * 1024 + 123;
  ASSERT_TRUE(test::MakeSparseFile(folder / "big.vhd", size));
  std::int64_t seen = -1;
  for (const DirEntry& entry : DirSearch(folder / "*", kAllEntriesMask)) {
    if (entry.name == "big.vhd") seen = entry.size;
  }
  EXPECT_EQ(seen, size);
}

TEST(PathTests, FileAndDirectoryAreToldApart) {
  TestFolder folder;
  test::WriteFile(folder / "file.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  test::MakeDirs(folder / "dir");
  EXPECT_TRUE(PathIsFile(folder / "file.txt"));
  EXPECT_FALSE(PathIsFile(folder / "dir"));
  EXPECT_FALSE(PathIsFile(folder / "missing.txt"));
  EXPECT_TRUE(PathIsDirectory(folder / "dir"));
  EXPECT_FALSE(PathIsDirectory(folder / "file.txt"));
  EXPECT_FALSE(PathIsDirectory(folder / "missing"));
}

TEST(PathTests, AFileDatedOutside1980To2107CountsAsAbsent) {
  TestFolder folder;
  for (int year : {1970, 1979, 1981, 2100, 2110}) {
    std::string path = folder / (std::to_string(year) + ".txt");
    test::WriteFile(path, "x");
    ASSERT_TRUE(test::SetWriteYear(path, year));
  }
  EXPECT_FALSE(PathIsFile(folder / "1970.txt"));
  EXPECT_FALSE(PathIsFile(folder / "1979.txt"));
  EXPECT_TRUE(PathIsFile(folder / "1981.txt"));
  EXPECT_TRUE(PathIsFile(folder / "2100.txt"));
  EXPECT_FALSE(PathIsFile(folder / "2110.txt"));
}

TEST(JoinPathTest, PutsOneBackslashBetweenAFolderAndAName) {
  EXPECT_EQ(JoinPath("c:\\users\\Bob", "Desktop"), "c:\\users\\Bob\\Desktop");
  EXPECT_EQ(JoinPath("c:\\users\\Bob\\", "AppData\\Roaming"), "c:\\users\\Bob\\AppData\\Roaming");
  EXPECT_EQ(JoinPath("d:\\", "users"), "d:\\users");
  EXPECT_EQ(JoinPath("", "Desktop"), "Desktop");
}

TEST(MakeDirectoryTest, CreatesOneLevelOnly) {
  TestFolder folder;
  EXPECT_TRUE(MakeDirectory(folder / "one"));
  EXPECT_FALSE(MakeDirectory(folder / "one"));  // exists already
  EXPECT_FALSE(MakeDirectory(folder / "missing\\two"));
  EXPECT_FALSE(PathIsDirectory(folder / "missing"));
}

// Larger than one slice of a read or a write, and not a whole number of them.
TEST(WholeFiles, BytesArriveWholeAcrossSlicesAndALimitOrATakenNameStopsThem) {
  TestFolder folder;
  std::string content(3 * 1024 * 1024 + 5, 'a');
  for (size_t i = 0; i < content.size(); i += 4093) content[i] = static_cast<char>('b' + i % 20);
  ASSERT_TRUE(WriteNewFile(folder / "new.bin", content));
  EXPECT_EQ(WriteNewFile(folder / "new.bin", "other").Error(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  std::string read;
  ASSERT_TRUE(ReadFileBytes(folder / "new.bin", read, static_cast<std::int64_t>(content.size())));
  EXPECT_EQ(read, content);
  EXPECT_EQ(ReadFileBytes(folder / "new.bin", read, static_cast<std::int64_t>(content.size()) - 1).Error(),
            static_cast<DWORD>(ERROR_FILE_TOO_LARGE));

  ASSERT_TRUE(WriteFileBytes(folder / "same.bin", content));
  std::string changed = content;
  changed.back() = 'z';
  ASSERT_TRUE(WriteFileBytes(folder / "changed.bin", changed));
  const ContentComparison alike = SameContent(folder / "new.bin", folder / "same.bin");
  ASSERT_TRUE(alike.result);
  EXPECT_TRUE(alike.Same());
  const ContentComparison unlike = SameContent(folder / "new.bin", folder / "changed.bin");
  ASSERT_TRUE(unlike.result);
  EXPECT_FALSE(unlike.Same());
}

TEST(NamesAndLengths, NamesOutsideTheAnsiPageAndLongPathsWork) {
  TestFolder folder;
  const std::string unicodeName = "na\xc3\xafve_\xe6\x97\xa5\xe6\x9c\xac.txt";  // naïve_日本.txt
  test::WriteFile(folder / unicodeName, "data");
  bool found = false;
  for (const DirEntry& entry : DirSearch(folder / "*", kAllEntriesMask)) found |= entry.name == unicodeName;
  EXPECT_TRUE(found);
  EXPECT_TRUE(PathIsFile(folder / unicodeName));

  std::string deep = folder.Path();
  while (deep.size() < 300) deep += "\\a-rather-long-folder-name";
  test::MakeDirs(deep);
  ASSERT_TRUE(PathIsDirectory(deep));
  ASSERT_GT((deep + "\\file.txt").size(), 300u);
  test::WriteFile(deep + "\\file.txt", "deep");
  EXPECT_TRUE(PathIsFile(deep + "\\file.txt"));
  EXPECT_TRUE(WholeFileCopier().CopyNew(folder / unicodeName, deep + "\\" + unicodeName));
  EXPECT_EQ(test::ReadWholeFile(deep + "\\" + unicodeName), "data");
  EXPECT_TRUE(MoveEntry(deep + "\\file.txt", deep + "\\moved.txt"));
  EXPECT_TRUE(PathIsFile(deep + "\\moved.txt"));
}

}  // namespace
}  // namespace ferrowin
