// Text conversions at the edges of the program: UTF-8 and Windows-1252 in both directions.
// Properties: UTF-8 output is always well formed and reads back as the same text; any bytes
// survive a trip through the code page unchanged; a character the code page lacks becomes
// "?" and nothing else changes.
#include "fuzz/fuzz_check.h"
#include "support/text.h"

namespace {

// A plain reading of the UTF-8 rules: shortest forms only, no surrogates, at most U+10FFFF.
bool IsWellFormedUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t len;
    char32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += len;
  }
  return true;
}

bool IsSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// The text with every lone surrogate replaced by U+FFFD, as a UTF-8 round trip leaves it.
wb::Text WithoutLoneSurrogates(const wb::Text& t) {
  wb::Text out = t;
  for (size_t i = 0; i < out.size(); ++i) {
    const bool high = out[i] >= 0xD800 && out[i] <= 0xDBFF;
    if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
      ++i;
    } else if (IsSurrogate(out[i])) {
      out[i] = 0xFFFD;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // UTF-8 in: never rejected, always written back well formed; well-formed input is kept.
  const wb::Text fromUtf8 = wb::FromUtf8(bytes);
  WB_FUZZ_CHECK(fromUtf8.size() <= bytes.size());
  const std::string utf8 = wb::ToUtf8(fromUtf8);
  WB_FUZZ_CHECK(IsWellFormedUtf8(utf8));
  WB_FUZZ_CHECK(wb::FromUtf8(utf8) == fromUtf8);
  if (IsWellFormedUtf8(bytes)) WB_FUZZ_CHECK(utf8 == bytes);

  // Code page in: one character per byte, and back to the very same bytes.
  const wb::Text fromAnsi = wb::FromAnsi(bytes);
  WB_FUZZ_CHECK(fromAnsi.size() == bytes.size());
  WB_FUZZ_CHECK(wb::IsAnsiRepresentable(fromAnsi));
  WB_FUZZ_CHECK(wb::ToAnsi(fromAnsi) == bytes);

  // Any code units out: one byte per character (a surrogate pair is one character);
  // representable characters come back, the others are "?"; UTF-8 keeps everything but lone
  // surrogates.
  const wb::Text units = wbfuzz::Units(bytes);
  const std::string ansi = wb::ToAnsi(units);
  const wb::Text back = wb::FromAnsi(ansi);
  size_t at = 0;
  for (size_t i = 0; i < units.size(); ++i, ++at) {
    WB_FUZZ_CHECK(at < ansi.size());
    if (wb::IsAnsiRepresentable(wb::TextView(&units[i], 1))) {
      WB_FUZZ_CHECK(back[at] == units[i]);
    } else {
      WB_FUZZ_CHECK(ansi[at] == '?');
    }
    if (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() &&
        units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;
    }
  }
  WB_FUZZ_CHECK(at == ansi.size());
  const std::string unitsUtf8 = wb::ToUtf8(units);
  WB_FUZZ_CHECK(IsWellFormedUtf8(unitsUtf8));
  WB_FUZZ_CHECK(wb::FromUtf8(unitsUtf8) == WithoutLoneSurrogates(units));
  return 0;
}
