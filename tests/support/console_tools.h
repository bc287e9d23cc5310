// Our stand-ins for the system's console tools (net, wmic, icacls; built from
// standin.cpp), set up for one test, and the environment they run in.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"
#include "tests/support/host.h"
#include "tests/support/tree.h"

namespace ferrowin::test {

// Sets a variable of this process, and so of every process it starts, for
// the lifetime of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string_view name, std::string_view value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

std::optional<std::string> EnvironmentValue(std::string_view name);

// TMP and TEMP pointing at a new folder of a test: the temporary folder that
// the runner finds.
class ScopedTempDirectory {
 public:
  ScopedTempDirectory(const TestFolder& parent, const std::string& name);
  // With its trailing backslash, as GetTempPath gives it.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  ScopedEnvironment tmp_;
  ScopedEnvironment temp_;
};

// The folder of the running test program, and the stand-ins built beside it.
std::string ProgramFolder();
std::string StandinFolder();

// A command line without its first token (the program) and the blank after it.
std::string ArgumentsOf(std::string_view commandLine);

// The stand-ins where Windows keeps the real tools (net.exe and icacls.exe in
// the system folder, wmic.exe in its wbem folder; scripts/lib/wine-run puts
// them there), every one recording into a file of the test. The test fails
// if they are not in place: named native in WINEDLLOVERRIDES, Wine's own
// copies do not even start.
class ConsoleTools {
 public:
  ConsoleTools();
  ~ConsoleTools();
  ConsoleTools(const ConsoleTools&) = delete;
  ConsoleTools& operator=(const ConsoleTools&) = delete;

  // How a tool behaves, for `key` "net" or, for one sub-command, "net_users"
  // (success, silent, stderr, warning, delay:<ms>, print:<text>).
  void Behave(std::string_view key, std::string_view behaviour);

  // The command lines the stand-ins were started with, in the order they ran.
  std::vector<std::string> Records() const;
  bool WaitForRecords(size_t count, int timeoutMs = 30000) const;

  const TestFolder& Folder() const { return folder_; }

 private:
  TestFolder folder_;
  ScopedEnvironment record_;
  std::vector<std::string> behaviourVariables_;
};

// Look-alikes of the tools (net.exe, wmic.exe and icacls.exe, copies of the
// stand-in, and a net.bat) planted in folders where a search for a bare tool
// name would look. Any of them that runs leaves a line in Trace(). They are
// removed at the end, once none of them runs any more.
class PlantedLookAlikes {
 public:
  explicit PlantedLookAlikes(const std::vector<std::string>& folders);
  ~PlantedLookAlikes();
  PlantedLookAlikes(const PlantedLookAlikes&) = delete;
  PlantedLookAlikes& operator=(const PlantedLookAlikes&) = delete;

  bool Ok() const { return ok_; }
  std::vector<std::string> Trace() const;

 private:
  TestFolder folder_;
  ScopedEnvironment record_;
  std::vector<std::string> planted_;
  bool ok_ = true;
};

// A tool of the system folder ("icacls", "wbem\\wmic") moved out of it for
// one test, so that the tool is nowhere to be found. A tool left hidden by a
// test that crashed is put back first (or dropped, when there is a new one).
class HiddenSystemTool {
 public:
  explicit HiddenSystemTool(std::string_view tool);
  ~HiddenSystemTool();
  HiddenSystemTool(const HiddenSystemTool&) = delete;
  HiddenSystemTool& operator=(const HiddenSystemTool&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string path_;
  std::string hiddenPath_;
  bool moved_ = false;
  bool ok_ = false;
};

// A file held open without sharing by another process (file_holder.cpp)
// until Release or the end of the object; Held() once it is.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path);
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return held_; }
  void Release();

 private:
  ScopedProcessInformation process_;
  bool held_ = false;
};

}  // namespace ferrowin::test
