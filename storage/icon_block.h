#pragma once
// The icon a branded copy carries: a second block after the configuration block, named
// "WebBrowser.icon", holding the picture file (PNG or SVG) as a Base64 block
// (storage/base64_block.h), written with Base64BlockContent; the caller checks the picture.
// The logo of the copy's maker, which its about box shows, is a block "WebBrowser.logo" of
// the same form and limit.
#include <cstddef>
#include <string>
#include <string_view>

#include "support/text.h"

namespace wb {

inline constexpr std::u16string_view kIconBlockName = u"WebBrowser.icon";
inline constexpr std::u16string_view kLogoBlockName = u"WebBrowser.logo";

// The program's own icon in the embedded resources, shown by a copy without an icon block.
inline constexpr std::u16string_view kProgramIconResourceName = u"webbrowser.png";

// The largest picture file a copy carries. An icon needs far less; the limit keeps a damaged
// or mistaken block from costing the program memory at every start.
inline constexpr std::size_t kMaxIconBytes = std::size_t{1} << 20;

// The picture of the icon block in the block text file `exePath`: the decoded bytes, or empty
// when the file does not exist or holds no icon block, and when the block is not valid Base64
// or holds more than kMaxIconBytes. Reading failures of the block give empty too; a file that
// exists but cannot be opened raises the file layer's error.
std::string ReadIconBlock(const std::string& exePath);

// The picture of the logo block, read as ReadIconBlock reads the icon's.
std::string ReadLogoBlock(const std::string& exePath);

// The same for a block content already read (ANSI bytes).
std::string IconFromBlockContent(std::string_view content);

}  // namespace wb
