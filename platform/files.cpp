#include "platform/files.h"

#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr DWORD kMaskedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 8 /* volume label */ | FILE_ATTRIBUTE_DIRECTORY;

}  // namespace

DirSearch::DirSearch(std::string_view pattern, DWORD mask) : excluded_(~mask & kMaskedAttributes) {
  WIN32_FIND_DATAW data;
  // No 8.3 names (nobody reads them) and large batches: a profile holds
  // hundreds of thousands of entries.
  handle_.Reset(FindFirstFileExW(Win32Path(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH));
  if (!handle_) {
    openError_ = GetLastError();
    return;
  }
  if (Passes(data)) {
    Take(data);
    return;
  }
  if (!Advance()) openError_ = ERROR_FILE_NOT_FOUND;
}

bool DirSearch::Passes(const WIN32_FIND_DATAW& data) const { return (data.dwFileAttributes & excluded_) == 0; }

void DirSearch::Take(const WIN32_FIND_DATAW& data) {
  current_.name = Narrow(data.cFileName);
  current_.attributes = data.dwFileAttributes;
  current_.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                            data.nFileSizeLow);
  current_.lastWrite = data.ftLastWriteTime;
}

bool DirSearch::Advance() {
  WIN32_FIND_DATAW data;
  while (handle_ && FindNextFileW(handle_.Get(), &data)) {
    if (!Passes(data)) continue;
    Take(data);
    return true;
  }
  handle_.Reset();
  return false;
}

std::wstring Win32Path(std::string_view path) {
  std::wstring wide = Widen(path);
  if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) return wide;
  if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return wide;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path.append(name);
}

PathFacts LookAt(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Win32Path(path).c_str(), GetFileExInfoStandard, &data)) return {};
  return {.exists = true,
          .attributes = data.dwFileAttributes,
          .size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                            data.nFileSizeLow),
          .lastWrite = data.ftLastWriteTime};
}

bool PathFacts::IsFile() const {
  if (!exists || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A DOS date holds 1980 to 2107; outside that range the entry counts as absent.
  FILETIME local;
  SYSTEMTIME time;
  if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToSystemTime(&local, &time)) return false;
  return time.wYear >= 1980 && time.wYear <= 2107;
}

bool PathFacts::SameFileAs(const DirEntry& entry) const {
  return exists && size == entry.size && CompareFileTime(&lastWrite, &entry.lastWrite) == 0;
}

bool PathIsFile(std::string_view path) { return LookAt(path).IsFile(); }

bool PathIsDirectory(std::string_view path) {
  DWORD attributes = GetFileAttributesW(Win32Path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(std::string_view path) {
  return GetFileAttributesW(Win32Path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(std::string_view path) { return CreateDirectoryW(Win32Path(path).c_str(), nullptr) != 0; }

bool MoveEntry(std::string_view from, std::string_view to) {
  return MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(), 0) != 0;
}

bool CopyReplacingFile(std::string_view from, std::string_view to) {
  return CopyFileW(Win32Path(from).c_str(), Win32Path(to).c_str(), FALSE) != 0;
}

bool DeletePath(std::string_view path) { return DeleteFileW(Win32Path(path).c_str()) != 0; }

std::string SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return Narrow(std::wstring_view(folder, length));
}

bool ReadFileBytes(std::string_view path, std::string& bytes) {
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bytes.clear();
  char buffer[64 * 1024];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return true;
}

bool WriteFileBytes(std::string_view path, std::string_view bytes) {
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool WriteNewFile(std::string_view path, std::string_view bytes) {
  UniqueFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool wrote = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (wrote && written == bytes.size()) return true;
  const DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();  // a short write: the disk is full
  file.Reset();
  DeletePath(path);
  SetLastError(error);
  return false;
}

}  // namespace ferrowin
