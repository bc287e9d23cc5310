// What a copy would still write into the new profile, and whether its drive
// has room for it: asked before anything is written, so that a copy that
// cannot fit is refused instead of failing file after file on a full disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "migration/left_behind.h"

namespace ferrowin {

// One folder the catalogue carries, set against the same folder of the new
// profile, as they stand before anything is carried.
struct FolderEstimate {
  std::string relative;  // relative to the profile, as in "Documents"
  Tally all;             // every file of the old profile's folder
  // Files whose names the new profile lacks: what the copy writes.
  Tally toCopy;
  // Files the new profile holds under the same name with the same size:
  // an earlier run's copies, written again by nobody.
  Tally alreadyThere;
  // Entries the new profile's own entry of the same name keeps out.
  Tally sameName;
  std::int64_t sameNameEntries = 0;
  std::vector<std::string> sameNamesShown;  // the first few, relative to the old profile
  // Links on the way to the folder or inside it, never followed.
  std::vector<std::string> links;
};

struct CopyEstimate {
  std::vector<FolderEstimate> folders;

  Tally All() const;
  Tally ToCopy() const;
};

// The folders of `source` the catalogue would carry (relative, those whose
// conditions hold), each walked once and set against the same folder of
// `destination`, which is listed once where the source has a folder; a
// destination that does not exist yet holds nothing.
CopyEstimate EstimateCopy(const std::string& source, const std::string& destination);

// The bytes the caller may still write on the drive of an existing folder;
// nullopt when the drive does not say.
std::optional<std::int64_t> FreeBytesAt(const std::string& folder);

// What a copy of `bytes` needs free: a margin beyond them of 1%, at least
// 100 MB, for the file system's own records and whatever else writes there.
std::int64_t SpaceNeededFor(std::int64_t bytes);

// The folder whose drive a copy into `profile` writes on: the profile, or
// c:\users while the new account has no profile yet.
std::string FreeSpaceFolderFor(const std::string& profile);

// The refusal, or empty when `bytes` fit into what the drive of `folder`
// has free (or the drive does not say).
std::string NoRoomRefusal(std::int64_t bytes, const std::string& folder);

}  // namespace ferrowin
