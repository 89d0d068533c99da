// The manifest's fields, resolved against its own address.
#include "support/web_manifest.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(ReadManifest, TakesTheFieldsResolvedAgainstItsOwnAddress) {
  std::string error;
  const auto facts = ReadManifest(
      R"({"name":" Team  Mail ","short_name":"Mail","start_url":"../inbox?from=app",
          "scope":"https://other.example/","theme_color":"#1A2B3C","display":"Fullscreen",
          "icons":[{"src":"i/192.png","sizes":"192x192","type":"image/png"},
                   {"src":"javascript:x","sizes":"512x512"},
                   {"sizes":"64x64"},
                   7,
                   {"src":"i/m.png","sizes":"512x512","purpose":"maskable"}],
          "name":"Last Name Wins"})",
      "http://mail.example/app/m/manifest.json", &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->name, "Last Name Wins");
  EXPECT_EQ(facts->shortName, "Mail");
  EXPECT_EQ(facts->startUrl, "http://mail.example/app/inbox?from=app");
  EXPECT_EQ(facts->scope, "https://other.example/");
  EXPECT_EQ(facts->themeColor, "#1A2B3C");
  EXPECT_EQ(facts->display, "fullscreen");
  ASSERT_EQ(facts->icons.size(), 2u);
  EXPECT_EQ(facts->icons[0].src, "http://mail.example/app/m/i/192.png");
  EXPECT_EQ(facts->icons[1].purpose, "maskable");

  const struct {
    const char* text;
    bool ok;
  } shapes[] = {
      {"[]", false},
      {"\"x\"", false},
      {"<html></html>", false},
      {"{\"name\":5}", true},
      {"{\"icons\":\"none\",\"start_url\":[1]}", true},
  };
  for (const auto& s : shapes) {
    EXPECT_EQ(ReadManifest(s.text, "http://a.example/", &error).has_value(), s.ok) << s.text;
  }
  const auto wrongTypes =
      ReadManifest("{\"name\":5,\"start_url\":[1]}", "http://a.example/", &error);
  ASSERT_TRUE(wrongTypes);
  EXPECT_EQ(wrongTypes->name, "");
  EXPECT_EQ(wrongTypes->startUrl, "");
}

}  // namespace
}  // namespace wb
