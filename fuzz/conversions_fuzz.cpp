// The lenient conversions against references: TextToInt, TextToBool, TextToColor, and dates.
// Properties: no undefined behaviour for any text (UBSan watches the arithmetic); TextToInt
// agrees with a reference parser written here from its contract (longest valid beginning,
// saturating at the 32-bit limits), and the decimal text of any 32-bit number gives that
// number; TextToBool and TextToColor follow their definitions over TextToInt; dates format
// as the C library's calendar does.
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "support/fields.h"
#include "support/values.h"

namespace {

using wb::Text;
using wb::TextView;

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The longest valid beginning, read in one left-to-right pass: blanks, sign, prefix, digits.
// Digits only count once at least one is present; the value saturates at the limits.
int32_t RefTextToInt(TextView t) {
  size_t i = 0;
  while (i < t.size() && t[i] == u' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  int base = 10;
  if (i < t.size() && (t[i] == u'$' || t[i] == u'x' || t[i] == u'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
    // "0x" is a prefix only when a hexadecimal digit follows; otherwise the "0" is the number.
    if (i + 2 < t.size() && HexDigit(t[i + 2]) >= 0) {
      base = 16;
      i += 2;
    }
  }
  long long magnitude = 0;
  bool any = false;
  for (; i < t.size(); ++i) {
    const int d = base == 16 ? HexDigit(t[i]) : (t[i] >= u'0' && t[i] <= u'9' ? t[i] - u'0' : -1);
    if (d < 0) break;
    any = true;
    magnitude = std::min<long long>(magnitude * base + d, 1LL << 40);
  }
  if (!any) return 0;
  const long long v = negative ? -magnitude : magnitude;
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

bool RefTextToBool(TextView t) {
  if (t.empty() || t == u"0") return false;
  Text lowered(t);
  for (auto& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
  }
  if (wb::IsListMember(lowered, wb::kYesWords, u",")) return true;
  return RefTextToInt(lowered) != 0;
}

int32_t RefTextToColor(TextView t) {
  if (t.size() > 6 && t[0] == u'#') {
    const Text web =
        Text(u"x") + Text(t.substr(5, 2)) + Text(t.substr(3, 2)) + Text(t.substr(1, 2));
    return RefTextToInt(web);
  }
  return RefTextToInt(t);
}

int32_t Int32At(std::string_view b) {
  uint32_t u = 0;
  std::memcpy(&u, b.data(), std::min<size_t>(4, b.size()));
  return static_cast<int32_t>(u);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const Text text = args.Text(0);
  const Text units = wbfuzz::Units(args.All());

  for (const Text& t : {text, units}) {
    WB_FUZZ_CHECK(wb::TextToInt(t) == RefTextToInt(t));
    WB_FUZZ_CHECK(wb::TextToBool(t) == RefTextToBool(t));
    WB_FUZZ_CHECK(wb::TextToColor(t) == RefTextToColor(t));
  }

  // The decimal text of any 32-bit number, with blanks, sign and trailing text around it.
  const int32_t n = Int32At(args.All());
  const Text decimal = wb::Ascii(std::to_string(n));
  WB_FUZZ_CHECK(wb::TextToInt(decimal) == n);
  WB_FUZZ_CHECK(wb::TextToInt(u"  " + decimal + text) == RefTextToInt(u"  " + decimal + text));
  WB_FUZZ_CHECK(wb::TextToInt(decimal + u" px") == n);
  if (n >= 0) WB_FUZZ_CHECK(wb::TextToInt(u"+" + decimal) == n);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(n < 0 ? -(int64_t)n : n));
  const Text hexText = wb::Ascii(hex);
  if (n >= 0) {
    WB_FUZZ_CHECK(wb::TextToInt(u"$" + hexText) == n);
    WB_FUZZ_CHECK(wb::TextToInt(u"0x" + hexText) == n);
  } else {
    WB_FUZZ_CHECK(wb::TextToInt(u"-x" + hexText) == n);
  }

  // Dates: any double is safe; whole seconds in years 1 to 9999 format as gmtime does.
  double d;
  std::memcpy(&d, args.All().data(), std::min<size_t>(sizeof d, args.All().size()));
  if (args.All().size() < sizeof d) d = 0;
  (void)wb::RoundAwayFromZero(d);
  const Text iso = wb::FormatIsoDate(d);
  WB_FUZZ_CHECK(iso.empty() || iso.size() == 10);
  (void)wb::FormatShortDate(d);
  if (std::isfinite(d)) {
    const double tod = wb::TimeOfDay(d);
    WB_FUZZ_CHECK(tod >= 0 && tod < 1);
  }
  if (std::isfinite(d) && std::fabs(d) < 2e9) {
    const int32_t r = wb::RoundAwayFromZero(d);
    WB_FUZZ_CHECK(r == (d >= 0 ? std::ceil(d) : std::floor(d)));
  }
  // About 6600 years either side of 1970, so both ends of the supported years are crossed.
  const int64_t seconds = static_cast<int64_t>(n) * 97;
  time_t tt = static_cast<time_t>(seconds);
  std::tm tm{};
  if (gmtime_r(&tt, &tm)) {
    const Text formatted = wb::FormatIsoDate(wb::DateFromUnixTime(seconds));
    const long year = tm.tm_year + 1900L;
    if (year >= 1 && year <= 9999) {
      char expected[32];
      std::snprintf(expected, sizeof expected, "%04ld-%02d-%02d", year, tm.tm_mon + 1, tm.tm_mday);
      WB_FUZZ_CHECK(wb::ToUtf8(formatted) == expected);
    } else {
      WB_FUZZ_CHECK(formatted.empty());
    }
  }
  return 0;
}
