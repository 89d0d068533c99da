#include "storage/streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "storage/atomic_file.h"

namespace wb {
namespace {

// Takes the advisory lock without waiting; false when another holds it in a way that
// excludes this one.
bool Lock(int fd, int kind) {
  int r;
  do {
    r = ::flock(fd, kind | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

// The reason a positioned write failed. One that takes no byte at all is a failure too:
// retrying it would never end.
std::string WriteFailure(ssize_t written) {
  return std::strerror(written < 0 ? errno : EIO);
}

}  // namespace

namespace stream_calls {

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

[[noreturn]] void ThrowOpen(const char* what, const std::string& path, const std::string& reason) {
  throw StreamError(std::string("Cannot ") + what + " file " + Quoted(path) + ". " + reason);
}

[[noreturn]] void ThrowOpen(const char* what, const std::string& path, int err) {
  ThrowOpen(what, path, std::string(std::strerror(err)));
}

[[noreturn]] void ThrowInUse(const char* what, const std::string& path) {
  throw StreamError(std::string("Cannot ") + what + " file " + Quoted(path) +
                    ". The file is in use by another process.");
}

int OpenRetrying(const char* path, int flags, unsigned perms) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, perms);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool LockExclusive(int fd) {
  return Lock(fd, LOCK_EX);
}

void WriteAll(int fd, const char* bytes, std::size_t count, const std::string& path) {
  if (const int error = WriteAllBytes(fd, std::string_view(bytes, count)))
    throw StreamError("Cannot write to file " + Quoted(path) + ". " + std::strerror(error));
}

}  // namespace stream_calls

using namespace stream_calls;

// --- MemoryStream ---------------------------------------------------------------------------

void MemoryStream::Seek(std::int64_t position) {
  position_ = std::max<std::int64_t>(position, 0);
}

std::size_t MemoryStream::Read(char* buffer, std::size_t count) {
  if (position_ >= Size()) return 0;
  const std::size_t n = std::min(count, bytes_.size() - static_cast<std::size_t>(position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

void MemoryStream::Write(const char* bytes, std::size_t count) {
  const auto at = static_cast<std::size_t>(position_);
  if (at + count > bytes_.size()) bytes_.resize(at + count, '\0');
  std::memcpy(bytes_.data() + at, bytes, count);
  position_ += static_cast<std::int64_t>(count);
}

// --- FileStream -----------------------------------------------------------------------------

FileStream::FileStream(const std::string& path, Open open, Share share) : path_(path) {
  const char* what = open == Open::kCreate ? "create" : "open";
  int flags = open == Open::kRead ? O_RDONLY : O_RDWR;
  if (open == Open::kCreate) flags |= O_CREAT;
  UniqueFd fd(OpenRetrying(path.c_str(), flags, 0666));
  if (fd.get() < 0) ThrowOpen(what, path, errno);
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) ThrowOpen(what, path, errno);
  if (S_ISDIR(info.st_mode)) ThrowOpen(what, path, EISDIR);
  const bool shared = share == Share::kShared;
  if (!Lock(fd.get(), shared ? LOCK_SH : LOCK_EX)) {
    if (errno == EWOULDBLOCK) ThrowInUse(what, path);
    // A file system without advisory locks cannot keep anyone out, but it must not keep the
    // program from reading its own executable there.
    if (!shared) ThrowOpen(what, path, errno);
  }
  // The file is emptied only once the lock is held, so that a file another process has open
  // is never cut underneath it.
  if (open == Open::kCreate && info.st_size > 0 && ::ftruncate(fd.get(), 0) != 0) {
    ThrowOpen(what, path, errno);
  }
  fd_ = std::move(fd);
}

FileStream::~FileStream() = default;

void FileStream::Sync() {
  if (::fsync(fd_.get()) != 0) {
    throw StreamError("Cannot write to file " + Quoted(path_) + ". " + std::strerror(errno));
  }
}

std::int64_t FileStream::Size() const {
  struct stat info;
  if (::fstat(fd_.get(), &info) != 0) {
    throw StreamError("Cannot read file " + Quoted(path_) + ". " + std::strerror(errno));
  }
  return static_cast<std::int64_t>(info.st_size);
}

void FileStream::Seek(std::int64_t position) {
  position_ = std::max<std::int64_t>(position, 0);
}

std::size_t FileStream::Read(char* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_.get(), buffer + done, count - done, position_);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw StreamError("Cannot read file " + Quoted(path_) + ". " + std::strerror(errno));
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    position_ += n;
  }
  return done;
}

void FileStream::Write(const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::pwrite(fd_.get(), bytes, count, position_);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      throw StreamError("Cannot write to file " + Quoted(path_) + ". " + WriteFailure(n));
    }
    bytes += n;
    count -= static_cast<std::size_t>(n);
    position_ += n;
  }
}

}  // namespace wb
