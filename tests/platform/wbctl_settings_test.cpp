// wbctl settings, run as a user would run it: a separate process acting for a copy of the
// program in a folder of the test's own, with the test's own registry hive.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tests/common/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;

using wbtest::ToolRun;
using wbtest::Wbctl;

using wbtest::ReadFile;
using wbtest::WriteFile;

fs::path Hive() {
  return fs::path(wbtest::TestRoot()) / "config/Morvane/HKEY_CURRENT_USER.reg";
}

// An installed copy of the program: the tool only needs its path, name and folder.
std::string Program(const std::string& folder, const std::string& name) {
  fs::path exe = fs::path(wbtest::TestRoot()) / folder / name;
  WriteFile(exe, "not a real executable");
  return exe.string();
}

TEST(WbctlSettings, GetsSetsAndDeletesRegistryVariables) {
  const std::string exe = Program("installed", "my.app");
  struct Step {
    std::vector<std::string> args;
    std::string out;
  };
  const Step steps[] = {
      {{"get", "WbctlTest", "a", "dflt"}, "value=dflt\n"},
      {{"set", "WbctlTest", "a", "\xC3\xBC value"}, "result=true\n"},
      {{"get", "wbctltest", "A", "dflt"}, "value=\xC3\xBC value\n"},
      {{"set", "WbctlTest", "a", "\xC3\xBC value"}, "result=true\n"},
      {{"delete", "WbctlTest", "a"}, "result=true\n"},
      {{"delete", "WbctlTest", "a"}, "result=false\n"},
      {{"get", "WbctlTest", "a"}, "value=\n"},
      {{"set", "#t\\Setup", "n", "1"}, "result=true\n"},
      {{"set", "#n", "n", "2"}, "result=true\n"},
      {{"get", "WebBrowser\\Setup", "n"}, "value=1\n"},
      {{"get", "\\Software\\Morvane\\my", "n"}, "value=2\n"},
      {{"delete", "#t", ""}, "result=true\n"},
      {{"get", "#t\\Setup", "n", "gone"}, "value=gone\n"},
      {{"set", "WbctlTest", "--exe", "-"}, "result=true\n"},  // values may look like options
      {{"get", "WbctlTest", "--exe"}, "value=-\n"},
  };
  for (const auto& step : steps) {
    std::vector<std::string> args = {"settings", "--exe", exe};
    args.insert(args.end(), step.args.begin(), step.args.end());
    const ToolRun r = Wbctl(args);
    EXPECT_EQ(r.status, 0) << step.args[0] << " " << step.args[1] << ": " << r.err;
    EXPECT_EQ(r.out, step.out) << step.args[0] << " " << step.args[1];
  }
  const std::string hive = ReadFile(Hive());
  EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\Software\\Morvane\\my]\n\"n\"=\"2\"\n"),
            std::string::npos)
      << hive;
  EXPECT_EQ(hive.find("WebBrowser\\Setup"), std::string::npos) << hive;
}

TEST(WbctlSettings, PortableModeOneUsesTheSettingsFileBesideTheExecutable) {
  struct Case {
    std::string portable;
    bool inSettingsFile;
  };
  for (const Case& c : {Case{"1", true}, Case{"2", false}, Case{"0", false}}) {
    const std::string folder = "portable" + c.portable;
    const std::string exe = Program(folder, "port.bin");
    const fs::path ini = fs::path(exe).parent_path() / "port.ini";
    const std::string original = "; kept\r\n[port]\r\nPortable = " + c.portable + "\r\n";
    WriteFile(ini, original);
    const std::string key = "Portable" + c.portable;
    ToolRun r = Wbctl({"settings", "--exe", exe, "set", key, "n", "v"});
    EXPECT_EQ(r.out, "result=true\n") << r.err;
    r = Wbctl({"settings", "--exe", exe, "get", key, "n", "d"});
    EXPECT_EQ(r.out, "value=v\n") << r.err;
    const std::string settings = ReadFile(ini);
    if (c.inSettingsFile) {
      EXPECT_EQ(settings, original + "[" + key + "]\r\nn=v\r\n");
    } else {
      EXPECT_EQ(settings, original);
      EXPECT_NE(ReadFile(Hive()).find("Morvane\\" + key + "]"), std::string::npos);
    }
  }
}

TEST(WbctlSettings, ReportsBadUseAndRefusedWritesAsErrors) {
  const std::string exe = Program("errors", "err.bin");
  WriteFile(fs::path(exe).parent_path() / "err.ini", "[err]\nPortable=1\n");
  struct Case {
    std::vector<std::string> args;
    std::string inMessage;
    int status;  // 2 for a mistake in the command line, 1 for a refusal
  };
  const Case cases[] = {
      {{"settings", "--exe", exe}, "usage", 2},
      {{"settings", "--exe", exe, "get", "onlykey"}, "usage", 2},
      {{"settings", "--exe", exe, "set", "k", "n"}, "usage", 2},
      {{"settings", "--exe", exe, "remove", "k", "n"}, "usage", 2},
      {{"settings", "--exe", exe + ".missing", "get", "k", "n"}, "no such executable", 1},
      {{"settings", "--exe"}, "--exe", 2},
      {{"settings", "--exe", exe, "set", "k", "n", "two\nlines"}, "err.ini", 1},
      {{"settings", "--exe", exe, "set", "a]b", "n", "v"}, "err.ini", 1},
  };
  for (const auto& c : cases) {
    const ToolRun r = Wbctl(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
  }
}

TEST(WbctlSettings, AWriteTheHiveCannotTakeExitsOneWithTheReason) {
  const std::string exe = Program("refused", "ref.app");
  const std::vector<std::string> set = {"settings", "--exe", exe, "set", "K", "n", "v"};

  // A hive that others have grown past the limit.
  std::string big = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n";
  while (big.size() <= (16u << 20)) big += "; " + std::string(1000, 'x') + "\n";
  WriteFile(Hive(), big);
  ToolRun r = Wbctl(set);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("larger than 16 MiB"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(Hive().string()), std::string::npos) << r.err;
  EXPECT_TRUE(ReadFile(Hive()) == big);
  fs::remove(Hive());

  // A full file system.
  wbtest::TmpfsMount mount(Hive().parent_path().string(), 64 << 10);
  if (!mount.Mounted()) GTEST_SKIP() << "a full file system needs a small mount: " << mount.Why();
  WriteFile(Hive(), "Windows Registry Editor Version 5.00\n\n; " + std::string(40 << 10, 'x'));
  const std::string before = ReadFile(Hive());
  r = Wbctl(set);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(Hive()), before);
}

TEST(WbctlSettings, ActsForTheProgramBesideTheToolByDefault) {
  // A copy of the tool installed beside a program of its own, which is portable.
  const fs::path folder = fs::path(wbtest::TestRoot()) / "beside";
  fs::create_directories(folder);
  fs::copy_file(WB_WBCTL_PATH, folder / "wbctl", fs::copy_options::overwrite_existing);
  WriteFile(folder / "webbrowser", "the program");
  WriteFile(folder / "webbrowser.ini", "[webbrowser]\nPortable=1\n");
  ToolRun r = Wbctl({"settings", "set", "#n", "n", "beside"}, "", (folder / "wbctl").string());
  EXPECT_EQ(r.out, "result=true\n") << r.err;
  EXPECT_EQ(ReadFile(folder / "webbrowser.ini"), "[webbrowser]\nPortable=1\nn=beside\n");
}

}  // namespace
