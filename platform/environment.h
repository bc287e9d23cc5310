// What the program asks of the system at start-up: the major version Windows
// reports, and whether it may write into c:\users (the administrator test).
#pragma once

#include <cstdint>
#include <string_view>

namespace ferrowin {

// GetVersionExA with the 148-byte ANSI record; false when the call fails.
bool ReadWindowsMajorVersion(std::uint32_t& majorVersion);

// Creates the probe file (read and write, no sharing, replacing any file of
// that name), closes it at once and deletes it. True when both worked.
bool ProbeAdminRights(std::string_view probePath);

}  // namespace ferrowin
