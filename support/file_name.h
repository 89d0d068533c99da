#pragma once
// File names that come from outside (a server's suggestion for a download).
#include <string>
#include <string_view>

namespace wb {

// A plain file name made of `suggested` (UTF-8): only what follows its last "/" or "\",
// without control characters, without blanks at either end or dots at its start (no hidden
// file, no "." or ".."), at most 255 bytes with the extension kept where it fits and no
// character cut in two. Empty: "download".
std::string SafeFileName(std::string_view suggested);

}  // namespace wb
