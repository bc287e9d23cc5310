#include "platform/text.h"

#include <algorithm>

#include "platform/handles.h"

namespace ferrowin {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

bool RefusedInFileNames(char c) {
  return static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
}

}  // namespace

bool IsDeviceName(std::string_view name) {
  const std::string base = UpperCase(name.substr(0, name.find('.')));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (StartsWith(base, "COM") || StartsWith(base, "LPT")) && base[3] >= '1' && base[3] <= '9';
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

bool SameText(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return text;
}

std::string Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsTrimmed(text[first])) ++first;
  while (last > first && IsTrimmed(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\r' && text[i] != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = ++i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

std::string SizeText(std::int64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + " B";
  if (bytes < 1000000) return std::to_string(bytes / 1000) + " KB";
  if (bytes < 1000000000) return std::to_string(bytes / 1000000) + " MB";
  return std::to_string(bytes / 1000000000) + " GB";
}

std::string SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  const UniqueLocalMemory owned(buffer);
  std::string text = length ? Trim(Narrow(std::wstring_view(buffer, length))) : std::string();
  return text.empty() ? "error " + std::to_string(error) : text;
}

std::string SafeFileName(std::string_view name) {
  constexpr size_t kMaxBytes = 200;
  size_t cut = std::min(name.size(), kMaxBytes);
  // Never inside a character: a UTF-8 continuation byte cannot start what is left out.
  while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  std::string safe(name.substr(0, cut));
  for (char& c : safe) {
    if (RefusedInFileNames(c)) c = '_';
  }
  while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) safe.pop_back();
  if (safe.empty()) return "_";
  if (IsDeviceName(safe)) safe.insert(std::min(safe.find('.'), safe.size()), 1, '_');
  return safe;
}

bool Contains(std::string_view text, std::string_view part) {
  return !text.empty() && text.find(part) != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Quoted(std::string_view text) { return std::string("\"").append(text).append("\""); }

std::wstring Widen(std::string_view utf8) {
  return Widen(utf8, CP_UTF8);
}

std::wstring Widen(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), result.data(), length);
  return result;
}

std::string Narrow(std::wstring_view utf16, UINT codePage) {
  if (utf16.empty()) return {};
  int length = WideCharToMultiByte(codePage, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, utf16.data(), static_cast<int>(utf16.size()), result.data(), length,
                      nullptr, nullptr);
  return result;
}

std::string Narrow(std::wstring_view utf16) { return Narrow(utf16, CP_UTF8); }

std::string ToCodePage(std::string_view utf8, UINT codePage) { return Narrow(Widen(utf8), codePage); }

std::string FromCodePage(std::string_view bytes, UINT codePage) { return Narrow(Widen(bytes, codePage)); }

}  // namespace ferrowin
