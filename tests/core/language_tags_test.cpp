// The "lang" key: which items are language tags, and what a list keeps.
#include "support/language_tags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wbtest {
namespace {

TEST(LanguageTags, WhatIsATag) {
  const struct {
    const char* tag;
    bool valid;
  } cases[] = {
      {"de", true},        {"pt-BR", true},  {"zh-Hans-CN", true}, {"es-419", true},
      {"gsw", true},       {"x", false},  // a primary subtag of one letter
      {"", false},         {"de-", false},   {"-de", false},       {"de--CH", false},
      {"de_DE", false},    {"12", false},  // digits only after the first
      {"de;q=0.5", false}, {"de CH", false}, {"abcdefghi", false}, {"en-abcdefghi", false},
      {"a1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(wb::IsLanguageTag(c.tag), c.valid) << c.tag;
  EXPECT_FALSE(wb::IsLanguageTag("en-" + std::string(32, 'a')));
}

TEST(LanguageTags, ListsKeepTheirOrderWithoutRepeats) {
  const struct {
    const char* value;
    std::vector<std::string> tags;
    std::vector<std::string> invalid;
  } cases[] = {
      {"", {}, {}},
      {"de,en", {"de", "en"}, {}},
      {" fr-CA , fr ,en ", {"fr-CA", "fr", "en"}, {}},
      {"de,DE,de", {"de"}, {}},
      {"de,,x,en;q=1", {"de"}, {"x", "en;q=1"}},
  };
  for (const auto& c : cases) {
    const wb::LanguagesKey key = wb::ParseLanguages(c.value);
    EXPECT_EQ(key.tags, c.tags) << c.value;
    EXPECT_EQ(key.invalid, c.invalid) << c.value;
  }
  std::string many;
  for (int i = 0; i < 20; ++i) many += "l" + std::string(1, static_cast<char>('a' + i)) + ",";
  const wb::LanguagesKey key = wb::ParseLanguages(many);
  EXPECT_EQ(key.tags.size(), wb::kMaxLanguageTags);
  EXPECT_EQ(key.invalid.size(), 20 - wb::kMaxLanguageTags);
}

}  // namespace
}  // namespace wbtest
