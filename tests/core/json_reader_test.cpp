// A bounded JSON reader: what RFC 8259 writes, and nothing deeper or larger than its limits.
#include "support/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(ParseJson, ReadsRfc8259AndRefusesTheRest) {
  const struct {
    const char* text;
    bool ok;
  } cases[] = {
      {"{}", true},
      {"\xEF\xBB\xBF{\"a\":1}", true},
      {" [1, -2.5e3, true, false, null, \"x\\u00e9\\ud83d\\ude00\"] ", true},
      {"\"s\"", true},
      {"", false},
      {"{", false},
      {"{\"a\"}", false},
      {"{\"a\":1,}", false},
      {"[1,]", false},
      {"[01]", false},
      {"[1.]", false},
      {"[.5]", false},
      {"{'a':1}", false},
      {"[\"tab\there\"]", false},
      {"[\"\\x\"]", false},
      {"[\"\\u12\"]", false},
      {"{} {}", false},
      {"<html>", false},
      {"nul", false},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(ParseJson(c.text, &error).has_value(), c.ok) << c.text << ": " << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
    }
  }
  const auto value = ParseJson("[\"x\\u00e9\\ud83d\\ude00\", 12.5]", nullptr);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->items[0].string, "x\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(value->items[1].number, 12.5);
}

TEST(ParseJson, BoundsDepthAndCount) {
  std::string error;
  EXPECT_TRUE(ParseJson(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']'), &error));
  EXPECT_FALSE(ParseJson(std::string(100000, '['), &error));
  EXPECT_NE(error.find("deep"), std::string::npos) << error;
  std::string many = "[";
  for (std::size_t i = 0; i < kMaxJsonValues + 1; ++i) many += "0,";
  many += "0]";
  EXPECT_FALSE(ParseJson(many, &error));
  EXPECT_NE(error.find("too many"), std::string::npos) << error;
}

}  // namespace
}  // namespace wb
