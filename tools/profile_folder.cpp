#include "tools/profile_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "storage/unique_fd.h"

namespace wbctl {
namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::vector<std::string> Parts(const std::string& relative) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    if (slash > start) parts.push_back(relative.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

// The profile folder's parent, opened folder by folder from the base without following a
// link, and the folder's own name. `found` is false when a folder on the way does not exist.
struct Walk {
  wb::UniqueFd parent;
  std::string name;
  bool found = false;
};

std::optional<Walk> WalkTo(const ProfileFolder& folder, std::string& error) {
  const std::vector<std::string> parts = Parts(folder.relative);
  for (const auto& part : parts) {
    if (part == "." || part == "..") {
      error = folder.Path() + ": not a folder of the copy's own";
      return std::nullopt;
    }
  }
  if (parts.empty()) {
    error = folder.Path() + ": not a folder of the copy's own";
    return std::nullopt;
  }
  Walk walk;
  walk.name = parts.back();
  walk.parent.reset(::open(folder.base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!walk.parent) {
    if (errno == ENOENT) return walk;
    error = folder.base + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::string path = folder.base;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    path += parts[i] + "/";
    wb::UniqueFd next(::openat(walk.parent.get(), parts[i].c_str(), kOpenFolder));
    if (!next) {
      if (errno == ENOENT) return walk;
      error = path + (errno == ELOOP || errno == ENOTDIR
                          ? ": a symbolic link or no folder; the profile is left as it is"
                          : ": " + std::string(std::strerror(errno)));
      return std::nullopt;
    }
    struct stat info;
    if (::fstat(next.get(), &info) != 0 || info.st_uid != ::geteuid()) {
      error = path + ": not this user's folder; the profile is left as it is";
      return std::nullopt;
    }
    walk.parent = std::move(next);
  }
  walk.found = true;
  return walk;
}

// Removes everything in the open folder `fd`, which lies on the device `device`.
bool EmptyFolder(int fd, dev_t device, const std::string& path, std::string& error) {
  wb::UniqueFd listing(::dup(fd));
  DIR* dir = listing ? ::fdopendir(listing.get()) : nullptr;
  if (dir == nullptr) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  listing.release();  // the DIR owns it now
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  for (const auto& name : names) {
    const std::string inner = path + name;
    struct stat info;
    if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      error = inner + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      if (info.st_dev != device) {
        error = inner + ": another file system is mounted there; it is left as it is";
        return false;
      }
      wb::UniqueFd sub(::openat(fd, name.c_str(), kOpenFolder));
      if (!sub) {
        error = inner + ": " + std::strerror(errno);
        return false;
      }
      if (!EmptyFolder(sub.get(), device, inner + "/", error)) return false;
      if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
        error = inner + ": " + std::strerror(errno);
        return false;
      }
    } else if (::unlinkat(fd, name.c_str(), 0) != 0 && errno != ENOENT) {
      error = inner + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

bool CheckProfileFolder(const ProfileFolder& folder, std::string& error) {
  const std::optional<Walk> walk = WalkTo(folder, error);
  if (!walk) return false;
  if (!walk->found) return true;
  struct stat info;
  if (::fstatat(walk->parent.get(), walk->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return true;
    error = folder.Path() + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISLNK(info.st_mode)) return true;
  if (!S_ISDIR(info.st_mode)) {
    error = folder.Path() + ": not a folder; it is left as it is";
    return false;
  }
  if (info.st_uid != ::geteuid()) {
    error = folder.Path() + ": not this user's folder; the profile is left as it is";
    return false;
  }
  return true;
}

bool RemoveProfileFolder(const ProfileFolder& folder, std::string& error) {
  if (!CheckProfileFolder(folder, error)) return false;
  const std::optional<Walk> walk = WalkTo(folder, error);
  if (!walk) return false;
  if (!walk->found) return true;
  const int parent = walk->parent.get();
  const char* name = walk->name.c_str();
  wb::UniqueFd fd(::openat(parent, name, kOpenFolder));
  if (!fd) {
    if (errno == ENOENT) return true;
    const int openError = errno;
    // A link (the check allowed it) goes itself; what it leads to stays.
    struct stat link;
    if ((openError == ELOOP || openError == ENOTDIR) &&
        ::fstatat(parent, name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) {
      if (::unlinkat(parent, name, 0) == 0 || errno == ENOENT) return true;
      error = folder.Path() + ": " + std::strerror(errno);
      return false;
    }
    error = folder.Path() + ": " + std::strerror(openError);
    return false;
  }
  struct stat info;
  if (::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid()) {
    error = folder.Path() + ": not this user's folder; the profile is left as it is";
    return false;
  }
  const std::string path = folder.Path();
  if (!EmptyFolder(fd.get(), info.st_dev, path.back() == '/' ? path : path + "/", error))
    return false;
  fd.reset();
  if (::unlinkat(parent, name, AT_REMOVEDIR) != 0 && errno != ENOENT) {
    error = folder.Path() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace wbctl
