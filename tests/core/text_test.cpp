#include "support/text.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

struct Utf8Case {
  std::string bytes;
  Text text;
};

TEST(Utf8, DecodesAndReplacesMalformedSequences) {
  const Utf8Case cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xC3\xA9", u"\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC0\xAF", u"\uFFFD"},          // overlong "/"
      {"\xED\xA0\x80", u"\uFFFD"},      // encoded surrogate
      {"\xE2\x82", u"\uFFFD"},          // truncated at the end
      {"\xE2\x82x", u"\uFFFDx"},        // truncated before a plain byte
      {"\x80z", u"\uFFFDz"},            // stray continuation byte
      {"\xF4\x90\x80\x80", u"\uFFFD"},  // above U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.bytes), c.text) << c.bytes;
}

TEST(Utf8, EncodesPairsAndReplacesLoneSurrogates) {
  EXPECT_EQ(ToUtf8(u"\U0001F600\u00E9a"),
            "\xF0\x9F\x98\x80\xC3\xA9"
            "a");
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Ansi, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const Text text = FromAnsi(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(ToAnsi(text), all);
  EXPECT_EQ(text[0x80], u'\u20AC');
  EXPECT_EQ(text[0x9F], u'\u0178');
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(text[undefined], undefined);
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const Text high(1, char16_t(0xD83D));
  const Text low(1, char16_t(0xDE00));
  const struct {
    Text text;
    std::string bytes;
  } cases[] = {
      {u"a\u0100b\u20ACc",
       "a?b\x80"
       "c"},
      {u"c\U0001F600d", "c?d"},  // a surrogate pair is one character
      {u"\U0001F600\U0001F601", "??"},
      {high + u"x", "?x"},  // a lone surrogate is one, too
      {u"x" + low, "x?"},
      {low + high, "??"},  // in the wrong order they are two
      {high + high + low, "??"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToAnsi(c.text), c.bytes) << ToUtf8(c.text);
  EXPECT_FALSE(IsAnsiRepresentable(u"\u0100"));
  EXPECT_TRUE(IsAnsiRepresentable(u"\u20AC\u00FF"));
}

}  // namespace
}  // namespace wb
