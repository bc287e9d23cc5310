// Building and reading real file trees for tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ferrowin::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TestFolder {
 public:
  // A new folder below `parent` (which is created when missing).
  explicit TestFolder(std::string_view parent = "C:\\ferrowin-tests");
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, without a trailing backslash.
  const std::string& Path() const { return path_; }
  // A path inside the folder.
  std::string operator/(std::string_view relative) const { return path_ + "\\" + std::string(relative); }

 private:
  std::string path_;
};

// Creates every missing level of a folder path.
void MakeDirs(std::string_view path);

// Writes a file (making its folders) and sets its attributes.
void WriteFile(std::string_view path, std::string_view content = "", DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// A file of the given size that takes no disk space.
bool MakeSparseFile(std::string_view path, std::int64_t size);

// Writes bytes at an offset of an existing file; reads them back. The size
// of a file, or -1 when there is none.
bool WriteAt(std::string_view path, std::int64_t offset, std::string_view bytes);
std::string ReadAt(std::string_view path, std::int64_t offset, size_t length);
std::int64_t FileSize(std::string_view path);

// Sets the last-write time to 1 January of the given year (UTC).
bool SetWriteYear(std::string_view path, int year);

std::string ReadWholeFile(std::string_view path);
DWORD AttributesOf(std::string_view path);

// Removes a tree, links included but never followed.
bool RemoveTree(std::string_view path);

// Every entry below `root` as a relative path, folders ending in "\", sorted.
std::vector<std::string> ListTree(std::string_view root);

// A host symbolic link, which Wine shows as a directory with the
// reparse-point attribute. `target` is a host path, absolute or relative to
// the link's folder.
bool MakeHostSymlink(std::string_view windowsLinkPath, std::string_view target);

}  // namespace ferrowin::test
