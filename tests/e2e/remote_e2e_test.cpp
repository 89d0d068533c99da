// The real program with the real engine: started on a virtual display, it is sent an address
// served on loopback with `wbctl send`, and `wbctl state` must then show that address in the
// history and the address box.
#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/remote_channel.h"
#include "platform/remote_client.h"
#include "support/remote_record.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

TEST(RemoteEndToEnd, SentAddressEndsInHistoryAndAddressBox) {
  // Every address on the server answers with one small page.
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><head><title>Loopback</title></head><body>page</body></html>", ""};
  }};
  const std::string start = server.Url("/start");
  const std::string cmd = server.Url("/cmd");
  const std::string sent = server.Url("/sent?x=1");
  // A branded copy that starts on the loopback server, with a name of its own.
  const std::string exe = wbtest::TestRoot() + "/remote-e2e";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + start, "title=Remote E2E"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  ProgramRun program(exe, {cmd}, {"WB_TEST_BASE_WEB_ADDRESS=" + server.Url("")});
  WindowState state;
  // The window is up once it answers a state query; the command-line address follows the
  // configured start address.
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() || (ReadWindowState(program.pid(), state) &&
                                   state.history.size() == 2 && state.address == cmd);
      },
      60000))
      << "address " << state.address;
  ASSERT_TRUE(program.Runs());
  EXPECT_EQ(state.history, (std::vector<std::string>{start, cmd}));

  ToolRun send = Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + sent});
  EXPECT_EQ(send.status, 0) << send.err;
  EXPECT_EQ(send.out, "reply=1\n");

  EXPECT_TRUE(RunLoopUntil(
      [&] {
        return ReadWindowState(program.pid(), state) && state.address == sent &&
               !state.history.empty() && state.history.back() == sent;
      },
      60000))
      << state.json;
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/sent?x=1") > 0; }, 60000))
      << "requests: " << ::testing::PrintToString(server.Paths()) << " " << state.json;

  // The home-page request, by application name as scripts call it: the maker's web site.
  ToolRun home = Wbctl({"home", "--app", "remote-e2e"});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_EQ(home.out, "reply=0\n");
  EXPECT_TRUE(RunLoopUntil(
      [&] {
        // The engine reports the site's address with the path "/" it adds.
        return ReadWindowState(program.pid(), state) &&
               (state.address == server.Url("") || state.address == server.Url("/"));
      },
      60000))
      << state.json;
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/") > 0; }, 60000));

  // No window of another name.
  EXPECT_EQ(Wbctl({"state", "--app", "webbrowser"}).status, 2);

  // Ended politely, the program closes its window and takes its socket with it.
  const pid_t pid = program.pid();
  const std::string socket =
      wb::SocketPath(wb::ChannelDirectory(wb::MissingFolder::kThrow), "remote-e2e", pid);
  EXPECT_TRUE(g_file_test(socket.c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_FALSE(g_file_test(socket.c_str(), G_FILE_TEST_EXISTS));
  ToolRun gone = Wbctl({"send", "--pid", std::to_string(pid), "url=x"});
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find("no running window"), std::string::npos) << gone.err;
}

// Several records in one write reach the window together, so each load is handed to the engine
// before the one before it has started. The window must end as if they had come one by one:
// at the last address, with Back leading to the one before it and nothing ahead.
void SendInOneWrite(int records) {
  SCOPED_TRACE(std::to_string(records) + " records");
  // Each page tells the server when it has loaded, by its path.
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200,
            "<html><body onload=\"fetch('/loaded' + location.pathname + location.search)\">"
            "page</body></html>",
            ""};
  }};
  const std::string start = server.Url("/start");
  const std::string exe = wbtest::TestRoot() + "/remote-burst";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + start, "title=Burst"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  ProgramRun program(exe, {}, {"WB_TEST_BASE_WEB_ADDRESS=" + server.Url("")});
  WindowState state;
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() || (server.Asked("/loaded/start") &&
                                   ReadWindowState(program.pid(), state) && state.address == start);
      },
      60000))
      << state.json;
  ASSERT_TRUE(program.Runs());

  std::vector<std::string> sent;
  std::string bytes;
  for (int i = 0; i < records; ++i) {
    sent.push_back(server.Url("/page?n=" + std::to_string(i)));
    bytes += wb::remote::EncodeRequest(
        {wb::remote::kCopyData, 0, wb::remote::CopyDataBytes("url=" + sent.back())});
  }
  std::vector<wb::remote::Reply> replies;
  std::string error;
  const std::string socket = wb::SocketPath(wb::ChannelDirectory(wb::MissingFolder::kThrow),
                                            "remote-burst", program.pid());
  ASSERT_TRUE(RunBeside(
      [&] {
        try {
          wb::RemoteClient client(socket);
          client.SendBytes(bytes);
          for (int i = 0; i < records; ++i) replies.push_back(client.ReadReply());
        } catch (const std::exception& e) {
          error = e.what();
        }
      },
      60000));
  ASSERT_EQ(error, "");
  ASSERT_EQ(replies.size(), sent.size());
  for (const auto& reply : replies) {
    EXPECT_EQ(reply.status, wb::remote::Status::kHandled);
    EXPECT_EQ(reply.result, 1);
  }

  // The last page has loaded.
  const std::string last = sent.back();
  EXPECT_TRUE(RunLoopUntil(
      [&] {
        return server.Asked("/loaded/page?n=" + std::to_string(records - 1)) &&
               ReadWindowState(program.pid(), state) && state.address == last;
      },
      60000))
      << state.json;
  auto asSentOneByOne = [&](const WindowState& s) {
    return s.address == last && !s.history.empty() && s.history.back() == last &&
           s.historyIndex == static_cast<int>(s.history.size()) - 1 && s.back && !s.forward;
  };
  EXPECT_TRUE(asSentOneByOne(state)) << state.json;
  // ...and stays so: nothing the engine tells late moves it.
  EXPECT_TRUE(StateStays(program.pid(), state, asSentOneByOne, 1500)) << state.json;
  EXPECT_EQ(state.history.front(), start);
}

// A copy with a homepage of its own: the home-page request goes there, not to our site (no
// test address stands in for ours here), and the about box is closed until asked for.
TEST(RemoteEndToEnd, HomeGoesToTheCopysOwnHomepage) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><head><title>Maker</title></head><body>maker</body></html>", ""};
  }};
  const std::string start = server.Url("/start");
  const std::string homepage = server.Url("/maker");
  const std::string exe = wbtest::TestRoot() + "/homepage-e2e";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + start, "title=Homepage E2E",
                         "maker=Greenleaf", "homepage=" + homepage + "/", "contact=1 Row",
                         "shop=" + homepage + "/shop", "support=" + homepage + "/help"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  ProgramRun program(exe, {}, {});
  WindowState state;
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() || (ReadWindowState(program.pid(), state) && state.address == start);
      },
      60000))
      << "address " << state.address;
  ASSERT_TRUE(program.Runs());
  EXPECT_NE(state.json.find(R"("about":null)"), std::string::npos) << state.json;

  ToolRun home = Wbctl({"home", "--app", "homepage-e2e"});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.address == homepage; }, 60000))
      << state.json;
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/maker") > 0; }, 60000))
      << "requests: " << ::testing::PrintToString(server.Paths());
  EXPECT_EQ(program.Terminate(), 0);
}

// An address of the site's own scheme, given on the command line or by a second start that
// hands it over, opens the site's handler page with the address filled in; a shortcut's
// address (as a desktop action starts the copy) is handed over the same way.
TEST(RemoteEndToEnd, TheSitesSchemeOpensItsHandlerPage) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><head><title>Mail</title></head><body>mail</body></html>", ""};
  }};
  const std::string exe = wbtest::TestRoot() + "/scheme-e2e";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + server.Url("/start"), "single=1",
                         "schemes=web+mail=" + server.Url("/c?to=%s"),
                         "shortcuts=Compose=" + server.Url("/new")});
  ASSERT_EQ(brand.status, 0) << brand.err;
  ProgramRun program(exe, {"web+mail:ann@b.example"}, {});
  const std::string first = server.Url("/c?to=web%2Bmail%3Aann%40b.example");
  WindowState state;
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() || (ReadWindowState(program.pid(), state) && state.address == first);
      },
      60000))
      << state.json;
  ASSERT_TRUE(program.Runs());
  // The start address does not come back once the engine has finished with the handler's page.
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return s.address == first && s.errorKind.empty();
  })) << state.json;

  for (const auto& [argument, opened] : std::vector<std::pair<std::string, std::string>>{
           {"WEB+MAIL:x y", server.Url("/c?to=WEB%2BMAIL%3Ax%20y")},
           {server.Url("/new"), server.Url("/new")},
       }) {
    ProgramRun second(exe, {argument}, {});
    EXPECT_EQ(second.WaitForExit(60000), 0) << argument;
    EXPECT_TRUE(RunLoopUntil(
        [&] { return ReadWindowState(program.pid(), state) && state.address == opened; }, 60000))
        << argument << " " << state.json;
    EXPECT_TRUE(
        StateStays(program.pid(), state, [&](const WindowState& s) { return s.address == opened; }))
        << argument << " " << state.json;
  }
  EXPECT_EQ(program.Terminate(), 0);
}

TEST(RemoteEndToEnd, TwoRecordsInOneWriteEndAsSeparateSends) {
  SendInOneWrite(2);
}

TEST(RemoteEndToEnd, TwoThousandRecordsInOneWriteEndAsSeparateSends) {
  SendInOneWrite(2000);
}

#endif

}  // namespace
}  // namespace wbtest
