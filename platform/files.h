// The file-system primitives every other part of the program is built on.
// Paths are UTF-8; each call goes to the wide Win32 function, absolute paths
// in their \\?\ form, so no name or length is out of reach.
#pragma once

#include <windows.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/win32_result.h"

namespace ferrowin {

// Attribute masks of a directory search. The directory mask passes ordinary
// files and directories but passes over every hidden, system or volume-label
// entry; callers test the directory bit themselves.
inline constexpr DWORD kAllEntriesMask = 63;
inline constexpr DWORD kDirectoryMask = FILE_ATTRIBUTE_DIRECTORY;

// Both hidden and system: how Windows marks its own entries (desktop.ini,
// the compatibility links of a profile).
inline bool IsHiddenSystem(DWORD attributes) {
  const DWORD both = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (attributes & both) == both;
}

struct DirEntry {
  std::string name;
  DWORD attributes = 0;
  std::int64_t size = 0;
  FILETIME lastWrite{};

  bool IsDotEntry() const { return name == "." || name == ".."; }
  bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsReparsePoint() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool IsHiddenSystem() const { return ferrowin::IsHiddenSystem(attributes); }
};

// A directory search over FindFirstFile/FindNextFile, usable in a range-for.
// The pattern is a folder followed by "*" or "\*". The search closes when the
// iteration ends or the object goes away, whichever comes first.
class DirSearch {
 public:
  DirSearch(std::string_view pattern, DWORD mask);

  // ERROR_SUCCESS when the search found an entry; otherwise why it found
  // none (ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND for a missing folder).
  DWORD OpenError() const { return openError_; }
  // Once the entries have run out: ERROR_SUCCESS when the listing came to
  // its end, otherwise why it broke off (the drive went away, say).
  DWORD StopError() const { return stopError_; }

  class Iterator {
   public:
    using value_type = DirEntry;
    using difference_type = std::ptrdiff_t;
    Iterator() = default;
    explicit Iterator(DirSearch* search) : search_(search) {}
    const DirEntry& operator*() const { return search_->current_; }
    const DirEntry* operator->() const { return &search_->current_; }
    Iterator& operator++() {
      if (!search_->Advance()) search_ = nullptr;
      return *this;
    }
    bool operator==(const Iterator& other) const { return search_ == other.search_; }

   private:
    DirSearch* search_ = nullptr;
  };

  Iterator begin() { return handle_ ? Iterator(this) : Iterator(); }
  Iterator end() { return Iterator(); }

 private:
  bool Passes(const WIN32_FIND_DATAW& data) const;
  bool Advance();
  void Take(const WIN32_FIND_DATAW& data);

  UniqueFindHandle handle_;
  DWORD excluded_ = 0;
  DWORD openError_ = ERROR_SUCCESS;
  DWORD stopError_ = ERROR_SUCCESS;
  DirEntry current_;
};

// The path as the wide Win32 calls want it: an absolute path in the form
// \\?\C:\..., taken as it stands. It passes the 260-character limit, and a name
// that ends in a full stop or a blank ("report.") keeps it instead of
// standing for its look-alike ("report").
std::wstring Win32Path(std::string_view path);

// A folder and a name below it, with one backslash between them whether or
// not the folder ends in one ("c:\\users\\Bob" or "c:\\users\\Bob\\" and
// "Desktop" give "c:\\users\\Bob\\Desktop").
std::string JoinPath(std::string_view folder, std::string_view name);

// A folder as the walks and the transfer take it: ending in one backslash,
// whether or not it was given with one.
std::string AsFolder(std::string_view path);

// A folder as a line of text names it: without the backslashes (or slashes,
// as a user may type them) it ends in, a drive's root ("c:\\") kept whole.
std::string WithoutTrailingBackslash(std::string_view path);

// What one look at a path tells.
struct PathFacts {
  bool exists = false;
  DWORD attributes = 0;
  std::int64_t size = 0;
  FILETIME lastWrite{};

  bool IsDirectory() const { return exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // An existing entry that is not a directory and whose last-write time, in
  // local time, lies within 1980 to 2107; other entries count as absent.
  bool IsFile() const;
  // An existing entry that is not a directory, whatever its date: what
  // stands in the way of a file of the same name.
  bool IsFileOfAnyDate() const { return exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0; }
  // The same size and last-write time as the entry: maybe the same file;
  // only reading both tells (SameContent).
  bool SameSizeAndTimeAs(const DirEntry& entry) const;
};

PathFacts LookAt(std::string_view path);

// LookAt(path).IsFile().
bool PathIsFile(std::string_view path);
bool PathIsDirectory(std::string_view path);
bool PathExists(std::string_view path);

// Creates one level; the parent must exist.
Win32Result MakeDirectory(std::string_view path);

// One rename; on one volume it carries a whole directory tree at once.
Win32Result MoveEntry(std::string_view from, std::string_view to);

Win32Result DeletePath(std::string_view path);

// Whether two files hold the same bytes: `same` counts only when both were read.
struct ContentComparison {
  Win32Result result;
  bool same = false;
  // Both read whole, and byte for byte alike.
  bool Same() const { return result.Ok() && same; }
};
ContentComparison SameContent(std::string_view a, std::string_view b);

// Whether two paths name one folder: the same file-system object when both
// can be opened (whatever the letter case, short names, a trailing blank or
// full stop), otherwise the same text once those are set aside.
bool SameFolder(std::string_view a, std::string_view b);

// Where Windows keeps the profiles of this machine's accounts.
inline constexpr const char* kUsersFolder = "c:\\users";

// Whether the drive of an absolute path pays for seeking, as a spinning disk
// does; nullopt when the drive does not say.
std::optional<bool> DriveIncursSeekPenalty(std::string_view path);

// The system folder (GetSystemDirectoryW), where Windows keeps its console
// tools; without a trailing backslash.
std::string SystemFolder();

// Whole-file reads and writes of raw bytes. A read stops with
// ERROR_FILE_TOO_LARGE rather than take more than `limit` bytes.
Win32Result ReadFileBytes(std::string_view path, std::string& bytes,
                          std::int64_t limit = std::numeric_limits<std::int64_t>::max());
Win32Result WriteFileBytes(std::string_view path, std::string_view bytes);
// Writes a file that must not exist yet: a name taken meanwhile fails with
// ERROR_FILE_EXISTS instead of being replaced. A failed write leaves no file.
Win32Result WriteNewFile(std::string_view path, std::string_view bytes);

}  // namespace ferrowin
