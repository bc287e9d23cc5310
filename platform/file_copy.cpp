#include "platform/file_copy.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"

namespace ferrowin {

namespace {

constexpr DWORD kBufferSize = 1 << 20;

// The attributes a copy takes over from its source; the others (compressed,
// sparse, the cloud's own) belong to how the source is stored.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The source's last-write time and attributes; the other times are the
// copy's own, as with CopyFile.
bool TakeOverSourceDetails(HANDLE target, const FILE_BASIC_INFO& source) {
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime = source.LastWriteTime;
  // Zero leaves an attribute set unchanged; NORMAL clears the hidden mark.
  DWORD attributes = source.FileAttributes & kCopiedAttributes;
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(target, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Renames the open file: a second open of it by its path would cost as much
// as a small file's copy.
bool Rename(HANDLE file, const std::wstring& target, bool replace) {
  const size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  std::copy(target.begin(), target.end(), rename->FileName);
  rename->FileName[target.size()] = L'\0';
  return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

bool TargetTaken(DWORD error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_ACCESS_DENIED;
}

// Deletes an unfinished copy, keeping the error that made it unfinished.
void Discard(const std::wstring& path) {
  DWORD error = GetLastError();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
  SetLastError(error);
}

// A name that is the suffix alone stands for no file.
bool IsUnfinishedCopyName(std::string_view name) {
  return name.size() > kUnfinishedCopySuffix.size() && name.ends_with(kUnfinishedCopySuffix);
}

}  // namespace

WholeFileCopier::WholeFileCopier() : buffer_(new char[kBufferSize]) {}

bool WholeFileCopier::CopyNew(std::string_view from, std::string_view to) { return Copy(from, to, false); }

bool WholeFileCopier::CopyReplacing(std::string_view from, std::string_view to) { return Copy(from, to, true); }

bool WholeFileCopier::Copy(std::string_view from, std::string_view to, bool replace) {
  UniqueFileHandle source(CreateFileW(Win32Path(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  // Not GetFileInformationByHandle: Wine looks up the file's whole name for
  // it, which costs a small file's copy half as much again.
  FILE_BASIC_INFO details;
  if (!source || !GetFileInformationByHandleEx(source.Get(), FileBasicInfo, &details, sizeof details)) return false;

  const std::wstring target = Win32Path(to);
  const std::wstring unfinished = Win32Path(std::string(to) + std::string(kUnfinishedCopySuffix));
  UniqueFileHandle copy(CreateFileW(unfinished.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!copy) return false;
  if (!CopyData(source.Get(), copy.Get()) || !TakeOverSourceDetails(copy.Get(), details)) {
    copy.Reset();
    Discard(unfinished);
    return false;
  }
  // Only a whole copy is given its real name.
  if (Rename(copy.Get(), target, replace)) return true;
  const DWORD error = GetLastError();
  copy.Reset();
  // A system that takes no path for the open file's new name is given one
  // more chance by path.
  if (!TargetTaken(error) && MoveFileExW(unfinished.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    return true;
  }
  Discard(unfinished);
  return false;
}

bool WholeFileCopier::CopyData(HANDLE source, HANDLE target) {
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(source, buffer_.get(), kBufferSize, &read, nullptr)) return false;
    if (read == 0) return true;
    DWORD written = 0;
    if (!WriteFile(target, buffer_.get(), read, &written, nullptr)) return false;
    if (written != read) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
  }
}

void RemoveUnfinishedCopies(const std::string& folder) {
  for (const DirEntry& entry : DirSearch(folder + "*" + std::string(kUnfinishedCopySuffix), kAllEntriesMask)) {
    if (entry.IsDirectory() || !(entry.attributes & FILE_ATTRIBUTE_HIDDEN) || !IsUnfinishedCopyName(entry.name)) continue;
    Discard(Win32Path(folder + entry.name));
  }
}

}  // namespace ferrowin
