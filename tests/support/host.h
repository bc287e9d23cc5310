// Reaching the Linux host from a test running under Wine: its paths, its
// shell, and the drive letters of the Wine prefix.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ferrowin::test {

// Checks `done` every 20 ms, without pumping messages; false when it did not
// hold within the time.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);

// The folder of a path: all before its last backslash.
std::string FolderOf(const std::string& path);

// True when the test runs under Wine (the only place the host tools exist).
bool RunningUnderWine();

// The host path of a Windows path ("c:\foo" -> "/.../drive_c/foo").
std::string HostPath(std::string_view windowsPath);

// Runs a shell command on the host and waits for it, at most the given time.
// Returns the command's exit status, or -1 when it could not run or did not
// finish in time.
int RunOnHost(std::string_view shellCommand, int timeoutMs = 30000);

// Makes `count` empty files named f1 to fN in a folder, made if missing.
// They are names of a few files (hard links): a disk may make a new file a
// hundred times slower than a new name, and a test that needs many entries
// would spend its time limit making them. False when that failed.
bool MakeManyEmptyFiles(std::string_view windowsFolder, int count);

// Quotes a text for the host shell.
std::string ShellQuote(std::string_view text);

// Maps a drive letter of the prefix to a Windows folder (D: to Z:), as a
// second disk; unmapping removes the letter again.
bool MapDrive(char letter, std::string_view windowsFolder);
void UnmapDrive(char letter);
// Removes every letter from D: to Z:.
void UnmapAllDrives();

// A drive mapping that lasts for one test.
class MappedDrive {
 public:
  MappedDrive(char letter, std::string_view windowsFolder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;
  bool Ok() const { return ok_; }
  std::string Root() const { return std::string(1, letter_) + ":\\"; }

 private:
  char letter_;
  bool ok_;
};

}  // namespace ferrowin::test
