// What a site says about itself: addresses resolved as a page's references are, the head of a
// page, a bounded JSON reader, the manifest's fields and the order icons are tried in.
#include "support/site_facts.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(ResolveWebReference, ResolvesAsAPageDoes) {
  const struct {
    const char* base;
    const char* ref;
    const char* out;  // nullptr: no web address
  } cases[] = {
      {"http://a.example/x/y.html", "m.json", "http://a.example/x/m.json"},
      {"http://a.example/x/y.html", "/m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "../m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "../../../m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "./", "http://a.example/x/"},
      {"http://a.example/x/y.html", "?q=1", "http://a.example/x/y.html?q=1"},
      {"http://a.example/x/y.html", "#top", "http://a.example/x/y.html"},
      {"http://a.example/x/y.html", "", "http://a.example/x/y.html"},
      {"https://a.example/x", "//b.example/i.png", "https://b.example/i.png"},
      {"http://a.example/", "HTTPS://B.Example:443/p", "https://b.example/p"},
      {"http://a.example:8080/", "/s", "http://a.example:8080/s"},
      {"http://a.example:80/", "/s", "http://a.example/s"},
      {"http://[::1]:9/", "i", "http://[::1]:9/i"},
      {"http://a.example/", "  /padded  ", "http://a.example/padded"},
      {"http://a.example/", "javascript:alert(1)", nullptr},
      {"http://a.example/", "data:image/png;base64,AA", nullptr},
      {"http://a.example/", "file:///etc/passwd", nullptr},
      {"http://a.example/", "http://user@b.example/", nullptr},
      {"http://a.example/", "http://b.example:99999/", nullptr},
      {"http://a.example/", "http:///nohost", nullptr},
      {"http://a.example/", "a b", nullptr},
      {"ftp://a.example/", "x", nullptr},
      // Read with the one address parser: the host as a load can use it, "\\" as "/".
      {"http://a.example/", "http://[host]/", nullptr},
      {"http://a.example/", "http://sh<op.example/", nullptr},
      {"http://a.example/", "http://b.example:0080/p", "http://b.example/p"},
      {"http://a.example/", "/x\\..\\y", "http://a.example/y"},
      {"http://a.example/", "http://evil.example\\@good.example/",
       "http://evil.example/@good.example/"},
  };
  for (const auto& c : cases) {
    const auto out = ResolveWebReference(c.base, c.ref);
    if (c.out == nullptr) {
      EXPECT_FALSE(out) << c.base << " + " << c.ref << " gave " << out.value_or("");
    } else {
      EXPECT_EQ(out.value_or("(none)"), c.out) << c.base << " + " << c.ref;
    }
  }
}

TEST(ReadPageFacts, FindsTheHeadsLinksMetaAndTitle) {
  const PageFacts facts = ReadPageFacts(
      "<!doctype html><html><HEAD>\n"
      "<!-- <title>commented</title> <link rel=manifest href=no.json> -->\n"
      "<script>var s = '<title>in script</title>';</script>\n"
      "<TITLE>  Mail &amp; \n Calendar &#x263A; </TITLE><title>second</title>\n"
      "<meta name=\"theme-color\" content=\"#336699\" media=\"(prefers-color-scheme: dark)\">\n"
      "<meta name='Theme-Color' content=' #ABC '>\n"
      "<link rel=\"manifest\" href=\"/app.webmanifest\">\n"
      "<link rel=\"shortcut icon\" href=\"fav.png\" type=\"image/png\" sizes=\"32x32\">\n"
      "<link rel=apple-touch-icon href=/touch.png>\n"
      "<link rel=\"stylesheet\" href=\"s.css\">\n"
      "<link rel=\"icon\" href=\"\">\n"
      "</head><body><link rel=\"icon\" href=\"late.png\"></body></html>");
  EXPECT_EQ(facts.title, "Mail & Calendar \u263A");
  EXPECT_EQ(facts.themeColor, "#ABC");
  EXPECT_EQ(facts.manifest, "/app.webmanifest");
  ASSERT_EQ(facts.icons.size(), 2u);
  EXPECT_EQ(facts.icons[0].href, "fav.png");
  EXPECT_EQ(facts.icons[0].rel, "icon");
  EXPECT_EQ(facts.icons[0].sizes, "32x32");
  EXPECT_EQ(facts.icons[1].rel, "apple-touch-icon");
}

TEST(ReadPageFacts, NeverReadsPastBrokenOrHostileText) {
  const char* cases[] = {
      "",
      "<",
      "<title",
      "<title>unended",
      "<link rel=\"icon\" href=\"x",
      "<!-- never ends",
      "<script>never ends",
      "\x89PNG\r\n\x1a\n\0\0\0\rIHDR",
      "<<<<>>>>",
      "<meta name=theme-color",
  };
  for (const char* c : cases) {
    const PageFacts facts = ReadPageFacts(c);
    EXPECT_TRUE(facts.manifest.empty()) << c;
  }
  EXPECT_EQ(ReadPageFacts("<title>unended").title, "unended");
  std::string huge = "<title>t</title>";
  huge += std::string(kMaxPageScan, ' ');
  huge += "<link rel=manifest href=late.json>";
  EXPECT_EQ(ReadPageFacts(huge).manifest, "");
}

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

TEST(ConfigColor, OnlyColoursTheConfigurationCanHold) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"#1a2b3c", "#1A2B3C"},
      {" #ABC ", "#AABBCC"},
      {"#fff", "#FFFFFF"},
      {"#000", ""},
      {"#000000", ""},
      {"#12345", ""},
      {"#1234567", ""},
      {"#GGGGGG", ""},
      {"red", ""},
      {"rgb(1,2,3)", ""},
      {"", ""},
      {"#1A2B3C80", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ConfigColor(c.in), c.out) << c.in;
}

TEST(LargestIconSide, ReadsSizesWithinALimit) {
  const struct {
    const char* sizes;
    int side;
    bool square;
  } cases[] = {
      {"16x16 512x512 32x32", 512, true},
      {"1024x1024 256x256", 256, true},
      {"any", 512, true},
      {"192X192", 192, true},
      {"192x96", 0, false},
      {"48x48 192x96", 48, false},
      {"", 0, false},
      {"big", 0, false},
      {"999999x999999", 0, false},
  };
  for (const auto& c : cases) {
    bool square = false;
    EXPECT_EQ(LargestIconSide(c.sizes, 512, &square), c.side) << c.sizes;
    EXPECT_EQ(square, c.square) << c.sizes;
  }
}

TEST(IconCandidates, TriesTheBestIconFirst) {
  ManifestFacts manifest;
  manifest.icons = {
      {"http://a.example/48.png", "48x48", "image/png", ""},
      {"http://a.example/mask.png", "512x512", "image/png", "maskable"},
      {"http://a.example/mono.png", "512x512", "image/png", "monochrome"},
      {"http://a.example/1024.png", "1024x1024", "image/png", "any"},
      {"http://a.example/256.png", "256x256", "image/png", "any maskable"},
      {"http://a.example/wide.png", "512x256", "image/png", ""},
      {"http://a.example/192.webp", "192x192", "image/webp", ""},
      {"http://a.example/s.svg", "any", "image/svg+xml", ""},
  };
  PageFacts page;
  page.base = "/sub/";
  page.icons = {{"fav.ico", "icon", "16x16", ""},
                {"fav.png", "icon", "32x32", "image/png"},
                {"/touch.png", "apple-touch-icon", "180x180", ""},
                {"/48.png", "icon", "48x48", "image/png"}};
  const auto candidates = IconCandidates(manifest, page, "http://a.example/page");
  std::vector<std::string> got;
  for (const auto& c : candidates) got.push_back(c.address + " " + c.from);
  const std::vector<std::string> want = {
      "http://a.example/s.svg manifest",     // "any" counts as 512 and comes first written
      "http://a.example/256.png manifest",   //
      "http://a.example/48.png manifest",    //
      "http://a.example/mask.png manifest",  // maskable after any
      "http://a.example/192.webp manifest",  // the rest, the largest known side first
      "http://a.example/1024.png manifest",  // beyond 512 counts as no size
      "http://a.example/wide.png manifest",
      "http://a.example/touch.png apple-touch-icon",
      "http://a.example/sub/fav.png link rel=icon",
      "http://a.example/sub/fav.ico link rel=icon",
      "http://a.example/favicon.ico /favicon.ico",
  };
  EXPECT_EQ(got, want);

  const auto bare = IconCandidates(std::nullopt, PageFacts{}, "https://b.example:8443/x/y");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].address, "https://b.example:8443/favicon.ico");
}

}  // namespace
}  // namespace wb
