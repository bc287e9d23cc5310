// PLACEHOLDER: the HTTP client is being built.
#include "app/http_client.h"

namespace ferrowin {

bool TIdHTTP::Get(std::string_view, std::string&) { return false; }
std::string TIdHTTP::RequestFor(std::string_view, int, std::string_view) { return {}; }

}  // namespace ferrowin
