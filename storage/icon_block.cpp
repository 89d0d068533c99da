#include "storage/icon_block.h"

#include <sys/stat.h>

#include "storage/fsx.h"
#include "support/base64.h"

namespace wb {
namespace {

// Base64 grows the bytes by 4/3, and the line ends add 2 in 78.
constexpr std::int64_t kMaxIconBlockBytes =
    static_cast<std::int64_t>(kMaxIconBytes) / 3 * 4 * 78 / 76 + 1024;

}  // namespace

std::string IconBlockContent(std::string_view bytes) {
  return EncodeBase64(bytes, 76, "\r\n");
}

std::string IconFromBlockContent(std::string_view content) {
  auto bytes = DecodeBase64(content);
  if (!bytes || bytes->size() > kMaxIconBytes) return {};
  return std::move(*bytes);
}

std::string ReadIconBlock(const std::string& exePath) {
  // Opening a missing file for reading would create it; a missing file has no block.
  struct stat info;
  if (::stat(exePath.c_str(), &info) != 0) return {};
  TFSx file(exePath, u"r");
  std::string content;
  try {
    content = file.rBlock(kIconBlockName, kMaxIconBlockBytes);
  } catch (const StreamError&) {
    // A block above the limit, or a read that failed after the file opened: the copy then
    // shows the program's own icon, which is no reason to refuse the start.
    return {};
  }
  return IconFromBlockContent(content);
}

}  // namespace wb
