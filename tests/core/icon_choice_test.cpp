// The colour a copy takes and the order icons are tried in.
#include "support/icon_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace wb {
namespace {

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

TEST(ChooseSiteName, PrefersTheSitesOwnNameToAPlaceholderTitle) {
  const auto page = [](const char* title, const char* application, const char* site) {
    PageFacts facts;
    facts.title = title;
    facts.applicationName = application;
    facts.siteName = site;
    return facts;
  };
  ManifestFacts named;
  named.name = "Mail";
  named.shortName = "M";
  ManifestFacts shortOnly;
  shortOnly.shortName = "M";
  const std::optional<ManifestFacts> none;
  const struct {
    std::optional<ManifestFacts> manifest;
    PageFacts page;
    const char* name;
    const char* from;
  } cases[] = {
      {named, page("Inbox", "App", "Site"), "Mail", "the manifest's name"},
      {shortOnly, page("Inbox", "App", "Site"), "M", "the manifest's short_name"},
      {ManifestFacts{}, page("Inbox", "App", "Site"), "App", "<meta name=application-name>"},
      {none, page("Loading...", "", "Site"), "Site", "<meta property=og:site_name>"},
      {none, page("Inbox", "", ""), "Inbox", "the page's <title>"},
      // A login page that sets its title by script shows its placeholder to a fetch.
      {none, page("Loading...", "", ""), "", ""},
      {none, page("", "", ""), "", ""},
  };
  for (const auto& c : cases) {
    const NameChoice choice = ChooseSiteName(c.manifest, c.page);
    EXPECT_EQ(choice.name, c.name) << c.page.title;
    EXPECT_EQ(choice.from, c.from) << c.page.title;
  }
}

TEST(LooksLikePlaceholderTitle, KnowsWhatPagesShowBeforeTheirName) {
  const struct {
    const char* title;
    bool placeholder;
  } cases[] = {
      {"Loading...", true},
      {"  LOADING  ", true},
      {"Loading\xE2\x80\xA6", true},
      {"Please wait.", true},
      {"Untitled", true},
      {"React App", true},
      {"", true},
      {"Loading Docs", false},
      {"Mail", false},
      {"Redirecting to Mail", false},
      {"Document Viewer", false},
      {"...", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LooksLikePlaceholderTitle(c.title), c.placeholder) << c.title;
  }
}

}  // namespace
}  // namespace wb
