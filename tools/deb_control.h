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

// Whether `section` is one of Debian's section names ("web", "net", "utils" ...), optionally
// after an archive area ("contrib/", "non-free/", "non-free-firmware/").
bool IsDebianSection(std::string_view section);

// Whether `url` can be a package's Homepage: an http or https address with a host, of at most
// 2000 printable ASCII characters without blanks.
bool IsHomepage(std::string_view url);

// The lines of a text a maker wrote for a control or copyright field (a long description, a
// licence): at most `maxBytes` bytes of UTF-8; CR LF read as LF, tabs expanded to 8 columns,
// blanks at the ends of lines and empty lines at the ends of the text dropped. Refuses with
// std::invalid_argument, saying why, a text that is longer, not UTF-8, holds another control
// character or holds no line at all.
std::vector<std::string> DescriptionLines(std::string_view text, std::size_t maxBytes);

// The extended description a package gets without --long-description: what it puts on the
// desktop, the copy's title, "by MAKER" when the copy names its maker.
std::vector<std::string> DefaultDescription(const std::string& title, const std::string& maker);

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
  std::string section = "web";
  std::string homepage;
  std::string version;
  std::string architecture;
  std::string maintainer;
  std::uint64_t installedSizeKiB = 0;
  std::string depends;
  std::string recommends;
  std::string synopsis;
  // The extended description, one line each (DescriptionLines): a line that starts with a
  // letter is folded at blanks to fit 79 columns, one that starts with a blank or a "." is
  // written as it is (a "." after one more blank, since dpkg reserves " ." for the empty
  // line), and an empty line separates paragraphs (" .").
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

// A licence as the copyright file names it: its short name in Debian's machine-readable
// format ("Expat", "GPL-3+") and its text, lines as DescriptionLines gives them.
struct License {
  std::string name;
  std::vector<std::string> text;
};

// The licence of an SPDX short name (MIT, ISC, BSD-2-Clause, BSD-3-Clause, Apache-2.0, MPL-2.0,
// CC0-1.0 and the GPL, LGPL -only and -or-later names): the full text of a short licence, and
// for one that Debian systems carry in /usr/share/common-licenses the notice and a pointer to
// that file (Debian calls it a fault to copy those texts). Nothing for another name.
std::optional<License> KnownLicense(std::string_view spdxName);

// The SPDX names KnownLicense knows, for messages: "MIT, ISC, ...".
std::string KnownLicenseNames();

// A licence text from a file (`text`, at most 256 KiB), named "custom". Refuses with
// std::invalid_argument the whole text of a licence Debian systems carry (the GPL, the GFDL,
// the Apache licence), whose SPDX name is to be given instead, and what DescriptionLines
// refuses.
License LicenseFromText(std::string_view text);

// The copyright file in Debian's machine-readable format: a header naming the copy
// (Upstream-Name), whom to ask about it (Upstream-Contact: the maker's name and contact lines,
// else the maintainer) and its web site (Source), and one paragraph for all files with the
// year of `time`, the holder and the licence. Without a licence, the text says that the terms
// are those the maker gave with the package.
struct CopyrightFields {
  std::string upstreamName;
  std::vector<std::string> contact;
  std::string source;
  std::string holder;
  std::int64_t time = 0;
  std::optional<License> license;
};
std::string CopyrightText(const CopyrightFields& fields);

// The synopsis a package gets without --description: the title (cut at a blank, ending in
// "...", when it is longer than 80 characters), said as what it is when the title alone would
// only repeat the package's name, be a single word or begin with the name (which Debian calls
// faults).
std::string DefaultSynopsis(const std::string& title, const std::string& package);

// Why Debian calls `synopsis` a fault in the package `package` ("it begins with the package's
// name", "it is a single word"), or nothing when it does not.
std::string SynopsisFault(const std::string& synopsis, const std::string& package);

// The maintainer scripts: after installation and after removal they bring the desktop's
// caches of the system's applications and icons up to date where the tools are installed.
std::string PostinstScript();
std::string PostrmScript();

// The time stamp of every file in a package: SOURCE_DATE_EPOCH (`value`, decimal seconds),
// else `fallback`. Refuses, with std::invalid_argument, a value that is not a decimal number
// of seconds from 1970 to the end of 9999.
std::int64_t PackageTime(const char* value, std::int64_t fallback);

}  // namespace wbctl
