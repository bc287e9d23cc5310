// TIdHTTP: the window's HTTP client. It sends a GET with exactly the request
// lines the version check is known by, and reads the reply defensively: the
// reply comes from the network and is not trusted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/controls.h"

namespace ferrowin {

class TIdHTTP : public Component {
 public:
  using Component::Component;

  // Stored settings.
  static constexpr int MaxLineLength = 16384;  // a longer status or header line fails the request
  static constexpr int ReadTimeout = 0;         // 0: every read waits without limit
  static constexpr std::int64_t MaxBodyLength = 64 * 1024;
  static constexpr const char* ContentType = "text/html";
  static constexpr const char* CacheControl = "no-store";
  static constexpr const char* Accept = "text/html, */*";
  static constexpr const char* UserAgent = "Mozilla/3.0 (compatible; Indy Library)";

  // GET of an "http://host[:port]/path" address. True with the body when the
  // server answered 2xx with a well-formed reply of at most MaxBodyLength
  // bytes; false for anything else, redirects included (never followed).
  // The client keeps no state between requests, so any thread may use it.
  static bool Get(std::string_view url, std::string& body);

  // The request lines sent for an address, each ended by CR LF.
  static std::string RequestFor(std::string_view host, int port, std::string_view path);

  // The parts of an "http://host[:port][/path]" address; the port is 80 and
  // the path "/" when the address names none.
  struct Address {
    std::string host;
    int port = 80;
    std::string path;
  };
  static bool ParseUrl(std::string_view url, Address& address);
};

}  // namespace ferrowin
