#include "support/file_name.h"

#include <string>

#include "support/address_parts.h"

namespace wb {

namespace {

// The length of `s` cut to at most `max` bytes at a character boundary.
std::size_t CutAt(std::string_view s, std::size_t max) {
  if (s.size() <= max) return s.size();
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

bool IsContinuation(unsigned char b, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return b >= low && b <= high;
}

// The length of the well-formed UTF-8 character at the start of `s`, or 0 when there is none
// (a stray continuation byte, a truncated sequence, an overlong form, a surrogate or a value
// past U+10FFFF). The second byte's range is what rules out the overlong forms, the
// surrogates and the values too large.
std::size_t CharacterLength(std::string_view s, char32_t& c) {
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(0);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length || !IsContinuation(byte(1), low, high)) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(byte(i))) return 0;
  c = b0 & (0xFF >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (byte(i) & 0x3F);
  return length;
}

// Characters that have no place in a file name a person reads: they are invisible, or they
// reorder what is shown around them.
bool IsDropped(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string SafeFileName(std::string_view suggested) {
  const auto slash = suggested.find_last_of("/\\");
  if (slash != std::string_view::npos) suggested.remove_prefix(slash + 1);
  std::string name;
  while (!suggested.empty()) {
    char32_t c = 0;
    const std::size_t length = CharacterLength(suggested, c);
    if (length == 0) {
      name += '_';
      suggested.remove_prefix(1);
      continue;
    }
    if (!IsDropped(c)) name.append(suggested.substr(0, length));
    suggested.remove_prefix(length);
  }
  const auto first = name.find_first_not_of(" .");
  if (first == std::string::npos) return "download";
  name.erase(0, first);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.size() > kMaxSafeFileNameBytes) {
    const auto dot = name.find_last_of('.');
    const std::string ext =
        dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
    const std::string_view stem = std::string_view(name).substr(0, name.size() - ext.size());
    name = std::string(stem.substr(0, CutAt(stem, kMaxSafeFileNameBytes - ext.size()))) + ext;
  }
  return name;
}

std::string PageFileName(std::string_view address, std::string_view extension) {
  const AddressParts parts = ParseAddress(address);
  std::string name;
  // Only a path of folders and files names the page: "about:blank" or a data: address hold
  // something else after the scheme.
  if (parts.valid && (parts.hasAuthority || parts.scheme == "file")) {
    const std::string_view path = parts.path;
    const std::size_t slash = path.find_last_of('/');
    name = PercentDecoded(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (char& c : name)
      if (c == '/' || c == '\\') c = '_';
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
      name.resize(dot);
    if (name.find_first_not_of('.') == std::string::npos) name = parts.host;  // "", ".", ".."
  }
  if (name.empty()) name = "page";
  return SafeFileName(name + std::string(extension));
}

}  // namespace wb
