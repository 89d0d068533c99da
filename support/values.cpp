#include "support/values.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <iterator>
#include <limits>

#include "support/ascii.h"
#include "support/fields.h"
#include "support/lower_case.h"

namespace wb {
namespace {

// The outcome of one parse of the number syntax: either the value, or the position (from 1)
// of the first character that does not fit. A text that ends before any digit stops at the
// position after its end.
struct NumberParse {
  bool complete = false;
  std::int32_t value = 0;
  std::size_t stop = 1;
};

int DigitValue(char16_t c, bool hex) {
  const int value = AsciiHexValue(c);
  return hex || value < 10 ? value : -1;
}

NumberParse ParseNumber(TextView s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  // The magnitude saturates just above 2^31, which is all the clamping below needs, so it can
  // never overflow however many digits follow.
  constexpr std::uint64_t kSaturated = std::uint64_t{1} << 32;
  const std::uint64_t base = hex ? 16 : 10;
  std::uint64_t magnitude = 0;
  const std::size_t firstDigit = i;
  for (int d; i < s.size() && (d = DigitValue(s[i], hex)) >= 0; ++i) {
    magnitude = std::min(magnitude * base + static_cast<std::uint64_t>(d), kSaturated);
  }
  NumberParse result;
  result.stop = i + 1;
  if (i == firstDigit || i < s.size()) return result;
  result.complete = true;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  if (!negative) {
    result.value = static_cast<std::int32_t>(std::min(magnitude, kMax));
  } else if (magnitude > kMax) {
    result.value = std::numeric_limits<std::int32_t>::min();
  } else {
    result.value = -static_cast<std::int32_t>(magnitude);
  }
  return result;
}

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;    // 1-12
  unsigned day;      // 1-31
  unsigned weekday;  // 0 = Sunday
  unsigned yearDay;  // 0-365
};

CivilDate CivilFromDays(std::int64_t z) {
  const std::int64_t unixDay = z;
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  CivilDate c{};
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2);
  // 1970-01-01 was a Thursday.
  c.weekday = static_cast<unsigned>(((unixDay % 7) + 11) % 7);
  c.yearDay = static_cast<unsigned>(unixDay - DaysFromCivil(c.year, 1, 1));
  return c;
}

// The date value of a day number (days since 1899-12-30) and the seconds since its midnight.
DateValue ComposeDate(std::int64_t dayNumber, std::int64_t secondOfDay) {
  const double fraction = static_cast<double>(secondOfDay) / 86400.0;
  const auto day = static_cast<double>(dayNumber);
  return dayNumber >= 0 ? day + fraction : day - fraction;
}

// The calendar date of a date value, when it lies in the years 1 to 9999.
bool DecodeDate(DateValue date, CivilDate& out) {
  // About 3.65 million days cover the years 1 to 9999 from the 1899 origin, so this keeps the
  // conversion to an integer defined.
  if (!std::isfinite(date) || std::fabs(date) > 4.0e6) return false;
  const auto dayNumber = static_cast<std::int64_t>(std::trunc(date));
  out = CivilFromDays(dayNumber - static_cast<std::int64_t>(kUnixEpochDate));
  return out.year >= 1 && out.year <= 9999;
}

}  // namespace

NumberForm ClassifyNumber(TextView text) {
  const NumberParse first = ParseNumber(text);
  if (first.complete) return NumberForm::kWhole;
  if (first.stop <= 1) return NumberForm::kNone;
  return ParseNumber(text.substr(0, first.stop - 1)).complete ? NumberForm::kTrailing
                                                              : NumberForm::kNone;
}

std::int32_t TextToInt(TextView text) {
  const NumberParse whole = ParseNumber(text);
  if (whole.complete) return whole.value;
  if (whole.stop <= 1) return 0;
  const NumberParse beginning = ParseNumber(text.substr(0, whole.stop - 1));
  return beginning.complete ? beginning.value : 0;
}

bool TextToBool(TextView text) {
  if (text.empty() || text == u"0") return false;
  const Text lowered = AsciiLowerCase(text);
  if (IsListMember(lowered, kYesWords, u",")) return true;
  return TextToInt(lowered) != 0;
}

std::string WebColor(std::int32_t color) {
  const auto value = static_cast<std::uint32_t>(color);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "#";
  for (const std::uint32_t byte : {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF}) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::int32_t TextToColor(TextView text) {
  if (text.size() > 6 && text[0] == u'#') {
    Text rewritten = u"x";
    rewritten.append(text.substr(5, 2)).append(text.substr(3, 2)).append(text.substr(1, 2));
    return TextToInt(rewritten);
  }
  return TextToInt(text);
}

std::int32_t RoundAwayFromZero(double x) {
  if (std::isnan(x)) return 0;
  double t = std::trunc(x);
  if (t != x) t += x > 0 ? 1.0 : -1.0;
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  if (t <= kMin) return std::numeric_limits<std::int32_t>::min();
  if (t >= kMax) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(t);
}

DateValue DateFromUnixTime(std::int64_t seconds) {
  // Floor division keeps the time of day counting forward from midnight before 1970 as well.
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  return ComposeDate(days + static_cast<std::int64_t>(kUnixEpochDate), rest);
}

DateValue LocalDateValue(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0.0;
  const std::int64_t days =
      DaysFromCivil(std::int64_t{local.tm_year} + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday));
  // A leap second (tm_sec 60) is folded into the last second of the day.
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return ComposeDate(days + static_cast<std::int64_t>(kUnixEpochDate),
                     std::int64_t{local.tm_hour} * 3600 + local.tm_min * 60 + second);
}

double TimeOfDay(DateValue date) {
  if (!std::isfinite(date)) return 0.0;
  return std::fabs(date - std::trunc(date));
}

Text FormatIsoDate(DateValue date) {
  CivilDate c;
  if (!DecodeDate(date, c)) return Text();
  char16_t out[10];
  auto put = [&out](int at, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) {
      out[at + i] = static_cast<char16_t>(u'0' + value % 10);
    }
  };
  put(0, static_cast<unsigned>(c.year), 4);
  out[4] = u'-';
  put(5, c.month, 2);
  out[7] = u'-';
  put(8, c.day, 2);
  return Text(out, 10);
}

Text FormatShortDate(DateValue date) {
  CivilDate c;
  if (!DecodeDate(date, c)) return Text();
  std::tm tm{};
  tm.tm_year = static_cast<int>(c.year - 1900);
  tm.tm_mon = static_cast<int>(c.month) - 1;
  tm.tm_mday = static_cast<int>(c.day);
  tm.tm_wday = static_cast<int>(c.weekday);
  tm.tm_yday = static_cast<int>(c.yearDay);
  tm.tm_isdst = -1;
  // The wide form gives the locale's characters whatever its byte encoding is.
  wchar_t buffer[128];
  const std::size_t n = std::wcsftime(buffer, std::size(buffer), L"%x", &tm);
  Text out;
  for (std::size_t i = 0; i < n; ++i) {
    const auto cp = static_cast<char32_t>(buffer[i]);
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(u'\uFFFD');
    }
  }
  return out;
}

}  // namespace wb
