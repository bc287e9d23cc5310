// Why files could not be carried, where the transfer can say more than one
// ERROR line per file: a destination that ran out of space, and files that
// another program holds open (asked of the Restart Manager: which program).
// It keeps counts, sizes and a bounded list of names, never a list that
// grows with the profile.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ferrowin {

// The programs that hold any of these files open, by the names they show
// (Microsoft Outlook); none when nobody is named or the question cannot be
// asked.
using HolderLookup = std::function<std::vector<std::string>(const std::vector<std::string>& paths)>;

// Asks the Restart Manager of the system folder's rstrtmgr.dll, all the files
// in one session.
std::vector<std::string> RestartManagerHolders(const std::vector<std::string>& paths);

class FailureCauses {
 public:
  // A file that could not be moved or copied to `target`, and why; causes
  // other than a full disk or a file held open are not kept.
  void Failed(const std::string& path, const std::string& name, std::int64_t size, const std::string& target,
              DWORD error);

  // The NOTE lines, one per cause seen, none when there was none.
  std::vector<std::string> Notes(const HolderLookup& holders) const;

  static constexpr size_t kNamesShown = 5;
  // The files the Restart Manager is asked about: a program holding more
  // has shown itself by then.
  static constexpr size_t kPathsAsked = 1000;

 private:
  std::int64_t fullFiles_ = 0;
  std::int64_t fullBytes_ = 0;
  std::string fullDrive_;  // "C:"
  std::int64_t heldFiles_ = 0;
  std::vector<std::string> heldNames_;
  std::vector<std::string> heldPaths_;
};

}  // namespace ferrowin
