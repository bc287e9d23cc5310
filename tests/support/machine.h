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

// A migration's log lines without the one that names its log file (its name
// holds the time); the test fails when that line is missing.
std::vector<std::string> WithoutLogFileNote(std::vector<std::string> lines);

// An entry of the registry's ProfileList for the life of the object, as
// Windows writes one at an account's first sign-in: the SID's key, with the
// profile's folder in ProfileImagePath (environment variables allowed).
class ProfileListEntry {
 public:
  ProfileListEntry(std::string sid, const std::string& folder);
  ~ProfileListEntry();
  ProfileListEntry(const ProfileListEntry&) = delete;
  ProfileListEntry& operator=(const ProfileListEntry&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string sid_;
  bool ok_ = false;
};

// What Windows does at the first sign-in of a new account: it builds the
// account's profile folders under c:\users.
void SimulateFirstSignIn(const std::string& name);

// The names of a folder's entries in the file system's own order, keeping
// only those in `wanted`.
std::vector<std::string> InFileSystemOrder(const std::string& folder, const std::vector<std::string>& wanted);

}  // namespace ferrowin::test
