#include "support/fields.h"

#include <gtest/gtest.h>

#include "support/lower_case.h"

namespace wb {
namespace {

TEST(DetectSeparator, LaterDefaultSeparatorsWin) {
  const struct {
    Text text;
    Text separator;
  } cases[] = {
      {u"", u"\t"},          {u"abd", u"\t"},  {u"a,b", u","},   {u"a<br>b,c", u"<br>"},
      {u"a<br", u"\t"},  // an incomplete "<br>" is no separator
      {u"a|b<br>c,d", u"|"}, {u"a;b,d", u";"}, {u"a|b;d", u";"}, {u"a\tb;c|d<br>e,f", u"\t"},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectSeparator(c.text), c.separator) << ToUtf8(c.text);
}

TEST(TakeField, RemovesTheFieldAndItsSeparator) {
  const struct {
    Text source;
    Text separator;
    Text field;
    Text rest;
  } cases[] = {
      {u"a,b,d", u",", u"a", u"b,d"},
      {u"abd", u",", u"abd", u""},
      {u",b", u",", u"", u"b"},
      {u"a,", u",", u"a", u""},
      {u",", u",", u"", u""},
      {u"", u",", u"", u""},
      {u"url=page?a=b", u"=", u"url", u"page?a=b"},
      {u"a<br>b<br>c", u"<br>", u"a", u"b<br>c"},
      {u"a<b", u"<br>", u"a<b", u""},
      // An empty separator is detected from the source at this call.
      {u"x<br>y", u"", u"x", u"y"},
      {u"a|b;d", u"", u"a|b", u"d"},
      {u"abd", u"", u"abd", u""},
      {u"a\tb", u"", u"a", u"b"},
  };
  for (const auto& c : cases) {
    Text source = c.source;
    EXPECT_EQ(TakeField(source, c.separator), c.field) << ToUtf8(c.source);
    EXPECT_EQ(source, c.rest) << ToUtf8(c.source);
  }
}

TEST(TakeField, DetectsTheSeparatorAfreshAtEveryCall) {
  // After the first field the ";" is gone, so the next call detects ",".
  Text source = u"a;b,c";
  EXPECT_EQ(TakeField(source, u""), u"a");
  EXPECT_EQ(TakeField(source, u""), u"b");
  EXPECT_EQ(source, u"c");
}

TEST(GetField, CountsFieldsFromOne) {
  const struct {
    Text text;
    Text separator;
    int n;
    Text field;
  } cases[] = {
      {u"a,b", u",", 1, u"a"},
      {u"a,b", u",", 2, u"b"},
      {u"a,b", u",", 3, u""},
      {u"a,,b", u",", 2, u""},
      {u"a,,b", u",", 3, u"b"},
      {u"a,b", u",", 0, u""},
      {u"a,b", u",", -1, u""},
      {u"a,b", u",", 2147483647, u""},
      {u"", u",", 1, u""},
      {u"WebBrowser.exe", u".", 1, u"WebBrowser"},
      {u"WebBrowser.tar.gz", u".", 2, u"tar"},
      {u"WebBrowser", u".", 1, u"WebBrowser"},
      // The separator is detected once from the whole text: ";" here, even though the last
      // field alone would suggest ",".
      {u"a;b,c", u"", 2, u"b,c"},
      {u"a|b|c", u"", 3, u"c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetField(c.text, c.separator, c.n), c.field) << ToUtf8(c.text) << " " << c.n;
  }
}

TEST(FindLastText, FindsTheLastOccurrenceIgnoringCase) {
  const struct {
    Text pattern;
    Text text;
    int position;
  } cases[] = {
      {u".", u"D:\\a.b\\e", 5},
      {u"\\", u"D:\\a.b\\e", 7},
      {u"X", u"abd", 0},
      {u"", u"abd", 0},
      {u"a", u"", 0},
      {u"abcd", u"abc", 0},
      {u"aa", u"aaa", 2},
      {u"B", u"abcb", 4},
      {u"\u00C4", u"x\u00E4y\u00E4", 4},
      {u"\u0391\u0392", u"\u03B1\u03B2\u03B1\u03B2", 3},  // Greek
      {u"\u0416", u"\u0436", 1},                          // Cyrillic
      {u"I", u"\u0130", 1},                               // dotted capital I lowers to i
      // A character above U+FFFF is two positions; the pattern after it keeps its place.
      {u"x", u"\U00010400X", 3},
      {u"\U00010428", u"a\U00010400", 2},  // Deseret capital and small long i
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindLastText(c.pattern, c.text), c.position)
        << ToUtf8(c.pattern) << " in " << ToUtf8(c.text);
  }
}

TEST(LowerCase, KeepsLengthAndLoneSurrogates) {
  EXPECT_EQ(LowerCase(u"AbC\u00DE\u0178\u1E9E\u2C2F\uFF21"), u"abc\u00FE\u00FF\u00DF\u2C5F\uFF41");
  const Text lone = Text(1, char16_t(0xD801)) + u"A" + Text(1, char16_t(0xDC00));
  EXPECT_EQ(LowerCase(lone), Text(1, char16_t(0xD801)) + u"a" + Text(1, char16_t(0xDC00)));
  EXPECT_EQ(LowerCodePoint(U'\U0001E900'), U'\U0001E922');  // Adlam
  EXPECT_EQ(LowerCodePoint(U'1'), U'1');
  EXPECT_EQ(LowerCodePoint(U'\u0101'), U'\u0101');  // already lower, inside an alternating run
}

TEST(AsciiLowerCase, LowersOnlyTheAsciiLetters) {
  const struct {
    std::u16string_view text;
    std::u16string_view lowered;
  } cases[] = {
      {u"", u""},
      {u"AZaz@[`{09", u"azaz@[`{09"},  // the neighbours of both letter ranges stay
      {u"YÄİЖ", u"yÄİЖ"},              // letters beyond ASCII stay upper
      {u"ＡX", u"Ａx"},                // a full-width A is no ASCII letter
  };
  for (const auto& c : cases) EXPECT_EQ(AsciiLowerCase(c.text), c.lowered) << ToUtf8(c.text);
  EXPECT_EQ(AsciiLower('Q'), 'q');
  EXPECT_EQ(AsciiLower(static_cast<char>(0xC4)), static_cast<char>(0xC4));
}

TEST(IsListMember, MatchesWholeItemsExactly) {
  const struct {
    Text word;
    Text list;
    Text separator;
    bool member;
  } cases[] = {
      {u"yes", u"j,ja,o,oui,y,yes", u",", true},
      {u"j", u"j,ja,o,oui,y,yes", u",", true},
      {u"Yes", u"j,ja,o,oui,y,yes", u",", false},
      {u"ja", u"jaja,x", u",", false},
      {u" yes", u"yes,no", u",", false},
      {u"", u"a,b", u",", false},
      {u"", u"a,,b", u",", true},
      {u"", u"", u",", true},
      {u"a,b", u"a,b,d", u",", true},
      {u"b,a", u"a,b,d", u",", false},
      {u"b", u"a<br>b<br>c", u"<br>", true},
      {u"br", u"a<br>b", u"<br>", false},
      {u"*doc", u"*,doc,*doc", u",", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsListMember(c.word, c.list, c.separator), c.member)
        << "'" << ToUtf8(c.word) << "' in '" << ToUtf8(c.list) << "'";
  }
}

TEST(ReplaceAll, ReplacesNonOverlappingOccurrencesFromTheLeft) {
  const struct {
    Text text;
    Text oldText;
    Text newText;
    Text result;
  } cases[] = {
      {u"a/b/d", u"/", u"-", u"a-b-d"},
      {u"x|y", u"|", u"\r\n", u"x\r\ny"},
      {u"aaa", u"aa", u"b", u"ba"},
      {u"aaaa", u"aa", u"b", u"bb"},
      {u"abc", u"", u"x", u"abc"},
      {u"", u"a", u"x", u""},
      {u"abc", u"d", u"x", u"abc"},
      {u"a.b.c", u".", u"", u"abc"},
      {u"ABC", u"b", u"x", u"ABC"},  // case counts
      // Replaced text is never scanned again, so growing replacements terminate.
      {u"aa", u"a", u"aa", u"aaaa"},
      {u"%p%p", u"%p", u"%p%", u"%p%%p%"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.oldText, c.newText), c.result) << ToUtf8(c.text);
    Text inPlace = c.text;
    ReplaceAllInPlace(inPlace, c.oldText, c.newText);
    EXPECT_EQ(inPlace, c.result) << ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace wb
