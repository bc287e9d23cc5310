// TIdHTTP: the window's HTTP client component. It holds the stored settings
// the update check is known by; the check takes a copy of them to its own
// thread and asks the platform's HTTP client with exactly those request lines.
#pragma once

#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/http_client.h"

namespace ferrowin {

// The component's stored settings.
struct IdHttpSettings {
  const char* contentType = "text/html";
  const char* cacheControl = "no-store";
  const char* accept = "text/html, */*";
  const char* userAgent = "Mozilla/3.0 (compatible; Indy Library)";
  // A status or header line longer than the client's default maximum fails
  // the request (maException); no read waits with a time-out of its own
  // (ReadTimeout 0); the version file is one short line, so a larger body
  // is refused.
  HttpReplyLimits limits;
};

class TIdHTTP : public Component {
 public:
  using Component::Component;

  const IdHttpSettings& Settings() const { return settings_; }

  // GET of an "http://host[:port]/path" address. True with the body when the
  // server answered 2xx with a well-formed reply within the settings'
  // limits; false for anything else, redirects included (never followed).
  // Nothing is kept between requests, so any thread may ask.
  static bool Get(std::string_view url, std::string& body, const IdHttpSettings& settings = {});

  // The request lines sent for an address, each ended by CR LF.
  static std::string RequestFor(const HttpAddress& address, const IdHttpSettings& settings = {});

 private:
  IdHttpSettings settings_;
};

}  // namespace ferrowin
