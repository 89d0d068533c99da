#pragma once
// The remote-navigation channel: how another process of the same user delivers a record (an
// address to open, the home-page request, a state query) to a running main window and waits
// for the reply. Each main window listens on one Unix-domain stream socket in a private
// per-user directory; the socket's name carries the executable's name and the process id, so
// a sender can find the window of a given program or process.
//
// The window side (RemoteChannel) runs on the GLib main loop: reads and writes are
// non-blocking and driven by the loop, the handler runs on the loop's thread, and the reply is
// written after the handler has returned. The sender side is platform/remote_client.h, the
// names and the socket directory platform/copy_name.h, the record format
// support/remote_record.h.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/copy_name.h"
#include "support/remote_record.h"

namespace wb {

// The window side. Constructing it creates the socket (removing sockets left by processes
// that no longer run), destroying it closes every connection and removes the socket file.
class RemoteChannel {
 public:
  using Handler = std::function<remote::Reply(const remote::Request&)>;

  struct Options {
    std::string appName;    // empty: OwnAppName()
    std::string directory;  // empty: ChannelDirectory(MissingFolder::kCreate)
    // Connections served at once. A new connection beyond it replaces the connection that
    // has waited longest without sending anything; when every connection is busy it is
    // answered with Status::kBusy and closed.
    std::size_t maxConnections = 32;
    // A connection that does not complete a record (or read its reply) within this time is
    // closed, so silent or slow senders cannot hold a place for ever.
    unsigned timeoutMs = 10000;
  };

  // Throws RemoteError when the directory is unsafe or the socket cannot be created.
  explicit RemoteChannel(Handler handler) : RemoteChannel(std::move(handler), Options()) {}
  RemoteChannel(Handler handler, Options options);
  ~RemoteChannel();
  RemoteChannel(const RemoteChannel&) = delete;
  RemoteChannel& operator=(const RemoteChannel&) = delete;

  const std::string& path() const;
  // Connections open now.
  std::size_t connectionCount() const;
  // Connections waiting for a record of which no byte has arrived yet.
  std::size_t idleConnectionCount() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace wb
