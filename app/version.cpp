// PLACEHOLDER: the version check is being built; nothing is fetched yet.
#include "app/version.h"

namespace ferrowin {

std::string latestVersionText;

bool TryStrToInt(std::string_view, std::int32_t&) { return false; }
bool FetchVersionText(const std::string&) { return false; }
void RunVersionCheck(const std::string&, std::int32_t, HWND) {}
void TVersionThread::Start(std::string, std::int32_t, HWND) {}

}  // namespace ferrowin
