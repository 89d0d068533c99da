#include "support/values.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace wb {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(TextToInt, ReadsTheLongestValidBeginning) {
  const struct {
    Text text;
    std::int32_t value;
  } cases[] = {
      // Whole numbers.
      {u"0", 0},
      {u"42", 42},
      {u"007", 7},
      {u"-12", -12},
      {u"+7", 7},
      {u"   7", 7},
      {u"  -7", -7},
      // Hexadecimal prefixes and digits of either case.
      {u"$1f", 31},
      {u"x1F", 31},
      {u"X1f", 31},
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"-x10", -16},
      {u"+$10", 16},
      {u"$aBcDeF", 0xABCDEF},
      // Partial numbers: what follows the valid beginning is ignored.
      {u"12abc", 12},
      {u"-5 px", -5},
      {u"1,0", 1},
      {u"1.5", 1},
      {u" 7 ", 7},
      {u"12 34", 12},
      {u"0x1G", 1},
      {u"1e5", 1},
      {u"12-3", 12},
      {u"$ff$", 255},
      {u"7\t", 7},
      // No valid beginning.
      {u"", 0},
      {u"abc", 0},
      {u"#FF", 0},
      {u"-", 0},
      {u"+", 0},
      {u"   ", 0},
      {u" -", 0},
      {u"$", 0},
      {u"x", 0},
      {u"0x", 0},
      {u"-x", 0},
      {u"$g1", 0},
      {u"--5", 0},
      {u"+-5", 0},
      {u"- 5", 0},
      {u"\t7", 0},  // only blanks are skipped
      {u"\u00A07", 0},
      {u"\uFF17", 0},  // a full-width digit is no digit
      {u"0x0", 0},
      {u"00", 0},
      // The 32-bit limits, and numbers beyond them.
      {u"2147483647", kMax},
      {u"-2147483648", kMin},
      {u"2147483648", kMax},
      {u"-2147483649", kMin},
      {u"99999999999999999999999999999999", kMax},
      {u"-99999999999999999999999999999999", kMin},
      {u"99999999999999999999999999999999abc", kMax},
      {u"x7FFFFFFF", kMax},
      {u"x80000000", kMax},
      {u"xFFFFFFFF", kMax},
      {u"-x80000000", kMin},
      {u"-xFFFFFFFFFFFFFFFFFFFF", kMin},
      {u"$00000000000000000001", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.value) << ToUtf8(c.text);
}

TEST(TextToInt, StopsAtTheEndOfItsView) {
  const Text text = u"123456";
  EXPECT_EQ(TextToInt(TextView(text).substr(0, 3)), 123);
  EXPECT_EQ(TextToInt(TextView(text).substr(0, 0)), 0);
}

TEST(TextToBool, UnderstandsYesWordsAndNumbers) {
  const struct {
    Text text;
    bool value;
  } cases[] = {
      {u"Yes", true},    {u"JA", true},   {u"j", true},         {u"Oui", true},
      {u"o", true},      {u"y", true},    {u"w", true},         {u"wahr", true},
      {u"X", true},      {u"True", true}, {u"An", true},        {u"On", true},
      {u"1", true},      {u"2", true},    {u"-1", true},        {u"5abc", true},
      {u"x1", true},     {u" 1", true},   {u"y,yes", true},  // a run of list items
      {u"", false},      {u"0", false},   {u"no", false},       {u"nein", false},
      {u"false", false}, {u"off", false}, {u"00", false},       {u"0x0", false},
      {u" yes", false},  {u"ja ", false}, {u"yes,no", false},   {u"abc", false},
      {u",", false},     {u"ye", false},  {u"\u00DDES", false},  // only A-Z are lowered
  };
  for (const auto& c : cases) EXPECT_EQ(TextToBool(c.text), c.value) << ToUtf8(c.text);
}

TEST(TextToColor, ReadsWebNotationAndPlainNumbers) {
  const struct {
    Text text;
    std::int32_t value;
  } cases[] = {
      {u"#FF0000", 255},
      {u"#00FF00", 65280},
      {u"#0000FF", 16711680},
      {u"#ffffff", 16777215},
      {u"#123456", 0x563412},
      {u"#00FF0080", 65280},  // characters after the seventh are ignored
      {u"#12ZZ56", 0x56},     // "x56ZZ12": the valid beginning
      {u"#F00", 0},
      {u"#FFFFF", 0},  // six characters are too short for web notation
      {u"255", 255},
      {u"x00FFFF", 65535},
      {u"$FF0000", 16711680},
      {u"0x0000FF", 255},
      {u"white", 0},
      {u"", 0},
      {u"-1", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToColor(c.text), c.value) << ToUtf8(c.text);
}

TEST(WebColor, WritesWhatTextToColorReadsBack) {
  const struct {
    std::int32_t value;
    const char* web;
  } cases[] = {
      {255, "#FF0000"},      {0x563412, "#123456"}, {16777215, "#FFFFFF"},
      {0x0A0B0C, "#0C0B0A"}, {0, "#000000"},        {-1, "#FFFFFF"},  // the highest byte goes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wb::WebColor(c.value), c.web) << c.value;
    EXPECT_EQ(TextToColor(wb::FromUtf8(c.web)), c.value & 0xFFFFFF) << c.web;
  }
}

TEST(RoundAwayFromZero, RoundsFractionsAwayFromZero) {
  const struct {
    double x;
    std::int32_t value;
  } cases[] = {
      {2.0, 2},
      {2.1, 3},
      {-2.1, -3},
      {-2.0, -2},
      {0.0, 0},
      {-0.0, 0},
      {0.0001, 1},
      {-0.0001, -1},
      {9999.5, 10000},
      {10000.0, 10000},
      {2147483646.5, kMax},
      {3e9, kMax},
      {-3e9, kMin},
      {std::numeric_limits<double>::infinity(), kMax},
      {-std::numeric_limits<double>::infinity(), kMin},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundAwayFromZero(c.x), c.value) << c.x;
}

TEST(DateValue, ConvertsUnixTimeAndFormats) {
  const struct {
    std::int64_t seconds;
    DateValue date;
    const char16_t* iso;
  } cases[] = {
      {0, 25569.0, u"1970-01-01"},
      {86400, 25570.0, u"1970-01-02"},
      {1700000000, 25569.0 + 1700000000.0 / 86400.0, u"2023-11-14"},
      {951782400, 36585.0, u"2000-02-29"},
      {-2209161600, 0.0, u"1899-12-30"},
      {-2209161600 + 6 * 3600, 0.25, u"1899-12-30"},
      {-2209161600 - 86400 + 6 * 3600, -1.25, u"1899-12-29"},
      {253402214400, 2958465.0, u"9999-12-31"},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DateFromUnixTime(c.seconds), c.date) << c.seconds;
    EXPECT_EQ(FormatIsoDate(c.date), c.iso) << c.seconds;
  }
  EXPECT_NEAR(TimeOfDay(DateFromUnixTime(1700000000)), (1700000000 % 86400) / 86400.0, 1e-9);
  EXPECT_DOUBLE_EQ(TimeOfDay(-1.25), 0.25);
}

TEST(DateValue, DatesOutsideTheCalendarFormatAsEmptyText) {
  for (double date : {2958466.0, -693594.0, 1e300, -1e300, std::nan(""),
                      std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(FormatIsoDate(date), u"") << date;
    EXPECT_EQ(FormatShortDate(date), u"") << date;
  }
  EXPECT_EQ(FormatIsoDate(-693593.0), u"0001-01-01");
}

TEST(DateValue, ShortDateFollowsTheCLocale) {
  // The test program runs in the "C" locale, whose short date form is mm/dd/yy.
  ASSERT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
  EXPECT_EQ(FormatShortDate(DateFromUnixTime(1700000000)), u"11/14/23");
  EXPECT_EQ(FormatShortDate(36585.0), u"02/29/00");
}

TEST(DateValue, LocalDateValueFollowsTheTimeZone) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "UTC-2", 1);  // two hours east of UTC
  tzset();
  EXPECT_DOUBLE_EQ(LocalDateValue(1700000000), DateFromUnixTime(1700000000 + 7200));
  EXPECT_DOUBLE_EQ(LocalDateValue(0), 25569.0 + 2.0 / 24.0);
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

TEST(ClassifyNumber, TellsWholeNumbersFromBeginningsAndNothing) {
  const struct {
    const char16_t* text;
    NumberForm form;
  } cases[] = {
      {u"1000", NumberForm::kWhole},    {u" -x1F", NumberForm::kWhole},
      {u"0x10", NumberForm::kWhole},    {u"1000px", NumberForm::kTrailing},
      {u"0abc", NumberForm::kTrailing}, {u"12 34", NumberForm::kTrailing},
      {u"$1fz", NumberForm::kTrailing}, {u"", NumberForm::kNone},
      {u"-", NumberForm::kNone},        {u"   ", NumberForm::kNone},
      {u"0x", NumberForm::kNone},       {u"px", NumberForm::kNone},
      {u"#FF", NumberForm::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyNumber(c.text), c.form) << ToUtf8(c.text);
}

}  // namespace
}  // namespace wb
