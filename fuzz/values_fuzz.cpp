// Field operations and lenient conversions against arbitrary text. Properties: TextToInt
// agrees with a plain reference reading of "the longest valid beginning"; TakeField and
// GetField divide a text so that the pieces rebuild it; FindLastText finds an occurrence and
// none after it; replacement changes the length by exactly the replaced occurrences; date
// formatting gives a well-formed date or nothing; rounding moves less than one step.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "support/fields.h"
#include "support/lower_case.h"
#include "support/values.h"

namespace {

// The value of a text that is wholly one number, written independently of the product's
// parser: digits are collected first and converted at the end.
std::optional<std::int64_t> WholeNumber(const wb::Text& t) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == u' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  int base = 10;
  if (i < t.size() && (t[i] == u'$' || t[i] == u'x' || t[i] == u'X')) {
    base = 16, ++i;
  } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
    base = 16, i += 2;
  }
  std::string digits;
  for (; i < t.size(); ++i) {
    const char16_t c = t[i];
    const bool ok = (c >= u'0' && c <= u'9') ||
                    (base == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
    if (!ok) return std::nullopt;
    digits.push_back(static_cast<char>(c));
  }
  if (digits.empty()) return std::nullopt;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  std::int64_t magnitude = std::numeric_limits<std::int64_t>::max();
  if (digits.size() <= 12) magnitude = std::stoll(digits, nullptr, base);
  const std::int64_t value = negative ? -magnitude : magnitude;
  return std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max());
}

std::int64_t ReferenceTextToInt(const wb::Text& t) {
  for (std::size_t n = t.size(); n > 0; --n) {
    if (const auto v = WholeNumber(t.substr(0, n))) return *v;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const wb::Text a = args.Text(0);
  const wb::Text b = args.Text(1);
  const wb::Text c = args.Text(2);

  if (a.size() <= 256) WB_FUZZ_CHECK(wb::TextToInt(a) == ReferenceTextToInt(a));
  const wb::Text units = wbfuzz::Units(args.All());
  if (units.size() <= 256) WB_FUZZ_CHECK(wb::TextToInt(units) == ReferenceTextToInt(units));
  (void)wb::TextToBool(a);
  (void)wb::TextToColor(a);

  // Fields: every step takes a field without the separator, and field + separator + rest is
  // what the source was.
  const wb::Text sep = b.empty() ? wb::DetectSeparator(a) : b;
  wb::Text source = a;
  std::vector<wb::Text> fields;
  while (!source.empty()) {
    const wb::Text before = source;
    const wb::Text field = wb::TakeField(source, sep);
    WB_FUZZ_CHECK(field.find(sep) == wb::Text::npos);
    if (before.find(sep) != wb::Text::npos) {
      WB_FUZZ_CHECK(field + sep + source == before);
    } else {
      WB_FUZZ_CHECK(field == before && source.empty());
    }
    fields.push_back(field);
  }
  for (std::size_t n = 1; n <= fields.size() + 1 && n <= 64; ++n) {
    const wb::Text expected = n <= fields.size() ? fields[n - 1] : wb::Text();
    WB_FUZZ_CHECK(wb::GetField(a, b, static_cast<int>(n)) == expected);
  }

  // Last occurrence, without regard to case.
  const wb::Text lowerA = wb::LowerCase(a);
  const wb::Text lowerB = wb::LowerCase(b);
  WB_FUZZ_CHECK(lowerA.size() == a.size() && lowerB.size() == b.size());
  const int p = wb::FindLastText(b, a);
  if (p > 0) {
    WB_FUZZ_CHECK(lowerA.compare(static_cast<std::size_t>(p - 1), lowerB.size(), lowerB) == 0);
    WB_FUZZ_CHECK(lowerA.find(lowerB, static_cast<std::size_t>(p)) == wb::Text::npos);
  } else {
    WB_FUZZ_CHECK(b.empty() || lowerA.find(lowerB) == wb::Text::npos);
  }

  // Replacement: the length changes by the non-overlapping occurrences, and the in-place form
  // agrees.
  const wb::Text replaced = wb::ReplaceAll(a, b, c);
  if (b.empty()) {
    WB_FUZZ_CHECK(replaced == a);
  } else {
    std::size_t count = 0;
    for (auto at = a.find(b); at != wb::Text::npos; at = a.find(b, at + b.size())) ++count;
    WB_FUZZ_CHECK(replaced.size() + count * b.size() == a.size() + count * c.size());
    WB_FUZZ_CHECK(wb::ReplaceAll(a, b, b) == a);
  }
  wb::Text inPlace = a;
  wb::ReplaceAllInPlace(inPlace, b, c);
  WB_FUZZ_CHECK(inPlace == replaced);

  // Dates and rounding from any eight bytes.
  double d = 0;
  const auto raw = args.Bytes(3);
  if (!raw.empty()) std::memcpy(&d, raw.data(), std::min(raw.size(), sizeof d));
  const wb::Text iso = wb::FormatIsoDate(d);
  if (!iso.empty()) {
    WB_FUZZ_CHECK(iso.size() == 10 && iso[4] == u'-' && iso[7] == u'-');
    const int month = (iso[5] - u'0') * 10 + (iso[6] - u'0');
    const int day = (iso[8] - u'0') * 10 + (iso[9] - u'0');
    WB_FUZZ_CHECK(month >= 1 && month <= 12 && day >= 1 && day <= 31);
  }
  (void)wb::FormatShortDate(d);
  const std::int32_t r = wb::RoundAwayFromZero(d);
  if (std::isfinite(d) && std::fabs(d) < 2147483646.0) {
    // Whole numbers and their distance 1 are exact, so these comparisons need no tolerance.
    const double away = std::fabs(static_cast<double>(r));
    WB_FUZZ_CHECK(away >= std::fabs(d) && away - 1.0 < std::fabs(d));
    WB_FUZZ_CHECK(r == 0 || (r > 0) == (d > 0));
  }
  return 0;
}
