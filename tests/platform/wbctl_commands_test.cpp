// The table of wbctl's subcommands, as the tool's library holds it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
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

using wbtest::ToolRun;
using wbtest::Wbctl;

// Every subcommand answers the three ways of asking for its help on standard output, with its
// synopsis, its options and an example, and exit 0; no other work is done.
TEST(WbctlHelp, EveryCommandAnswersItsHelp) {
  for (const Command* c : Commands()) {
    const std::string name = c->name;
    SCOPED_TRACE(name);
    ASSERT_NE(c->help, nullptr);
    const std::string help = CommandHelp(*c);
    EXPECT_EQ(help.rfind("usage: wbctl " + name, 0), 0u) << help;
    EXPECT_NE(help.find("\nExample:\n  wbctl " + name + " "), std::string::npos) << help;
    // Lines after the usage fit a terminal of 80 columns.
    std::istringstream lines(c->help);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
    const std::vector<std::vector<std::string>> asks = {
        {"help", name}, {name, "--help"}, {name, "-h"}};
    for (const auto& ask : asks) {
      const ToolRun run = Wbctl(ask);
      EXPECT_EQ(run.status, 0) << ask[0] << " " << ask[1] << ": " << run.err;
      EXPECT_EQ(run.out, help);
      EXPECT_EQ(run.err, "");
    }
  }
  // "--help" further on asks too, except where the operands are texts taken as they are.
  const ToolRun late = Wbctl({"check", "some.txt", "--help"});
  EXPECT_EQ(late.status, 0);
  EXPECT_EQ(late.out, CommandHelp(*FindCommand("check")));
  const ToolRun text = Wbctl({"send", "--app", "wbnosuchapp", "--help"});
  EXPECT_NE(text.status, 0);
  EXPECT_EQ(text.out, "");
}

TEST(WbctlHelp, TheToolsHelpVersionAndUsage) {
  const struct {
    std::vector<std::string> args;
    int status;
    bool toOut;  // else standard error
    std::vector<std::string> mentions;
  } cases[] = {
      {{"--help"},
       0,
       true,
       {"usage:\n", "Exit status:", "0  done", "1  refused", "2  usage", "Messages are in English",
        "wbctl COMMAND: what is wrong: what to do", "wbctl help COMMAND"}},
      {{"-h"}, 0, true, {"Exit status:"}},
      {{"help"}, 0, true, {"Exit status:"}},
      {{}, kExitUsage, false, {"usage:\n"}},
      {{"nonesuch"}, kExitUsage, false, {"wbctl: unknown command \"nonesuch\"", "usage:\n"}},
      {{"help", "nonesuch"},
       kExitUsage,
       false,
       {"wbctl help: unknown command \"nonesuch\": give one of the commands below"}},
      {{"help", "check", "more"}, kExitUsage, false, {"wbctl help: unexpected argument \"more\""}},
  };
  for (const auto& c : cases) {
    const ToolRun run = Wbctl(c.args);
    SCOPED_TRACE(run.out + run.err);
    EXPECT_EQ(run.status, c.status);
    const std::string& shown = c.toOut ? run.out : run.err;
    EXPECT_EQ(c.toOut ? run.err : run.out, "");
    for (const auto& m : c.mentions) EXPECT_NE(shown.find(m), std::string::npos) << m;
  }
  // The tool's help lists every subcommand's usage.
  const std::string help = Wbctl({"--help"}).out;
  for (const Command* c : Commands())
    EXPECT_NE(help.find(std::string("  wbctl ") + c->usage + "\n"), std::string::npos) << c->name;

  const ToolRun version = Wbctl({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(
      std::regex_match(version.out, std::regex("wbctl [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << version.out;
}

// A subcommand's error names the subcommand, in the form the help describes.
TEST(WbctlHelp, ErrorsNameTheirCommand) {
  const struct {
    std::vector<std::string> args;
    std::string start;
  } cases[] = {
      {{"paths", "--exe"}, "wbctl paths: --exe needs"},
      {{"info", "--exe", WB_WBCTL_PATH, "extra"}, "wbctl info: unexpected argument \"extra\""},
      {{"show", "--bogus", "x"}, "wbctl show: unknown option --bogus"},
      {{"settings", "--bogus"}, "wbctl settings: unknown option \"--bogus\""},
      {{"profile", "--exe", WB_WBCTL_PATH}, "wbctl profile: usage: wbctl profile"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Wbctl(c.args);
    EXPECT_EQ(run.status, kExitUsage) << c.start;
    EXPECT_EQ(run.err.rfind(c.start, 0), 0u) << run.err;
  }
}

// A mistake in the command line exits 2 in every command, a refused file or value 1, so a
// script tells a wrong call from an input that another day may pass. Every case names no file
// that exists, so a usage mistake is found before any file is looked at.
TEST(WbctlHelp, ExitStatusTellsAMistakeOfUsageFromARefusal) {
  const std::string none = wbtest::TestRoot() + "/no-such-copy";
  const std::string text = wbtest::TestRoot() + "/exit-status.txt";
  wbtest::WriteFile(text, "title=T\n");
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      // Unknown options.
      {{"brand", WB_WBCTL_PATH, none, "--colour"}, kExitUsage},
      {{"show", "--colour", WB_WBCTL_PATH}, kExitUsage},
      {{"paths", "--exe", WB_WBCTL_PATH, "--colour"}, kExitUsage},
      {{"info", "--exe", WB_WBCTL_PATH, "--colour"}, kExitUsage},
      {{"install", "--exe", WB_WBCTL_PATH, "--colour"}, kExitUsage},
      {{"uninstall", "--colour"}, kExitUsage},
      {{"package", "--deb", "--colour"}, kExitUsage},
      {{"profile", "--exe", WB_WBCTL_PATH, "--colour", "path"}, kExitUsage},
      {{"settings", "--exe", WB_WBCTL_PATH, "--colour", "get", "k", "n"}, kExitUsage},
      {{"repo", "add", none, "--colour"}, kExitUsage},
      {{"state", "--colour"}, kExitUsage},
      // Options without their value.
      {{"brand", WB_WBCTL_PATH, none, "--icon"}, kExitUsage},
      {{"show", WB_WBCTL_PATH, "--logo"}, kExitUsage},
      {{"paths", "--exe"}, kExitUsage},
      {{"install", "--prefix"}, kExitUsage},
      {{"package", "--tar", "--out"}, kExitUsage},
      {{"repo", "add", none, "x.deb", "--keep"}, kExitUsage},
      {{"send", "--pid"}, kExitUsage},
      // Options that exclude each other or need another.
      {{"package", "--deb", "--tar"}, kExitUsage},
      {{"show", "--effective", "--icon", "x.png", WB_WBCTL_PATH}, kExitUsage},
      {{"brand", WB_WBCTL_PATH, none, "--trust", "AA"}, kExitUsage},
      {{"home", "--pid", "1", "--app", "x"}, kExitUsage},
      // Operands missing, too many, or of the wrong form.
      {{"brand", WB_WBCTL_PATH}, kExitUsage},
      {{"brand", WB_WBCTL_PATH, none, "title"}, kExitUsage},
      {{"show"}, kExitUsage},
      {{"check"}, kExitUsage},
      {{"paths", "--exe", WB_WBCTL_PATH, "extra"}, kExitUsage},
      {{"profile", "--exe", WB_WBCTL_PATH, "wipe"}, kExitUsage},
      {{"settings", "--exe", WB_WBCTL_PATH, "get", "k"}, kExitUsage},
      {{"repo"}, kExitUsage},
      {{"repo", "publish"}, kExitUsage},
      {{"send"}, kExitUsage},
      // Refusals: the call is right, the file or value is not.
      {{"brand", WB_WBCTL_PATH, none, "zoom=500"}, kExitError},
      {{"brand", none, none + "2"}, kExitError},
      {{"show", text}, kExitError},
      {{"paths", "--exe", none}, kExitError},
      {{"package", "--tar", "--exe", none}, kExitError},
      {{"install", "--exe", text}, kExitError},
      {{"check", text + ".missing"}, 2},  // the file cannot be checked, as the help says
  };
  for (const auto& c : cases) {
    std::string call;
    for (const auto& a : c.args) call += a + " ";
    const ToolRun run = Wbctl(c.args);
    EXPECT_EQ(run.status, c.status) << call << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("wbctl " + c.args[0] + ": ", 0), 0u) << call << "\n" << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(none));
}

}  // namespace
}  // namespace wbctl
