// Copying files so that a name never stands for half a file. The copy is
// written under a short name of its own in the target's folder (hidden,
// "~ferrowin-" and sixteen hexadecimal digits, ".partial"), so any name
// Windows allows can be copied; only when it is whole, its named streams
// and last-write time included, is it renamed to its real name, never
// replacing anything, and then given the source's attributes. A program
// killed in the middle leaves the unfinished copy, which the next run
// removes before it copies into that folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/win32_result.h"

namespace ferrowin {

class File;

// What a copy asks of the file system beyond a file's data: its named
// streams (the "downloaded from the internet" mark among them) and whether
// it is sparse. Wine keeps neither, so tests stand in for them here.
class FileExtras {
 public:
  virtual ~FileExtras() = default;
  // True when the source is sparse: its copy is made sparse and only its
  // data is written, the holes staying holes.
  virtual bool IsSparse(HANDLE source, DWORD attributes) const;
  // Copies every named stream of the open source (whose path is `from`) into
  // the file at `to`. A file system without named streams has none to copy.
  virtual Win32Result CopyNamedStreams(HANDLE source, const std::wstring& from, const std::wstring& to) const;
};

// The system's own answers.
const FileExtras& SystemFileExtras();

class WholeFileCopier {
 public:
  explicit WholeFileCopier(const FileExtras& extras = SystemFileExtras());

  // Copies `from` to `to`, which must not exist; it is never replaced. On
  // failure nothing of the copy is left at the target.
  Win32Result CopyNew(std::string_view from, std::string_view to);

  // The same, replacing `to` once the copy is whole.
  Win32Result CopyReplacing(std::string_view from, std::string_view to);

 private:
  struct NamedFile;

  // The steps of a copy: the source opened, the unfinished copy written
  // whole, and then given its name.
  Win32Result Copy(std::string_view from, std::string_view to, bool replace);
  static Win32Result OpenSource(NamedFile& source, FILE_BASIC_INFO& details);
  static Win32Result CreateUnfinished(const std::wstring& target, NamedFile& copy);
  Win32Result WriteUnfinished(NamedFile& source, const FILE_BASIC_INFO& details, NamedFile& copy);
  static Win32Result GiveItsName(NamedFile& copy, const std::wstring& target, bool replace, DWORD attributes);

  std::span<char> Buffer() const;
  Win32Result CopyData(File& source, File& target);
  Win32Result CopySparse(File& source, File& target);
  Win32Result CopyAllocatedRanges(File& source, File& target, std::int64_t size);
  Win32Result CopyRange(File& source, File& target, std::int64_t offset, std::int64_t length, bool skipZeros);

  const FileExtras& extras_;
  // One buffer for every file: large enough that a big file takes few
  // calls, allocated once so that small files cost nothing extra.
  std::unique_ptr<char[]> buffer_;
};

// True for the name of an unfinished copy: one of ours ("~ferrowin-",
// sixteen hexadecimal digits, ".partial"), whatever its attributes, or a
// hidden one left by an earlier version (its file's name and
// ".ferrowin-partial").
bool IsUnfinishedCopy(std::string_view name, DWORD attributes);

// Removes the unfinished copies an interrupted run left in a folder (ending
// in a backslash), nothing else.
void RemoveUnfinishedCopies(const std::string& folder);

// Removes one unfinished copy, whatever its attributes.
void RemoveUnfinishedCopy(const std::string& path);

}  // namespace ferrowin
