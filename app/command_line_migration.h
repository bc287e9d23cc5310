// A migration run from the command line: the same driver as the window's,
// with no window shown and no message box, for the deployment tools that
// spread one command over many machines. What the window would show goes to
// the console (when there is one) and into the log file.
#pragma once

#include "app/command_line.h"
#include "app/migration_driver.h"
#include "platform/environment.h"

namespace ferrowin {

// Runs what the command line asks for (a migration or the usage); the exit
// code as ExitCode says.
int RunFromCommandLine(const CommandLine& commandLine, const EnvironmentProbe& environment = SystemEnvironment(),
                       const MigrationSettings& settings = {});

}  // namespace ferrowin
