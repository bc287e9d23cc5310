// One blocking HTTP/1.1 GET over Winsock, and a reply reader that takes
// nothing it receives on trust.
#include "platform/http_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <optional>

#include "platform/socket.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

// --- Addresses -----------------------------------------------------------------

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHostChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '.' || c == '_';
}

// Anything else in a path would break the request line.
bool IsPathChar(char c) { return static_cast<unsigned char>(c) > 32 && c != 127; }

bool ParsePort(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), IsDigit)) return false;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

// --- Winsock -------------------------------------------------------------------

bool StartWinsock() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

// Started once and never cleaned up: a check may still be waiting for its
// reply when the program ends.
bool WinsockReady() {
  static const bool ready = StartWinsock();
  return ready;
}

// A plain blocking connect, without a time-out of our own, to the first of
// the host's addresses that accepts.
UniqueSocket Connect(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return {};
  const UniqueAddressInfo addresses(found);
  for (const addrinfo* address = found; address; address = address->ai_next) {
    UniqueSocket connection(socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (!connection) continue;
    if (connect(connection.Get(), address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) return connection;
  }
  return {};
}

bool SendAll(SOCKET connection, std::string_view bytes) {
  while (!bytes.empty()) {
    int sent = send(connection, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 65536)), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// --- Reading the reply -------------------------------------------------------------

class ReplyReader {
 public:
  ReplyReader(SOCKET connection, const HttpReplyLimits& limits) : connection_(connection), limits_(limits) {}

  const HttpReplyLimits& Limits() const { return limits_; }

  // One line ended by LF, without the LF and a CR before it. False when the
  // connection ends first or the line is longer than the limit.
  bool ReadLine(std::string& line) {
    line.clear();
    for (;;) {
      if (pos_ == end_ && !Fill()) return false;
      const char* start = buffer_ + pos_;
      const char* stop = buffer_ + end_;
      const char* lineFeed = std::find(start, stop, '\n');
      line.append(start, lineFeed);
      pos_ = static_cast<std::size_t>(lineFeed - buffer_);
      if (line.size() > limits_.maxLineLength + 1) return false;  // + 1: a CR may still come off
      if (lineFeed != stop) break;
    }
    ++pos_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.size() <= limits_.maxLineLength;
  }

  // Exactly `count` more bytes, appended to `out`.
  bool Read(std::size_t count, std::string& out) {
    while (count > 0) {
      if (pos_ == end_ && !Fill()) return false;
      std::size_t take = std::min(count, end_ - pos_);
      out.append(buffer_ + pos_, take);
      pos_ += take;
      count -= take;
    }
    return true;
  }

  // Everything until the server closes the connection, appended to `out`;
  // false as soon as `out` would grow beyond `limit`.
  bool ReadToEnd(std::string& out, std::size_t limit) {
    for (;;) {
      if (pos_ == end_ && !Fill()) return !failed_;
      std::size_t take = end_ - pos_;
      if (out.size() + take > limit) return false;
      out.append(buffer_ + pos_, take);
      pos_ = end_;
    }
  }

 private:
  // False at the end of the connection, and on an error (then failed_ is set).
  bool Fill() {
    int received = recv(connection_, buffer_, static_cast<int>(sizeof buffer_), 0);
    if (received < 0) failed_ = true;
    if (received <= 0) return false;
    pos_ = 0;
    end_ = static_cast<std::size_t>(received);
    return true;
  }

  SOCKET connection_;
  const HttpReplyLimits& limits_;
  char buffer_[8192];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
};

// Removes leading and trailing spaces and tabs (the blanks HTTP allows around values).
std::string_view TrimBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// Consumes the digits at the front of `text`; false when there are none.
bool SkipDigits(std::string_view& text) {
  std::size_t count = 0;
  while (count < text.size() && IsDigit(text[count])) ++count;
  text.remove_prefix(count);
  return count > 0;
}

// "HTTP/" major "." minor, a blank, three digits, then the end or a blank
// and the reason.
bool ParseStatusLine(std::string_view line, int& status) {
  if (!StartsWith(line, "HTTP/")) return false;
  line.remove_prefix(5);
  if (!SkipDigits(line) || line.empty() || line[0] != '.') return false;
  line.remove_prefix(1);
  if (!SkipDigits(line) || line.empty() || line[0] != ' ') return false;
  line.remove_prefix(1);
  if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return false;
  if (line.size() > 3 && line[3] != ' ') return false;
  status = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  return true;
}

// What of the headers decides how the body is read.
struct BodyFraming {
  bool chunked = false;
  bool hasLength = false;
  std::uint64_t length = 0;
};

bool IsTokenChar(char c) {
  if (static_cast<unsigned char>(c) <= 32 || c == 127 || static_cast<unsigned char>(c) > 127) return false;
  return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

// A header line: a name of token characters, ":", and a value. A folded
// continuation line (starting with a blank) does not qualify.
bool SplitHeader(std::string_view line, std::string_view& name, std::string_view& value) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  name = line.substr(0, colon);
  if (!std::all_of(name.begin(), name.end(), IsTokenChar)) return false;
  value = TrimBlanks(line.substr(colon + 1));
  return true;
}

// Digits only; a value beyond the body limit is kept as "too long" rather than overflowing.
std::optional<std::uint64_t> ParseContentLength(std::string_view text, std::uint64_t maxBodyLength) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > maxBodyLength) return maxBodyLength + 1;
  }
  return value;
}

bool ApplyHeader(std::string_view name, std::string_view value, const HttpReplyLimits& limits,
                 BodyFraming& framing) {
  if (SameText(name, "Content-Length")) {
    const std::optional<std::uint64_t> length = ParseContentLength(value, limits.maxBodyLength);
    if (!length) return false;
    if (framing.hasLength && framing.length != *length) return false;  // which one would be true?
    framing.hasLength = true;
    framing.length = *length;
    return true;
  }
  if (SameText(name, "Transfer-Encoding")) {
    // Only chunked can be undone here; a compressed body is not readable text.
    if (!SameText(value, "chunked")) return false;
    framing.chunked = true;
  }
  return true;
}

// Header lines up to the empty line. `framing` is null for the trailer of a
// chunked body, whose fields are checked but not used.
bool ReadHeaders(ReplyReader& reader, BodyFraming* framing) {
  std::size_t sectionLength = 0;
  std::string line;
  for (;;) {
    if (!reader.ReadLine(line)) return false;
    if (line.empty()) return true;
    sectionLength += line.size() + 2;
    if (sectionLength > reader.Limits().maxHeaderSectionLength) return false;
    std::string_view name;
    std::string_view value;
    if (!SplitHeader(line, name, value)) return false;
    if (framing && !ApplyHeader(name, value, reader.Limits(), *framing)) return false;
  }
}

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A chunk-size line: hexadecimal digits, then optional blanks and extensions
// after ";". A size beyond the body limit fails here, before any overflow.
bool ParseChunkSize(std::string_view line, std::size_t maxBodyLength, std::size_t& size) {
  std::size_t digits = 0;
  std::size_t value = 0;
  while (digits < line.size() && HexDigitValue(line[digits]) >= 0) {
    value = value * 16 + static_cast<std::size_t>(HexDigitValue(line[digits]));
    if (value > maxBodyLength) return false;
    ++digits;
  }
  if (digits == 0) return false;
  std::string_view rest = TrimBlanks(line.substr(digits));
  if (!rest.empty() && rest[0] != ';') return false;
  size = value;
  return true;
}

bool ReadChunkedBody(ReplyReader& reader, std::string& body) {
  const std::size_t maxBodyLength = reader.Limits().maxBodyLength;
  std::string line;
  for (;;) {
    std::size_t size = 0;
    if (!reader.ReadLine(line) || !ParseChunkSize(line, maxBodyLength, size)) return false;
    if (size == 0) return ReadHeaders(reader, nullptr);
    if (body.size() + size > maxBodyLength) return false;
    if (!reader.Read(size, body)) return false;
    if (!reader.ReadLine(line) || !line.empty()) return false;  // the chunk's data ends with CR LF
  }
}

bool ReadBody(ReplyReader& reader, int status, const BodyFraming& framing, std::string& body) {
  if (status == 204) return true;  // No Content: no body whatever the headers say
  const std::size_t maxBodyLength = reader.Limits().maxBodyLength;
  if (framing.chunked) return ReadChunkedBody(reader, body);
  if (framing.hasLength) return framing.length <= maxBodyLength && reader.Read(framing.length, body);
  return reader.ReadToEnd(body, maxBodyLength);
}

void AddLine(std::string& request, std::string_view line) {
  request += line;
  request += "\r\n";
}

}  // namespace

bool ParseHttpUrl(std::string_view url, HttpAddress& address) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size() || !SameText(url.substr(0, kScheme.size()), kScheme)) return false;
  url.remove_prefix(kScheme.size());
  std::size_t pathStart = url.find('/');
  std::string_view authority = url.substr(0, pathStart);
  std::string_view path = pathStart == std::string_view::npos ? "/" : url.substr(pathStart);
  std::size_t colon = authority.find(':');
  std::string_view host = authority.substr(0, colon);
  if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostChar)) return false;
  if (!std::all_of(path.begin(), path.end(), IsPathChar)) return false;
  int port = 80;
  if (colon != std::string_view::npos && !ParsePort(authority.substr(colon + 1), port)) return false;
  address = {std::string(host), port, std::string(path)};
  return true;
}

std::string HostHeaderValue(const HttpAddress& address) {
  if (address.port == 80) return address.host;
  return address.host + ":" + std::to_string(address.port);
}

std::string GetRequest(std::string_view path, std::span<const HttpHeader> headers) {
  std::string request;
  AddLine(request, "GET " + std::string(path) + " HTTP/1.1");
  for (const HttpHeader& header : headers) {
    request += header.name;
    request += ": ";
    AddLine(request, header.value);
  }
  AddLine(request, "");
  return request;
}

bool HttpGet(const HttpAddress& address, std::string_view request, const HttpReplyLimits& limits,
             std::string& body) {
  body.clear();
  if (!WinsockReady()) return false;
  UniqueSocket connection = Connect(address.host, address.port);
  if (!connection) return false;
  if (!SendAll(connection.Get(), request)) return false;

  ReplyReader reader(connection.Get(), limits);
  std::string statusLine;
  int status = 0;
  if (!reader.ReadLine(statusLine) || !ParseStatusLine(statusLine, status)) return false;
  if (status < 200 || status > 299) return false;  // redirects included: they are not followed
  BodyFraming framing;
  if (!ReadHeaders(reader, &framing)) return false;
  std::string received;
  if (!ReadBody(reader, status, framing, received)) return false;
  body = std::move(received);
  return true;
}

}  // namespace ferrowin
