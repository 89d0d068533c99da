// The real program with the real engine, started as a person starts a branded copy: the
// command-line address after a web start address, a certificate the engine refuses and a
// page that asks for a password. Each case waits until the engine is done with the address,
// then checks that the window's state stays right for a moment, since the engine reports
// some things only after the load.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
