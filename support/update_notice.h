#pragma once
// The notice a maker publishes for portable copies, which have no package manager to bring
// them a later version: a few "Name: value" lines, clear-signed with the maker's repository
// key (wbctl repo announce writes it beside the repository's indexes):
//
//   Package: acme
//   Version: 2.1-1
//   Page: https://acme.example/download
//
// A copy with the key "update" and the maker's public key fetches it at most once a day, has
// the signature verified, and shows the version in its status bar with a link to the page when
// it is newer than its own. Nothing is downloaded or run by itself. These are the rules of that
// without the network: reading the signed text, deciding whether it names a newer version, and
// whether a check is due.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wb {

// The largest notice a copy reads: three short lines and their signature need far less.
inline constexpr std::size_t kMaxUpdateNoticeBytes = 16 * 1024;
// A check at most once in this many seconds.
inline constexpr std::int64_t kUpdateCheckInterval = 24 * 60 * 60;

struct UpdateNotice {
  std::string package;  // the copy's name, as wbctl package makes a package name of it
  std::string version;  // a Debian version (support/debian_version.h)
  std::string page;     // the http or https address of the maker's download page
};

// The notice in the text the signature covers (what gpgv writes out): lines "Name: value"
// ending in LF or CR LF, names compared without regard to case, blanks around values trimmed,
// other names ignored. None when the text is larger than kMaxUpdateNoticeBytes, a line is not
// of that form, or Package, Version or Page is missing, given twice or not valid (the version
// as IsDebianVersion takes it, the page as MakerAddress takes it).
std::optional<UpdateNotice> ParseUpdateNotice(std::string_view text);

// The text of `notice` that ParseUpdateNotice reads back, for the maker's tool to sign.
std::string UpdateNoticeText(const UpdateNotice& notice);

// Whether `notice` speaks of the copy named `copyName` (its Package is DebianPackageName of
// the name, as wbctl package names the copy's package) and names a version newer than `ownVersion`
// by dpkg's order. A copy whose own version is not valid takes no notice: it cannot say what is
// newer.
bool UpdateIsNewer(const UpdateNotice& notice, std::string_view copyName,
                   std::string_view ownVersion);

// Whether a check is due at `now` (seconds since the epoch) after the last one at `last`
// (0: never): a day after it, or at once when the clock now stands before it, so that a
// clock set wrong once does not stop the checks for ever.
bool UpdateCheckDue(std::int64_t last, std::int64_t now);

}  // namespace wb
