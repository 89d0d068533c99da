#pragma once
// A small memory file system mounted over a folder for the life of a test, to show what the
// program does on a full or a read-only file system. The tests run as root in CI, where file
// modes make nothing read-only; a mount does. Only root may mount: Mounted() is false for
// anyone else (and where the system refuses), and the test decides whether it has another way.
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace wbtest {

class TmpfsMount {
 public:
  // Mounts a tmpfs of `bytes` (rounded up to whole pages) over `folder`, creating the folder.
  TmpfsMount(const std::string& folder, std::size_t bytes) : folder_(folder) {
    std::filesystem::create_directories(folder_);
    if (geteuid() != 0) {
      why_ = "mounting needs root";
      return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      why_ = std::string("mount: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~TmpfsMount() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  bool Mounted() const { return mounted_; }
  // Why it is not mounted.
  const std::string& Why() const { return why_; }

  // Makes the mounted file system read-only; false when the system refuses.
  bool MakeReadOnly() {
    return mounted_ && ::mount("tmpfs", folder_.c_str(), "tmpfs",
                               MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace wbtest
