#include "support/base64.h"

#include <array>
#include <cstdint>

#include "support/ascii.h"

namespace wb {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kNotInAlphabet = -1;

constexpr std::array<int, 256> MakeValues() {
  std::array<int, 256> values{};
  for (auto& v : values) v = kNotInAlphabet;
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
  }
  return values;
}

constexpr std::array<int, 256> kValues = MakeValues();

}  // namespace

std::string EncodeBase64(std::string_view bytes, std::size_t lineLength, std::string_view lineEnd) {
  std::string plain;
  plain.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group <<= 8;
      if (k < n) group |= static_cast<unsigned char>(bytes[i + k]);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      plain += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  if (lineLength == 0 || plain.size() <= lineLength) return plain;
  std::string lines;
  lines.reserve(plain.size() + plain.size() / lineLength * lineEnd.size());
  for (std::size_t i = 0; i < plain.size(); i += lineLength) {
    if (i > 0) lines += lineEnd;
    lines += plain.substr(i, lineLength);
  }
  return lines;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  std::uint32_t group = 0;
  int filled = 0;   // characters of the current group
  int padding = 0;  // "=" seen; only more "=" and blanks may follow
  for (char c : text) {
    if (IsBlankOrLineEnd(c)) continue;
    if (c == '=') {
      // Padding stands only for the third and fourth character of a group.
      if (filled + padding < 2) return std::nullopt;
      ++padding;
      if (filled + padding > 4) return std::nullopt;
      continue;
    }
    const int value = kValues[static_cast<unsigned char>(c)];
    if (value == kNotInAlphabet || padding > 0) return std::nullopt;
    group = (group << 6) | static_cast<std::uint32_t>(value);
    if (++filled == 4) {
      bytes += static_cast<char>((group >> 16) & 0xFF);
      bytes += static_cast<char>((group >> 8) & 0xFF);
      bytes += static_cast<char>(group & 0xFF);
      group = 0;
      filled = 0;
    }
  }
  if (filled == 0) return padding == 0 ? std::optional<std::string>(bytes) : std::nullopt;
  // A short last group must be padded to four, and its unused low bits must be 0, so that
  // each text has exactly one meaning.
  if (filled + padding != 4) return std::nullopt;
  if (filled == 2) {
    if (group & 0x0F) return std::nullopt;
    bytes += static_cast<char>((group >> 4) & 0xFF);
  } else {
    if (group & 0x03) return std::nullopt;
    bytes += static_cast<char>((group >> 10) & 0xFF);
    bytes += static_cast<char>((group >> 2) & 0xFF);
  }
  return bytes;
}

}  // namespace wb
