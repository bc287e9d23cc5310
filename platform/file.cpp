#include "platform/file.h"

#include <algorithm>

namespace ferrowin {

namespace {

// ReadFile and WriteFile take a DWORD count: larger pieces go in slices.
constexpr size_t kSlice = 1 << 20;

}  // namespace

Win32Result File::Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  handle_.Reset(CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  return handle_ ? Win32Result() : Win32Result::LastError();
}

ReadCount File::ReadFull(std::span<char> buffer) {
  size_t got = 0;
  while (got < buffer.size()) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(buffer.size() - got, kSlice));
    if (!ReadFile(handle_.Get(), buffer.data() + got, wanted, &read, nullptr)) return {Win32Result::LastError(), got};
    if (read == 0) break;
    got += read;
  }
  return {Win32Result(), got};
}

Win32Result File::ReadAll(std::span<char> buffer, const Taker& take, std::int64_t length) {
  while (length > 0) {
    const size_t wanted = static_cast<size_t>(std::min<std::int64_t>(length, buffer.size()));
    const ReadCount read = ReadFull(buffer.first(wanted));
    if (!read.result) return read.result;
    if (read.size > 0) {
      if (Win32Result taken = take(std::string_view(buffer.data(), read.size)); !taken) return taken;
    }
    if (read.size < wanted) break;  // the end of the file
    length -= static_cast<std::int64_t>(read.size);
  }
  return {};
}

Win32Result File::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD slice = static_cast<DWORD>(std::min(bytes.size(), kSlice));
    if (!WriteFile(handle_.Get(), bytes.data(), slice, &written, nullptr)) return Win32Result::LastError();
    // A write that takes nothing and gives no reason would never end.
    if (written == 0) return Win32Result(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return {};
}

Win32Result File::Seek(std::int64_t offset, DWORD method) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return Win32Result::Of(SetFilePointerEx(handle_.Get(), distance, nullptr, method));
}

}  // namespace ferrowin
