#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <utility>

namespace wb {

namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links at `path` (at most 40, as the kernel does), so that replacing the file
// keeps a link the user made, for example into a folder of dot files.
std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char target[4096];
    ssize_t n = ::readlink(current.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return current;
    std::string next(target, static_cast<size_t>(n));
    current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
  }
  return current;
}

// Reads what is left of an open file, failing past `limit` bytes.
std::string ReadFd(int fd, const std::string& path, std::size_t limit, bool failWhenLarger) {
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(path, ErrnoText(errno));
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
    if (data.size() > limit) {
      if (failWhenLarger) throw FileError(path, "the file is larger than 16 MiB");
      data.resize(limit);
      break;
    }
  }
  return data;
}

void WriteAll(int fd, const std::string& path, std::string_view data) {
  if (const int error = WriteAllBytes(fd, data)) throw FileError(path, ErrnoText(error));
}

bool IsFileAtPath(int fd, const std::string& path) {
  struct stat opened, current;
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &current) == 0 &&
         opened.st_dev == current.st_dev && opened.st_ino == current.st_ino;
}

// An exclusive advisory lock on the file that is currently at `path`. A writer replaces the
// file by renaming, so a lock taken on a file that has meanwhile been replaced protects nothing:
// after locking, the descriptor is compared with what the path names now, and the lock is taken
// again on the new file when they differ. Such a retry waits and counts against the time limit
// like one for a lock held by another, since a path that names a new file every time would
// otherwise keep the writer here for ever.
class ExclusiveFileLock {
 public:
  ExclusiveFileLock(const std::string& path, const AtomicUpdateOptions& options) {
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.lockTimeoutMs);
    const auto stillAtPath = options.stillAtPath ? options.stillAtPath : &IsFileAtPath;
    auto pause = std::chrono::microseconds(50);
    for (;;) {
      if (!fd_) {
        fd_.reset(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, options.newFileMode));
        if (!fd_) throw FileError(path, ErrnoText(errno));
        struct stat st;
        if (::fstat(fd_.get(), &st) != 0) throw FileError(path, ErrnoText(errno));
        if (!S_ISREG(st.st_mode)) throw FileError(path, "not a regular file");
      }
      if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        struct stat locked;
        if (stillAtPath(fd_.get(), path) && ::fstat(fd_.get(), &locked) == 0) {
          mode_ = locked.st_mode & 07777;
          return;
        }
        fd_.reset();  // replaced meanwhile: lock the new file
      } else if (errno != EWOULDBLOCK && errno != EINTR) {
        throw FileError(path, ErrnoText(errno));
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        throw FileError(path, "the file is locked by another process");
      }
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::microseconds(1000));
    }
  }

  int fd() const { return fd_.get(); }
  unsigned mode() const { return mode_; }

 private:
  UniqueFd fd_;  // closing the descriptor releases the lock
  unsigned mode_ = 0600;
};

void SyncFolder(const std::string& folder) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // The rename is done; a file system that cannot flush a folder still has the new file.
  if (dir) ::fsync(dir.get());
}

}  // namespace

int WriteAllBytes(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

FileReplacement::FileReplacement(std::string target, const ReplacementOptions& options)
    : target_(std::move(target)) {
  const std::string hidden = FolderOf(target_) + "/." + BaseNameOf(target_);
  // The name a writer under the lock uses, or one that no other writer picks: the process and
  // a counter keep this machine's writers apart, the random part those on a shared folder.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0;; ++attempt) {
    if (options.fixedName) {
      temporary_ = hidden + ".tmp";
      ::unlink(temporary_.c_str());
    } else {
      temporary_ = hidden + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
                   "-" + std::to_string(std::random_device()() & 0xFFFFFF) + ".tmp";
    }
    fd_.reset(
        ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd_) break;
    if (options.fixedName || errno != EEXIST || attempt >= 100)
      throw FileError(temporary_, ErrnoText(errno));
  }
  pending_ = true;
  if (options.permissions && ::fchmod(fd_.get(), *options.permissions) != 0) {
    throw FileError(temporary_, ErrnoText(errno));
  }
}

FileReplacement::~FileReplacement() {
  fd_.reset();
  if (pending_) ::unlink(temporary_.c_str());
}

void FileReplacement::Write(std::string_view bytes) {
  WriteAll(fd_.get(), temporary_, bytes);
}

void FileReplacement::Commit() {
  if (::fsync(fd_.get()) != 0) throw FileError(temporary_, ErrnoText(errno));
  if (::close(fd_.release()) != 0) throw FileError(temporary_, ErrnoText(errno));
  if (::rename(temporary_.c_str(), target_.c_str()) != 0)
    throw FileError(target_, ErrnoText(errno));
  pending_ = false;
  SyncFolder(FolderOf(target_));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const ReplacementOptions& options) {
  FileReplacement replacement(path, options);
  replacement.Write(bytes);
  replacement.Commit();
}

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error("Cannot write the file \"" + path + "\": " + reason + "."),
      path_(path),
      reason_(reason) {}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return std::nullopt;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  try {
    return ReadFd(fd.get(), path, limit, false);
  } catch (const FileError&) {
    return std::nullopt;
  }
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void CreateDirectories(const std::string& path, unsigned mode) {
  if (path.empty() || DirectoryExists(path)) return;
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    std::string prefix = path.substr(0, pos);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) {
      throw FileError(path, ErrnoText(errno));
    }
    if (pos == std::string::npos) break;
  }
  if (!DirectoryExists(path)) throw FileError(path, "the folder cannot be created");
}

bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::string&)>& change,
    const AtomicUpdateOptions& options) {
  const std::string target = ResolveLinks(path);
  CreateDirectories(FolderOf(target), options.newFolderMode);
  ExclusiveFileLock lock(target, options);
  const std::string current = ReadFd(lock.fd(), target, kMaxSettingsFileSize, true);
  std::optional<std::string> replacement = change(current);
  if (!replacement || *replacement == current) return false;
  if (replacement->size() > kMaxSettingsFileSize) {
    throw FileError(target, "the file would grow larger than 16 MiB");
  }
  WriteFileAtomically(target, *replacement, {.permissions = lock.mode(), .fixedName = true});
  return true;
}

}  // namespace wb
