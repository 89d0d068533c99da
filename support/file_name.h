#pragma once
// File names that come from outside (a server's suggestion for a download).
#include <cstddef>
#include <string>
#include <string_view>

namespace wb {

// The longest name SafeFileName gives, in bytes. A download is written to a hidden temporary
// name beside the final one and renamed when it is complete: FileReplacement makes it
// ".NAME.PID-COUNTER-RANDOM.tmp", whose added parts take at most 36 bytes (a 10-digit process
// id and counter, an 8-digit random number), and the engine writes to that name with
// ".wkdownload" (11 bytes) appended until the data is complete. Both must fit the file
// system's limit of 255 bytes for one name: 255 - 36 - 11 = 208.
inline constexpr std::size_t kMaxSafeFileNameBytes = 208;

// A plain file name made of `suggested` (UTF-8): only what follows its last "/" or "\", and
// without what could make the name look like another or hide it:
// - control characters (U+0000 to U+001F, U+007F, and the C1 controls U+0080 to U+009F) and
//   the bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069),
//   which would let "evil<U+202E>gnp.exe" show as "evilexe.png", are dropped;
// - each byte that does not belong to a well-formed UTF-8 character becomes "_" (an ASCII
//   character rather than U+FFFD, so a broken name stays as short as it was and plain);
// - blanks at either end and dots at its start go (no hidden file, no "." or "..").
// At most kMaxSafeFileNameBytes long, the extension kept when it is at most 16 bytes, no
// character cut in two. Empty: "download".
std::string SafeFileName(std::string_view suggested);

// The name a saved page is offered under, for the page at `address` (UTF-8): the last part of
// its path, percent-decoded ("/" or "\" it decodes to become "_"), without its extension;
// when that is empty or dots only, its host; else (an address without a path of files, such
// as about:blank) "page". Then `extension`, and the whole made a SafeFileName.
std::string PageFileName(std::string_view address, std::string_view extension);

}  // namespace wb
