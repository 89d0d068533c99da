// The real program with the real engine: started on a virtual display, it is sent an address
// served on loopback with `wbctl send`, and `wbctl state` must then show that address in the
// history and the address box.
#include <glib.h>
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/remote_channel.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

// The program, ended with its test. Its maker's web site is the loopback server.
class Program {
 public:
  Program(const std::string& exe, std::vector<std::string> args, const std::string& base) {
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    gchar** env = g_environ_setenv(g_get_environ(), "WB_TEST_BASE_WEB_ADDRESS", base.c_str(), TRUE);
    GError* error = nullptr;
    EXPECT_TRUE(g_spawn_async(nullptr, argv.data(), env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                              nullptr, &pid_, &error))
        << (error ? error->message : "");
    if (error) g_error_free(error);
    g_strfreev(env);
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid() const { return pid_; }
  // Asks the program to end, as a logout does; returns its exit status, or -1.
  int Terminate() {
    int status = 0;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool Runs() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  GPid pid_ = 0;
};

struct State {
  std::string address;
  std::vector<std::string> history;
};

bool ReadState(pid_t pid, State& state) {
  ToolRun run = Wbctl({"state", "--pid", std::to_string(pid)});
  if (run.status != 0) return false;
  JsonParser* parser = json_parser_new();
  bool ok = json_parser_load_from_data(parser, run.out.c_str(), -1, nullptr);
  if (ok) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    state.address = json_object_get_string_member(root, "address");
    state.history.clear();
    JsonArray* h = json_object_get_array_member(root, "history");
    for (guint i = 0; i < json_array_get_length(h); ++i)
      state.history.push_back(json_array_get_string_element(h, i));
  }
  g_object_unref(parser);
  return ok;
}

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
  Program program(exe, {cmd}, server.Url(""));
  State state;
  // The window is up once it answers a state query; the command-line address follows the
  // configured start address.
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() || (ReadState(program.pid(), state) && state.history.size() == 2 &&
                                   state.address == cmd);
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
        return ReadState(program.pid(), state) && state.address == sent && !state.history.empty() &&
               state.history.back() == sent;
      },
      60000))
      << "address " << state.address;
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/sent?x=1") > 0; }, 60000));

  // The home-page request, by application name as scripts call it: the maker's web site.
  ToolRun home = Wbctl({"home", "--app", "remote-e2e"});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_EQ(home.out, "reply=0\n");
  EXPECT_TRUE(RunLoopUntil(
      [&] {
        // The engine reports the site's address with the path "/" it adds.
        return ReadState(program.pid(), state) &&
               (state.address == server.Url("") || state.address == server.Url("/"));
      },
      60000))
      << "address " << state.address;
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/") > 0; }, 60000));

  // No window of another name.
  EXPECT_EQ(Wbctl({"state", "--app", "webbrowser"}).status, 2);

  // Ended politely, the program closes its window and takes its socket with it.
  const pid_t pid = program.pid();
  const std::string socket = wb::SocketPath(wb::ChannelDirectory(false), "remote-e2e", pid);
  EXPECT_TRUE(g_file_test(socket.c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_FALSE(g_file_test(socket.c_str(), G_FILE_TEST_EXISTS));
  ToolRun gone = Wbctl({"send", "--pid", std::to_string(pid), "url=x"});
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find("no running window"), std::string::npos) << gone.err;
}

#endif

}  // namespace
}  // namespace wbtest
