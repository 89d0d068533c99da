#pragma once
// Lenient conversions of configuration and settings text into numbers, switches and colours,
// and the date value with its formatting. The conversions never fail: text that is partly
// wrong yields what its valid beginning spells, text that is wholly wrong yields 0 or false.
#include <cstdint>
#include <ctime>
#include <string>

#include "support/text.h"

namespace wb {

// The integer that the longest valid beginning of `text` spells, 0 when there is none.
// A valid number is, from the very first character: any number of blanks (character 32 only,
// not tabs), an optional "+" or "-", then either hexadecimal digits (0-9, a-f, A-F) after a
// prefix "$", "x", "X", "0x" or "0X", or decimal digits 0-9. Examples: "12abc" 12, "-5 px" -5,
// " 7 " 7, "1.5" 1, "0x1F" 31, "-x10" -16; "abc", "#FF", "" and "  " give 0.
// A number whose magnitude lies beyond the signed 32-bit range reads as the nearest limit,
// INT32_MAX or INT32_MIN; all its digits still belong to the valid beginning. Hexadecimal is a
// magnitude like decimal, not a bit pattern: "xFFFFFFFF" gives INT32_MAX, "-x80000000"
// INT32_MIN.
std::int32_t TextToInt(TextView text);

// How a text reads by the number syntax of TextToInt: all of it is one number, only a
// beginning of it is (TextToInt ignores the rest), or no beginning is.
enum class NumberForm { kWhole, kTrailing, kNone };
NumberForm ClassifyNumber(TextView text);

// The yes-words TextToBool accepts, items divided by ",".
inline constexpr char16_t kYesWords[] = u"j,ja,o,oui,y,yes,w,wahr,x,true,an,on";

// A switch. False for an empty text and for "0". Otherwise the text with A-Z lowered (no other
// character changes) is true when it is a member of kYesWords (IsListMember with ",", so blanks
// count: " yes" is false) or when TextToInt of it is not 0 ("2", "-1", "5abc" are true; "no",
// "off", "00", "0x0" are false).
bool TextToBool(TextView text);

// A colour value: red in the lowest byte, then green, then blue. Web notation "#RRGGBB" is
// rewritten as the hexadecimal number "xBBGGRR" (characters after the seventh are ignored);
// any other text, also "#" texts of 6 characters or fewer, is TextToInt of the text and taken
// as the colour value itself. "#FF0000" gives 255, "#0000FF" 16711680, "#F00" 0.
std::int32_t TextToColor(TextView text);

// A colour value (red in the lowest byte) in web notation, "#RRGGBB", as style sheets and
// `wbctl show` write it; the highest byte is ignored.
std::string WebColor(std::int32_t color);

// x rounded to the next whole number away from zero when it has a fractional part: 2.0 gives
// 2, 2.1 gives 3, -2.1 gives -3. NaN gives 0; values beyond the 32-bit range give the nearest
// limit.
std::int32_t RoundAwayFromZero(double x);

// A date value: days since 1899-12-30 00:00, the time of day as the fraction. For dates before
// that day the whole part counts back and the fraction still counts forward from midnight, so
// -1.25 is 1899-12-29 06:00.
using DateValue = double;

// The day number of 1970-01-01.
inline constexpr DateValue kUnixEpochDate = 25569.0;

// Seconds since 1970-01-01 00:00 UTC as a date value in UTC.
DateValue DateFromUnixTime(std::int64_t seconds);

// The local clock time (date and time of day in the current time zone) of `t`.
DateValue LocalDateValue(std::time_t t);

// The time of day of a date value as a fraction of a day: 0 at midnight, under 1.
double TimeOfDay(DateValue date);

// The calendar date of a date value as "yyyy-mm-dd", independent of the locale. Dates outside
// the years 1 to 9999, NaN and infinities give an empty text.
Text FormatIsoDate(DateValue date);

// The calendar date of a date value in the short date form of the current C locale (strftime
// "%x"): "11/14/23" in the "C" locale, "14.11.2023" in a German one. Dates outside the years 1
// to 9999 give an empty text.
Text FormatShortDate(DateValue date);

}  // namespace wb
