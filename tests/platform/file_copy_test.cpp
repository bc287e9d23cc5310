// Whole-file copies on real files: a whole copy takes its source's
// attributes and time under its real name only. (A copy that fails part-way
// is tried through the transfer, under a file-size limit and on a full disk.)
#include "platform/file_copy.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/host.h"
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

TEST(WholeFileCopy, OnlyUnfinishedCopiesAreRemoved) {
  TestFolder folder;
  // Ours whatever its attributes; an earlier version's only when hidden.
  test::WriteFile(folder / "~ferrowin-00000abc00000002.partial", "unfinished", FILE_ATTRIBUTE_READONLY);
  test::WriteFile(folder / "~ferrowin-holiday.partial", "the user's own");
  test::WriteFile(folder / "video.mp4.ferrowin-partial", "unfinished", FILE_ATTRIBUTE_HIDDEN);
  test::WriteFile(folder / "notes.ferrowin-partial", "the user's own", FILE_ATTRIBUTE_NORMAL);
  test::WriteFile(folder / "video.mp4", "whole", FILE_ATTRIBUTE_HIDDEN);
  test::MakeDirs(folder / "old.ferrowin-partial");
  SetFileAttributesW(Win32Path(folder / "old.ferrowin-partial").c_str(), FILE_ATTRIBUTE_HIDDEN);
  RemoveUnfinishedCopies(folder.Path() + "\\");
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{"notes.ferrowin-partial", "old.ferrowin-partial\\",
                                                       "video.mp4", "~ferrowin-holiday.partial"}));
}

// Wine keeps neither named streams nor sparse files, so a stand-in for the
// file system answers for them: the copy must carry the streams into its
// hidden unfinished file, before that takes the real name, and write only
// the data of a sparse file.
class StandInExtras : public FileExtras {
 public:
  struct Call {
    std::wstring from, to;
    DWORD toAttributes;
  };
  bool IsSparse(HANDLE, DWORD) const override { return sparse; }
  Win32Result CopyNamedStreams(HANDLE, const std::wstring& from, const std::wstring& to) const override {
    calls.push_back({from, to, GetFileAttributesW(to.c_str())});
    return streamResult;
  }

  bool sparse = false;
  Win32Result streamResult;
  mutable std::vector<Call> calls;
};

TEST(WholeFileCopy, NamedStreamsGoIntoTheHiddenCopyAndAFailedOneFailsTheFile) {
  TestFolder folder;
  test::WriteFile(folder / "report.docx", "report");
  StandInExtras extras;
  WholeFileCopier copier(extras);
  ASSERT_TRUE(copier.CopyNew(folder / "report.docx", folder / "copy.docx"));
  ASSERT_EQ(extras.calls.size(), 1u);
  EXPECT_EQ(extras.calls[0].from, Win32Path(folder / "report.docx"));
  const std::string unfinished = Narrow(extras.calls[0].to.substr(extras.calls[0].to.rfind(L'\\') + 1));
  EXPECT_TRUE(IsUnfinishedCopy(unfinished, extras.calls[0].toAttributes)) << unfinished;
  EXPECT_TRUE(extras.calls[0].toAttributes & FILE_ATTRIBUTE_HIDDEN);

  extras.streamResult = Win32Result(ERROR_DISK_FULL);
  EXPECT_EQ(copier.CopyNew(folder / "report.docx", folder / "second.docx").Error(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{"copy.docx", "report.docx"}));
}

TEST(WholeFileCopy, ASparseFileStaysSparse) {
  TestFolder folder;
  constexpr std::int64_t kSize = 1LL << 30;
  ASSERT_TRUE(test::MakeSparseFile(folder / "disk.vhd", kSize));
  ASSERT_TRUE(test::WriteAt(folder / "disk.vhd", kSize / 2, "data"));
  StandInExtras extras;
  extras.sparse = true;
  ASSERT_TRUE(WholeFileCopier(extras).CopyNew(folder / "disk.vhd", folder / "copy.vhd"));
  EXPECT_EQ(test::FileSize(folder / "copy.vhd"), kSize);
  EXPECT_EQ(test::ReadAt(folder / "copy.vhd", kSize / 2, 4), "data");
  // Written in full it would take a gibibyte of the disk.
  EXPECT_EQ(test::RunOnHost("test $(du -k " + test::ShellQuote(test::HostPath(folder / "copy.vhd")) +
                            " | cut -f1) -lt 4096"),
            0);
}

}  // namespace
}  // namespace ferrowin
