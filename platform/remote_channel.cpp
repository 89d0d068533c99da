#include "platform/remote_channel.h"

#include <dirent.h>
#include <errno.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include "storage/process_values.h"
#include "storage/unique_fd.h"

namespace wb {
namespace {

constexpr std::string_view kSocketSuffix = ".sock";
// The longest path a socket address holds, without its terminating NUL.
constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
constexpr std::size_t kReadChunk = 64 * 1024;
// Connections accepted in one turn of the main loop, so a flood cannot stall the window.
constexpr int kAcceptsPerTurn = 16;

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// A GLib main-loop source that is removed with its owner.
class SourceId {
 public:
  SourceId() = default;
  SourceId(const SourceId&) = delete;
  SourceId& operator=(const SourceId&) = delete;
  ~SourceId() { reset(); }
  guint get() const { return id_; }
  void reset(guint id = 0) {
    if (id_ != 0) g_source_remove(id_);
    id_ = id;
  }

 private:
  guint id_ = 0;
};

void CheckPrivateDirectory(const std::string& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) throw RemoteError(Errno("cannot use directory " + dir));
  if (S_ISLNK(st.st_mode)) {
    throw RemoteError("refusing directory " + dir + ": it is a symbolic link");
  }
  if (!S_ISDIR(st.st_mode)) throw RemoteError("refusing " + dir + ": it is not a directory");
  if (st.st_uid != ::getuid()) {
    throw RemoteError("refusing directory " + dir + ": it belongs to user " +
                      std::to_string(st.st_uid) + ", not to user " + std::to_string(::getuid()));
  }
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
    throw RemoteError("refusing directory " + dir + ": its mode " + mode +
                      " lets other users in (0700 expected)");
  }
}

bool ProcessRuns(pid_t pid) {
  return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Parses "NAME-PID.sock". Returns false for every other file name.
bool ParseSocketName(const std::string& file, std::string& app, pid_t& pid) {
  if (file.size() <= kSocketSuffix.size() ||
      file.compare(file.size() - kSocketSuffix.size(), kSocketSuffix.size(), kSocketSuffix) != 0)
    return false;
  std::string stem = file.substr(0, file.size() - kSocketSuffix.size());
  auto dash = stem.rfind('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == stem.size() ||
      stem.size() - dash - 1 > 9)
    return false;
  long value = 0;
  for (std::size_t i = dash + 1; i < stem.size(); ++i) {
    if (stem[i] < '0' || stem[i] > '9') return false;
    value = value * 10 + (stem[i] - '0');
  }
  if (value <= 0) return false;
  app = stem.substr(0, dash);
  pid = static_cast<pid_t>(value);
  return true;
}

using Clock = std::chrono::steady_clock;

// Waits until the socket is ready for `events`; false once the deadline has passed. An error
// or hang-up also counts as ready, for the send or receive that follows to report.
bool WaitUntilReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::min<std::int64_t>(left, INT_MAX)));
    if (r > 0 || (r < 0 && errno != EINTR)) return true;
  }
}

// The socket paths that a channel of this process holds now, so that a second channel of
// the same name in the same process does not take over the first one's socket.
std::mutex g_heldMutex;
std::set<std::string> g_held;

}  // namespace

// ---------------------------------------------------------------------------------------
// Directory and names

std::string ChannelDirectoryPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime && runtime[0] == '/' && ::lstat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == ::getuid()) {
    return std::string(runtime) + "/webbrowser";
  }
  return "/tmp/webbrowser-" + std::to_string(::getuid());
}

std::string ChannelDirectory(bool create) {
  std::string dir = ChannelDirectoryPath();
  if (create && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw RemoteError(Errno("cannot create directory " + dir));
  }
  CheckPrivateDirectory(dir);
  return dir;
}

std::string AppNameOf(const std::string& executablePath) {
  return std::string(NameWithoutExtension(executablePath));
}

std::string OwnAppName() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "webbrowser";
  std::string path(buf, static_cast<std::size_t>(n));
  // A replaced executable still runs under its old name.
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
    path.erase(path.size() - kDeleted.size());
  }
  std::string app = AppNameOf(path);
  return app.empty() ? "webbrowser" : app;
}

std::string SocketPath(const std::string& directory, const std::string& app, pid_t pid) {
  std::string tail = "-" + std::to_string(pid) + std::string(kSocketSuffix);
  std::size_t fixed = directory.size() + 1 + tail.size();
  if (fixed >= kMaxSocketPath) {
    throw RemoteError("socket directory path too long: " + directory);
  }
  std::string name = app.empty() ? std::string("webbrowser") : app;
  std::size_t room = kMaxSocketPath - fixed;
  if (name.size() > room) {
    // Cut before a UTF-8 continuation byte never, so the name stays valid text.
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) throw RemoteError("socket directory path too long: " + directory);
    name.resize(cut);
  }
  return directory + "/" + name + tail;
}

std::vector<WindowSocket> ListWindowSockets(const std::string& directory) {
  std::vector<WindowSocket> found;
  DIR* d = ::opendir(directory.c_str());
  if (!d) return found;
  while (dirent* e = ::readdir(d)) {
    WindowSocket w;
    if (!ParseSocketName(e->d_name, w.app, w.pid)) continue;
    w.path = directory + "/" + e->d_name;
    struct stat st {};
    if (::lstat(w.path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    w.created = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    found.push_back(std::move(w));
  }
  ::closedir(d);
  return found;
}

bool SocketNamesApp(const WindowSocket& found, const std::string& app) {
  if (found.app == app) return true;
  // A shortened name fills the socket address completely.
  return found.path.size() == kMaxSocketPath && found.app.size() < app.size() &&
         app.compare(0, found.app.size(), found.app) == 0;
}

std::vector<WindowSocket> RunningWindowsOf(const std::string& directory, const std::string& app) {
  std::vector<WindowSocket> running;
  for (auto& w : ListWindowSockets(directory)) {
    if (SocketNamesApp(w, app) && ProcessRuns(w.pid)) running.push_back(std::move(w));
  }
  std::sort(running.begin(), running.end(), [](const auto& a, const auto& b) {
    return a.created != b.created ? a.created > b.created : a.pid > b.pid;
  });
  return running;
}

// ---------------------------------------------------------------------------------------
// The window side

struct RemoteChannel::Impl {
  enum class State { kReading, kHandling, kWriting };

  struct Connection {
    Impl* owner = nullptr;
    UniqueFd fd;
    SourceId io;
    SourceId timer;
    State state = State::kReading;
    std::string in;
    std::string out;
    std::size_t written = 0;
    bool closeAfterWrite = false;
    gint64 waitingSince = 0;  // monotonic time the connection began waiting for a record
  };

  Handler handler;
  Options options;
  std::string path;
  UniqueFd listener;
  SourceId acceptSource;
  std::vector<std::unique_ptr<Connection>> connections;
  // Cleared when the channel goes, so code running after a handler can tell.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  // --- accepting ---

  static gboolean OnAcceptable(gint, GIOCondition, gpointer data) {
    static_cast<Impl*>(data)->AcceptSome();
    return G_SOURCE_CONTINUE;
  }

  void AcceptSome() {
    for (int i = 0; i < kAcceptsPerTurn; ++i) {
      UniqueFd fd(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
      if (fd.get() < 0) return;  // EAGAIN, or a connection that vanished meanwhile
      ucred peer{};
      socklen_t len = sizeof peer;
      if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 ||
          peer.uid != ::getuid()) {
        continue;  // another user: closed without a word
      }
      if (connections.size() >= options.maxConnections && !EvictIdle()) {
        std::string busy = remote::EncodeReply({remote::Status::kBusy, 0, {}});
        [[maybe_unused]] auto n =
            ::send(fd.get(), busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        continue;
      }
      auto c = std::make_unique<Connection>();
      c->owner = this;
      c->fd = std::move(fd);
      Connection* raw = c.get();
      connections.push_back(std::move(c));
      StartReading(raw);
    }
  }

  // Closes the connection that has waited longest for a record without receiving a byte of
  // it. Returns false when every connection is in the middle of something.
  bool EvictIdle() {
    Connection* oldest = nullptr;
    for (auto& c : connections) {
      if (c->state == State::kReading && c->in.empty() &&
          (!oldest || c->waitingSince < oldest->waitingSince))
        oldest = c.get();
    }
    if (!oldest) return false;
    Close(oldest);
    return true;
  }

  // --- one connection ---

  void Watch(Connection* c, GIOCondition condition, GUnixFDSourceFunc fn) {
    c->io.reset(g_unix_fd_add(c->fd.get(), condition, fn, c));
  }

  void ArmTimer(Connection* c) {
    c->timer.reset(g_timeout_add(options.timeoutMs, &Impl::OnTimeout, c));
  }

  void StartReading(Connection* c) {
    c->state = State::kReading;
    c->waitingSince = g_get_monotonic_time();
    ArmTimer(c);
    Watch(c, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), &Impl::OnReadable);
  }

  static gboolean OnTimeout(gpointer data) {
    // Closing removes this very source too, which GLib allows during its dispatch.
    auto* c = static_cast<Connection*>(data);
    c->owner->Close(c);
    return G_SOURCE_REMOVE;
  }

  static gboolean OnReadable(gint, GIOCondition, gpointer data) {
    auto* c = static_cast<Connection*>(data);
    guint self = c->io.get();
    if (!c->owner->ReadSome(c)) return G_SOURCE_REMOVE;  // closed; the source went with it
    return c->io.get() == self ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  }

  static gboolean OnWritable(gint, GIOCondition, gpointer data) {
    auto* c = static_cast<Connection*>(data);
    guint self = c->io.get();
    if (!c->owner->WriteSome(c)) return G_SOURCE_REMOVE;
    return c->io.get() == self ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  }

  // Reads what the socket holds and handles at most one complete record. Returns false when
  // the connection was closed.
  bool ReadSome(Connection* c) {
    char buf[kReadChunk];
    ssize_t n = ::recv(c->fd.get(), buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
    if (n <= 0) {
      // The sender hung up, perhaps in the middle of a record: nothing to answer.
      Close(c);
      return false;
    }
    c->in.append(buf, static_cast<std::size_t>(n));
    return HandleBuffered(c);
  }

  // Handles the first record of the buffer, if it is complete, and starts writing its reply.
  bool HandleBuffered(Connection* c) {
    remote::DecodedRequest d = remote::DecodeRequest(c->in);
    switch (d.status) {
      case remote::DecodeStatus::kNeedMore:
        return true;
      case remote::DecodeStatus::kMalformed:
        return Refuse(c, remote::Status::kMalformed);
      case remote::DecodeStatus::kTooLarge:
        return Refuse(c, remote::Status::kTooLarge);
      case remote::DecodeStatus::kRecord:
        break;
    }
    c->in.erase(0, d.consumed);
    c->state = State::kHandling;
    c->io.reset();
    c->timer.reset();

    remote::Reply reply;
    std::weak_ptr<bool> stillAlive = alive;
    try {
      reply = handler(d.request);
    } catch (const std::exception& e) {
      reply = {remote::Status::kFailed, 0, e.what()};
    } catch (...) {
      reply = {remote::Status::kFailed, 0, "unknown failure"};
    }
    // The handler may have closed the window and with it this channel.
    if (stillAlive.expired()) return false;
    StartWriting(c, remote::EncodeReply(reply), false);
    return true;
  }

  bool Refuse(Connection* c, remote::Status status) {
    c->in.clear();
    StartWriting(c, remote::EncodeReply({status, 0, {}}), true);
    return true;
  }

  void StartWriting(Connection* c, std::string bytes, bool closeAfter) {
    c->state = State::kWriting;
    c->out = std::move(bytes);
    c->written = 0;
    c->closeAfterWrite = closeAfter;
    ArmTimer(c);
    // The reply goes out on the next turn of the loop, when the socket can take it; so every
    // record costs one turn, and a sender that pipelines many records cannot keep the loop
    // busy with them.
    Watch(c, static_cast<GIOCondition>(G_IO_OUT | G_IO_HUP | G_IO_ERR), &Impl::OnWritable);
  }

  bool WriteSome(Connection* c) {
    while (c->written < c->out.size()) {
      ssize_t n = ::send(c->fd.get(), c->out.data() + c->written, c->out.size() - c->written,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        Close(c);
        return false;
      }
      c->written += static_cast<std::size_t>(n);
    }
    c->out.clear();
    c->out.shrink_to_fit();
    if (c->closeAfterWrite) {
      Close(c);
      return false;
    }
    StartReading(c);
    // Records that arrived together with the last one wait in the buffer; the socket may
    // never become readable again for them.
    if (!c->in.empty()) return HandleBuffered(c);
    return true;
  }

  void Close(Connection* c) {
    auto it = std::find_if(connections.begin(), connections.end(),
                           [c](const auto& p) { return p.get() == c; });
    if (it != connections.end()) connections.erase(it);
  }
};

RemoteChannel::RemoteChannel(Handler handler, Options options) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->options = std::move(options);
  if (impl_->options.maxConnections == 0) impl_->options.maxConnections = 1;
  if (impl_->options.appName.empty()) impl_->options.appName = OwnAppName();
  std::string dir =
      impl_->options.directory.empty() ? ChannelDirectory(true) : impl_->options.directory;
  CheckPrivateDirectory(dir);

  // Sockets of processes that no longer run are left-overs of a crash.
  const pid_t self = ::getpid();
  for (const auto& w : ListWindowSockets(dir)) {
    if (w.pid != self && !ProcessRuns(w.pid)) ::unlink(w.path.c_str());
  }

  impl_->path = SocketPath(dir, impl_->options.appName, self);
  {
    std::lock_guard lock(g_heldMutex);
    if (g_held.count(impl_->path)) {
      throw RemoteError("another window of this process already listens on " + impl_->path);
    }
    // The process id is ours, so a file of this name was left by an earlier process.
    ::unlink(impl_->path.c_str());

    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) throw RemoteError(Errno("cannot create a socket"));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, impl_->path.c_str(), impl_->path.size() + 1);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      throw RemoteError(Errno("cannot create socket " + impl_->path));
    }
    ::chmod(impl_->path.c_str(), 0600);
    if (::listen(fd.get(), 64) != 0) {
      int saved = errno;
      ::unlink(impl_->path.c_str());
      errno = saved;
      throw RemoteError(Errno("cannot listen on " + impl_->path));
    }
    impl_->listener = std::move(fd);
    g_held.insert(impl_->path);
  }
  impl_->acceptSource.reset(
      g_unix_fd_add(impl_->listener.get(), G_IO_IN, &Impl::OnAcceptable, impl_.get()));
}

RemoteChannel::~RemoteChannel() {
  *impl_->alive = false;
  impl_->alive.reset();
  impl_->acceptSource.reset();
  impl_->connections.clear();
  impl_->listener.reset();
  ::unlink(impl_->path.c_str());
  std::lock_guard lock(g_heldMutex);
  g_held.erase(impl_->path);
}

const std::string& RemoteChannel::path() const {
  return impl_->path;
}

std::size_t RemoteChannel::connectionCount() const {
  return impl_->connections.size();
}

std::size_t RemoteChannel::idleConnectionCount() const {
  return static_cast<std::size_t>(std::count_if(
      impl_->connections.begin(), impl_->connections.end(),
      [](const auto& c) { return c->state == Impl::State::kReading && c->in.empty(); }));
}

// ---------------------------------------------------------------------------------------
// The sender side

RemoteClient::RemoteClient(const std::string& path, int timeoutMs)
    : timeoutMs_(std::max(timeoutMs, 0)) {
  if (path.size() > kMaxSocketPath) throw RemoteError("socket path too long: " + path);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) throw RemoteError(Errno("cannot create a socket"));
  // Bounds the connect, which waits while the window's queue of new connections is full.
  timeval tv{};
  tv.tv_sec = timeoutMs_ / 1000;
  tv.tv_usec = (timeoutMs_ % 1000) * 1000;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw RemoteError(Errno("cannot connect to " + path));
  }
  ucred peer{};
  socklen_t len = sizeof peer;
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::getuid()) {
    throw RemoteError("refusing " + path + ": the window belongs to another user");
  }
  fd_ = fd.release();
}

RemoteClient::~RemoteClient() {
  if (fd_ >= 0) ::close(fd_);
}

// The limits hold for a whole request and a whole reply, not for each piece of them: a window
// that takes or gives a byte now and then cannot keep the sender for longer.
void RemoteClient::SendBytes(const std::string& bytes) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (!WaitUntilReady(fd_, POLLOUT, deadline)) {
      throw RemoteError("timed out sending to the window");
    }
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) throw RemoteError(Errno("cannot send to the window"));
    done += static_cast<std::size_t>(n);
  }
}

remote::Reply RemoteClient::ReadReply() {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  for (;;) {
    remote::DecodedReply d = remote::DecodeReply(pending_);
    switch (d.status) {
      case remote::DecodeStatus::kRecord:
        pending_.erase(0, d.consumed);
        return std::move(d.reply);
      case remote::DecodeStatus::kMalformed:
        throw RemoteError("the window's answer is not a reply record");
      case remote::DecodeStatus::kTooLarge:
        throw RemoteError("the window's reply is too large");
      case remote::DecodeStatus::kNeedMore:
        break;
    }
    if (!WaitUntilReady(fd_, POLLIN, deadline)) {
      throw RemoteError("timed out waiting for the window's reply");
    }
    char buf[kReadChunk];
    ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n < 0) throw RemoteError(Errno("cannot read the window's reply"));
    if (n == 0) throw RemoteError("the window closed the connection without a reply");
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

remote::Reply RemoteClient::Call(const remote::Request& request) {
  SendBytes(remote::EncodeRequest(request));
  return ReadReply();
}

}  // namespace wb
