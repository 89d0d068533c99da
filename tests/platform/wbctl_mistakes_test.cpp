// Mistakes caught where they are made: brand refuses what check would report, and every
// command that takes a copy of the program refuses another file, each with a message of the
// one form "wbctl COMMAND: what is wrong: what to do".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wbctl {
namespace {

namespace fs = std::filesystem;
using wbtest::kProgram;
using wbtest::ToolRun;
using wbtest::Wbctl;

std::string Path(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/mistakes";
  fs::create_directories(dir);
  return dir + "/" + name;
}

// A value its key cannot hold, or a key the program does not know, is refused with the key
// and what it takes, and nothing is written; --force writes it as given.
TEST(WbctlMistakes, BrandRefusesWhatCheckReports) {
  const struct {
    std::string line;
    std::string finding;   // the start of the finding's line
    std::string accepted;  // what the message says the key takes
  } cases[] = {
      {"titel=Acme", "wbctl brand: titel: unknown key: accepted: the keys are title,", "dark"},
      {"color=green", "wbctl brand: color: \"green\" reads as 0", "accepted: #RRGGBB"},
      {"vis=mnals", "wbctl brand: vis: \"mnals\": these characters are ignored: \"s\"",
       "accepted: the letters m, n, a, l and -s"},
      {"zoom=500", "wbctl brand: zoom: \"500\" is outside 30 to 300 %", "accepted: 30 to 300"},
      {"dark=maybe", "wbctl brand: dark: \"maybe\" is neither a yes nor a no; it reads as false",
       "accepted: 1, yes, true, on or 0, no, false, off"},
      {"width=640px", "wbctl brand: width: \"640px\" has characters after the number",
       "accepted: a number of pixels above 0"},
      {"start=huge", "wbctl brand: start: \"huge\" is not normal", "accepted: normal, maximized"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string copy = Path("refused");
    fs::remove(copy);
    const ToolRun refused = Wbctl({"brand", kProgram, copy, "title=Acme", c.line});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err.rfind(c.finding, 0), 0u) << refused.err;
    EXPECT_NE(refused.err.find(c.accepted), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("wbctl brand: nothing was written: mend the values above, or "
                               "give --force to write them as they are\n"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(copy));

    const ToolRun forced = Wbctl({"brand", kProgram, copy, "--force", "title=Acme", c.line});
    EXPECT_EQ(forced.status, 0) << forced.err;
    const ToolRun show = Wbctl({"show", copy});
    EXPECT_NE(show.out.find(c.line + "\n"), std::string::npos) << show.out;
  }
  // Words that plainly say no are no mistake, for check either.
  for (const std::string line : {"dark=no", "dark=off", "dark=false", "tray=0", "tray=yes"}) {
    const ToolRun run = Wbctl({"brand", kProgram, Path("fine"), line});
    EXPECT_EQ(run.status, 0) << line << ": " << run.err;
  }
}

// Each command that takes a copy names the file it refuses, missing or not a copy; check keeps
// linting a text file of NAME=VALUE lines.
TEST(WbctlMistakes, CommandsThatTakeACopyRefuseOtherFiles) {
  const std::string text = Path("text.txt");
  wbtest::WriteFile(text, "title=Acme\n");
  const std::string missing = Path("missing");
  const std::string dest = Path("dest");
  const std::string prefix = Path("prefix");
  const std::string out = Path("out");
  fs::create_directories(out);
  // The commands as given with FILE in the copy's place; --exe makes a path absolute.
  const std::vector<std::vector<std::string>> commands = {
      {"brand", "FILE", dest, "title=x"},
      {"show", "FILE"},
      {"show", "--effective", "FILE"},
      {"show", "--icon", Path("icon.png"), "FILE"},
      {"paths", "--exe", "FILE"},
      {"info", "--exe", "FILE"},
      {"install", "--exe", "FILE", "--prefix", prefix},
      {"package", "--tar", "--exe", "FILE", "--out", out},
      {"profile", "--exe", "FILE", "path"},
  };
  const struct {
    std::string file;
    std::string message;
  } files[] = {
      {text, "not a copy of the program: " + text},
      {"/bin/sh", "not a copy of the program: /bin/sh"},
      {missing, "no such file: " + missing},
  };
  for (const auto& command : commands) {
    for (const auto& f : files) {
      std::vector<std::string> args = command;
      for (auto& a : args)
        if (a == "FILE") a = f.file;
      SCOPED_TRACE(args[0] + " " + args[1] + " " + f.file);
      const ToolRun run = Wbctl(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, "wbctl " + args[0] + ": " + f.message + "\n");
    }
  }
  EXPECT_FALSE(fs::exists(dest));
  EXPECT_FALSE(fs::exists(prefix));
  EXPECT_TRUE(fs::is_empty(out));

  const ToolRun lint = Wbctl({"check", text});
  EXPECT_EQ(lint.status, 0) << lint.err;
  const ToolRun elf = Wbctl({"check", "/bin/sh"});
  EXPECT_EQ(elf.status, 2);
  EXPECT_EQ(elf.err, "wbctl check: not a copy of the program: /bin/sh\n");
  const ToolRun none = Wbctl({"check", missing});
  EXPECT_EQ(none.status, 2);
}

TEST(WbctlMistakes, MessagesOfOneForm) {
  const std::string copy = wbtest::BrandAt(Path("acme"), {"title=Acme"});
  const struct {
    std::vector<std::string> args;
    std::string err;
    int status;
  } cases[] = {
      {{"package", "--deb", "--tar", "--exe", copy},
       "wbctl package: --deb and --tar exclude each other: give --deb or --tar, once\n",
       2},
      {{"install", "--exe", copy, "--prefix", "/proc/1"},
       "wbctl install: cannot write \"/proc/1/applications\": ",
       1},
  };
  for (const auto& c : cases) {
    const ToolRun run = Wbctl(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
  }
  const ToolRun proc = Wbctl({"install", "--exe", copy, "--prefix", "/proc/1"});
  EXPECT_NE(proc.err.find(": give a --prefix you may write into\n"), std::string::npos) << proc.err;
}

}  // namespace
}  // namespace wbctl
