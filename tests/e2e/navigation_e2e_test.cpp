// The real program with the real engine, started as a person starts a branded copy: the
// command-line address after a web start address, a certificate the engine refuses and a
// page that asks for a password. Each case waits until the engine is done with the address,
// then checks that the window's state stays right for a moment, since the engine reports
// some things only after the load.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "support/process_status.h"

#include "tests/common/loopback_server.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/tls_server.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

std::string BrandCopy(const std::string& name, const std::string& go) {
  const std::string exe = TestRoot() + "/" + name;
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + go, "title=" + name});
  EXPECT_EQ(brand.status, 0) << brand.err;
  return exe;
}

// A page whose onload asks the server for `beacon`, so the test knows the page has loaded.
std::string PageWithBeacon(const std::string& beacon) {
  return "<html><head><title>Page</title></head><body onload=\"fetch('" + beacon +
         "')\">page</body></html>";
}

// The state a window shows once it has settled on `address` after `before`.
bool SettledOn(const WindowState& s, const std::vector<std::string>& history,
               const std::string& address) {
  return s.history == history && s.historyIndex == static_cast<int>(history.size()) - 1 &&
         s.address == address && s.status == address && !s.forward;
}

TEST(NavigationEndToEnd, CommandLineAddressAfterAWebStartAddressLoadsAndStays) {
  LoopbackServer server;
  server.Page("/start", PageWithBeacon("/start-loaded"));
  server.Page("/cmdline", PageWithBeacon("/cmdline-loaded"));
  server.Page("/start-loaded", "ok");
  server.Page("/cmdline-loaded", "ok");
  const std::string start = server.Url("/start"), cmdline = server.Url("/cmdline");
  ProgramRun program(BrandCopy("cmdline-copy", start), {cmdline});
  ASSERT_TRUE(program.Runs()) << program.startError();

  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/cmdline-loaded"); }, 60000))
      << "requests: " << ::testing::PrintToString(server.Paths());
  WindowState state;
  // The engine may end the load after the page's onload (the status still shows its progress
  // then); its last status is the location.
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.status == cmdline; }, 20000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return SettledOn(s, {start, cmdline}, cmdline);
  })) << state.json;
  EXPECT_TRUE(program.Runs());
}

TEST(NavigationEndToEnd, CommandLineAddressAfterABlankStartAddressLeavesNoEmptyEntry) {
  LoopbackServer server;
  server.Page("/cmdline", PageWithBeacon("/cmdline-loaded"));
  server.Page("/cmdline-loaded", "ok");
  const std::string cmdline = server.Url("/cmdline");
  ProgramRun program(BrandCopy("blank-copy", "about:blank"), {cmdline});
  ASSERT_TRUE(program.Runs()) << program.startError();

  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/cmdline-loaded"); }, 60000));
  WindowState state;
  // The engine may end the load after the page's onload; its last status is the location.
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.status == cmdline; }, 20000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return SettledOn(s, {"about:blank", cmdline}, cmdline);
  })) << state.json;
}

// The network processes the engine started for the program `parent`.
std::vector<pid_t> NetworkProcessesOf(pid_t parent) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto status = wb::ParseProcessStatus(text);
    if (status && wb::IsOwnNetworkProcess(*status, parent)) found.push_back(std::stoi(name));
  }
  return found;
}

// The engine's network process may end under a load (it crashed, or the window ended it to
// sign out); the engine then fails the loads it had under way with an error of its own. The
// page is what the person asked for: the window loads it again, once, and shows no error.
TEST(NavigationEndToEnd, ALoadTheEngineLostWithItsNetworkProcessIsLoadedAgain) {
  std::atomic<bool> held{false};
  std::mutex mutex;
  std::condition_variable endedChanged;
  bool ended = false;
  LoopbackServer server([&](const std::string& path) -> LoopbackResponse {
    if (path != "/slow") return LoopbackServer::NotFound(path);
    // The first request waits until the test has ended the network process that sent it.
    if (!held.exchange(true)) {
      std::unique_lock lock(mutex);
      endedChanged.wait_for(lock, std::chrono::seconds(30), [&] { return ended; });
    }
    return {200, PageWithBeacon("/slow-loaded"), ""};
  });
  server.Page("/start", PageWithBeacon("/start-loaded"));
  server.Page("/start-loaded", "ok");
  server.Page("/slow-loaded", "ok");
  const std::string start = server.Url("/start"), slow = server.Url("/slow");
  ProgramRun program(BrandCopy("lost-load-copy", start), {});
  ASSERT_TRUE(program.Runs()) << program.startError();
  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/start-loaded"); }, 60000));

  ToolRun send = Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + slow});
  ASSERT_EQ(send.status, 0) << send.err;
  ASSERT_TRUE(RunLoopUntil([&] { return held.load(); }, 30000));
  const std::vector<pid_t> network = NetworkProcessesOf(program.pid());
  ASSERT_FALSE(network.empty());
  for (pid_t pid : network) kill(pid, SIGKILL);
  ASSERT_TRUE(RunLoopUntil([&] { return NetworkProcessesOf(program.pid()) != network; }, 10000));
  {
    std::lock_guard lock(mutex);
    ended = true;
  }
  endedChanged.notify_all();

  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/slow-loaded"); }, 60000))
      << ::testing::PrintToString(server.Paths());
  WindowState state;
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.status == slow; }, 20000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return s.errorKind.empty() && SettledOn(s, {start, slow}, slow);
  })) << state.json;
  EXPECT_EQ(server.Requests("/slow"), 2);
}

TEST(NavigationEndToEnd, RefusedCertificateKeepsTheAddress) {
  const std::string folder = TestRoot() + "/tls";
  std::filesystem::create_directories(folder);
  TlsServer tls(folder);
  const std::string secure = tls.Url("/secure");
  ProgramRun program(BrandCopy("tls-copy", secure), {});
  ASSERT_TRUE(program.Runs()) << program.startError();

  // The engine gives up on the certificate during the handshake; its load ends there.
  ASSERT_TRUE(RunLoopUntil(
      [&] { return tls.Events().find("handshake-failed") != std::string::npos; }, 60000));
  WindowState state;
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.status == secure; }, 20000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return SettledOn(s, {secure}, secure);
  })) << state.json;
  EXPECT_EQ(tls.Events().find("GET"), std::string::npos) << tls.Events();
}

TEST(NavigationEndToEnd, PasswordChallengeKeepsTheAddress) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {401, "<html><body>Who are you?</body></html>",
            "WWW-Authenticate: Basic realm=\"Staff\"\r\nContent-Type: text/html\r\n"};
  }};
  const std::string locked = server.Url("/locked");
  ProgramRun program(BrandCopy("auth-copy", locked), {});
  ASSERT_TRUE(program.Runs()) << program.startError();

  // The engine asks for the password once the challenge has arrived.
  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/locked"); }, 60000));
  WindowState state;
  EXPECT_TRUE(StateStays(
      program.pid(), state,
      [&](const WindowState& s) {
        return s.history == std::vector<std::string>{locked} && s.historyIndex == 0 &&
               s.address == locked && !s.forward;
      },
      2000))
      << state.json;
}

#endif

}  // namespace
}  // namespace wbtest
