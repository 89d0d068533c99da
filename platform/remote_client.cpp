#include "platform/remote_client.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace wb {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

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

}  // namespace

RemoteClient::RemoteClient(const std::string& path, int timeoutMs)
    : timeoutMs_(std::max(timeoutMs, 0)) {
  if (path.size() > kMaxSocketPath) throw RemoteError("socket path too long: " + path);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) throw RemoteError::FromErrno("cannot create a socket");
  // Bounds the connect, which waits while the window's queue of new connections is full.
  timeval tv{};
  tv.tv_sec = timeoutMs_ / 1000;
  tv.tv_usec = (timeoutMs_ % 1000) * 1000;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw RemoteError::FromErrno("cannot connect to " + path);
  }
  ucred peer{};
  socklen_t len = sizeof peer;
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::getuid()) {
    throw RemoteError("refusing " + path + ": the window belongs to another user");
  }
  fd_ = std::move(fd);
}

RemoteClient::~RemoteClient() = default;

// The limits hold for a whole request and a whole reply, not for each piece of them: a window
// that takes or gives a byte now and then cannot keep the sender for longer.
void RemoteClient::SendBytes(const std::string& bytes) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (!WaitUntilReady(fd_.get(), POLLOUT, deadline)) {
      throw RemoteError("timed out sending to the window");
    }
    ssize_t n =
        ::send(fd_.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) throw RemoteError::FromErrno("cannot send to the window");
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
    if (!WaitUntilReady(fd_.get(), POLLIN, deadline)) {
      throw RemoteError("timed out waiting for the window's reply");
    }
    char buf[kReadChunk];
    ssize_t n = ::recv(fd_.get(), buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n < 0) throw RemoteError::FromErrno("cannot read the window's reply");
    if (n == 0) throw RemoteError("the window closed the connection without a reply");
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

remote::Reply RemoteClient::Call(const remote::Request& request) {
  SendBytes(remote::EncodeRequest(request));
  return ReadReply();
}

}  // namespace wb
