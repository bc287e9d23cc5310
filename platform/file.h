// One open file and the loops that read or write all of it, written once.
// A read that brings less than asked is read on until the file ends; a write
// that takes less than given is written on until the system says why it
// stops, so that a disk that fills is ERROR_DISK_FULL, which the log's notes
// tell apart from other failures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/win32_result.h"

namespace ferrowin {

// How far a read came: its result, and how many bytes it put at the start
// of the buffer.
struct ReadCount {
  Win32Result result;
  size_t size = 0;
};

class File {
 public:
  // What ReadAll hands on, a piece at a time; a failure stops the read.
  using Taker = std::function<Win32Result(std::string_view bytes)>;

  // CreateFileW with its own arguments, the path as the wide calls want it
  // (Win32Path). A file held before is closed.
  Win32Result Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

  // Fills `buffer` unless the file ends first.
  ReadCount ReadFull(std::span<char> buffer);
  // Hands `take` every byte from here to the end, or `length` bytes at the
  // most, through `buffer`.
  Win32Result ReadAll(std::span<char> buffer, const Taker& take,
                      std::int64_t length = std::numeric_limits<std::int64_t>::max());
  Win32Result WriteAll(std::string_view bytes);
  Win32Result Seek(std::int64_t offset, DWORD method = FILE_BEGIN);

  HANDLE Get() const { return handle_.Get(); }
  explicit operator bool() const { return handle_.Valid(); }
  void Close() { handle_.Reset(); }

 private:
  UniqueFileHandle handle_;
};

}  // namespace ferrowin
