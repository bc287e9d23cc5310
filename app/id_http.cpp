#include "app/id_http.h"

namespace ferrowin {

std::string TIdHTTP::RequestFor(const HttpAddress& address, const IdHttpSettings& settings) {
  const std::string host = HostHeaderValue(address);
  const HttpHeader headers[] = {
      {"Content-Type", settings.contentType},
      {"Cache-control", settings.cacheControl},
      {"Host", host},
      {"Accept", settings.accept},
      {"User-Agent", settings.userAgent},
  };
  return GetRequest(address.path, headers);
}

bool TIdHTTP::Get(std::string_view url, std::string& body, const IdHttpSettings& settings) {
  body.clear();
  HttpAddress address;
  if (!ParseHttpUrl(url, address)) return false;
  return HttpGet(address, RequestFor(address, settings), settings.limits, body);
}

}  // namespace ferrowin
