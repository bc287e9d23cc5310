#include "tests/support/tree.h"

#include <algorithm>
#include <atomic>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tests/support/host.h"

namespace ferrowin::test {

namespace {

void ListInto(const std::string& root, const std::string& relative, std::vector<std::string>& entries) {
  std::string folder = relative.empty() ? root + "\\" : root + "\\" + relative;
  for (const DirEntry& entry : DirSearch(folder + "*", kAllEntriesMask)) {
    if (entry.IsDotEntry()) continue;
    if (entry.IsDirectory()) {
      entries.push_back(relative + entry.name + "\\");
      if (!entry.IsReparsePoint()) ListInto(root, relative + entry.name + "\\", entries);
    } else {
      entries.push_back(relative + entry.name);
    }
  }
}

}  // namespace

TestFolder::TestFolder(std::string_view parent) {
  static std::atomic<int> serial{0};
  MakeDirs(parent);
  path_ = std::string(parent) + "\\t" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
  RemoveTree(path_);
  MakeDirs(path_);
}

TestFolder::~TestFolder() { RemoveTree(path_); }

void MakeDirs(std::string_view path) {
  std::string current;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    current = std::string(path.substr(0, end));
    if (!current.empty() && current.back() != ':') (void)MakeDirectory(current);
    start = end + 1;
  }
}

void WriteFile(std::string_view path, std::string_view content, DWORD attributes) {
  std::string folder(path.substr(0, path.rfind('\\')));
  MakeDirs(folder);
  SetFileAttributesW(Win32Path(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  (void)WriteFileBytes(path, content);
  SetFileAttributesW(Win32Path(path).c_str(), attributes);
}

bool MakeSparseFile(std::string_view path, std::int64_t size) {
  MakeDirs(path.substr(0, path.rfind('\\')));
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  return SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

namespace {

UniqueFileHandle OpenAt(std::string_view path, DWORD access, std::int64_t offset) {
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER position;
  position.QuadPart = offset;
  if (file && !SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN)) file.Reset();
  return file;
}

}  // namespace

bool WriteAt(std::string_view path, std::int64_t offset, std::string_view bytes) {
  UniqueFileHandle file = OpenAt(path, GENERIC_WRITE, offset);
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadAt(std::string_view path, std::int64_t offset, size_t length) {
  UniqueFileHandle file = OpenAt(path, GENERIC_READ, offset);
  std::string bytes(length, '\0');
  DWORD read = 0;
  if (!file || !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(length), &read, nullptr)) return {};
  bytes.resize(read);
  return bytes;
}

std::int64_t FileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Win32Path(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool SetWriteYear(std::string_view path, int year) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = 1;
  time.wDay = 1;
  FILETIME fileTime;
  if (!SystemTimeToFileTime(&time, &fileTime)) return false;
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && SetFileTime(file.Get(), nullptr, nullptr, &fileTime);
}

std::string ReadWholeFile(std::string_view path) {
  std::string bytes;
  (void)ReadFileBytes(path, bytes);
  return bytes;
}

DWORD AttributesOf(std::string_view path) { return GetFileAttributesW(Win32Path(path).c_str()); }

bool RemoveTree(std::string_view path) {
  if (!PathExists(path)) return true;
  std::string host = HostPath(path);
  return !host.empty() && RunOnHost("rm -rf " + ShellQuote(host)) == 0;
}

std::vector<std::string> ListTree(std::string_view root) {
  std::vector<std::string> entries;
  ListInto(std::string(root), "", entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool MakeHostSymlink(std::string_view windowsLinkPath, std::string_view target) {
  std::string link = HostPath(windowsLinkPath);
  return !link.empty() && RunOnHost("ln -s " + ShellQuote(target) + " " + ShellQuote(link)) == 0;
}

}  // namespace ferrowin::test
