// The info banner of the real program under Xvfb, against a gateway served on loopback: the
// banner asks the gateway for its info page, hangs below the main window, and steps aside
// when the gateway answers with an error.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/test_env.h"

extern char** environ;

namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

// A web server on loopback that answers every request at once and records the request paths.
// Requests for the gateway ("/gw/...") get the status the test sets; all others get a page.
class LoopbackGateway {
 public:
  LoopbackGateway() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackGateway() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void SetGatewayStatus(int status) { status_ = status; }
  std::vector<std::string> Paths() {
    std::lock_guard lock(mutex_);
    return paths_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      Answer(client);
      close(client);
    }
  }

  void Answer(int client) {
    std::string request;
    char buffer[4096];
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
           std::chrono::steady_clock::now() < limit) {
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    std::smatch match;
    if (!std::regex_search(request, match, std::regex("^GET (\\S+) HTTP"))) return;
    std::string path = match[1];
    {
      std::lock_guard lock(mutex_);
      paths_.push_back(path);
    }
    bool gateway = path.rfind("/gw/", 0) == 0;
    int status = gateway ? status_.load() : 200;
    std::string body = gateway ? "<html><body style='margin:0;padding:6px 24px;background:#FFF8E1;"
                                 "font:13px sans-serif'><b>Morvane news</b> - the gateway's "
                                 "info page</body></html>"
                               : "<html><body><h1>Start page</h1></body></html>";
    std::string response = "HTTP/1.1 " + std::to_string(status) +
                           (status == 200 ? " OK" : " Error") +
                           "\r\nContent-Type: text/html\r\nConnection: close\r\n"
                           "Content-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n" + body;
    (void)!write(client, response.data(), response.size());
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> status_{200};
  std::mutex mutex_;
  std::vector<std::string> paths_;
  std::thread thread_;
};

// Output of a command, or empty.
std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

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

  LoopbackGateway gateway;
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
  gateway.SetGatewayStatus(500);
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
