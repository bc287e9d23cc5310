// TIdHTTP: the window's HTTP client component. It holds the stored settings
// the version check is known by, and asks the platform's HTTP client with
// exactly those request lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/http_client.h"

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
  static std::string RequestFor(const HttpAddress& address);
};

}  // namespace ferrowin
