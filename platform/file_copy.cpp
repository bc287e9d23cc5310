#include "platform/file_copy.h"

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"

namespace ferrowin {

namespace {

constexpr DWORD kBufferSize = 1 << 20;

constexpr std::string_view kUnfinishedPrefix = "~ferrowin-";
constexpr std::string_view kUnfinishedSuffix = ".partial";
constexpr size_t kUnfinishedDigits = 16;
// How earlier versions named an unfinished copy: its file's name and this.
constexpr std::string_view kOldUnfinishedSuffix = ".ferrowin-partial";

// The attributes a copy takes over from its source; the others (compressed,
// sparse, the cloud's own) belong to how the source is stored.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A new name for every attempt of this process: its id and a running
// number. A name a killed run left behind is simply passed over.
std::wstring NewUnfinishedName() {
  static std::atomic<std::uint32_t> attempts{0};
  wchar_t digits[kUnfinishedDigits + 1];
  swprintf(digits, kUnfinishedDigits + 1, L"%08lx%08lx", static_cast<unsigned long>(GetCurrentProcessId()),
           static_cast<unsigned long>(++attempts));
  return L"~ferrowin-" + std::wstring(digits) + L".partial";
}

// The folder part of a \\?\ path, with its trailing backslash.
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

Win32Result SetBasicInfo(HANDLE file, FILE_BASIC_INFO info) {
  return Win32Result::Of(SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info));
}

// Renames the open file: a second open of it by its path would cost as much
// as a small file's copy.
Win32Result Rename(HANDLE file, const std::wstring& target, bool replace) {
  const size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  std::copy(target.begin(), target.end(), rename->FileName);
  rename->FileName[target.size()] = L'\0';
  return Win32Result::Of(SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())));
}

bool TargetTaken(DWORD error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_ACCESS_DENIED;
}

// Deletes a copy of ours through its handle, or by its path when the handle
// cannot; the caller keeps the error that made it go.
void Discard(UniqueFileHandle& file, const std::wstring& path) {
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (file && SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose)) {
    file.Reset();
    return;
  }
  file.Reset();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

bool AllZero(const char* data, DWORD size) {
  return std::all_of(data, data + size, [](char c) { return c == 0; });
}

// Writes all of it. A write that takes only part is how a disk that fills
// shows itself under Wine: the next one fails with the reason (the disk is
// full), which the log's notes tell apart from other failures.
Win32Result WriteAll(HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr)) return Win32Result::LastError();
    if (written == 0) return Win32Result(ERROR_WRITE_FAULT);
    data += written;
    size -= written;
  }
  return {};
}

Win32Result SeekTo(HANDLE file, std::int64_t offset, DWORD method = FILE_BEGIN) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return Win32Result::Of(SetFilePointerEx(file, distance, nullptr, method));
}

Win32Result CopyStream(const std::wstring& from, const std::wstring& to, char* buffer, DWORD size) {
  UniqueFileHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source) return Win32Result::LastError();
  UniqueFileHandle target(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!target) return Win32Result::LastError();
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(source.Get(), buffer, size, &read, nullptr)) return Win32Result::LastError();
    if (read == 0) return {};
    if (Win32Result result = WriteAll(target.Get(), buffer, read); !result) return result;
  }
}

}  // namespace

bool FileExtras::IsSparse(HANDLE, DWORD attributes) const { return (attributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0; }

Win32Result FileExtras::CopyNamedStreams(HANDLE source, const std::wstring& from, const std::wstring& to) const {
  std::vector<char> streams(4096);
  while (!GetFileInformationByHandleEx(source, FileStreamInfo, streams.data(), static_cast<DWORD>(streams.size()))) {
    const DWORD error = GetLastError();
    if (error == ERROR_MORE_DATA && streams.size() < (1u << 20)) {
      streams.resize(streams.size() * 4);
      continue;
    }
    // A file system without named streams (FAT, some network shares) has
    // none to copy; a file without any stream at all has nothing either.
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
        error == ERROR_HANDLE_EOF) {
      return {};
    }
    return Win32Result(error);
  }
  char buffer[64 * 1024];
  for (size_t offset = 0;;) {
    const auto* stream = reinterpret_cast<const FILE_STREAM_INFO*>(streams.data() + offset);
    const std::wstring name(stream->StreamName, stream->StreamNameLength / sizeof(wchar_t));
    if (name != L"::$DATA") {
      if (Win32Result result = CopyStream(from + name, to + name, buffer, sizeof buffer); !result) return result;
    }
    if (stream->NextEntryOffset == 0) return {};
    offset += stream->NextEntryOffset;
  }
}

const FileExtras& SystemFileExtras() {
  static const FileExtras extras;
  return extras;
}

WholeFileCopier::WholeFileCopier(const FileExtras& extras) : extras_(extras), buffer_(new char[kBufferSize]) {}

Win32Result WholeFileCopier::CopyNew(std::string_view from, std::string_view to) { return Copy(from, to, false); }

Win32Result WholeFileCopier::CopyReplacing(std::string_view from, std::string_view to) { return Copy(from, to, true); }

Win32Result WholeFileCopier::Copy(std::string_view from, std::string_view to, bool replace) {
  const std::wstring sourcePath = Win32Path(from);
  UniqueFileHandle source(CreateFileW(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  // Not GetFileInformationByHandle: Wine looks up the file's whole name for
  // it, which costs a small file's copy half as much again.
  FILE_BASIC_INFO details;
  if (!source || !GetFileInformationByHandleEx(source.Get(), FileBasicInfo, &details, sizeof details)) {
    return Win32Result::LastError();
  }

  const std::wstring target = Win32Path(to);
  std::wstring unfinished;
  UniqueFileHandle copy;
  // The name is ours alone; one taken by a copy a killed run left is passed over.
  for (int attempt = 0; attempt < 16 && !copy; ++attempt) {
    unfinished = FolderOf(target) + NewUnfinishedName();
    copy.Reset(CreateFileW(unfinished.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy && !TargetTaken(GetLastError())) break;
  }
  if (!copy) return Win32Result::LastError();

  Win32Result result = extras_.IsSparse(source.Get(), details.FileAttributes) ? CopySparse(source.Get(), copy.Get())
                                                                              : CopyData(source.Get(), copy.Get());
  if (result) result = extras_.CopyNamedStreams(source.Get(), sourcePath, unfinished);
  // The last-write time now; the attributes once it has its name, so that
  // until then it stays hidden. Zero leaves a time or attributes as they are.
  if (result) result = SetBasicInfo(copy.Get(), {.LastWriteTime = details.LastWriteTime});
  if (!result) {
    Discard(copy, unfinished);
    return result;
  }
  const DWORD attributes = details.FileAttributes & kCopiedAttributes;
  const FILE_BASIC_INFO finalAttributes{.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL};
  // Only a whole copy is given its real name.
  result = Rename(copy.Get(), target, replace);
  if (result) {
    result = SetBasicInfo(copy.Get(), finalAttributes);
    if (!result) Discard(copy, target);
    return result;
  }
  // A system that takes no path for the open file's new name is given one
  // more chance by path.
  if (TargetTaken(result.Error())) {
    Discard(copy, unfinished);
    return result;
  }
  copy.Reset();
  if (!MoveFileExW(unfinished.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    result = Win32Result::LastError();
    Discard(copy, unfinished);
    return result;
  }
  return Win32Result::Of(SetFileAttributesW(target.c_str(), finalAttributes.FileAttributes));
}

Win32Result WholeFileCopier::CopyData(HANDLE source, HANDLE target) {
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(source, buffer_.get(), kBufferSize, &read, nullptr)) return Win32Result::LastError();
    if (read == 0) return {};
    if (Win32Result result = WriteAll(target, buffer_.get(), read); !result) return result;
  }
}

// The data of a sparse file, the holes left as holes: the ranges the file
// system says hold data, or, where it cannot say, every block that is not
// all zeros.
Win32Result WholeFileCopier::CopySparse(HANDLE source, HANDLE target) {
  DWORD ignored = 0;
  FILE_STANDARD_INFO standard;
  if (!DeviceIoControl(target, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr) ||
      !GetFileInformationByHandleEx(source, FileStandardInfo, &standard, sizeof standard)) {
    return CopyData(source, target);  // a target that cannot be sparse gets the data in full
  }
  const std::int64_t size = standard.EndOfFile.QuadPart;

  auto copyRange = [&](std::int64_t offset, std::int64_t length, bool skipZeros) -> Win32Result {
    if (Win32Result result = SeekTo(source, offset); !result) return result;
    if (Win32Result result = SeekTo(target, offset); !result) return result;
    while (length > 0) {
      DWORD read = 0;
      const DWORD wanted = static_cast<DWORD>(std::min<std::int64_t>(length, kBufferSize));
      if (!ReadFile(source, buffer_.get(), wanted, &read, nullptr)) return Win32Result::LastError();
      if (read == 0) break;
      length -= read;
      if (skipZeros && AllZero(buffer_.get(), read)) {
        if (Win32Result result = SeekTo(target, read, FILE_CURRENT); !result) return result;
        continue;
      }
      if (Win32Result result = WriteAll(target, buffer_.get(), read); !result) return result;
    }
    return {};
  };

  for (std::int64_t offset = 0; offset < size;) {
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = offset;
    query.Length.QuadPart = size - offset;
    FILE_ALLOCATED_RANGE_BUFFER ranges[64];
    DWORD got = 0;
    const bool ok = DeviceIoControl(source, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, ranges, sizeof ranges,
                                    &got, nullptr);
    if (!ok && GetLastError() != ERROR_MORE_DATA) {
      if (offset > 0) return Win32Result::LastError();
      if (Win32Result result = copyRange(0, size, true); !result) return result;
      break;
    }
    const DWORD count = got / sizeof ranges[0];
    for (DWORD i = 0; i < count; ++i) {
      if (Win32Result result = copyRange(ranges[i].FileOffset.QuadPart, ranges[i].Length.QuadPart, false); !result) {
        return result;
      }
    }
    if (ok || count == 0) break;
    offset = ranges[count - 1].FileOffset.QuadPart + ranges[count - 1].Length.QuadPart;
  }
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  return Win32Result::Of(SetFileInformationByHandle(target, FileEndOfFileInfo, &end, sizeof end));
}

bool IsUnfinishedCopy(std::string_view name, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (name.size() == kUnfinishedPrefix.size() + kUnfinishedDigits + kUnfinishedSuffix.size() &&
      name.starts_with(kUnfinishedPrefix) && name.ends_with(kUnfinishedSuffix)) {
    const std::string_view digits = name.substr(kUnfinishedPrefix.size(), kUnfinishedDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
  }
  // A name that is the suffix alone stands for no file.
  return (attributes & FILE_ATTRIBUTE_HIDDEN) && name.size() > kOldUnfinishedSuffix.size() &&
         name.ends_with(kOldUnfinishedSuffix);
}

void RemoveUnfinishedCopies(const std::string& folder) {
  for (const DirEntry& entry : DirSearch(folder + "*", kAllEntriesMask)) {
    if (IsUnfinishedCopy(entry.name, entry.attributes)) RemoveUnfinishedCopy(folder + entry.name);
  }
}

void RemoveUnfinishedCopy(const std::string& path) {
  const std::wstring wide = Win32Path(path);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(wide.c_str());
}

}  // namespace ferrowin
