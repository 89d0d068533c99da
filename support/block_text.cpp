#include "support/block_text.h"

#include <algorithm>

namespace wb {

bool IsUtf8(std::string_view bytes) {
  // FromUtf8 puts one U+FFFD where a malformed sequence starts, and its UTF-8 differs from those
  // bytes (they would otherwise be that well-formed U+FFFD), so only well-formed bytes survive
  // the round trip unchanged.
  return ToUtf8(FromUtf8(bytes)) == bytes;
}

bool ReadsAsUtf8(std::string_view bytes) {
  const bool high = std::any_of(bytes.begin(), bytes.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  return high && IsUtf8(bytes);
}

Text FromAnsiOrUtf8(std::string_view bytes) {
  return ReadsAsUtf8(bytes) ? FromUtf8(bytes) : FromAnsi(bytes);
}

std::string ToAnsiOrUtf8(TextView text) {
  if (IsAnsiRepresentable(text)) {
    std::string ansi = ToAnsi(text);
    if (!ReadsAsUtf8(ansi)) return ansi;
  }
  return ToUtf8(text);
}

}  // namespace wb
