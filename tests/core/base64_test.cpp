#include "support/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

// The test vectors of RFC 4648, section 10, both ways.
TEST(Base64, EncodesAndDecodesTheStandardVectors) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      // The last characters of the alphabet and bytes with the high bit set.
      {"\xFB\xFF\xBF", "+/+/"},
      {std::string("\0\0\0", 3), "AAAA"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeBase64(c.bytes), c.text) << c.text;
    EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
  }
}

TEST(Base64, CutsIntoLinesOnlyBetweenCharacters) {
  struct Case {
    std::string bytes;
    std::size_t lineLength;
    std::string text;
  };
  const Case cases[] = {
      {"foobar", 4, "Zm9v\r\nYmFy"},  // exactly two lines: no line end after the last
      {"foobar", 3, "Zm9\r\nvYm\r\nFy"},
      {"foobar", 8, "Zm9vYmFy"},  // one full line
      {"foobar", 0, "Zm9vYmFy"},  // 0: one line
      {"", 4, ""},
  };
  for (const auto& c : cases) {
    const std::string text = EncodeBase64(c.bytes, c.lineLength);
    EXPECT_EQ(text, c.text) << c.lineLength;
    EXPECT_EQ(DecodeBase64(text), c.bytes) << c.lineLength;
  }
}

TEST(Base64, SkipsBlanksAnywhere) {
  EXPECT_EQ(DecodeBase64(" Zm\t9v\r\nYm\nE=  \r\n"), "fooba");
  EXPECT_EQ(DecodeBase64("Zg= =\n"), "f");
  EXPECT_EQ(DecodeBase64(" \r\n"), "");
}

// Each text has one meaning, so whatever is not exactly a Base64 text is refused whole.
TEST(Base64, RefusesEverythingElse) {
  const char* cases[] = {
      "Zg",        // a short last group without its padding
      "Zg=",       // one "=" too few
      "Zg===",     // one too many
      "Z===",      // a group of one character cannot be padded
      "=Zg=",      // padding first
      "Zg==Zg==",  // something after the padding
      "Zm9v=",     // padding after a whole group
      "Zh==",      // unused bits of the last character not 0 ("Zg==" is "f")
      "Zm9=",      // the same for a group of three ("Zm8=" is "fo")
      "Zm9v!Ymfy",
      "Zm9-",  // the URL alphabet is not this one
      "Zm9_",
  };
  for (const char* text : cases) {
    EXPECT_EQ(DecodeBase64(text), std::nullopt) << text;
  }
  EXPECT_EQ(DecodeBase64(std::string("Zm\0v", 4)), std::nullopt);
}

TEST(Base64, EveryByteValueRoundTripsAtEveryLength) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(255 - i));
  for (std::size_t n = 0; n <= bytes.size(); ++n) {
    const std::string part = bytes.substr(0, n);
    ASSERT_EQ(DecodeBase64(EncodeBase64(part, 76)), part) << n;
  }
}

}  // namespace
}  // namespace wb
