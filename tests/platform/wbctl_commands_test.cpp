// The table of wbctl's subcommands, as the tool's library holds it.
#include <gtest/gtest.h>

#include <string>

#include "tools/command.h"

namespace wbctl {
namespace {

// A subcommand whose file defines its Command but that the table leaves out cannot be run,
// and a table out of order lists the usage out of order.
TEST(WbctlCommands, TheTableHoldsEverySubcommandOnceInOrderOfName) {
  const char* const expected[] = {"brand",    "check", "home",    "info",     "install",
                                  "package",  "paths", "profile", "repo",     "send",
                                  "settings", "show",  "state",   "uninstall"};
  const auto commands = Commands();
  ASSERT_EQ(commands.size(), std::size(expected));
  for (std::size_t i = 0; i < commands.size(); ++i) {
    SCOPED_TRACE(expected[i]);
    EXPECT_STREQ(commands[i]->name, expected[i]);
    EXPECT_EQ(std::string(commands[i]->usage).rfind(std::string(expected[i]) + "", 0), 0u)
        << "the usage starts with the subcommand's name";
    EXPECT_EQ(FindCommand(expected[i]), commands[i]);
  }
  EXPECT_EQ(FindCommand("nonesuch"), nullptr);
  EXPECT_EQ(RunWbctl({"nonesuch"}), kExitUsage);
  EXPECT_EQ(RunWbctl({}), kExitUsage);
}

}  // namespace
}  // namespace wbctl
