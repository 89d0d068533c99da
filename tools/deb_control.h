#pragma once
// The text of a Debian package of a branded copy, without the archives around it: the package's
// name and version as Debian spells them, the control file, the checksums, the changelog, the
// copyright file and the maintainer scripts. Every value from outside is checked here, so that
// what is written is something dpkg takes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/debian_version.h"

namespace wbctl {

// The version as a package's file name carries it: without its epoch.
std::string VersionInFileName(std::string_view version);

// Whether the version has no Debian revision, so the package is its own upstream (its
// changelog is "changelog.gz", not "changelog.Debian.gz").
bool IsNativeVersion(std::string_view version);

// Whether `maintainer` is "NAME <ADDRESS>": a name without "<", ">", "," or control
// characters, an address with one "@" between non-empty parts and no blanks, at most 200
// bytes in all, valid UTF-8.
bool IsMaintainer(std::string_view maintainer);

// Whether `synopsis` can be a package's one-line description: 1 to 200 characters of UTF-8
// without control characters, not starting or ending with a blank.
bool IsSynopsis(std::string_view synopsis);

// What the build records in the program for its packages ("Architecture: A" and "Depends: LIST"
// lines). Nothing when a line is missing or repeated, the architecture is not a word of lower
// case letters, digits and "-", or the list holds anything but package names, versions,
// relations, ",", "|", blanks and parentheses; at most 4096 bytes.
struct PackageRecord {
  std::string architecture;
  std::string depends;
};
std::optional<PackageRecord> ParsePackageRecord(std::string_view text);

struct ControlFields {
  std::string package;
  std::string version;
  std::string architecture;
  std::string maintainer;
  std::uint64_t installedSizeKiB = 0;
  std::string depends;
  std::string recommends;
  std::string synopsis;
  // The extended description, as paragraphs of one line each; lines are folded at blanks to
  // fit 79 columns, and an empty paragraph separates (" .").
  std::vector<std::string> description;
};

// The control file, fields in the order dpkg-deb writes them, lines ending in LF.
std::string ControlText(const ControlFields& fields);

// One file of the package for the checksums and the installed size.
struct PackageFile {
  std::string path;  // relative to the root, without "./": "usr/bin/acme"
  std::string bytes;
  bool directory = false;
};

// The installed size as dpkg computes it: each file's size rounded up to a whole KiB, and
// one KiB for each directory.
std::uint64_t InstalledSizeKiB(const std::vector<PackageFile>& files);

// The md5sums control file: "MD5  PATH" for each regular file, sorted by path.
std::string Md5sumsText(const std::vector<PackageFile>& files);

// A time as the changelog's trailer writes it (RFC 5322, UTC, English names):
// "Thu, 01 Jan 1970 00:00:00 +0000". Times before 1970 or after 9999 are refused with
// std::invalid_argument.
std::string ChangelogDate(std::int64_t secondsSince1970);

// The changelog of a package made once: its one entry.
std::string ChangelogText(const std::string& package, const std::string& version,
                          const std::string& maintainer, std::int64_t time);

// The copyright file: who made the package, of what, and the program it is a copy of; the
// notice carries the year of `time`.
std::string CopyrightText(const std::string& package, const std::string& title,
                          const std::string& maintainer, const std::string& programVersion,
                          std::int64_t time);

// The synopsis a package gets without --description: the title, said as what it is when the
// title alone would only repeat the package's name or begin with it (which Debian calls a
// fault).
std::string DefaultSynopsis(const std::string& title, const std::string& package);

// The maintainer scripts: after installation and after removal they bring the desktop's
// caches of the system's applications and icons up to date where the tools are installed.
std::string PostinstScript();
std::string PostrmScript();

// The time stamp of every file in a package: SOURCE_DATE_EPOCH (`value`, decimal seconds),
// else `fallback`. Refuses, with std::invalid_argument, a value that is not a decimal number
// of seconds from 1970 to the end of 9999.
std::int64_t PackageTime(const char* value, std::int64_t fallback);

}  // namespace wbctl
