#pragma once
// What the head of a web page says about its site: the title, the theme colour, the manifest,
// the base address and the icons. The reading is bounded and never trusts the page.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// A <link> the page names for an icon.
struct PageIcon {
  std::string href;   // as written, entities decoded
  std::string rel;    // "icon" or "apple-touch-icon" (lower case)
  std::string sizes;  // as written, e.g. "32x32 64x64" or "any"
  std::string type;   // as written, e.g. "image/png"
};
struct PageFacts {
  std::string title;            // the first <title>, blanks collapsed, entities decoded
  std::string themeColor;       // <meta name="theme-color" content>
  std::string applicationName;  // <meta name="application-name" content>, blanks collapsed
  std::string siteName;         // <meta property="og:site_name" content>, blanks collapsed
  std::string manifest;         // <link rel="manifest" href>, as written
  std::string base;             // <base href>, as written
  std::vector<PageIcon> icons;
};
// Reads the head of an HTML page (UTF-8 or ASCII-compatible bytes). Only the first
// kMaxPageScan bytes are looked at; a page that is not HTML gives empty facts.
inline constexpr std::size_t kMaxPageScan = std::size_t{2} << 20;
PageFacts ReadPageFacts(std::string_view html);

}  // namespace wb
