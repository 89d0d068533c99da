#include "support/file_name.h"

namespace wb {

namespace {

constexpr std::size_t kMaxBytes = 255;

// The length of `s` cut to at most `max` bytes at a character boundary.
std::size_t CutAt(std::string_view s, std::size_t max) {
  if (s.size() <= max) return s.size();
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

std::string SafeFileName(std::string_view suggested) {
  const auto slash = suggested.find_last_of("/\\");
  if (slash != std::string_view::npos) suggested.remove_prefix(slash + 1);
  std::string name;
  for (char c : suggested) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) continue;
    name += c;
  }
  const auto first = name.find_first_not_of(" .");
  if (first == std::string::npos) return "download";
  name.erase(0, first);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.size() > kMaxBytes) {
    const auto dot = name.find_last_of('.');
    const std::string ext =
        dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
    const std::string_view stem = std::string_view(name).substr(0, name.size() - ext.size());
    name = std::string(stem.substr(0, CutAt(stem, kMaxBytes - ext.size()))) + ext;
  }
  return name;
}

}  // namespace wb
