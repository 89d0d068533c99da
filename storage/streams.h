#pragma once
// Seekable byte streams: one held in memory, and a file opened by name with an advisory lock
// that stands in for a share mode. The block text file (storage/fsx.h) works on them.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "storage/unique_fd.h"

namespace wb {

// An error of the file and stream layer: a file that cannot be opened or created, a short
// read, a failed write. The message names the file and gives the system's reason.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A seekable byte stream. Positions are 64-bit byte offsets and may stand past the end (a
// read there gets nothing).
class Stream {
 public:
  virtual ~Stream() = default;
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;
  // Moves to `position` (0 or more; past the end is allowed).
  virtual void Seek(std::int64_t position) = 0;
  // Reads up to `count` bytes at the position and advances past them. Returns fewer only at
  // the end of the stream; raises StreamError when the system fails.
  virtual std::size_t Read(char* buffer, std::size_t count) = 0;
  // Writes all `count` bytes at the position (extending the stream as needed) and advances
  // past them, or raises StreamError.
  virtual void Write(const char* bytes, std::size_t count) = 0;
};

// A stream held in memory.
class MemoryStream final : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  const std::string& Bytes() const { return bytes_; }

  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t Position() const override { return position_; }
  void Seek(std::int64_t position) override;
  std::size_t Read(char* buffer, std::size_t count) override;
  void Write(const char* bytes, std::size_t count) override;

 private:
  std::string bytes_;
  std::int64_t position_ = 0;
};

// A file opened by name. The descriptor is closed (and any lock released) on destruction.
class FileStream final : public Stream {
 public:
  enum class Open {
    kRead,       // existing file, read only
    kReadWrite,  // existing file, read and write, content kept
    kCreate,     // created when missing, emptied when present; read and write
  };
  enum class Share {
    // Others may read and write the file meanwhile, but not hold it unshared: a shared
    // advisory lock is held while the stream lives.
    kShared,
    kExclusive,  // an exclusive advisory lock is held while the stream lives
  };

  // Raises StreamError naming the file and the system's reason when the file cannot be
  // opened, created or locked, or names a directory. The lock is never waited for: a file
  // that another holds in a way that excludes this one is refused at once as in use.
  FileStream(const std::string& path, Open open, Share share);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  const std::string& Path() const { return path_; }
  // Flushes the file's data to the storage device.
  void Sync();

  std::int64_t Size() const override;
  std::int64_t Position() const override { return position_; }
  void Seek(std::int64_t position) override;
  std::size_t Read(char* buffer, std::size_t count) override;
  void Write(const char* bytes, std::size_t count) override;

 private:
  std::string path_;
  UniqueFd fd_;
  std::int64_t position_ = 0;
};

// The calls the file stream is made of, for the block file's copy into a file
// (TFSx::SaveToFile), which opens, locks and writes files in the same way and reports its
// failures in the same words.
namespace stream_calls {

// The path in quotes, as the messages name a file.
std::string Quoted(const std::string& path);
// Raise StreamError: "Cannot WHAT file "PATH". REASON", the reason given or errno's text.
[[noreturn]] void ThrowOpen(const char* what, const std::string& path, const std::string& reason);
[[noreturn]] void ThrowOpen(const char* what, const std::string& path, int err);
// Raises StreamError: the file is held by another process in a way that excludes this one.
[[noreturn]] void ThrowInUse(const char* what, const std::string& path);
// open(2) with O_CLOEXEC, repeated when a signal interrupts it; -1 with errno on failure.
int OpenRetrying(const char* path, int flags, unsigned perms = 0);
// Takes an exclusive advisory lock without waiting; false when another holds the file.
bool LockExclusive(int fd);
// Writes all the bytes at the descriptor's position, or raises StreamError naming `path`.
void WriteAll(int fd, const char* bytes, std::size_t count, const std::string& path);

}  // namespace stream_calls
}  // namespace wb
