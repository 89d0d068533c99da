#pragma once
// The files of a package repository that apt reads, without the signatures: a package's
// control file read out of its .deb, the entry of the package index ("Packages") as
// dpkg-scanpackages writes it, the "Release" file with the checksums of the indexes, and on the
// customer's side the deb822 source that subscribes to the repository and the maker's public
// key as the binary keyring apt's "Signed-By" takes. Every value from outside is checked here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wbctl {

// One field of a control paragraph. A value of several lines keeps its continuation lines
// as they are, each after a "\n" and starting with a blank.
struct ControlField {
  std::string name;
  std::string value;
};
using ControlParagraph = std::vector<ControlField>;

// The one paragraph of a package's control file. Nothing when a line is neither a field nor a
// continuation, a name repeats, a second paragraph follows, or the text exceeds 1 MiB.
std::optional<ControlParagraph> ParseControlParagraph(std::string_view text);

// The value of the field `name` (letters in either case), empty when there is none.
std::string FieldValue(const ControlParagraph& paragraph, std::string_view name);

// The control file inside the Debian package `deb` (its bytes). Raises std::runtime_error when
// the bytes are not a package with a control file of at most 1 MiB.
std::string DebControlText(std::string_view deb);

// The checksums the indexes carry, in lower-case hexadecimal.
struct Checksums {
  std::string md5;
  std::string sha1;
  std::string sha256;
  std::string sha512;
};
Checksums ChecksumsOf(std::string_view bytes);

// A package's entry in the index, as dpkg-scanpackages writes it: the control fields in
// Debian's order for an index, "Filename", "Size", "MD5sum", "SHA1" and "SHA256" among them,
// fields Debian does not know after them in their order, and a blank line at the end.
std::string PackagesEntry(const ControlParagraph& control, const std::string& filename,
                          std::uint64_t size, const Checksums& sums);

// The "Date" field of a Release file: "Sat, 02 Mar 2024 10:00:00 UTC". Times before 1970 or
// after 9999 are refused with std::invalid_argument.
std::string ReleaseDate(std::int64_t secondsSince1970);

// The Release file of a flat repository: its date, the architectures of its packages (when
// any) and the size and checksums (MD5Sum, SHA1, SHA256, SHA512) of each index file.
struct IndexFile {
  std::string name;  // relative to the repository: "Packages"
  std::string bytes;
};
std::string ReleaseText(std::int64_t time, const std::vector<std::string>& architectures,
                        const std::vector<IndexFile>& files);

// Whether `url` can be a repository's address in a source file: http:// or https://, a host,
// no blanks, quotes, control characters or non-ASCII, at most 1024 bytes.
bool IsRepositoryUrl(std::string_view url);

// The deb822 source file that subscribes to the flat repository at `url`, trusting only the
// keyring at `keyring`.
std::string SourcesText(const std::string& url, const std::string& keyring);

// The binary key of an armoured OpenPGP public key block (what "gpg --dearmor" writes).
// Nothing when `armoured` is not one public key block whose checksum matches, or holds a
// secret key.
std::optional<std::string> DearmorPublicKey(std::string_view armoured);

}  // namespace wbctl
