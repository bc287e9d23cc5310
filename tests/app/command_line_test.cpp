// The command line, over argument lists as CommandLineToArgvW hands them on
// (quotes already removed).
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace ferrowin {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLine, ReadsEachArgumentList) {
  const struct {
    std::vector<std::string> arguments;
    Mode mode;
    std::string sourceOrError;  // for Invalid, a part of the error
    std::string destination;
    bool admin = false;
    int waitMinutes = 0;
  } cases[] = {
      {{}, Mode::Window},
      {{"/debug"}, Mode::Window},
      {{"/DEBUG", "/tabs"}, Mode::Window},
      // Slips that a deployment tool's command box makes: never a window nobody sees.
      {{"/DEBUG", "/from", "/wait"}, Mode::Invalid, "Unknown option \"/DEBUG\""},
      {{"/debug", "/from=Alice", "/to:Bob"}, Mode::Invalid, "\"/from=Alice\" is not an option"},
      {{"/from", "Alice", "/to", "Bob"}, Mode::Invalid, "/from needs a value after a colon, as in /from:"},
      {{"/from=Alice", "/to=Bob"}, Mode::Invalid, "\"/from=Alice\" is not an option: write /from with a colon"},
      {{"/from:Alice", "/TO=Bob"}, Mode::Invalid, "\"/TO=Bob\" is not an option: write /to with a colon"},
      {{"/From Alice", "/to:Bob"}, Mode::Invalid, "\"/From Alice\" is not an option"},
      {{"/from:Alice", "/to:Bob", "/Wait=5"}, Mode::Invalid, "\"/Wait=5\" is not an option: write /wait"},
      {{"/from:Alice", "/to:Bob", "/administrator"}, Mode::Invalid, "write /admin alone"},
      {{"/admin"}, Mode::Invalid, "/from:SOURCE is missing"},
      {{"Alice", "Bob"}, Mode::Invalid, "Unknown option \"Alice\""},
      {{"/verbose"}, Mode::Invalid, "Unknown option \"/verbose\""},
      {{"/?"}, Mode::Usage},
      {{"/to:Bob", "/?"}, Mode::Usage},
      {{"/from:d:\\users\\Dan Smith", "/to:Dan"}, Mode::Migrate, "d:\\users\\Dan Smith", "Dan"},
      {{"/WAIT:30", "/Admin", "/TO:Dan", "/From:C:\\Users\\Alice"}, Mode::Migrate, "C:\\Users\\Alice", "Dan", true, 30},
      {{"/from:a", "/to:b", "/wait:1440"}, Mode::Migrate, "a", "b", false, 1440},
      {{"/from:a", "/to:b", "/wait:0"}, Mode::Migrate, "a", "b"},
      {{"/admin:yes"}, Mode::Invalid, "/admin takes no value"},
      {{"/fro:x", "/to:b"}, Mode::Invalid, "Unknown option \"/fro:x\""},
      {{"/from:a", "/to:b", "/verbose"}, Mode::Invalid, "Unknown option \"/verbose\""},
      {{"/from:d:\\users\\Dan", "Smith", "/to:b"}, Mode::Invalid, "Unknown option \"Smith\""},
      {{"/from:a"}, Mode::Invalid, "/to:DEST is missing"},
      {{"/admin", "/to:b"}, Mode::Invalid, "/from:SOURCE is missing"},
      {{"/from:", "/to:b"}, Mode::Invalid, "/from needs a value"},
      {{"/from:a", "/to:  "}, Mode::Invalid, "/to needs a value"},
      {{"/from:a", "/to"}, Mode::Invalid, "/to needs a value"},
      {{"/from:a", "/to:b", "/FROM:c"}, Mode::Invalid, "/from is given more than once"},
      {{"/from:a", "/to:b", "/admin", "/ADMIN"}, Mode::Invalid, "/admin is given more than once"},
      {{"/from:a", "/to:b", "/wait:-1"}, Mode::Invalid, "/wait needs a whole number of minutes from 0 to 1440"},
      {{"/from:a", "/to:b", "/wait:1441"}, Mode::Invalid, "/wait needs a whole number"},
      {{"/from:a", "/to:b", "/wait:1.5"}, Mode::Invalid, "/wait needs a whole number"},
      {{"/from:a", "/to:b", "/wait:"}, Mode::Invalid, "/wait needs a whole number"},
      {{"/from:a", "/to:b", "/wait:99999999999999999999"}, Mode::Invalid, "/wait needs a whole number"},
      {{"/from:a", "/to:b", "/admin:yes"}, Mode::Invalid, "/admin takes no value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const CommandLine line = ParseCommandLine(c.arguments);
    EXPECT_EQ(line.mode, c.mode);
    EXPECT_EQ(line.firstArgument, c.arguments.empty() ? "" : c.arguments.front());
    if (c.mode == Mode::Invalid) {
      EXPECT_TRUE(Contains(line.error, c.sourceOrError)) << line.error;
      continue;
    }
    EXPECT_EQ(line.error, "");
    if (c.mode != Mode::Migrate) continue;
    EXPECT_EQ(line.source, c.sourceOrError);
    EXPECT_EQ(line.destination, c.destination);
    EXPECT_EQ(line.admin, c.admin);
    EXPECT_EQ(line.waitMinutes, c.waitMinutes);
  }
}

}  // namespace
}  // namespace ferrowin
