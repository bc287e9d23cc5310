#include "platform/file_copy.h"

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <vector>

#include "platform/file.h"
#include "platform/files.h"

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
void Discard(File& file, const std::wstring& path) {
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (file && SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose)) {
    file.Close();
    return;
  }
  file.Close();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

Win32Result OpenToRead(File& file, const std::wstring& path) {
  return file.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
}

// Every byte from where `from` stands on, or `length` of them, written at
// where `to` stands.
Win32Result Pour(File& from, File& to, std::span<char> buffer,
                 std::int64_t length = std::numeric_limits<std::int64_t>::max()) {
  return from.ReadAll(buffer, [&to](std::string_view bytes) { return to.WriteAll(bytes); }, length);
}

Win32Result CopyStream(const std::wstring& from, const std::wstring& to, std::span<char> buffer) {
  File source, target;
  if (Win32Result opened = OpenToRead(source, from); !opened) return opened;
  if (Win32Result opened = target.Open(to, GENERIC_WRITE, 0, CREATE_ALWAYS, 0); !opened) return opened;
  return Pour(source, target, buffer);
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
      if (Win32Result result = CopyStream(from + name, to + name, buffer); !result) return result;
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

// An open file and the \\?\ path it was opened by.
struct WholeFileCopier::NamedFile {
  std::wstring path;
  File file;
};

Win32Result WholeFileCopier::Copy(std::string_view from, std::string_view to, bool replace) {
  NamedFile source{Win32Path(from)};
  FILE_BASIC_INFO details;
  if (Win32Result opened = OpenSource(source, details); !opened) return opened;
  const std::wstring target = Win32Path(to);
  NamedFile copy;
  if (Win32Result created = CreateUnfinished(target, copy); !created) return created;
  if (Win32Result written = WriteUnfinished(source, details, copy); !written) {
    Discard(copy.file, copy.path);
    return written;
  }
  const DWORD attributes = details.FileAttributes & kCopiedAttributes;
  return GiveItsName(copy, target, replace, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

Win32Result WholeFileCopier::OpenSource(NamedFile& source, FILE_BASIC_INFO& details) {
  if (Win32Result opened = OpenToRead(source.file, source.path); !opened) return opened;
  // Not GetFileInformationByHandle: Wine looks up the file's whole name for
  // it, which costs a small file's copy half as much again.
  return Win32Result::Of(GetFileInformationByHandleEx(source.file.Get(), FileBasicInfo, &details, sizeof details));
}

// A new hidden file in the target's folder under a name that is ours alone;
// one taken by a copy a killed run left is passed over.
Win32Result WholeFileCopier::CreateUnfinished(const std::wstring& target, NamedFile& copy) {
  Win32Result created;
  for (int attempt = 0; attempt < 16; ++attempt) {
    copy.path = FolderOf(target) + NewUnfinishedName();
    created = copy.file.Open(copy.path, GENERIC_WRITE | DELETE, 0, CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN);
    if (created || !TargetTaken(created.Error())) return created;
  }
  return created;
}

Win32Result WholeFileCopier::WriteUnfinished(NamedFile& source, const FILE_BASIC_INFO& details, NamedFile& copy) {
  Win32Result result = extras_.IsSparse(source.file.Get(), details.FileAttributes) ? CopySparse(source.file, copy.file)
                                                                                   : CopyData(source.file, copy.file);
  if (result) result = extras_.CopyNamedStreams(source.file.Get(), source.path, copy.path);
  // The last-write time now; the attributes once it has its name, so that
  // until then it stays hidden. Zero leaves a time or attributes as they are.
  if (result) result = SetBasicInfo(copy.file.Get(), {.LastWriteTime = details.LastWriteTime});
  return result;
}

// Only a whole copy is given its real name, and then its attributes.
Win32Result WholeFileCopier::GiveItsName(NamedFile& copy, const std::wstring& target, bool replace, DWORD attributes) {
  Win32Result result = Rename(copy.file.Get(), target, replace);
  if (result) {
    result = SetBasicInfo(copy.file.Get(), {.FileAttributes = attributes});
    if (!result) Discard(copy.file, target);
    return result;
  }
  // A system that takes no path for the open file's new name is given one
  // more chance by path.
  if (TargetTaken(result.Error())) {
    Discard(copy.file, copy.path);
    return result;
  }
  copy.file.Close();
  if (!MoveFileExW(copy.path.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    result = Win32Result::LastError();
    Discard(copy.file, copy.path);
    return result;
  }
  return Win32Result::Of(SetFileAttributesW(target.c_str(), attributes));
}

std::span<char> WholeFileCopier::Buffer() const { return {buffer_.get(), kBufferSize}; }

Win32Result WholeFileCopier::CopyData(File& source, File& target) { return Pour(source, target, Buffer()); }

// The data of a sparse file, the holes left as holes.
Win32Result WholeFileCopier::CopySparse(File& source, File& target) {
  DWORD ignored = 0;
  FILE_STANDARD_INFO standard;
  if (!DeviceIoControl(target.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr) ||
      !GetFileInformationByHandleEx(source.Get(), FileStandardInfo, &standard, sizeof standard)) {
    return CopyData(source, target);  // a target that cannot be sparse gets the data in full
  }
  const std::int64_t size = standard.EndOfFile.QuadPart;
  if (Win32Result copied = CopyAllocatedRanges(source, target, size); !copied) return copied;
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  return Win32Result::Of(SetFileInformationByHandle(target.Get(), FileEndOfFileInfo, &end, sizeof end));
}

// The ranges the file system says hold data, or, where it cannot say, every
// block that is not all zeros.
Win32Result WholeFileCopier::CopyAllocatedRanges(File& source, File& target, std::int64_t size) {
  for (std::int64_t offset = 0; offset < size;) {
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = offset;
    query.Length.QuadPart = size - offset;
    FILE_ALLOCATED_RANGE_BUFFER ranges[64];
    DWORD got = 0;
    const bool ok = DeviceIoControl(source.Get(), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, ranges,
                                    sizeof ranges, &got, nullptr);
    if (!ok && GetLastError() != ERROR_MORE_DATA) {
      return offset > 0 ? Win32Result::LastError() : CopyRange(source, target, 0, size, true);
    }
    const DWORD count = got / sizeof ranges[0];
    for (DWORD i = 0; i < count; ++i) {
      if (Win32Result result = CopyRange(source, target, ranges[i].FileOffset.QuadPart, ranges[i].Length.QuadPart,
                                         false);
          !result) {
        return result;
      }
    }
    if (ok || count == 0) return {};
    offset = ranges[count - 1].FileOffset.QuadPart + ranges[count - 1].Length.QuadPart;
  }
  return {};
}

Win32Result WholeFileCopier::CopyRange(File& source, File& target, std::int64_t offset, std::int64_t length,
                                       bool skipZeros) {
  if (Win32Result result = source.Seek(offset); !result) return result;
  if (Win32Result result = target.Seek(offset); !result) return result;
  if (!skipZeros) return Pour(source, target, Buffer(), length);
  return source.ReadAll(
      Buffer(),
      [&target](std::string_view bytes) {
        return AllZero(bytes) ? target.Seek(static_cast<std::int64_t>(bytes.size()), FILE_CURRENT)
                              : target.WriteAll(bytes);
      },
      length);
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
