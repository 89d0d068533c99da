// The info banner of the real program under Xvfb, against a gateway served on loopback: the
// banner asks the gateway for its info page, hangs below the main window, and steps aside
// when the gateway answers with an error.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

extern char** environ;

namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

using wbtest::RunCommand;

// A running program, ended when the object goes.
class Program {
 public:
  Program(const std::string& path, const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (wbtest::RunLoopUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 2000)) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

// Waits, up to a limit, until `done` holds, with the main loop running.
bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
  return wbtest::RunLoopUntil(done, seconds * 1000);
}

// A top-level window of the display as xwininfo reports it.
struct XWindow {
  bool found = false;
  bool viewable = false;
  int x = 0, y = 0, width = 0, height = 0;
};

XWindow FindWindow(const std::string& name) {
  XWindow w;
  std::string out = RunCommand("xwininfo -name '" + name + "' 2>/dev/null");
  auto number = [&](const char* label) {
    std::smatch m;
    return std::regex_search(out, m, std::regex(std::string(label) + ":\\s+(-?\\d+)"))
               ? std::stoi(m[1])
               : 0;
  };
  w.found = out.find("Window id:") != std::string::npos;
  w.viewable = out.find("Map State: IsViewable") != std::string::npos;
  w.x = number("Absolute upper-left X");
  w.y = number("Absolute upper-left Y");
  w.width = number("Width");
  w.height = number("Height");
  return w;
}

class BannerEndToEnd : public ::testing::Test {
 protected:
  // A copy of the program branded with the banner switched on and a loopback start page.
  std::string BrandedProgram(const std::string& title) {
    std::string path = wbtest::TestRoot() + "/banner-e2e";
    std::string command = std::string(WB_WBCTL_PATH) + " brand " + WB_WEBBROWSER_PATH + " " + path +
                          " 'title=" + title + "' webinfo=1 go=" + gateway.Base() +
                          "/start >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  std::vector<std::string> InfoRequests() {
    std::vector<std::string> found;
    for (const auto& path : gateway.Paths())
      if (path.rfind("/gw/?cmd=info&", 0) == 0) found.push_back(path);
    return found;
  }

  // Requests for the gateway ("/gw/...") get the status the test sets; all others get a page.
  std::atomic<int> gatewayStatus{200};
  wbtest::LoopbackServer gateway{[this](const std::string& path) -> wbtest::LoopbackResponse {
    if (path.rfind("/gw/", 0) != 0)
      return {200, "<html><body><h1>Start page</h1></body></html>", ""};
    return {gatewayStatus.load(),
            "<html><body style='margin:0;padding:6px 24px;background:#FFF8E1;"
            "font:13px sans-serif'><b>Morvane news</b> - the gateway's info page</body></html>",
            ""};
  }};
};

TEST_F(BannerEndToEnd, LoadsTheInfoPageBelowTheMainWindow) {
  std::string exe = BrandedProgram("Banner E2E");
  Program program(exe, {"WB_TEST_BASE_WEB_ADDRESS=" + gateway.Base()});
  ASSERT_GT(program.pid(), 0);
  ASSERT_TRUE(WaitFor([&] { return !InfoRequests().empty(); }))
      << "the banner never asked the gateway; requests: " << gateway.Paths().size();
  std::string request = InfoRequests().front();
  // The standard query, then the time-of-day number.
  std::smatch m;
  ASSERT_TRUE(
      std::regex_match(request, m,
                       std::regex("/gw/\\?cmd=info&id=&e=banner-e2e&v=[0-9.]*&d=\\d{4}-\\d\\d-"
                                  "\\d\\d&t=WebBrowser&l=&o=[0-9.]+&g=\\{[0-9A-F-]{36}\\}"
                                  "&tst=(\\d+)")))
      << request;
  int tst = std::stoi(m[1]);
  EXPECT_GE(tst, 0);
  EXPECT_LE(tst, 10000);

  XWindow main, banner;
  ASSERT_TRUE(WaitFor([&] {
    main = FindWindow("Banner E2E");
    banner = FindWindow("WebInfo");
    return main.viewable && banner.viewable && banner.y == main.y + main.height &&
           banner.x == main.x && banner.width == main.width;
  })) << "main "
      << main.x << "," << main.y << " " << main.width << "x" << main.height << "; banner "
      << banner.x << "," << banner.y << " " << banner.width << "x" << banner.height;
  EXPECT_EQ(banner.height, 90);
  EXPECT_TRUE(program.Running());

  // The window's state reports the banner with the address it loaded and its timer.
  std::string state =
      RunCommand(std::string(WB_WBCTL_PATH) + " state --pid " + std::to_string(program.pid()));
  EXPECT_NE(state.find("\"info\":{\"visible\":true,\"address\":\"" + gateway.Base() + request +
                       "\",\"interval\":120000,\"timer\":true}"),
            std::string::npos)
      << state;
}

TEST_F(BannerEndToEnd, HidesWhenTheGatewayAnswersWithAnError) {
  gatewayStatus = 500;
  std::string exe = BrandedProgram("Banner E2E 500");
  Program program(exe, {"WB_TEST_BASE_WEB_ADDRESS=" + gateway.Base()});
  ASSERT_GT(program.pid(), 0);
  ASSERT_TRUE(WaitFor([&] { return !InfoRequests().empty(); }));
  ASSERT_TRUE(WaitFor([&] { return FindWindow("Banner E2E 500").viewable; }));
  XWindow banner;
  EXPECT_TRUE(WaitFor([&] {
    banner = FindWindow("WebInfo");
    return banner.found && !banner.viewable;
  })) << "the banner is still shown";
  // Hidden without a message: the program runs on, with no other window of its own.
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(InfoRequests().size(), 1u);
}

#endif

}  // namespace
