// The program itself: a branded copy is its own application on the desktop, and a start that
// cannot succeed says why and ends with a non-zero exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gdk/gdk.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/gtk_test_util.h"
#include "tests/common/program_run.h"
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

// Help and version are answered without a display and without a window: a start that needs
// either would fail here with "cannot open the display". Any other argument, even one that
// starts with "-", stays an address and needs the display.
TEST(Program, HelpAndVersionPrintWithoutADisplay) {
  std::string exe = Brand("acme-help", "Help Test");
  const struct {
    std::string arguments;
    int status;
    std::string outStart;
  } cases[] = {
      {"--help", 0, "usage: acme-help [ADDRESS]\n"},
      {"-h", 0, "usage: acme-help [ADDRESS]\n"},
      {"--version", 0, "acme-help 1."},
      {"--foo", 1, "acme-help: cannot open the display\n"},
      {"--help --version", 1, "acme-help: cannot open the display\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    int status = 0;
    const std::string out = RunCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY " + exe + " " + c.arguments + " 2>&1", &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(out.rfind(c.outStart, 0), 0u) << out;
  }
}

// The libraries of the system's GL that a process has mapped (the drivers and their vendor
// libraries).
std::vector<std::string> GlLibrariesOf(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::vector<std::string> found;
  std::string line;
  while (std::getline(maps, line)) {
    for (const char* name : {"_dri.so", "libEGL_mesa", "libGLX_mesa", "libLLVM"})
      if (line.find(name) != std::string::npos) {
        const std::string path = line.substr(line.find('/'));
        if (std::find(found.begin(), found.end(), path) == found.end()) found.push_back(path);
      }
  }
  return found;
}

// The program's web process (a child, or a child of the sandbox's helper) and its environment.
std::string WebProcessEnvironment(pid_t root) {
  const std::string ids = RunCommand("pgrep -f WebKitWebProcess");
  std::istringstream lines(ids);
  for (std::string id; std::getline(lines, id);) {
    std::ifstream environ("/proc/" + id + "/environ");
    std::stringstream all;
    all << environ.rdbuf();
    // Only this program's: the test's HOME is in its environment, as in the program's.
    const std::string text = all.str();
    if (text.find(TestRoot()) != std::string::npos || root <= 0) return text;
  }
  return {};
}

// Pixels of the page's colour on the screen.
int RedPixelsOnScreen() {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                               gdk_window_get_height(root));
  if (!shot) return 0;
  int red = 0;
  const int n = gdk_pixbuf_get_n_channels(shot), stride = gdk_pixbuf_get_rowstride(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  for (int y = 0; y < gdk_pixbuf_get_height(shot); ++y)
    for (int x = 0; x < gdk_pixbuf_get_width(shot); ++x) {
      const guchar* p = pixels + y * stride + x * n;
      if (p[0] > 240 && p[1] < 16 && p[2] < 16) ++red;
    }
  g_object_unref(shot);
  return red;
}

struct GlCase {
  const char* gpu;  // the copy's gpu key
  bool glInOwnProcess;
};

// Without hardware acceleration nothing in the window's own process draws with GL, so it maps
// no GL driver; the page is drawn all the same, and the web process starts with the
// environment the program got (the program only hides GL from itself).
TEST(Program, WithoutAccelerationTheWindowLoadsNoGlAndThePageIsDrawn) {
  if (OnWayland()) GTEST_SKIP() << "the screen is read through X11";
  const GlCase cases[] = {{"gpu=0", false}, {"gpu=1", true}};
  for (const GlCase& c : cases) {
    SCOPED_TRACE(c.gpu);
    const std::string page = TestRoot() + "/red.html";
    std::ofstream(page) << "<html><body style='background:#ff0000'></body></html>";
    const std::string exe = TestRoot() + "/gl-copy";
    const std::string command = std::string(WB_WBCTL_PATH) + " brand " + WB_WEBBROWSER_PATH + " " +
                                exe + " go=" + page + " vis=- width=400 height=300 " + c.gpu +
                                " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ProgramRun run(exe, {});
    ASSERT_TRUE(run.Runs()) << run.startError();
    // A window of 400 x 300 pixels, all of it the page's red.
    EXPECT_TRUE(RunLoopUntil([] { return RedPixelsOnScreen() > 100000; }, 30000));
    const std::vector<std::string> gl = GlLibrariesOf(run.pid());
    if (!c.glInOwnProcess) {
      EXPECT_TRUE(gl.empty()) << gl.front();
    }
    const std::string environment = WebProcessEnvironment(run.pid());
    EXPECT_FALSE(environment.empty());
    EXPECT_EQ(environment.find("__EGL_VENDOR_LIBRARY_FILENAMES"), std::string::npos);
    EXPECT_EQ(environment.find("GDK_GL="), std::string::npos);
    EXPECT_EQ(run.Terminate(), 0);
    RunLoopUntil([] { return RedPixelsOnScreen() == 0; }, 5000);
  }
}

#endif

}  // namespace
}  // namespace wbtest
