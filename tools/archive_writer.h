#pragma once
// The archives of a package, written with libarchive so that no packaging tool is needed: a
// gzip-compressed tar archive and the ar archive of a Debian package around two of them. What
// is written depends on the entries and the time alone: entries sorted by path, owned by
// root:root with fixed permissions, every time the one given, and a gzip header without a
// time or a name. So the same inputs give the same bytes.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wbctl {

struct ArchiveEntry {
  std::string path;  // "./usr/bin/acme"; a directory's path ends in "/"
  std::string bytes;
  unsigned mode = 0644;
};

// The gzip-compressed tar archive (POSIX ustar, gzip's default level 6) of `entries`, in the
// order of their paths.
// Raises std::runtime_error when libarchive refuses an entry (a path too long for the format).
std::string TarGz(std::vector<ArchiveEntry> entries, std::int64_t time);

// `bytes` compressed as one gzip member, as "gzip -9n" would.
std::string Gzip(std::string_view bytes);

// Writes the ar archive of `members` (file names of at most 15 characters), in the order
// given, through `sink`, each member with mode 0644, owner 0 and the given time. Raises
// std::runtime_error when libarchive or the sink fails.
struct ArMember {
  std::string name;
  std::string bytes;
};
void WriteAr(const std::vector<ArMember>& members, std::int64_t time,
             const std::function<void(std::string_view)>& sink);

}  // namespace wbctl
