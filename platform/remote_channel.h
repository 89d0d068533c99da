#pragma once
// The remote-navigation channel: how another process of the same user delivers a record (an
// address to open, the home-page request, a state query) to a running main window and waits
// for the reply. Each main window listens on one Unix-domain stream socket in a private
// per-user directory; the socket's name carries the executable's name and the process id, so
// a sender can find the window of a given program or process.
//
// The window side (RemoteChannel) runs on the GLib main loop: reads and writes are
// non-blocking and driven by the loop, the handler runs on the loop's thread, and the reply is
// written after the handler has returned. The sender side (RemoteClient) is blocking and needs
// no main loop. The record format is in support/remote_record.h.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/remote_record.h"

namespace wb {

// A failure of the channel: unsafe directory, socket that cannot be created or reached, a
// peer that breaks the record format, a timeout.
class RemoteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The private directory that holds this user's window sockets: $XDG_RUNTIME_DIR/webbrowser
// when XDG_RUNTIME_DIR names an absolute directory owned by the user, else
// /tmp/webbrowser-UID. With `create`, a missing directory is created with mode 0700. Before
// use the directory is checked: a real directory (not a symbolic link), owned by the user,
// with no access for group or others. Throws RemoteError naming the path and the fault.
std::string ChannelDirectory(bool create);

// The path ChannelDirectory uses, without creating or checking it.
std::string ChannelDirectoryPath();

// The application name of an executable path: its file name without the last extension
// ("/opt/x/shop.bin" gives "shop", "webbrowser" stays "webbrowser").
std::string AppNameOf(const std::string& executablePath);

// The application name of the running program (from /proc/self/exe).
std::string OwnAppName();

// The socket path of application `app` in process `pid` within `directory`. A name that
// would make the path longer than a socket address holds is shortened (at a character
// boundary) so that it fits. Throws RemoteError when even a one-byte name cannot fit.
std::string SocketPath(const std::string& directory, const std::string& app, pid_t pid);

// A window socket found in the directory.
struct WindowSocket {
  std::string app;  // as in the file name (possibly shortened, see SocketPath)
  pid_t pid = 0;
  std::string path;
  std::int64_t created = 0;  // the socket file's modification time, in nanoseconds
};

// Every window socket file of the directory, in no particular order. A missing directory
// gives an empty list; other entries are ignored.
std::vector<WindowSocket> ListWindowSockets(const std::string& directory);

// True when `found` names application `app`, also when the name in the file was shortened.
bool SocketNamesApp(const WindowSocket& found, const std::string& app);

// The window sockets of `directory` that name application `app` and whose process still
// runs, newest first: the latest socket, and of two made at the same moment the higher
// process id.
std::vector<WindowSocket> RunningWindowsOf(const std::string& directory, const std::string& app);

// The window side. Constructing it creates the socket (removing sockets left by processes
// that no longer run), destroying it closes every connection and removes the socket file.
class RemoteChannel {
 public:
  using Handler = std::function<remote::Reply(const remote::Request&)>;

  struct Options {
    std::string appName;    // empty: OwnAppName()
    std::string directory;  // empty: ChannelDirectory(true)
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
  int fd_ = -1;
  int timeoutMs_;
  std::string pending_;
};

}  // namespace wb
