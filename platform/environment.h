// What the program asks of the system at start-up: the major version Windows
// reports, and whether it may write into c:\users (the administrator test).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace ferrowin {

// GetVersionExA with the 148-byte ANSI record; empty when the call fails.
std::optional<std::uint32_t> ReadWindowsMajorVersion();

// Creates the probe file (read and write, no sharing, replacing any file of
// that name), closes it at once and deletes it. True when both worked.
bool ProbeAdminRights(std::string_view probePath);

// The version Windows really runs, for a log ("Windows 10.0 build 22631"):
// RtlGetVersion's, since GetVersionEx says 6.2 on every Windows since 8 to a
// program whose manifest names none of them.
std::string WindowsVersionText();

// The computer's name as its owner knows it (its DNS host name, else its
// NetBIOS name); empty when Windows gives neither.
std::string ComputerName();

// What start-up asks of the system. Tests put their own answers here.
struct EnvironmentProbe {
  std::function<std::optional<std::uint32_t>()> readWindowsVersion;
  std::function<bool()> probeAdminRights;
};

EnvironmentProbe SystemEnvironment();

// What the start-up checks found, which both the Welcome page and the
// command line refuse to go on without: Windows reporting major version 6
// (as it does to a program that declares no later one), and the right to
// write into c:\users.
struct EnvironmentFacts {
  enum class Refusal { None, WrongWindows, NotAdmin };

  std::optional<std::uint32_t> majorVersion;  // empty when Windows did not say
  bool isAdmin = false;

  Refusal Refused() const;
};

// Asks for the version, then, when Windows gave it, probes the rights.
EnvironmentFacts CheckEnvironment(const EnvironmentProbe& probe);

// The system temporary folder, with its trailing backslash, whatever its
// length; empty when Windows gives none.
std::string TemporaryFolder();

// A DLL from the system folder, never by a search that starts in the
// program's folder, where a look-alike would run as administrator; empty,
// with the last error set, when it does not load.
UniqueModule LoadSystemLibrary(const std::string& name);

}  // namespace ferrowin
