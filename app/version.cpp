// The update notice's check. It runs on a thread of its own; the only thing
// that reaches the window is the message that shows the notice.
#include "app/version.h"

#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "app/id_http.h"
#include "app/messages.h"
#include "platform/text.h"

namespace ferrowin {

// Never destroyed: the check's thread is not waited for (a read without a
// time-out may never end), and may write here while the program ends.
std::string& latestVersionText = *new std::string;

namespace {

int DigitValue(char c, bool hexadecimal) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hexadecimal) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the hexadecimal mark at the front of `text`, 0 when there is none.
std::size_t HexMarkLength(std::string_view text) {
  if (StartsWith(text, "0x") || StartsWith(text, "0X")) return 2;
  if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) return 1;
  return 0;
}

// One to eight hexadecimal digits, read as a 32-bit pattern.
std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    int digit = DigitValue(c, true);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

// Decimal digits whose value does not exceed `limit`.
std::optional<std::uint32_t> ParseDecimalDigits(std::string_view digits, std::uint32_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int digit = DigitValue(c, false);
    if (digit < 0) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return false;
  text.remove_prefix(start);
  bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);

  const std::size_t mark = HexMarkLength(text);
  // The negative side of the range reaches one further: -2147483648.
  const std::optional<std::uint32_t> magnitude =
      mark ? ParseHexDigits(text.substr(mark)) : ParseDecimalDigits(text, negative ? 2147483648u : 2147483647u);
  if (!magnitude) return false;
  // Unsigned negation wraps, so "-$80000000" stays the pattern it names.
  value = static_cast<std::int32_t>(negative ? 0u - *magnitude : *magnitude);
  return true;
}

bool FetchVersionText(const std::string& url, const IdHttpSettings& settings) {
  try {
    std::string body;
    if (!TIdHTTP::Get(url, body, settings)) return false;
    std::vector<std::string> lines = SplitLines(body);
    if (lines.empty()) return false;  // an empty file has no first line
    latestVersionText = lines[0];
    return true;
  } catch (...) {
    return false;
  }
}

void RunVersionCheck(const std::string& url, std::int32_t programVersion, HWND window,
                     const IdHttpSettings& settings) {
  try {
    if (!FetchVersionText(url, settings) || latestVersionText.empty()) return;
    std::int32_t latestVersion = 0;
    if (!TryStrToInt(latestVersionText, latestVersion)) return;
    if (programVersion >= latestVersion) return;
    // Sent, not posted: the check is over only once the window shows the notice.
    SendMessageW(window, kMsgShowNewVersionNotice, 0, 0);
  } catch (...) {
    // A failed check is silent: the wizard behaves as if this build were current.
  }
}

void TVersionThread::Start(std::string url, std::int32_t programVersion, HWND window, IdHttpSettings settings) {
  try {
    std::thread([url = std::move(url), programVersion, window, settings] {
      RunVersionCheck(url, programVersion, window, settings);
    }).detach();
  } catch (const std::system_error&) {
    // No thread, no check; start-up goes on.
  }
}

}  // namespace ferrowin
