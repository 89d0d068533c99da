#pragma once
// The sender side of the remote-navigation channel: a blocking connection to one window that
// needs no main loop. The record format is in support/remote_record.h; how a window is found,
// in platform/copy_name.h.
#include <string>

#include "platform/copy_name.h"
#include "storage/unique_fd.h"
#include "support/remote_record.h"

namespace wb {

// The sender side: one connection to a window, blocking, usable for many requests.
class RemoteClient {
 public:
  // Connects to the socket at `path`. Connecting, sending one request and receiving one
  // reply each give up after `timeoutMs` in all, however slowly the window keeps the bytes
  // coming. Throws RemoteError when nothing listens there or the listener belongs to another
  // user.
  explicit RemoteClient(const std::string& path, int timeoutMs = 30000);
  ~RemoteClient();
  RemoteClient(const RemoteClient&) = delete;
  RemoteClient& operator=(const RemoteClient&) = delete;

  // Sends one request and waits for its reply. Throws RemoteError when the connection
  // fails, times out, or the reply is not a reply record.
  remote::Reply Call(const remote::Request& request);

  // Sends raw bytes (tests use it to send broken records).
  void SendBytes(const std::string& bytes);
  // Waits for one reply record. Throws RemoteError as Call does; a connection closed by the
  // window before a whole reply gives RemoteError too.
  remote::Reply ReadReply();

 private:
  UniqueFd fd_;
  int timeoutMs_;
  std::string pending_;
};

}  // namespace wb
