// PLACEHOLDER: the command runner is being built.
#include "console/command_runner.h"

namespace ferrowin {

std::string GetTempDirectory() { return {}; }

bool RunConsoleCommand(const std::string&, ConsoleView&, std::string&, std::string&, const CommandRunnerSettings&) {
  return false;
}

}  // namespace ferrowin
