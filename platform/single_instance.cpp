#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/remote_client.h"
#include "support/address.h"
#include "support/remote_record.h"

namespace wb {

SingleStartLock::SingleStartLock(const std::string& app, int timeoutMs) {
  try {
    // Beside the window sockets, in the user's private channel folder.
    const std::string path = ChannelDirectory(MissingFolder::kCreate) + "/." + app + ".start";
    fd_.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  } catch (const std::exception&) {
    // No private folder: nothing to lock in; the start goes on as before.
  }
  if (!fd_) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      fd_.reset();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string StartupIdFromEnvironment() {
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && remote::IsStartupId(value)) return value;
  }
  return {};
}

std::string HandOverAddress(const std::string& argument) {
  if (argument.empty() || HasScheme(argument) || argument.front() == '/') return argument;
  std::error_code error;
  if (!std::filesystem::exists(argument, error)) return argument;
  return ResolveAddress(argument);
}

namespace {

// The executable of a process; a file replaced since it started keeps its old path.
std::string ExecutableOf(const std::string& link) {
  char target[4096];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return {};
  std::string path(target, static_cast<std::size_t>(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.erase(path.size() - kDeleted.size());
  return path;
}

}  // namespace

bool RunsExecutable(pid_t pid, const std::string& exe) {
  return !exe.empty() && ExecutableOf("/proc/" + std::to_string(pid) + "/exe") == exe;
}

bool HandToRunningWindow(const std::string& app, const std::string& address,
                         const std::string& startupId, StartHandOver how, int timeoutMs) {
  const std::string path = ChannelDirectoryPath();
  struct stat info;
  // No directory: no window has run since it was last cleared, and creating it is the first
  // window's business.
  if (::lstat(path.c_str(), &info) != 0) return false;
  try {
    const std::string directory = ChannelDirectory(MissingFolder::kThrow);
    const std::string self = ExecutableOf("/proc/self/exe");
    for (const WindowSocket& window : RunningWindowsOf(directory, app)) {
      if (!RunsExecutable(window.pid, self)) continue;
      // Once a window has taken the address the start is handed over, whatever becomes of
      // the present record: the address must not open in a second window.
      bool delivered = false;
      try {
        RemoteClient client(window.path, timeoutMs);
        if (!address.empty()) {
          const remote::Reply go =
              client.Call({remote::kCopyData, 0, remote::CopyDataBytes("go=" + address)});
          if (go.status != remote::Status::kHandled) continue;
          delivered = true;
        }
        const remote::Reply present = how == StartHandOver::kPresent
                                          ? client.Call({remote::kPresent, 0, startupId})
                                          : client.Call({remote::kStateQuery, 0, {}});
        // A window of an older build that does not know the record has still taken the
        // address; it only stays where it is on the screen.
        if (delivered || present.status == remote::Status::kHandled ||
            present.status == remote::Status::kUnknownKind) {
          return true;
        }
      } catch (const RemoteError&) {
        // A window that is going away or hangs: try the next one.
        if (delivered) return true;
      }
    }
  } catch (const std::exception&) {
    // An unsafe channel directory: nothing is handed over through it.
  }
  return false;
}

}  // namespace wb
