#include "app/http_client.h"

namespace ferrowin {

std::string TIdHTTP::RequestFor(const HttpAddress& address) {
  const std::string host = HostHeaderValue(address);
  const HttpHeader headers[] = {
      {"Content-Type", ContentType}, {"Cache-control", CacheControl}, {"Host", host},
      {"Accept", Accept},            {"User-Agent", UserAgent},
  };
  return GetRequest(address.path, headers);
}

bool TIdHTTP::Get(std::string_view url, std::string& body) {
  body.clear();
  HttpAddress address;
  if (!ParseHttpUrl(url, address)) return false;
  const HttpReplyLimits limits{.maxLineLength = MaxLineLength, .maxBodyLength = MaxBodyLength};
  return HttpGet(address, RequestFor(address), limits, body);
}

}  // namespace ferrowin
