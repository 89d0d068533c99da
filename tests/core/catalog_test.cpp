// The window's own texts: the places of translated texts, and the texts the core makes (our
// pages, the permission question, the find count) taken from the installed catalog.
#include "support/catalog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/find_in_page.h"
#include "support/own_page.h"
#include "support/permissions.h"
#include "support/text.h"

namespace wbtest {
namespace {

TEST(Catalog, FormatFillsNumberedPlacesInAnyOrder) {
  const struct {
    const char* pattern;
    std::string out;
  } cases[] = {
      {"{1} of {2}", "3 of 12"},
      {"{2} / {1}", "12 / 3"},  // a translation puts the values in its own order
      {"{1}{1}", "33"},         // a place may be used twice
      {"{3} stays", "{3} stays"},
      {"{0} {a} {12} {1", "{0} {a} {12} {1"},  // one digit from 1 to 9 makes a place
      {"", ""},
      {"no places", "no places"},
  };
  for (const auto& c : cases) EXPECT_EQ(wb::Format(c.pattern, {"3", "12"}), c.out) << c.pattern;
  EXPECT_EQ(wb::Format("{1}-{2}", {"{2}", "x"}), "{2}-x");  // a value is never searched
}

// A catalog that marks every text it gives, and chooses the plural form by n == 1.
const char* Marked(const char* id) {
  static thread_local std::string out;
  out = std::strlen(id) ? "<" + std::string(id) + ">" : "";
  return out.c_str();
}
const char* MarkedPlural(const char* one, const char* many, unsigned long n) {
  return Marked(n == 1 ? one : many);
}

class MarkedCatalog : public ::testing::Test {
 protected:
  void SetUp() override {
    wb::Catalog catalog;
    catalog.text = Marked;
    catalog.plural = MarkedPlural;
    catalog.language = "ar";
    catalog.rightToLeft = true;
    wb::InstallCatalog(catalog);
  }
  void TearDown() override { wb::InstallCatalog(wb::Catalog{}); }
};

TEST_F(MarkedCatalog, TheCoresTextsComeFromTheCatalog) {
  const wb::OwnPage page = wb::CertificatePage("https://h/", "h", "AB", {"x"});
  EXPECT_EQ(page.title, "<This site's certificate is not trusted>");
  EXPECT_EQ(page.button, "<Continue to h>");
  EXPECT_EQ(page.details.at(1), "<SHA-256 fingerprint: AB>");
  EXPECT_EQ(wb::CrashedPage("a", wb::ProcessEnd::kCrashed).title, "<This page stopped working>");
  EXPECT_EQ(wb::NetworkErrorPage("a", "d").button, "<Try again>");
  const std::string html =
      wb::OwnPageHtml(wb::NetworkErrorPage("a", "d"), "<html lang=\"@LANG@\" dir=\"@DIR@\">", "");
  EXPECT_EQ(html, "<html lang=\"ar\" dir=\"rtl\">");

  wb::PermissionRequest request;
  request.host = "h";
  request.kinds = {wb::PermissionKind::kNotifications, wb::PermissionKind::kGeolocation};
  EXPECT_EQ(wb::PermissionRequestQuestion(request),
            "<h wants to <<show notifications> and <know your location>>>");

  const struct {
    int matches;
    std::string text;
  } counts[] = {
      {0, "<No matches>"},
      {1, "<1 of 1>"},
      {12, "<1 of 12>"},
      {5000, "<1 of more than 1000>"},
  };
  for (const auto& c : counts)
    EXPECT_EQ(wb::ToUtf8(wb::MatchCountText(u"x", c.matches, 1)), c.text) << c.matches;
}

TEST(Catalog, WithoutACatalogTheTextsAreEnglish) {
  wb::PermissionRequest request;
  request.kinds = {wb::PermissionKind::kCamera, wb::PermissionKind::kMicrophone,
                   wb::PermissionKind::kClipboard, wb::PermissionKind::kScreen};
  EXPECT_EQ(wb::PermissionRequestQuestion(request),
            "This page wants to use your camera and microphone, read your clipboard and share "
            "your screen");
  request.host = "h";
  request.scheme = "mailto";
  EXPECT_EQ(wb::PermissionRequestQuestion(request),
            "h wants to open a mailto: link with another program");
  EXPECT_EQ(wb::OwnPageHtml(wb::NetworkErrorPage("a", "d"), "@LANG@ @DIR@", ""), "en ltr");
  EXPECT_EQ(wb::ToUtf8(wb::MatchCountText(u"x", 5000, 3)), "3 of more than 1000");
}

}  // namespace
}  // namespace wbtest
