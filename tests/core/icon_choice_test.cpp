// The colour a copy takes and the order icons are tried in.
#include "support/icon_choice.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace wb
