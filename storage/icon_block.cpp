#include "storage/icon_block.h"

#include "storage/base64_block.h"

namespace wb {

std::string IconFromBlockContent(std::string_view content) {
  return Base64BlockFromContent(content, kMaxIconBytes).bytes;
}

std::string ReadIconBlock(const std::string& exePath) {
  return ReadBase64Block(exePath, kIconBlockName, kMaxIconBytes).bytes;
}

std::string ReadLogoBlock(const std::string& exePath) {
  return ReadBase64Block(exePath, kLogoBlockName, kMaxIconBytes).bytes;
}

}  // namespace wb
