// The program's command line: no argument starts the window, as does any
// list without a migration option; /from: and /to: run a migration without
// it (for deployment tools and scripts); /? prints the usage.
#pragma once

#include <string>
#include <vector>

namespace ferrowin {

struct CommandLine {
  enum class Mode { Window, Usage, Migrate, Invalid };
  Mode mode = Mode::Window;
  // The first argument, as the window reads it ("/debug" keeps the page tabs).
  std::string firstArgument;
  std::string source;
  std::string destination;
  bool admin = false;
  int waitMinutes = 0;
  // A dry run: the checks and the plan, nothing changed.
  bool plan = false;
  // For Invalid: what is wrong, in a sentence.
  std::string error;
};

// What a migration run from the command line ends with; the usage lists them.
enum class ExitCode : int {
  Carried = 0,          // everything carried
  SomeLeftBehind = 1,   // carried; NOTE lines name the entries that stayed
  SomeNotCarried = 2,   // ERROR lines name the entries that could not be carried
  SignInFirst = 3,      // the new account has no profile yet
  Refused = 4,          // nothing changed: bad options, names or rights
  AccountOrRunner = 5,  // the account could not be made, or the command runner failed
};

inline constexpr int kMostWaitMinutes = 24 * 60;

// The arguments without the program's own name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// This process's arguments (CommandLineToArgvW, quotes removed), without the
// program's own name.
std::vector<std::string> ProgramArguments();

extern const char* const kUsageText;

}  // namespace ferrowin
