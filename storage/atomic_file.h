#pragma once
// Whole-file reads, the atomic replacement of a file by a new version written beside it, and
// the serialised change of small files (the settings files) built on it.
//
// A change runs under an exclusive advisory lock on the file, on the contents re-read under
// that lock, and its result replaces the file through a temporary file in the same folder that
// is flushed to disk and then renamed over the old one. So two processes that change different
// parts of a file never lose each other's changes, and a process killed at any moment leaves
// either the old file or the new one, never a mixture. Readers take no lock: the rename makes
// every file they can open complete.
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "storage/unique_fd.h"

namespace wb {

// Settings files larger than this are not read past this size and not rewritten, since a
// rewrite would cut them.
constexpr std::size_t kMaxSettingsFileSize = 16u << 20;

// A file that cannot be read or replaced. The message names the file and the reason.
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& path, const std::string& reason);
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The contents of a file, at most `limit` bytes; nullopt when the file does not exist, is not
// a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = kMaxSettingsFileSize);

// True when a directory exists at `path`.
bool DirectoryExists(const std::string& path);

// Writes every byte of `data` to `fd`, through interruptions and short writes. Returns 0, or
// the error number of the write that failed: EIO for one that took no byte at all, which
// retrying would never end.
[[nodiscard]] int WriteAllBytes(int fd, std::string_view data);

// Creates the directory and every missing parent with the given mode. Throws FileError.
void CreateDirectories(const std::string& path, unsigned mode);

// How a FileReplacement makes its temporary file.
struct ReplacementOptions {
  // The permissions of the new version, set as given (the umask does not apply). Without
  // them it gets those of any new file: 0666 less the umask.
  std::optional<unsigned> permissions = std::nullopt;
  // The temporary file is ".NAME.tmp" instead of a name that no other writer picks. Only a
  // writer that holds an exclusive lock on the target may ask for it; a temporary file that
  // a killed writer left behind is then removed by the next one instead of staying for ever.
  bool fixedName = false;
};

// A new version of a file, written beside it and put in its place in one step. The temporary
// file lies in the target's folder, so the final rename never crosses file systems, and it has a
// hidden name derived from the target's. The caller fills it, through Write or by writing to
// TemporaryPath() itself (another stream, the engine), and then commits it: its data is flushed
// to the device, it is renamed over the target and the folder is flushed, so a crash at any
// moment leaves the old file or the new one, never a mixture. A replacement that is not
// committed removes its temporary file when it goes away. Errors raise FileError.
class FileReplacement {
 public:
  // Creates the empty temporary file beside `target` (the path of the file itself, links
  // already followed).
  explicit FileReplacement(std::string target, const ReplacementOptions& options = {});
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::string& TargetPath() const { return target_; }
  const std::string& TemporaryPath() const { return temporary_; }
  // Appends bytes to the temporary file.
  void Write(std::string_view bytes);
  // Flushes the temporary file and renames it over the target; afterwards the replacement
  // holds nothing. Whoever else wrote to TemporaryPath() must have closed it by then.
  void Commit();

 private:
  std::string target_;
  std::string temporary_;
  UniqueFd fd_;
  bool pending_ = false;  // the temporary file exists and is not yet in place
};

// Replaces the file `path` by one holding exactly `bytes`, through a FileReplacement.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         const ReplacementOptions& options = {});

struct AtomicUpdateOptions {
  unsigned newFileMode = 0644;    // before the umask; an existing file keeps its mode
  unsigned newFolderMode = 0755;  // for missing folders of the file, before the umask
  int lockTimeoutMs = 10000;      // how long to wait for another process's lock
  // Whether the locked descriptor is still the file at the path. Empty means the same device
  // and inode; tests put a file that is replaced after every lock in its place.
  std::function<bool(int lockedFd, const std::string& path)> stillAtPath = {};
};

// Changes a file atomically under an exclusive lock. `change` receives the current contents
// (empty when the file does not exist yet) and returns the new contents, or nullopt to leave
// the file untouched. Returns whether the file was replaced. Missing folders are created. A
// symbolic link at `path` is followed, so the file it points at is replaced and the link stays.
// Throws FileError when the file cannot be locked, read, written or renamed, and when it is
// larger than kMaxSettingsFileSize; exceptions from `change` pass through. In every failure the
// old file stays as it was.
bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::string&)>& change,
    const AtomicUpdateOptions& options = {});

}  // namespace wb
