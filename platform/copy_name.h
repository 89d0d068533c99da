#pragma once
// A copy's name and where its windows can be reached: the name of the running executable, the
// private per-user directory of the window sockets, and the socket of each window in it, named
// after the copy and its process id so that a sender can find the window of a given copy or
// process. The window side of the channel is in platform/remote_channel.h, the sender side in
// platform/remote_client.h.
#include <sys/types.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace wb {

// A failure of the channel: unsafe directory, socket that cannot be created or reached, a
// peer that breaks the record format, a timeout.
class RemoteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // `what`, followed by the system's text for the last error (errno).
  static RemoteError FromErrno(const std::string& what);
};

// The longest path a socket address holds, without its terminating NUL.
inline constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;

// The private directory that holds this user's window sockets: $XDG_RUNTIME_DIR/webbrowser
// when XDG_RUNTIME_DIR names an absolute directory owned by the user, else
// /tmp/webbrowser-UID. A missing directory is created with mode 0700 (kCreate) or is an error
// (kThrow: a sender has nothing to look for where no window ever listened). Before
// use the directory is checked: a real directory (not a symbolic link), owned by the user,
// with no access for group or others. Throws RemoteError naming the path and the fault.
enum class MissingFolder { kThrow, kCreate };
std::string ChannelDirectory(MissingFolder missing);

// Throws RemoteError, as ChannelDirectory does, unless `dir` is a real directory of the user's
// own with no access for group or others.
void CheckChannelDirectory(const std::string& dir);

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

// True while process `pid` runs (also when it belongs to another user).
bool ProcessRuns(pid_t pid);

// The window sockets of `directory` that name application `app` and whose process still
// runs, newest first: the latest socket, and of two made at the same moment the higher
// process id.
std::vector<WindowSocket> RunningWindowsOf(const std::string& directory, const std::string& app);

}  // namespace wb
