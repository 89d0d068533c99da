#include "platform/remote_channel.h"

#include <errno.h>
#include <glib-unix.h>
#include <glib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include "storage/unique_fd.h"

namespace wb {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Connections accepted in one turn of the main loop, so a flood cannot stall the window.
constexpr int kAcceptsPerTurn = 16;

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

// The socket paths that a channel of this process holds now, so that a second channel of
// the same name in the same process does not take over the first one's socket.
std::mutex g_heldMutex;
std::set<std::string> g_held;

}  // namespace

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
  std::string dir = impl_->options.directory.empty() ? ChannelDirectory(MissingFolder::kCreate)
                                                     : impl_->options.directory;
  CheckChannelDirectory(dir);

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
    if (fd.get() < 0) throw RemoteError::FromErrno("cannot create a socket");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, impl_->path.c_str(), impl_->path.size() + 1);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      throw RemoteError::FromErrno("cannot create socket " + impl_->path);
    }
    ::chmod(impl_->path.c_str(), 0600);
    if (::listen(fd.get(), 64) != 0) {
      int saved = errno;
      ::unlink(impl_->path.c_str());
      errno = saved;
      throw RemoteError::FromErrno("cannot listen on " + impl_->path);
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

}  // namespace wb
