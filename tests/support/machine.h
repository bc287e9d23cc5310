// The machine a test migrates on: c:\users, the old installations on C:
// and the other drive letters of the Wine prefix, put back to a known state
// before and after each test.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ferrowin::test {

class CleanMachine {
 public:
  CleanMachine() { Reset(); }
  ~CleanMachine() { Reset(); }
  CleanMachine(const CleanMachine&) = delete;
  CleanMachine& operator=(const CleanMachine&) = delete;

  // Maps a drive letter (D: to Z:) to a new empty folder of its own, which
  // Reset removes again. Returns the drive's root, e.g. "e:\".
  std::string AddDrive(char letter);

 private:
  // Leaves in c:\users only an empty Public and the Wine user's own hidden
  // profile, no old installation on C:, and no drive letter but C:.
  static void Reset();
};

// The five lines that end the log of a migration.
std::vector<std::string> Report(const std::string& source, const std::string& name);

// What Windows does at the first sign-in of a new account: it builds the
// account's profile folders under c:\users.
void SimulateFirstSignIn(const std::string& name);

// The names of a folder's entries in the file system's own order, keeping
// only those in `wanted`.
std::vector<std::string> InFileSystemOrder(const std::string& folder, const std::vector<std::string>& wanted);

}  // namespace ferrowin::test
