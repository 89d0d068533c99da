// The head of a page: its links, meta, base and title, read from hostile text too.
#include "support/html_head.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

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

TEST(ReadPageFacts, FindsTheSitesNameInItsMeta) {
  const struct {
    const char* html;
    const char* application;
    const char* site;
  } cases[] = {
      {"<meta name=application-name content=' Mail  App '>", "Mail App", ""},
      {"<META NAME=Application-Name CONTENT=Mail>", "Mail", ""},
      {"<meta property=og:site_name content=Mail>", "", "Mail"},
      {"<meta name=application-name content=A><meta name=application-name content=B>", "A", ""},
      {"<meta property=og:title content=Inbox>", "", ""},
      {"<body><meta name=application-name content=Late>", "", ""},
  };
  for (const auto& c : cases) {
    const PageFacts facts = ReadPageFacts(c.html);
    EXPECT_EQ(facts.applicationName, c.application) << c.html;
    EXPECT_EQ(facts.siteName, c.site) << c.html;
  }
}

}  // namespace
}  // namespace wb
