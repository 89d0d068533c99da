#include "storage/text_lines.h"

#include "support/lower_case.h"

namespace wb {

std::vector<std::string> SplitLinesKeepingEnds(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t i = bytes.find_first_of("\r\n", start);
    if (i == std::string_view::npos) break;
    size_t end = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? i + 2 : i + 1;
    lines.emplace_back(bytes.substr(start, end - start));
    start = end;
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::string_view LineBody(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view LineEnd(std::string_view line) {
  return line.substr(LineBody(line).size());
}

bool HasUtf8Bom(std::string_view bytes) {
  return bytes.starts_with(kUtf8Bom);
}

namespace {

std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
  Text text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto lo = static_cast<unsigned char>(bytes[littleEndian ? i : i + 1]);
    auto hi = static_cast<unsigned char>(bytes[littleEndian ? i + 1 : i]);
    text.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return ToUtf8(text);
}

}  // namespace

std::string NormaliseToUtf8(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    std::string utf8 = Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFF');
    // The file is written back as UTF-8 without a byte-order mark, where a second mark at the
    // start of its text would read as the mark and change what the first line is; it goes now.
    if (utf8.starts_with(kUtf8Bom)) utf8.erase(0, kUtf8Bom.size());
    return utf8;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes);
}

bool EqualIgnoringCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i], y = b[i];
    if (x == y) continue;
    if (x < 0x80 && y < 0x80) {
      if (AsciiLower(x) != AsciiLower(y)) return false;
      continue;
    }
    // Names are compared character by character; the lower-case mapping keeps every
    // character in its plane, so a surrogate pair can only match a pair. Two pairs may share
    // their first unit, so the rest is lowered from the start of the pair.
    if (i > 0 && a[i - 1] >= 0xD800 && a[i - 1] <= 0xDBFF) --i;
    return LowerCase(a.substr(i)) == LowerCase(b.substr(i));
  }
  return true;
}

bool EqualIgnoringCaseUtf8(std::string_view a, std::string_view b) {
  bool ascii = true;
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
      auto x = static_cast<unsigned char>(a[i]);
      auto y = static_cast<unsigned char>(b[i]);
      if (x >= 0x80 || y >= 0x80) {
        ascii = false;
        if (x == y) continue;
        break;
      }
      if (x == y) continue;
      // Equal bytes so far keep the characters aligned, and two different ASCII letters stay
      // different in any case.
      if (AsciiLower(static_cast<char>(x)) != AsciiLower(static_cast<char>(y))) return false;
    }
    if (i == a.size()) return true;
  } else {
    auto isAscii = [](std::string_view s) {
      for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
      }
      return true;
    };
    ascii = isAscii(a) && isAscii(b);
  }
  // Some characters outside ASCII lower-case to ASCII letters (the Kelvin sign to "k").
  return !ascii && EqualIgnoringCase(FromUtf8(a), FromUtf8(b));
}

}  // namespace wb
