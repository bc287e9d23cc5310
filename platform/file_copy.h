// Copying files so that a name never stands for half a file. The data goes
// into a hidden file beside the target, named after it with
// kUnfinishedCopySuffix; only when it is whole is it given the source's
// attributes and renamed to its real name. A program killed in the middle
// leaves the hidden file, which the next run removes before it copies.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace ferrowin {

inline constexpr std::string_view kUnfinishedCopySuffix = ".ferrowin-partial";

class WholeFileCopier {
 public:
  WholeFileCopier();

  // Copies `from` to `to`, which must not exist; it is never replaced. False
  // when the copy failed (GetLastError says why), and then nothing of it is
  // left at the target.
  bool CopyNew(std::string_view from, std::string_view to);

  // The same, replacing `to` once the copy is whole.
  bool CopyReplacing(std::string_view from, std::string_view to);

 private:
  bool Copy(std::string_view from, std::string_view to, bool replace);
  bool CopyData(HANDLE source, HANDLE target);

  // One buffer for every file: large enough that a big file takes few
  // calls, allocated once so that small files cost nothing extra.
  std::unique_ptr<char[]> buffer_;
};

// Removes the unfinished copies an interrupted run left in a folder (ending
// in a backslash): hidden files whose names end in kUnfinishedCopySuffix,
// nothing else.
void RemoveUnfinishedCopies(const std::string& folder);

}  // namespace ferrowin
