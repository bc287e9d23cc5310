// HTTP/1.1 over Winsock: one blocking GET whose request bytes are exactly
// the lines the caller gives, and a reply reader that takes nothing it
// receives on trust. No state is kept between requests: any thread may ask.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace ferrowin {

// The parts of an "http://host[:port][/path]" address; the port is 80 and
// the path "/" when the address names none.
struct HttpAddress {
  std::string host;
  int port = 80;
  std::string path;
};

// False for anything else, and for whatever would break the request line.
bool ParseHttpUrl(std::string_view url, HttpAddress& address);

// The value of the Host header for the address: the host, and the port
// when it is not 80.
std::string HostHeaderValue(const HttpAddress& address);

struct HttpHeader {
  std::string_view name;
  std::string_view value;
};

// "GET <path> HTTP/1.1", the headers in the order given as "Name: value",
// and the empty line; every line ended by CR LF.
std::string GetRequest(std::string_view path, std::span<const HttpHeader> headers);

// How much of a reply is read before the request fails.
struct HttpReplyLimits {
  std::size_t maxLineLength = 16384;  // a status or header line, without its line end
  std::size_t maxBodyLength = 64 * 1024;
  // Header lines are not kept, but a server could send them without end.
  std::size_t maxHeaderSectionLength = 256 * 1024;
};

// Sends the request bytes to the address's host and port, then reads the
// reply. True with the body when the server answered 2xx with a well-formed
// reply within the limits; false for anything else, redirects included
// (never followed). The connect and every read wait without a limit of
// their own.
bool HttpGet(const HttpAddress& address, std::string_view request, const HttpReplyLimits& limits,
             std::string& body);

}  // namespace ferrowin
