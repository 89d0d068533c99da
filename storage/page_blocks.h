#pragma once
// The style and the script a branded copy carries for its own pages: blocks after the
// configuration block, named "WebBrowser.css" and "WebBrowser.js", each holding the UTF-8 text
// as a Base64 block (storage/base64_block.h, written with Base64BlockContent once the text has
// no PageBlockProblem).
#include <cstddef>
#include <string>
#include <string_view>

namespace wb {

inline constexpr std::u16string_view kStyleBlockName = u"WebBrowser.css";
inline constexpr std::u16string_view kScriptBlockName = u"WebBrowser.js";

// The largest style or script a copy carries. A page's own additions need far less; the limit
// keeps a mistaken block from costing memory at every start and in every page.
inline constexpr std::size_t kMaxPageBlockBytes = std::size_t{1} << 20;

// What is wrong with `text` as a style or script of a copy: empty when it can be carried, else
// the reason ("larger than 1048576 bytes", "not valid UTF-8", "holds a NUL character").
std::string PageBlockProblem(std::string_view text);

// The text of a block content already read: empty when it is not valid Base64 or its text has
// a PageBlockProblem.
std::string PageTextFromBlockContent(std::string_view content);

// The block `name` of the block text file `exePath` as found: whether there is one, its text
// when it can be used, else what is wrong with it ("not Base64", "larger than ... bytes", ...).
struct PageBlock {
  bool present = false;
  std::string text;
  std::string problem;
};
PageBlock ReadPageBlockChecked(const std::string& exePath, std::u16string_view name);

// The text of the block `name` (kStyleBlockName or kScriptBlockName) of the block text file
// `exePath`: empty when the file does not exist or holds no such block, and when the block is
// damaged or too large. A file that exists but cannot be opened raises the file layer's error.
std::string ReadPageBlock(const std::string& exePath, std::u16string_view name);

}  // namespace wb
