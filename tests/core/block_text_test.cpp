#include "support/block_text.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

// What a configuration block reads as: its bytes decoded as Windows-1252 unless they are
// well-formed UTF-8 with a byte over 127.
TEST(BlockText, EveryHighByteAloneReadsAsWindows1252) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string high(1, static_cast<char>(b));
    for (const std::string& block :
         {"title=" + high, "title=Caf" + high + "\r\ngo=x", high + high}) {
      EXPECT_FALSE(ReadsAsUtf8(block)) << b;
      EXPECT_EQ(FromAnsiOrUtf8(block), FromAnsi(block)) << b;
    }
  }
  std::string all;
  for (int b = 0x80; b <= 0xFF; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(FromAnsiOrUtf8("title=" + all), FromAnsi("title=" + all));
}

TEST(BlockText, ReadsEachBlockInTheCodePageItsBytesShow) {
  const struct {
    const char* what;
    std::string bytes;
    Text text;
  } cases[] = {
      {"ASCII", "title=Acme\r\ngo=https://acme.example/",
       u"title=Acme\r\ngo=https://acme.example/"},
      {"empty", "", u""},
      // Windows-1252 as copies have always been written: an accented letter is followed by a
      // letter, a blank or the end, never by the symbol a UTF-8 sequence would need.
      {"French", "title=Caf\xE9 de la Gare", u"title=Caf\u00E9 de la Gare"},
      {"German", "title=M\xFCller & S\xF6hne\r\nvis=nal",
       u"title=M\u00FCller & S\u00F6hne\r\nvis=nal"},
      {"Danish",
       "title=\xC6r\xF8sk\xF8"
       "bing",
       u"title=\u00C6r\u00F8sk\u00F8"
       u"bing"},
      {"Spanish", "title=Se\xF1or Ni\xF1o", u"title=Se\u00F1or Ni\u00F1o"},
      {"symbols",
       "title=Acme\x99 \x80"
       "5 \x93"
       "x\x94 \x85",
       u"title=Acme\u2122 \u20AC5 \u201Cx\u201D \u2026"},
      {"capital before a letter", "title=\xC9LAN \xC4RA", u"title=\u00C9LAN \u00C4RA"},
      // UTF-8, as brand writes a title Windows-1252 cannot hold.
      {"Greek", "title=\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1\r\ngo=https://x.example/",
       u"title=\u0391\u03B8\u03AE\u03BD\u03B1\r\ngo=https://x.example/"},
      {"Russian", "title=\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
       u"title=\u041C\u043E\u0441\u043A\u0432\u0430"},
      {"Chinese", "title=\xE5\x8C\x97\xE4\xBA\xAC\xE5\x95\x86\xE5\xBA\x97",
       u"title=\u5317\u4EAC\u5546\u5E97"},
      {"Arabic", "title=\xD9\x85\xD8\xAA\xD8\xAC\xD8\xB1", u"title=\u0645\u062A\u062C\u0631"},
      {"beyond U+FFFF", "title=\xF0\x9F\x98\x80", u"title=\U0001F600"},
      {"UTF-8 with Latin letters", "title=Caf\xC3\xA9 \xE2\x82\xAC", u"title=Caf\u00E9 \u20AC"},
      // Not well-formed UTF-8, so Windows-1252: every byte is kept as a character.
      {"truncated", "title=\xCE\x91\xCE", u"title=\u00CE\u2018\u00CE"},
      {"one stray byte among Greek", "title=\xCE\x91\xE9", u"title=\u00CE\u2018\u00E9"},
      {"overlong", "title=\xC0\xAF", u"title=\u00C0\u00AF"},
      {"encoded surrogate", "title=\xED\xA0\x80", u"title=\u00ED\u00A0\u20AC"},
      {"above U+10FFFF", "title=\xF4\x90\x80\x80", u"title=\u00F4\u0090\u20AC\u20AC"},
      {"stray continuation",
       "title=\x80"
       "abc",
       u"title=\u20AC"
       u"abc"},
      // Windows-1252 texts that are well-formed UTF-8, and so read as UTF-8: a letter from
      // 0xC2 to 0xF4 directly followed by bytes 0x80 to 0xBF. UTF-8 shown as Windows-1252
      // ("Ã©") is no title anyone types; a capital followed by a trade mark sign could be, and
      // brand writes it as UTF-8 for that reason (see the round trip below).
      {"UTF-8 shown as Windows-1252", "title=Caf\xC3\xA9", u"title=Caf\u00E9"},
      {"capital before \xC2\xAE", "title=NESTL\xC9\xAE", u"title=NESTL\u026E"},
      {"capital before \xE2\x84\xA2", "title=CAF\xC9\x99", u"title=CAF\u0259"},
      {"capital before \xC2\xB0", "title=\xC4\xB0", u"title=\u0130"},
      {"capital before a no-break space", "title=\xC9\xA0Paris", u"title=\u0260Paris"},
      {"small letter before two symbols", "title=\xE9\x99\xAE", u"title=\u966E"},
  };
  for (const auto& c : cases) EXPECT_EQ(FromAnsiOrUtf8(c.bytes), c.text) << c.what;
}

TEST(BlockText, WritesWindows1252WhenItHoldsTheTextAndReadsEveryTextBack) {
  const struct {
    Text text;
    std::string bytes;
  } cases[] = {
      // What a copy has always carried stays byte for byte.
      {u"title=Acme Caf\u00E9\r\nlinks=A=http://a.example/|B=http://b.example/,2",
       "title=Acme Caf\xE9\r\nlinks=A=http://a.example/|B=http://b.example/,2"},
      {u"title=M\u00FCller \u20AC\u2122", "title=M\xFCller \x80\x99"},
      {u"title=plain", "title=plain"},
      // A character Windows-1252 lacks makes the whole block UTF-8.
      {u"title=\u00E9\u0391", "title=\xC3\xA9\xCE\x91"},
      {u"title=\u5317\u4EAC", "title=\xE5\x8C\x97\xE4\xBA\xAC"},
      // Windows-1252 bytes that would read as UTF-8 are written as UTF-8 instead.
      {u"title=NESTL\u00C9\u00AE", "title=NESTL\xC3\x89\xC2\xAE"},
      {u"title=Caf\u00C3\u00A9", "title=Caf\xC3\x83\xC2\xA9"},
      // UTF-8 holds no lone surrogate.
      {u"\u0391" + Text(1, char16_t(0xD800)), "\xCE\x91\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToAnsiOrUtf8(c.text), c.bytes) << ToUtf8(c.text);
    EXPECT_EQ(FromAnsiOrUtf8(ToAnsiOrUtf8(c.text)), FromUtf8(ToUtf8(c.text))) << ToUtf8(c.text);
  }
  // Any byte between letters, as in the words of a title, reads as it always did, and brand
  // writes that text again as the same bytes.
  for (int b = 0; b < 256; ++b) {
    const std::string block = "title=x" + std::string(1, static_cast<char>(b)) + "y";
    EXPECT_EQ(FromAnsiOrUtf8(block), FromAnsi(block)) << b;
    EXPECT_EQ(ToAnsiOrUtf8(FromAnsi(block)), block) << b;
  }
}

}  // namespace
}  // namespace wb
