#include "storage/value_list.h"

#include <gtest/gtest.h>

namespace wb {
namespace {

TEST(TextToValues, MergesLinesIntoTheList) {
  struct Case {
    const char* what;
    ValueList before;
    std::u16string text;
    ValueList after;
  };
  const Case cases[] = {
      {"empty text leaves the list alone", {u"a=1", u"junk"}, u"", {u"a=1", u"junk"}},
      {"names differing in case: one entry, new spelling, first place",
       {u"x=0"},
       u"Key=1\r\nKEY=2",
       {u"x=0", u"KEY=2"}},
      {"replacement keeps the entry's place",
       {u"a=1", u"b=2", u"c=3"},
       u"B=9",
       {u"a=1", u"B=9", u"c=3"}},
      {"name trimmed, value kept with its blanks", {}, u"  name\t =  v  ", {u"name=  v  "}},
      {"a second = belongs to the value", {}, u"go=page?a=b", {u"go=page?a=b"}},
      {"empty value removes an earlier entry", {u"vis=-", u"go=x"}, u"VIS=", {u"go=x"}},
      {"empty value removes an entry of the same text", {}, u"a=1\nb=2\na=", {u"b=2"}},
      {"empty value for a missing name adds nothing", {u"a=1"}, u"b=", {u"a=1"}},
      {"a line starting with = and one without = are skipped",
       {},
       u"=x\r\nplain\r\n  =y\r\na=1",
       {u"a=1"}},
      {"mixed line ends", {}, u"a=1\r\nb=2\rc=3\nd=4\r\n", {u"a=1", u"b=2", u"c=3", u"d=4"}},
      {"CR followed by CR LF is two line breaks", {}, u"a=1\r\r\nb=2", {u"a=1", u"b=2"}},
      {"NUL ends the text", {}, std::u16string(u"a=1\r\nb=2\0c=3", 13), {u"a=1", u"b=2"}},
      {"letters of other alphabets match their other case",
       {u"\u00C4rger=1", u"\u0416=1"},
       u"\u00E4RGER=2\n\u0436=2",
       {u"\u00E4RGER=2", u"\u0436=2"}},
  };
  for (const auto& c : cases) {
    ValueList list = c.before;
    TextToValues(c.text, list);
    EXPECT_EQ(list, c.after) << c.what;
  }
}

TEST(TextToValues, ExtraSeparatorReadsAsALineBreak) {
  ValueList list;
  TextToValues(u"a=1|b=2||c=3", list, u"|");
  EXPECT_EQ(list, (ValueList{u"a=1", u"b=2", u"c=3"}));
  ValueList multi;
  TextToValues(u"a=1<br>b=x<b>", multi, u"<br>");
  EXPECT_EQ(multi, (ValueList{u"a=1", u"b=x<b>"}));
}

TEST(SplitLines, LineEnds) {
  struct Case {
    std::u16string text;
    std::vector<Text> lines;
  };
  const Case cases[] = {
      {u"", {}},
      {u"\r\n", {u""}},
      {u"a", {u"a"}},
      {u"a\r\n", {u"a"}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"\na", {u"", u"a"}},
      {u"a\n\r", {u"a", u""}},
      {std::u16string(u"\0a", 2), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines);
}

TEST(ValueLookup, FirstEntryWithThatNameWithoutRegardToCase) {
  const ValueList list = {u"plain", u"=empty", u"Title=One", u"title=Two", u"x=a=b"};
  EXPECT_EQ(ValueOf(list, u"TITLE"), u"One");
  EXPECT_EQ(ValueOf(list, u"x"), u"a=b");
  EXPECT_EQ(ValueOf(list, u"missing"), u"");
  // An entry without "=" has no name; the empty name finds the entry that starts with "=".
  EXPECT_EQ(IndexOfName(list, u""), 1u);
  EXPECT_EQ(IndexOfName(list, u"plain"), kNoEntry);
  EXPECT_FALSE(SameName(u"abc", u"abcd"));
  EXPECT_TRUE(SameName(u"\u0160\u0178\u0152", u"\u0161\u00FF\u0153"));
  EXPECT_FALSE(SameName(u"\u00D7", u"\u00F7"));  // multiplication and division signs
  // Beyond the code page: the same lower-casing as the settings files.
  EXPECT_TRUE(SameName(u"\u0531x", u"\u0561X"));        // Armenian
  EXPECT_TRUE(SameName(u"\U00010400", u"\U00010428"));  // a pair of surrogates
  EXPECT_FALSE(SameName(u"\U00010400", u"\U00010401"));
}

}  // namespace
}  // namespace wb
