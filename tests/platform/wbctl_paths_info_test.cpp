// wbctl paths and wbctl info, run as a user would run them: a separate process, acting for a
// copy of the program in a folder of the test's own.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace {

namespace fs = std::filesystem;

using wbtest::ToolRun;
using wbtest::Wbctl;

using Lines = std::vector<std::pair<std::string, std::string>>;

Lines ParseLines(const std::string& text) {
  Lines lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const auto eq = line.find('=');
    lines.emplace_back(line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Names(const Lines& lines) {
  std::vector<std::string> names;
  for (const auto& l : lines) names.push_back(l.first);
  return names;
}

std::string Value(const Lines& lines, const std::string& name) {
  for (const auto& l : lines) {
    if (l.first == name) return l.second;
  }
  return "(missing)";
}

class WbctlPathsInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(wbtest::TestRoot()) / "wbctl-paths";
    prog_ = root_ / "My Prog";
    fs::create_directories(prog_);
    // A copy of wbctl stands in for the program: it carries a version note like the program.
    fs::copy_file(WB_WBCTL_PATH, prog_ / "my.tool.bin", fs::copy_options::overwrite_existing);
    exe_ = (prog_ / "my.tool.bin").string();
    home_ = g_getenv("HOME");
    config_ = g_getenv("XDG_CONFIG_HOME");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_, prog_;
  std::string exe_, home_, config_;
};

TEST_F(WbctlPathsInfo, PathsFollowTheUsersFolders) {
  const ToolRun r = Wbctl({"paths", "--exe", exe_}, root_.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = ParseLines(r.out);
  EXPECT_EQ(Names(lines), (std::vector<std::string>{"program", "work", "data", "settings",
                                                    "portable", "current"}));
  EXPECT_EQ(Value(lines, "program"), prog_.string() + "/");
  EXPECT_EQ(Value(lines, "work"), home_ + "/WebBrowser/");
  EXPECT_EQ(Value(lines, "data"), config_ + "/WebBrowser/");
  // The copy writes its settings into the per-user registry hive, not into an ini file.
  EXPECT_EQ(Value(lines, "settings"), config_ + "/Morvane/HKEY_CURRENT_USER.reg");
  EXPECT_EQ(Value(lines, "portable"), "0");
  EXPECT_EQ(Value(lines, "current"), root_.string());
}

TEST_F(WbctlPathsInfo, PathsInPortableOperation) {
  fs::create_directories(prog_ / "data");
  std::ofstream(prog_ / "my.tool.ini") << "[my.tool]\nPortable=1\n";
  // A relative --exe is taken from the current directory.
  const ToolRun r = Wbctl({"paths", "--exe", "My Prog/my.tool.bin"}, root_.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = ParseLines(r.out);
  EXPECT_EQ(Value(lines, "work"), prog_.string() + "/data/");
  EXPECT_EQ(Value(lines, "data"), prog_.string() + "/");
  EXPECT_EQ(Value(lines, "settings"), prog_.string() + "/my.tool.ini");
  EXPECT_EQ(Value(lines, "portable"), "1");
  EXPECT_EQ(Value(lines, "current"), prog_.string() + "/data");
}

TEST_F(WbctlPathsInfo, InfoDescribesTheProgramToTheGateway) {
  const ToolRun r = Wbctl({"info", "--exe", exe_}, root_.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = ParseLines(r.out);
  EXPECT_EQ(Names(lines),
            (std::vector<std::string>{"version", "build", "os", "id", "query", "gateway"}));
  EXPECT_TRUE(std::regex_match(Value(lines, "version"), std::regex(R"(\d+\.\d+\.\d+\.\d+)")));
  EXPECT_TRUE(std::regex_match(Value(lines, "build"), std::regex(R"(\d{4}-\d{2}-\d{2})")));
  EXPECT_TRUE(std::regex_match(Value(lines, "os"), std::regex(R"(\d+\.\d+)")));
  const std::string id = Value(lines, "id");
  EXPECT_TRUE(std::regex_match(
      id, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
      << id;
  const std::string query = "id=&e=my&v=" + Value(lines, "version") +
                            "&d=" + Value(lines, "build") +
                            "&t=WebBrowser&l=&o=" + Value(lines, "os") + "&g=" + id;
  EXPECT_EQ(Value(lines, "query"), query);
  EXPECT_EQ(Value(lines, "gateway"), "https://morvane.example/gw/?cmd=info&" + query);

  // The id is stored on first use and the same on the next run.
  const ToolRun again = Wbctl({"info", "--exe", exe_}, root_.string());
  EXPECT_EQ(Value(ParseLines(again.out), "id"), id);
}

TEST_F(WbctlPathsInfo, WithoutExeActsAsTheProgramBesideTheTool) {
  const fs::path bin = root_ / "bin";
  fs::create_directories(bin);
  fs::copy_file(WB_WBCTL_PATH, bin / "wbctl");
  const ToolRun missing = Wbctl({"paths"}, root_.string(), (bin / "wbctl").string());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find((bin / "webbrowser").string()), std::string::npos) << missing.err;

  fs::copy_file(WB_WBCTL_PATH, bin / "webbrowser");
  std::ofstream(bin / "webbrowser.ini") << "[webbrowser]\nPortable=2\n";
  const ToolRun r = Wbctl({"paths"}, root_.string(), (bin / "wbctl").string());
  ASSERT_EQ(r.status, 0) << r.err;
  const Lines lines = ParseLines(r.out);
  EXPECT_EQ(Value(lines, "program"), bin.string() + "/");
  // Only portable mode 1 keeps the settings in the ini file; 2 keeps them in the hive.
  EXPECT_EQ(Value(lines, "settings"), config_ + "/Morvane/HKEY_CURRENT_USER.reg");
  EXPECT_EQ(Value(lines, "portable"), "2");
}

TEST_F(WbctlPathsInfo, ClearErrors) {
  const struct {
    std::vector<std::string> args;
    std::string message;
    int status;
  } cases[] = {
      {{"paths", "--exe"}, "--exe needs", 2},
      {{"info", "--exe", "no-such-file"}, "no such file: ", 1},
      {{"paths", "--exe", "."}, "not a copy of the program: ", 1},
      {{"paths", "--exe", exe_, "extra"}, "unexpected argument", 2},
  };
  for (const auto& c : cases) {
    const ToolRun r = Wbctl(c.args, root_.string());
    EXPECT_EQ(r.status, c.status) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
