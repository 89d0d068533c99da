#include "platform/copy_name.h"

#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "storage/process_values.h"

namespace wb {
namespace {

constexpr std::string_view kSocketSuffix = ".sock";

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

}  // namespace

RemoteError RemoteError::FromErrno(const std::string& what) {
  return RemoteError(what + ": " + std::strerror(errno));
}

void CheckChannelDirectory(const std::string& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) throw RemoteError::FromErrno("cannot use directory " + dir);
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

std::string ChannelDirectoryPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime && runtime[0] == '/' && ::lstat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == ::getuid()) {
    return std::string(runtime) + "/webbrowser";
  }
  return "/tmp/webbrowser-" + std::to_string(::getuid());
}

std::string ChannelDirectory(MissingFolder missing) {
  std::string dir = ChannelDirectoryPath();
  if (missing == MissingFolder::kCreate && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw RemoteError::FromErrno("cannot create directory " + dir);
  }
  CheckChannelDirectory(dir);
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

}  // namespace wb
