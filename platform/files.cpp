#include "platform/files.h"

#include <winioctl.h>

#include "platform/file.h"
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
  if (handle_ && GetLastError() != ERROR_NO_MORE_FILES) stopError_ = GetLastError();
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

std::string AsFolder(std::string_view path) {
  std::string folder(path);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string WithoutTrailingBackslash(std::string_view path) {
  std::string folder(path);
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
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

bool PathFacts::SameSizeAndTimeAs(const DirEntry& entry) const {
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

Win32Result MakeDirectory(std::string_view path) {
  return Win32Result::Of(CreateDirectoryW(Win32Path(path).c_str(), nullptr));
}

Win32Result MoveEntry(std::string_view from, std::string_view to) {
  return Win32Result::Of(MoveFileExW(Win32Path(from).c_str(), Win32Path(to).c_str(), 0));
}

Win32Result DeletePath(std::string_view path) { return Win32Result::Of(DeleteFileW(Win32Path(path).c_str())); }

namespace {

Win32Result OpenToRead(File& file, std::string_view path) {
  return file.Open(Win32Path(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                   FILE_FLAG_SEQUENTIAL_SCAN);
}

}  // namespace

ContentComparison SameContent(std::string_view a, std::string_view b) {
  File first, second;
  if (Win32Result opened = OpenToRead(first, a); !opened) return {opened};
  if (Win32Result opened = OpenToRead(second, b); !opened) return {opened};
  constexpr size_t kChunk = 256 * 1024;
  std::string left(kChunk, '\0'), right(kChunk, '\0');
  for (;;) {
    const ReadCount fromLeft = first.ReadFull(left);
    if (!fromLeft.result) return {fromLeft.result};
    const ReadCount fromRight = second.ReadFull(right);
    if (!fromRight.result) return {fromRight.result};
    if (fromLeft.size != fromRight.size || left.compare(0, fromLeft.size, right, 0, fromRight.size) != 0) return {};
    if (fromLeft.size < kChunk) return {.same = true};
  }
}

std::optional<bool> DriveIncursSeekPenalty(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  const std::wstring volume = L"\\\\.\\" + Widen(path.substr(0, 2));
  // No access asked: the question needs none, and so no administrator.
  UniqueFileHandle drive(
      CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!drive) return std::nullopt;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR answer{};
  DWORD got = 0;
  if (!DeviceIoControl(drive.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer, sizeof answer, &got,
                       nullptr) ||
      got < sizeof answer) {
    return std::nullopt;
  }
  return answer.IncursSeekPenalty != FALSE;
}

std::string SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return Narrow(std::wstring_view(folder, length));
}

Win32Result ReadFileBytes(std::string_view path, std::string& bytes, std::int64_t limit) {
  File file;
  if (Win32Result opened = OpenToRead(file, path); !opened) return opened;
  bytes.clear();
  char buffer[64 * 1024];
  return file.ReadAll(buffer, [&bytes, limit](std::string_view read) {
    if (static_cast<std::int64_t>(bytes.size() + read.size()) > limit) return Win32Result(ERROR_FILE_TOO_LARGE);
    bytes.append(read);
    return Win32Result();
  });
}

Win32Result WriteFileBytes(std::string_view path, std::string_view bytes) {
  File file;
  if (Win32Result opened = file.Open(Win32Path(path), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL); !opened) {
    return opened;
  }
  return file.WriteAll(bytes);
}

Win32Result WriteNewFile(std::string_view path, std::string_view bytes) {
  File file;
  if (Win32Result opened = file.Open(Win32Path(path), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL); !opened) {
    return opened;
  }
  const Win32Result written = file.WriteAll(bytes);
  if (written) return written;
  file.Close();
  (void)DeletePath(path);
  return written;
}

namespace {

std::optional<BY_HANDLE_FILE_INFORMATION> IdentityOf(std::string_view folder) {
  UniqueFileHandle handle(CreateFileW(Win32Path(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!handle || !GetFileInformationByHandle(handle.Get(), &information)) return std::nullopt;
  return information;
}

// The text Windows would resolve: no trailing backslashes, and no trailing
// blanks or full stops in the last name, which Windows drops.
std::string ComparableFolderText(std::string_view path) {
  std::string text = LowerCase(path);
  while (!text.empty() && (text.back() == '\\' || text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

bool SameFolder(std::string_view a, std::string_view b) {
  const std::optional<BY_HANDLE_FILE_INFORMATION> first = IdentityOf(a), second = IdentityOf(b);
  if (first && second) {
    return first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh && first->nFileIndexLow == second->nFileIndexLow;
  }
  return ComparableFolderText(a) == ComparableFolderText(b);
}

}  // namespace ferrowin
