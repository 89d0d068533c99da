// The program itself: a branded copy is its own application on the desktop, and a start that
// cannot succeed says why and ends with a non-zero exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/gtk_test_util.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

extern char** environ;

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

std::string Brand(const std::string& name, const std::string& title) {
  std::string path = TestRoot() + "/" + name;
  std::string command = std::string(WB_WBCTL_PATH) + " brand " + WB_WEBBROWSER_PATH + " " + path +
                        " 'title=" + title + "' go=about:blank >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

TEST(Program, WindowClassFollowsTheExecutableName) {
  // On Wayland the toolkit sends the same name as the window's application id, which no
  // tool of the compositor here reads back.
  if (OnWayland()) GTEST_SKIP() << "the window class is an X11 property, read with xprop";
  std::string exe = Brand("acme-portal", "Class Test");
  pid_t pid = -1;
  char* argv[] = {exe.data(), nullptr};
  ASSERT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ), 0);
  std::string wmClass;
  RunLoopUntil(
      [&] {
        wmClass = RunCommand("xprop -name 'Class Test' WM_CLASS 2>/dev/null");
        return wmClass.find("acme-portal") != std::string::npos;
      },
      30000);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(wmClass, "WM_CLASS(STRING) = \"acme-portal\", \"Acme-portal\"\n");
}

TEST(Program, WithoutADisplayTheStartFailsWithAMessage) {
  std::string exe = Brand("no-display", "No Display");
  int status = 0;
  std::string out = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + exe + " 2>&1", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out, "no-display: cannot open the display\n");
}

#endif

}  // namespace
}  // namespace wbtest
