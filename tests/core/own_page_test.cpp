// Our explanation pages: the template filling and the escaping of what pages and servers say.
#include "support/own_page.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace wbtest {
namespace {

TEST(OwnPage, EscapesWhatHasAMeaningInHtml) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"a & b", "a &amp; b"},
      {"&amp;", "&amp;amp;"},
      {"\" onclick=\"x", "&quot; onclick=&quot;x"},
      {"it's", "it&#39;s"},
      {"Grüße \xE2\x80\xAE", "Grüße \xE2\x80\xAE"},  // other text, UTF-8 included, unchanged
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(wb::EscapeHtml(text), escaped) << text;
}

TEST(OwnPage, FillsEachKnownNameOnceFromTheStart) {
  const std::vector<std::pair<std::string, std::string>> values = {{"A", "1"}, {"B", "@A@"}};
  const std::pair<std::string, std::string> cases[] = {
      {"@A@", "1"},
      {"x@A@y@A@z", "x1y1z"},
      {"@B@", "@A@"},                    // a value is not filled again
      {"mail@host @A@", "mail@host 1"},  // an "@" that opens no name stays
      {"@C@@A@", "@C@1"},
      {"@A", "@A"},
      {"@@A@", "@1"},
      {"", ""},
      {"no names", "no names"},
  };
  for (const auto& [text, filled] : cases)
    EXPECT_EQ(wb::FillTemplate(text, values), filled) << text;
}

TEST(OwnPage, PagesEscapeEverythingTheyShow) {
  wb::OwnPage page = wb::NetworkErrorPage("http://h/<b>", "No route <to> \"host\"");
  page.actionUri = "webbrowser-action:retry?s\"x";
  const std::string html = wb::OwnPageHtml(
      page,
      "<title>@TITLE@</title>@DETAIL@<p>@ADDRESS@</p><a href=\"@ACTION@\">@BUTTON@</a>"
      "<i style=\"color:@ACCENT@\">",
      "#000080\"><script>");
  EXPECT_EQ(html,
            "<title>This page could not be reached</title>"
            "<p>No route &lt;to&gt; &quot;host&quot;</p>\n"
            "<p>http://h/&lt;b&gt;</p><a href=\"webbrowser-action:retry?s&quot;x\">Try again</a>"
            "<i style=\"color:#000080&quot;&gt;&lt;script&gt;\">");
}

TEST(OwnPage, CertificatePageNamesTheHostAndFingerprint) {
  const wb::OwnPage page =
      wb::CertificatePage("https://h.example/", "h.example", "AB:CD", {"One.", "Two."});
  EXPECT_EQ(page.error.kind, "certificate");
  EXPECT_EQ(page.error.detail, "One. Two.");
  EXPECT_EQ(page.error.host, "h.example");
  EXPECT_EQ(page.button, "Continue to h.example");
  ASSERT_EQ(page.details.size(), 2u);
  EXPECT_EQ(page.details[1], "SHA-256 fingerprint: AB:CD");
  EXPECT_EQ(page.action, "continue");
}

}  // namespace
}  // namespace wbtest
