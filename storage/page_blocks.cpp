#include "storage/page_blocks.h"

#include <sys/stat.h>

#include <cstdint>

#include "storage/fsx.h"
#include "support/base64.h"
#include "support/text.h"

namespace wb {
namespace {

// Base64 grows the bytes by 4/3, and the line ends add 2 in 78.
constexpr std::int64_t kMaxPageBlockContent =
    static_cast<std::int64_t>(kMaxPageBlockBytes) / 3 * 4 * 78 / 76 + 1024;

}  // namespace

std::string PageBlockProblem(std::string_view text) {
  if (text.size() > kMaxPageBlockBytes)
    return "larger than " + std::to_string(kMaxPageBlockBytes) + " bytes";
  if (ToUtf8(FromUtf8(text)) != text) return "not valid UTF-8";
  if (text.find('\0') != std::string_view::npos) return "holds a NUL character";
  return {};
}

std::string PageBlockContent(std::string_view text) {
  return EncodeBase64(text, 76, "\r\n");
}

std::string PageTextFromBlockContent(std::string_view content) {
  auto text = DecodeBase64(content);
  if (!text || !PageBlockProblem(*text).empty()) return {};
  return std::move(*text);
}

PageBlock ReadPageBlockChecked(const std::string& exePath, std::u16string_view name) {
  PageBlock block;
  // Opening a missing file for reading would create it; a missing file has no block.
  struct stat info;
  if (::stat(exePath.c_str(), &info) != 0) return block;
  TFSx file(exePath, u"r");
  std::string content;
  try {
    content = file.rBlock(name, kMaxPageBlockContent);
  } catch (const StreamError& e) {
    // A block above the limit, or a read that failed after the file opened: the copy then
    // runs without its addition, which is no reason to refuse the start.
    block.present = true;
    block.problem = "cannot be read (" + std::string(e.what()) + ")";
    return block;
  }
  if (content.empty()) return block;
  block.present = true;
  auto text = DecodeBase64(content);
  if (!text) {
    block.problem = "not Base64";
    return block;
  }
  block.problem = PageBlockProblem(*text);
  if (block.problem.empty()) block.text = std::move(*text);
  return block;
}

std::string ReadPageBlock(const std::string& exePath, std::u16string_view name) {
  return ReadPageBlockChecked(exePath, name).text;
}

}  // namespace wb
