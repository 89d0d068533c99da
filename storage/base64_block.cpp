#include "storage/base64_block.h"

#include <sys/stat.h>

#include <cstdint>

#include "support/base64.h"
#include "support/text.h"

namespace wb {

std::string Base64BlockContent(std::string_view bytes) {
  return EncodeBase64(bytes, 76, "\r\n");
}

void WriteBase64Block(TFSx& file, std::u16string_view name, std::string_view bytes) {
  file.wBlock(name, FromAnsi(Base64BlockContent(bytes)));
}

std::string LargerThan(std::size_t maxBytes) {
  return "larger than " + std::to_string(maxBytes) + " bytes";
}

Base64Block Base64BlockFromContent(std::string_view content, std::size_t maxBytes) {
  Base64Block block;
  block.present = !content.empty();
  if (!block.present) return block;
  auto bytes = DecodeBase64(content);
  if (!bytes) {
    block.problem = "not Base64";
  } else if (bytes->size() > maxBytes) {
    block.problem = LargerThan(maxBytes);
  } else {
    block.bytes = std::move(*bytes);
  }
  return block;
}

Base64Block ReadBase64Block(const std::string& exePath, std::u16string_view name,
                            std::size_t maxBytes) {
  // Opening a missing file for reading would create it; a missing file has no block.
  struct stat info;
  if (::stat(exePath.c_str(), &info) != 0) return {};
  // Base64 grows the bytes by 4/3, and the line ends add 2 in 78.
  const std::int64_t maxContent = static_cast<std::int64_t>(maxBytes) / 3 * 4 * 78 / 76 + 1024;
  TFSx file(exePath, u"r");
  std::string content;
  try {
    content = file.rBlock(name, maxContent);
  } catch (const StreamError& e) {
    // A block far above the limit, or a read that failed after the file opened: the copy then
    // runs without what the block holds, which is no reason to refuse the start.
    Base64Block block;
    block.present = true;
    block.problem = "cannot be read (" + std::string(e.what()) + ")";
    return block;
  }
  return Base64BlockFromContent(content, maxBytes);
}

}  // namespace wb
