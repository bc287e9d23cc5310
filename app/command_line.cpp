#include "app/command_line.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <set>

#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {

const char* const kUsageText =
    "Ferrowin carries a user's data files from one Windows profile into another.\n"
    "\n"
    "Usage:\n"
    "  ferrowin.exe /from:SOURCE /to:DEST [/admin] [/wait:MINUTES]\n"
    "  ferrowin.exe /from:SOURCE /to:DEST [/admin] /plan\n"
    "  ferrowin.exe /?\n"
    "\n"
    "  /from:SOURCE    the old profile's folder, as in /from:\"d:\\users\\Dan Smith\"\n"
    "  /to:DEST        the account that receives the data; made when it does not\n"
    "                  exist yet\n"
    "  /admin          makes the account an administrator when it is made now\n"
    "  /wait:MINUTES   how long to wait for the first sign-in of a new account,\n"
    "                  0 to 1440 minutes (0, the default: no wait)\n"
    "  /plan           makes every check, then prints what the migration would\n"
    "                  carry, leave behind and need in free space, and changes\n"
    "                  nothing (no account, no folder, no file, no log file)\n"
    "  /?              shows this text\n"
    "\n"
    "Options may be written in any letter case and in any order; a value with\n"
    "blanks goes in double quotes. Run it as administrator.\n"
    "\n"
    "Exit codes:\n"
    "  0  everything was carried\n"
    "  1  carried, and some entries stayed behind (NOTE lines name them)\n"
    "  2  some entries could not be carried (ERROR lines name them)\n"
    "  3  the new account's profile does not exist yet: sign in once as DEST,\n"
    "     then run the same command again\n"
    "  4  refused before anything changed: an unknown, missing or misspelt\n"
    "     option, a name the wizard refuses, no such source, the same name, a\n"
    "     destination whose folder is the source, another migration into the\n"
    "     same account under way, not run as administrator, or a copy larger\n"
    "     than the free space of the destination's drive\n"
    "  5  the account could not be created, or the command runner failed\n"
    "\n"
    "Ferrowin is a window program: from cmd or PowerShell it returns at once,\n"
    "before the migration ends, unless it is started with start /wait (cmd; the\n"
    "exit code is then in %ERRORLEVEL%) or Start-Process -Wait (PowerShell;\n"
    "with -PassThru, the exit code is in ExitCode):\n"
    "  start /wait ferrowin.exe /from:\"d:\\users\\Dan Smith\" /to:Dan\n"
    "  (Start-Process -Wait -PassThru ferrowin.exe '/from:\"d:\\users\\Dan Smith\"',\n"
    "    '/to:Dan').ExitCode\n"
    "\n"
    "Every migration's log is saved in %ProgramData%\\Ferrowin\\Logs, or in the\n"
    "temporary folder when that cannot be written.\n";

namespace {

constexpr const char* kOptionList =
    "The options are /from:SOURCE, /to:DEST, /admin and /wait:MINUTES; a value with blanks goes in double quotes.";

constexpr const char* kMigrationOptions[] = {"from", "to", "admin", "wait", "plan"};

// "/From:x" as {"from", true, "x"}; an argument that does not start with "/"
// has no name. An argument that begins as a migration option but goes on
// otherwise than with a colon ("/from", "/to=Bob", "/administrator") keeps
// the option's name, and `malformed` says so: a slip in a deployment tool's
// command box must not start a window that nobody sees.
struct Option {
  std::string name;
  bool hasValue = false;
  std::string value;
  bool malformed = false;
};

Option SplitOption(const std::string& argument) {
  if (!StartsWith(argument, "/")) return {};
  const std::string lower = LowerCase(argument.substr(1));
  for (const char* known : kMigrationOptions) {
    const std::string name = known;
    if (!StartsWith(lower, name)) continue;
    if (lower.size() == name.size()) return {name, false, {}, false};
    if (lower[name.size()] == ':') return {name, true, argument.substr(name.size() + 2), false};
    return {name, false, {}, true};
  }
  const size_t colon = argument.find(':');
  if (colon == std::string::npos) return {lower, false, {}};
  return {LowerCase(argument.substr(1, colon - 1)), true, argument.substr(colon + 1)};
}

bool IsMigrationOption(const std::string& name) {
  return std::any_of(std::begin(kMigrationOptions), std::end(kMigrationOptions),
                     [&](const char* known) { return name == known; });
}

// No argument, or "/debug" first with nothing of a migration after it,
// starts the window; anything else is read as a migration's command line.
bool StartsTheWindow(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return true;
  if (!SameText(arguments.front(), "/debug")) return false;
  return std::none_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    const Option option = SplitOption(argument);
    return option.name == "?" || IsMigrationOption(option.name);
  });
}

std::string Example(const std::string& name) {
  if (name == "from") return "/from:\"d:\\users\\Dan Smith\"";
  if (name == "to") return "/to:Dan";
  return "/wait:30";
}

// Whole minutes from 0 to kMostWaitMinutes, digits only.
bool ParseMinutes(const std::string& text, int& minutes) {
  if (text.empty()) return false;
  minutes = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    minutes = minutes * 10 + (c - '0');
    if (minutes > kMostWaitMinutes) return false;
  }
  return true;
}

// Takes one option into the line; what is wrong with it, or empty.
std::string TakeOption(const std::string& argument, CommandLine& line) {
  const Option option = SplitOption(argument);
  if (option.malformed) {
    if (option.name == "admin" || option.name == "plan") {
      return "\"" + argument + "\" is not an option: write /" + option.name + " alone.";
    }
    return "\"" + argument + "\" is not an option: write /" + option.name + " with a colon before its value, as in " +
           Example(option.name) + ".";
  }
  if ((option.name == "from" || option.name == "to") && !option.hasValue) {
    return "/" + option.name + " needs a value after a colon, as in " + Example(option.name) + ".";
  }
  if (option.name == "from" || option.name == "to") {
    if (Trim(option.value).empty()) {
      return "/" + option.name + " needs a value, as in " +
             (option.name == "from" ? "/from:\"d:\\users\\Dan Smith\"." : "/to:Dan.");
    }
    (option.name == "from" ? line.source : line.destination) = option.value;
    return {};
  }
  if (option.name == "admin") {
    if (option.hasValue) return "/admin takes no value: write /admin alone.";
    line.admin = true;
    return {};
  }
  if (option.name == "plan") {
    if (option.hasValue) return "/plan takes no value: write /plan alone.";
    line.plan = true;
    return {};
  }
  if (option.name == "wait") {
    if (!ParseMinutes(option.value, line.waitMinutes)) {
      return "/wait needs a whole number of minutes from 0 to " + std::to_string(kMostWaitMinutes) +
             ", as in /wait:30.";
    }
    return {};
  }
  return "Unknown option \"" + argument + "\". " + kOptionList;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  if (!arguments.empty()) line.firstArgument = arguments.front();
  if (StartsTheWindow(arguments)) return line;
  if (std::any_of(arguments.begin(), arguments.end(),
                  [](const std::string& a) { return SplitOption(a).name == "?"; })) {
    line.mode = CommandLine::Mode::Usage;
    return line;
  }
  line.mode = CommandLine::Mode::Invalid;
  // A slip in writing an option is said first: it is what the user meant to give.
  for (const std::string& argument : arguments) {
    if (!SplitOption(argument).malformed) continue;
    line.error = TakeOption(argument, line);
    return line;
  }
  std::set<std::string> seen;
  for (const std::string& argument : arguments) {
    const std::string name = SplitOption(argument).name;
    if (!name.empty() && !seen.insert(name).second) {
      line.error = "/" + name + " is given more than once.";
      return line;
    }
    line.error = TakeOption(argument, line);
    if (!line.error.empty()) return line;
  }
  if (line.source.empty()) {
    line.error = "/from:SOURCE is missing: the old profile's folder. " + std::string(kOptionList);
    return line;
  }
  if (line.destination.empty()) {
    line.error = "/to:DEST is missing: the account that receives the data. " + std::string(kOptionList);
    return line;
  }
  line.mode = CommandLine::Mode::Migrate;
  return line;
}

std::vector<std::string> ProgramArguments() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const UniqueLocalMemory owned(arguments);
  std::vector<std::string> result;
  for (int i = 1; arguments && i < count; ++i) result.push_back(Narrow(arguments[i]));
  return result;
}

}  // namespace ferrowin
