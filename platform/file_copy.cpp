#include "platform/file_copy.h"

#include "platform/files.h"
#include "platform/handles.h"

namespace ferrowin {

namespace {

constexpr DWORD kBufferSize = 1 << 20;

// The attributes a copy takes over from its source; the others (compressed,
// sparse, the cloud's own) belong to how the source is stored.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool TakeOverSourceDetails(HANDLE target, const BY_HANDLE_FILE_INFORMATION& source) {
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime.LowPart = source.ftLastWriteTime.dwLowDateTime;
  basic.LastWriteTime.HighPart = static_cast<LONG>(source.ftLastWriteTime.dwHighDateTime);
  // Zero leaves an attribute set unchanged; NORMAL clears the hidden mark.
  DWORD attributes = source.dwFileAttributes & kCopiedAttributes;
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(target, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Deletes an unfinished copy, keeping the error that made it unfinished.
void Discard(const std::wstring& path) {
  DWORD error = GetLastError();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
  SetLastError(error);
}

bool EndsWithSuffix(const std::string& name) {
  return name.size() > kUnfinishedCopySuffix.size() &&
         std::string_view(name).substr(name.size() - kUnfinishedCopySuffix.size()) == kUnfinishedCopySuffix;
}

}  // namespace

WholeFileCopier::WholeFileCopier() : buffer_(new char[kBufferSize]) {}

bool WholeFileCopier::CopyNew(std::string_view from, std::string_view to) { return Copy(from, to, false); }

bool WholeFileCopier::CopyReplacing(std::string_view from, std::string_view to) { return Copy(from, to, true); }

bool WholeFileCopier::Copy(std::string_view from, std::string_view to, bool replace) {
  UniqueFileHandle source(CreateFileW(Win32Path(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  BY_HANDLE_FILE_INFORMATION details;
  if (!source || !GetFileInformationByHandle(source.Get(), &details)) return false;

  const std::wstring target = Win32Path(to);
  const std::wstring unfinished = Win32Path(std::string(to) + std::string(kUnfinishedCopySuffix));
  {
    UniqueFileHandle copy(CreateFileW(unfinished.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy) return false;
    if (!CopyData(source.Get(), copy.Get()) || !TakeOverSourceDetails(copy.Get(), details)) {
      copy.Reset();
      Discard(unfinished);
      return false;
    }
  }
  // Only a whole copy is given its real name.
  if (!MoveFileExW(unfinished.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    Discard(unfinished);
    return false;
  }
  return true;
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
    if (entry.IsDirectory() || !(entry.attributes & FILE_ATTRIBUTE_HIDDEN) || !EndsWithSuffix(entry.name)) continue;
    Discard(Win32Path(folder + entry.name));
  }
}

}  // namespace ferrowin
