#include "platform/remote_channel.h"
#include "platform/remote_client.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using remote::Reply;
using remote::Request;
using remote::Status;

// Points XDG_RUNTIME_DIR somewhere else for one test.
class RuntimeDir {
 public:
  explicit RuntimeDir(const std::string& path) : old_(std::getenv("XDG_RUNTIME_DIR")) {
    if (path.empty()) {
      unsetenv("XDG_RUNTIME_DIR");
    } else {
      setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
  }
  ~RuntimeDir() { setenv("XDG_RUNTIME_DIR", old_.c_str(), 1); }

 private:
  std::string old_;
};

std::string FreshDir(const std::string& name) {
  std::string dir = wbtest::TestRoot() + "/" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  ::chmod(dir.c_str(), 0700);
  return dir;
}

// A descriptor closed with its owner.
struct ClosingFd {
  int fd;
  ~ClosingFd() {
    if (fd >= 0) ::close(fd);
  }
  int get() const { return fd; }
};

// A socket file whose listener is gone, as a crashed window leaves it.
void LeaveSocketFile(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
  ::close(fd);
}

pid_t DeadPid() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

RemoteChannel::Options TestOptions(const std::string& app = "wbtestapp") {
  RemoteChannel::Options o;
  o.appName = app;
  o.timeoutMs = 300;
  o.maxConnections = 8;
  return o;
}

// Answers every record with its kind as the result and its data as the payload.
Reply Echo(const Request& r) {
  return {Status::kHandled, r.kind, r.data};
}

TEST(ChannelDirectory, IsCreatedPrivateBelowTheRuntimeDirectory) {
  std::string runtime = FreshDir("rt-create");
  RuntimeDir env(runtime);
  std::string dir = ChannelDirectory(MissingFolder::kCreate);
  EXPECT_EQ(dir, runtime + "/webbrowser");
  struct stat st {};
  ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ChannelDirectory(MissingFolder::kThrow), dir);
}

TEST(ChannelDirectory, FallsBackToAPerUserDirectoryUnderTmp) {
  const std::string expected = "/tmp/webbrowser-" + std::to_string(::getuid());
  const std::string cases[] = {"", "relative/dir", wbtest::TestRoot() + "/missing"};
  for (const auto& runtime : cases) {
    RuntimeDir env(runtime);
    EXPECT_EQ(ChannelDirectoryPath(), expected) << runtime;
  }
}

TEST(ChannelDirectory, RefusesUnsafeDirectories) {
  std::string runtime = FreshDir("rt-unsafe");
  RuntimeDir env(runtime);
  const std::string dir = runtime + "/webbrowser";
  const struct {
    const char* what;
    std::function<void()> make;
  } cases[] = {
      {"open to others", [&] { fs::create_directory(dir), ::chmod(dir.c_str(), 0755); }},
      {"group-writable", [&] { fs::create_directory(dir), ::chmod(dir.c_str(), 0770); }},
      {"symbolic link",
       [&] {
         std::string target = FreshDir("rt-unsafe-target");
         fs::create_directory_symlink(target, dir);
       }},
      {"a file", [&] { std::ofstream(dir) << "x"; }},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir);
    c.make();
    EXPECT_THROW(ChannelDirectory(MissingFolder::kCreate), RemoteError) << c.what;
    EXPECT_THROW((void)RemoteChannel(Echo, TestOptions()), RemoteError) << c.what;
  }
  fs::remove_all(dir);
}

TEST(SocketNames, CarryTheApplicationAndTheProcess) {
  const struct {
    const char* path;
    const char* app;
  } names[] = {
      {"/usr/bin/webbrowser", "webbrowser"},
      {"/opt/shop/shop.bin", "shop"},
      {"my.app.exe", "my.app"},
      {"/x/.hidden", ".hidden"},
      {"/x/a-b", "a-b"},
  };
  for (const auto& n : names) EXPECT_EQ(AppNameOf(n.path), n.app) << n.path;

  std::string dir = FreshDir("names");
  for (const char* app : {"webbrowser", "a-b", "x.y"}) {
    LeaveSocketFile(SocketPath(dir, app, 4242));
  }
  std::ofstream(dir + "/notes-1.sock") << "not a socket";
  std::ofstream(dir + "/other.txt") << "";
  auto found = ListWindowSockets(dir);
  ASSERT_EQ(found.size(), 3u);
  for (const auto& w : found) {
    EXPECT_EQ(w.pid, 4242);
    EXPECT_TRUE(SocketNamesApp(w, w.app));
    EXPECT_FALSE(SocketNamesApp(w, w.app + "x"));
  }
}

TEST(SocketNames, LongNamesAreShortenedToFitAndStillMatch) {
  std::string dir = FreshDir("long");
  const std::string app(200, 'n');
  std::string path = SocketPath(dir, app, 77);
  EXPECT_EQ(path.size(), sizeof(sockaddr_un::sun_path) - 1);
  LeaveSocketFile(path);
  auto found = ListWindowSockets(dir);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(SocketNamesApp(found[0], app));
  EXPECT_FALSE(SocketNamesApp(found[0], std::string(200, 'm')));
  EXPECT_THROW(SocketPath("/" + std::string(120, 'd'), "a", 1), RemoteError);
}

TEST(RemoteChannel, AnswersRecordsInOrderOnOneConnection) {
  RemoteChannel channel(Echo, TestOptions());
  std::vector<Reply> replies;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    RemoteClient client(channel.path());
    replies.push_back(client.Call({remote::kCopyData, 9, "first"}));
    replies.push_back(client.Call({remote::kHomePageRequest, 0, ""}));
    // Three records in one write come back as three replies in order.
    client.SendBytes(remote::EncodeRequest({1, 0, "a"}) + remote::EncodeRequest({2, 0, "b"}) +
                     remote::EncodeRequest({3, 0, "c"}));
    for (int i = 0; i < 3; ++i) replies.push_back(client.ReadReply());
    // A reply larger than the socket's buffer goes out in pieces.
    replies.push_back(client.Call({4, 0, std::string(remote::kMaxRequestData, 'L')}));
  }));
  ASSERT_EQ(replies.size(), 6u);
  EXPECT_EQ(replies[0].result, 74);
  EXPECT_EQ(replies[0].payload, "first");
  EXPECT_EQ(replies[1].result, 5120);
  EXPECT_EQ(replies[2].payload, "a");
  EXPECT_EQ(replies[3].payload, "b");
  EXPECT_EQ(replies[4].payload, "c");
  EXPECT_EQ(replies[5].payload.size(), remote::kMaxRequestData);
}

TEST(RemoteChannel, SocketIsPrivateAndGoesWithTheChannel) {
  std::string path;
  {
    RemoteChannel channel(Echo, TestOptions());
    path = channel.path();
    EXPECT_EQ(path, SocketPath(ChannelDirectory(MissingFolder::kThrow), "wbtestapp", ::getpid()));
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    // One process, one socket per name.
    EXPECT_THROW((void)RemoteChannel(Echo, TestOptions()), RemoteError);
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_THROW(RemoteClient client(path), RemoteError);
}

TEST(RemoteChannel, RemovesSocketsOfProcessesThatNoLongerRun) {
  std::string dir = ChannelDirectory(MissingFolder::kCreate);
  std::string stale = SocketPath(dir, "wbtestapp", DeadPid());
  std::string staleOther = SocketPath(dir, "otherapp", DeadPid());
  std::string live = SocketPath(dir, "otherapp", ::getppid());
  std::string ownLeftover = SocketPath(dir, "wbtestapp", ::getpid());
  for (const auto& p : {stale, staleOther, live, ownLeftover}) LeaveSocketFile(p);

  RemoteChannel channel(Echo, TestOptions());
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(staleOther));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_EQ(channel.path(), ownLeftover);  // replaced by a live socket
  int result = 0;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    result = RemoteClient(channel.path()).Call({5, 0, ""}).result;
  }));
  EXPECT_EQ(result, 5);
  fs::remove(live);
}

// Hostile senders: each case does something wrong on its own connection; afterwards the
// channel must have dropped it (no connection left) and answer a good record.
TEST(RemoteChannel, SurvivesHostileSendersAndAnswersTheNextGoodRecord) {
  const struct {
    const char* what;
    std::string bytes;
    bool hangUp;                  // close right after sending
    std::optional<Status> reply;  // the refusal expected, if any
  } cases[] = {
      {"oversize record",
       remote::EncodeRequest({74, 0, ""}).substr(0, 16) + std::string("\x01\x00\x10\x00", 4), false,
       Status::kTooLarge},
      {"largest possible size",
       remote::EncodeRequest({74, 0, ""}).substr(0, 16) + "\xFF\xFF\xFF\xFF", false,
       Status::kTooLarge},
      {"garbage", "GET / HTTP/1.0\r\n\r\n", false, Status::kMalformed},
      {"binary garbage", std::string("\0\x01\x02\xFF", 4), false, Status::kMalformed},
      {"truncated header", remote::EncodeRequest({74, 0, "abcd"}).substr(0, 10), true, {}},
      {"truncated data", remote::EncodeRequest({74, 0, "abcd"}).substr(0, 22), true, {}},
      {"silent connection", "", false, {}},
      {"half a record, then silence",
       remote::EncodeRequest({74, 0, "abcd"}).substr(0, 21),
       false,
       {}},
  };
  RemoteChannel channel(Echo, TestOptions());
  for (const auto& c : cases) {
    std::optional<Reply> got;
    bool closed = false;
    ASSERT_TRUE(wbtest::RunBeside([&] {
      RemoteClient hostile(channel.path(), 5000);
      if (!c.bytes.empty()) hostile.SendBytes(c.bytes);
      if (c.hangUp) return;
      try {
        got = hostile.ReadReply();
        hostile.ReadReply();
      } catch (const RemoteError&) {
        closed = true;  // the window closed the connection, after a refusal or a timeout
      }
    })) << c.what;
    EXPECT_TRUE(closed || c.hangUp) << c.what;
    if (c.reply) {
      ASSERT_TRUE(got.has_value()) << c.what;
      EXPECT_EQ(got->status, *c.reply) << c.what;
    } else {
      EXPECT_FALSE(got.has_value()) << c.what;
    }
    EXPECT_TRUE(wbtest::RunLoopUntil([&] { return channel.connectionCount() == 0; })) << c.what;
    Reply good;
    ASSERT_TRUE(wbtest::RunBeside([&] {
      good = RemoteClient(channel.path()).Call({74, 0, "after"});
    })) << c.what;
    EXPECT_EQ(good.payload, "after") << c.what;
  }
}

// A window that sends its reply a byte at a time, each byte well within the sender's limit,
// cannot keep the sender waiting for longer than that limit in all.
TEST(RemoteClient, GivesUpOnAReplyThatTricklesIn) {
  const std::string path = FreshDir("trickle") + "/slow-1.sock";
  ClosingFd listener{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener.get(), 1), 0);

  std::atomic<bool> senderGone{false};
  std::thread window([&] {
    ClosingFd connection{::accept(listener.get(), nullptr, nullptr)};
    const std::string reply = remote::EncodeReply({Status::kHandled, 0, std::string(1000, 'x')});
    // Stops after some seconds, so that a sender without an overall limit sees the
    // connection close instead of waiting for the whole reply.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (std::size_t i = 0; i < reply.size() && !senderGone; ++i) {
      if (std::chrono::steady_clock::now() > end) break;
      if (::send(connection.get(), &reply[i], 1, MSG_NOSIGNAL) != 1) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  std::string error;
  try {
    RemoteClient(path, 300).ReadReply();
  } catch (const RemoteError& e) {
    error = e.what();
  }
  senderGone = true;
  window.join();
  EXPECT_NE(error.find("timed out"), std::string::npos) << error;
}

TEST(RemoteChannel, AFloodOfIdleConnectionsDoesNotLockOutAGoodSender) {
  RemoteChannel channel(Echo, TestOptions());
  std::vector<std::unique_ptr<RemoteClient>> flood;
  Reply good;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    // Ten times the limit. The window takes them in at its own pace; the oldest idle ones
    // make room for newer ones.
    for (int i = 0; i < 80; ++i) flood.push_back(std::make_unique<RemoteClient>(channel.path()));
    good = RemoteClient(channel.path()).Call({74, 0, "through"});
  }));
  EXPECT_EQ(good.payload, "through");
  EXPECT_LE(channel.connectionCount(), 8u);
  flood.clear();
  EXPECT_TRUE(wbtest::RunLoopUntil([&] { return channel.connectionCount() == 0; }));
}

TEST(RemoteChannel, ConnectionsBusyWithRecordsMakeANewOneWaitForBusy) {
  RemoteChannel::Options options = TestOptions();
  options.timeoutMs = 20000;  // the stalled records must outlast the test's steps
  RemoteChannel channel(Echo, options);
  std::vector<std::unique_ptr<RemoteClient>> busy;
  std::optional<Reply> refused;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    // Every place holds a started record, so nobody can be evicted.
    for (int i = 0; i < 8; ++i) {
      busy.push_back(std::make_unique<RemoteClient>(channel.path()));
      busy.back()->SendBytes("WB");
    }
  }));
  ASSERT_TRUE(wbtest::RunLoopUntil(
      [&] { return channel.connectionCount() == 8 && channel.idleConnectionCount() == 0; }));
  ASSERT_TRUE(wbtest::RunBeside([&] {
    try {
      refused = RemoteClient(channel.path()).ReadReply();
    } catch (const RemoteError&) {
    }
  }));
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->status, Status::kBusy);
  // The stalled senders give up; then the window serves again.
  busy.clear();
  ASSERT_TRUE(wbtest::RunLoopUntil([&] { return channel.connectionCount() == 0; }));
  Reply good;
  ASSERT_TRUE(wbtest::RunBeside([&] { good = RemoteClient(channel.path()).Call({1, 0, "ok"}); }));
  EXPECT_EQ(good.payload, "ok");
}

TEST(RemoteChannel, AFailingHandlerIsReportedAndTheConnectionStaysUsable) {
  RemoteChannel channel(
      [](const Request& r) -> Reply {
        if (r.data == "fail") throw std::runtime_error("no such thing");
        return Echo(r);
      },
      TestOptions());
  Reply failed, good;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    RemoteClient client(channel.path());
    failed = client.Call({1, 0, "fail"});
    good = client.Call({1, 0, "fine"});
  }));
  EXPECT_EQ(failed.status, Status::kFailed);
  EXPECT_EQ(failed.payload, "no such thing");
  EXPECT_EQ(good.payload, "fine");
}

TEST(RemoteChannel, AHandlerMayCloseTheChannel) {
  std::unique_ptr<RemoteChannel> channel;
  channel = std::make_unique<RemoteChannel>(
      [&](const Request&) -> Reply {
        channel.reset();
        return {};
      },
      TestOptions());
  std::string path = channel->path();
  bool closed = false;
  ASSERT_TRUE(wbtest::RunBeside([&] {
    try {
      RemoteClient(path).Call({1, 0, ""});
    } catch (const RemoteError&) {
      closed = true;
    }
  }));
  EXPECT_TRUE(closed);
  EXPECT_FALSE(fs::exists(path));
}

// --- wbctl against a channel of this process ---------------------------------------------

using wbtest::ToolRun;

// Runs wbctl on another thread while this thread's main loop serves the channel it talks to.
ToolRun RunWbctl(std::vector<std::string> args) {
  ToolRun run;
  EXPECT_TRUE(wbtest::RunBeside([&] { run = wbtest::Wbctl(std::move(args)); }));
  return run;
}

TEST(Wbctl, SendHomeAndStateTalkToTheChosenWindow) {
  std::vector<Request> received;
  RemoteChannel channel(
      [&](const Request& r) -> Reply {
        received.push_back(r);
        if (r.kind == remote::kStateQuery) return {Status::kHandled, 0, R"({"address":"x"})"};
        return {Status::kHandled, r.kind == remote::kCopyData ? 1 : 0, {}};
      },
      TestOptions());
  const std::string pid = std::to_string(::getpid());

  ToolRun send = RunWbctl({"send", "--app", "wbtestapp", "url=http://h/\xC3\xA9"});
  EXPECT_EQ(send.status, 0) << send.err;
  EXPECT_EQ(send.out, "reply=1\n");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].kind, remote::kCopyData);
  EXPECT_EQ(received[0].dwData, 0u);
  // UTF-16LE with a terminating NUL.
  EXPECT_EQ(received[0].data, std::string("u\0r\0l\0=\0h\0t\0t\0p\0:\0/\0/\0h\0/\0\xE9\0\0\0", 30));

  ToolRun home = RunWbctl({"home", "--pid", pid});
  EXPECT_EQ(home.status, 0) << home.err;
  EXPECT_EQ(home.out, "reply=0\n");
  EXPECT_EQ(received.back().kind, remote::kHomePageRequest);

  ToolRun state = RunWbctl({"state", "--app=wbtestapp"});
  EXPECT_EQ(state.status, 0) << state.err;
  EXPECT_EQ(state.out, "{\"address\":\"x\"}\n");
}

TEST(Wbctl, MissingWindowsRefusalsAndBadArgumentsAreClearErrors) {
  RemoteChannel channel(
      [](const Request& r) -> Reply {
        if (r.kind == remote::kHomePageRequest) return {Status::kUnknownKind, 0, {}};
        return {Status::kHandled, 0, "not json"};
      },
      TestOptions());
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"send", "--app", "nosuchapp", "url=x"},
       2,
       "no running window of application \"nosuchapp\""},
      {{"home", "--pid", std::to_string(DeadPid())}, 2, "no running window with process id"},
      {{"state"}, 2, "no running window of application \"webbrowser\""},
      {{"send", "--app", "wbtestapp"}, 2, "usage: wbctl send"},
      {{"send", "--app", "wbtestapp", "a", "b"}, 2, "usage: wbctl send"},
      {{"home", "--pid", "12x"}, 2, "--pid needs a process id"},
      {{"home", "--pid", "1", "--app", "x"}, 2, "either --pid or --app"},
      {{"state", "--verbose"}, 2, "unknown option --verbose"},
      // What the window refuses or answers wrongly is an error, not a reply.
      {{"home", "--app", "wbtestapp"}, 1, "refused the record: unknown message kind"},
      {{"state", "--app", "wbtestapp"}, 1, "state is not valid JSON"},
  };
  for (const auto& c : cases) {
    ToolRun run = RunWbctl(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

// A window of another process, reduced to what a sender sees: a socket that answers every
// record with the given state. It runs in a child process without GLib, and its socket is
// dated an hour back, as if that window had started earlier.
class OlderWindowProcess {
 public:
  OlderWindowProcess(const std::string& app, const std::string& state) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    // The child allocates nothing: another thread may have held the allocator's lock at fork.
    const std::string dir = ChannelDirectory(MissingFolder::kThrow);
    const std::string reply = remote::EncodeReply({Status::kHandled, 0, state});
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/%s-%d.sock", dir.c_str(), app.c_str(),
                    static_cast<int>(::getpid()));
      int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4))
        ::_exit(1);
      timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
      ::utimensat(AT_FDCWD, addr.sun_path, old, AT_SYMLINK_NOFOLLOW);
      [[maybe_unused]] auto n = ::write(ready[1], "r", 1);
      for (;;) {
        int c = ::accept(fd, nullptr, nullptr);
        char buf[64];
        if (c >= 0 && ::recv(c, buf, remote::kRequestHeaderSize, MSG_WAITALL) > 0) {
          [[maybe_unused]] auto m = ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        ::close(c);
      }
    }
    ::close(ready[1]);
    char c;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
  }
  ~OlderWindowProcess() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

TEST(Wbctl, AppNameChoosesTheNewestRunningWindow) {
  ChannelDirectory(MissingFolder::kCreate);
  OlderWindowProcess older("twoapp", R"({"window":"older"})");
  ToolRun run = RunWbctl({"state", "--app", "twoapp"});
  EXPECT_EQ(run.out, "{\"window\":\"older\"}\n") << run.err;
  {
    RemoteChannel newer(
        [](const Request&) -> Reply {
          return {Status::kHandled, 0, R"({"window":"newer"})"};
        },
        TestOptions("twoapp"));
    run = RunWbctl({"state", "--app", "twoapp"});
    EXPECT_EQ(run.out, "{\"window\":\"newer\"}\n") << run.err;
    // A process id picks its window whatever its age.
    run = RunWbctl({"state", "--pid", std::to_string(older.pid())});
    EXPECT_EQ(run.out, "{\"window\":\"older\"}\n") << run.err;
  }
  // The newer window has closed: the older one answers again.
  run = RunWbctl({"state", "--app", "twoapp"});
  EXPECT_EQ(run.out, "{\"window\":\"older\"}\n") << run.err;
}

}  // namespace
}  // namespace wb
