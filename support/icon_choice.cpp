#include "support/icon_choice.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "support/ascii.h"
#include "support/web_reference.h"

namespace wb {

bool LooksLikePlaceholderTitle(std::string_view title) {
  std::string plain = AsciiLowerCase(CollapseWebBlanks(title));
  // Trailing dots, written as dots or as one ellipsis character (U+2026 in UTF-8), and blanks.
  for (bool cut = true; cut;) {
    cut = false;
    if (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) {
      plain.pop_back();
      cut = true;
    } else if (plain.ends_with("\xE2\x80\xA6")) {
      plain.resize(plain.size() - 3);
      cut = true;
    }
  }
  static constexpr std::string_view kPlaceholders[] = {
      "",         "loading",      "loading page",      "please wait", "one moment",  "redirecting",
      "untitled", "document",     "untitled document", "new tab",     "about:blank", "react app",
      "vite app", "vite + react", "vite + react + ts",
  };
  return std::find(std::begin(kPlaceholders), std::end(kPlaceholders), plain) !=
         std::end(kPlaceholders);
}

NameChoice ChooseSiteName(const std::optional<ManifestFacts>& manifest, const PageFacts& page) {
  if (manifest && !manifest->name.empty()) return {manifest->name, "the manifest's name"};
  if (manifest && !manifest->shortName.empty()) {
    return {manifest->shortName, "the manifest's short_name"};
  }
  if (!page.applicationName.empty()) {
    return {page.applicationName, "<meta name=application-name>"};
  }
  if (!page.siteName.empty()) return {page.siteName, "<meta property=og:site_name>"};
  if (!LooksLikePlaceholderTitle(page.title)) return {page.title, "the page's <title>"};
  return {};
}

std::string ConfigColor(std::string_view text) {
  text = TrimWebBlanks(text);
  if (text.empty() || text.front() != '#') return {};
  std::string_view digits = text.substr(1);
  if ((digits.size() != 3 && digits.size() != 6) ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return AsciiHexValue(c) >= 0; })) {
    return {};
  }
  std::string out = "#";
  for (const char c : digits) {
    const char upper = AsciiUpper(c);
    out += upper;
    if (digits.size() == 3) out += upper;
  }
  if (out == "#000000") return {};
  return out;
}

int LargestIconSide(std::string_view sizes, int limit, bool* square) {
  int best = 0;
  bool allSquare = true;
  bool any = false;
  const std::string lower = AsciiLowerCase(sizes);
  std::size_t i = 0;
  while (i < lower.size()) {
    while (i < lower.size() && IsWebBlank(lower[i])) ++i;
    std::size_t end = i;
    while (end < lower.size() && !IsWebBlank(lower[end])) ++end;
    const std::string_view word = std::string_view(lower).substr(i, end - i);
    i = end;
    if (word.empty()) continue;
    int side = 0;
    if (word == "any") {
      side = 512;
    } else {
      const auto x = word.find('x');
      if (x == std::string_view::npos || x == 0 || x + 1 == word.size() || x > 5 ||
          word.size() - x - 1 > 5) {
        continue;
      }
      const std::string_view w = word.substr(0, x), h = word.substr(x + 1);
      const auto digits = [](std::string_view t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return IsAsciiDigit(c); });
      };
      if (!digits(w) || !digits(h)) {
        continue;
      }
      const int width = std::atoi(std::string(w).c_str());
      const int height = std::atoi(std::string(h).c_str());
      if (width != height) {
        allSquare = false;
        continue;
      }
      side = width;
    }
    any = true;
    if (side <= limit && side > best) best = side;
  }
  if (square) *square = any && allSquare;
  return best;
}

namespace {

bool PreferredType(std::string_view type, std::string_view address) {
  const std::string t = AsciiLowerCase(TrimWebBlanks(type));
  if (!t.empty()) return t == "image/png" || t == "image/svg+xml";
  const std::string a = AsciiLowerCase(address.substr(0, address.find('?')));
  const auto ends = [&](std::string_view suffix) {
    return a.size() >= suffix.size() &&
           a.compare(a.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return ends(".png") || ends(".svg") || (!ends(".ico") && !ends(".jpg") && !ends(".webp"));
}

}  // namespace

std::vector<IconCandidate> IconCandidates(const std::optional<ManifestFacts>& manifest,
                                          const PageFacts& page, std::string_view pageAddress) {
  constexpr int kLimit = 512;
  struct Ranked {
    int rank;  // lower is better
    int side;
    std::size_t order;
    IconCandidate candidate;
  };
  std::vector<Ranked> ranked;
  std::size_t order = 0;
  if (manifest) {
    for (const ManifestIcon& icon : manifest->icons) {
      const std::string purpose = icon.purpose.empty() ? "any" : icon.purpose;
      const bool forAny = HasWebWord(purpose, "any");
      const bool maskable = HasWebWord(purpose, "maskable");
      if (!forAny && !maskable) continue;  // monochrome and other special pictures
      bool square = false;
      const int side = LargestIconSide(icon.sizes, kLimit, &square);
      const bool good = square && side > 0 && PreferredType(icon.type, icon.src);
      const int rank = (good ? 0 : 2) + (forAny ? 0 : 1);
      ranked.push_back({rank, side, order++, {icon.src, "manifest"}});
    }
  }
  std::string base(pageAddress);
  if (!page.base.empty()) {
    if (auto resolved = ResolveWebReference(pageAddress, page.base)) base = *resolved;
  }
  for (const PageIcon& icon : page.icons) {
    const auto address = ResolveWebReference(base, icon.href);
    if (!address) continue;
    bool square = false;
    const int side = LargestIconSide(icon.sizes, kLimit, &square);
    const bool apple = icon.rel == "apple-touch-icon";
    const int rank = (apple ? 4 : 6) + (PreferredType(icon.type, *address) ? 0 : 1);
    ranked.push_back(
        {rank, side, order++, {*address, apple ? "apple-touch-icon" : "link rel=icon"}});
  }
  if (auto favicon = ResolveWebReference(pageAddress, "/favicon.ico")) {
    ranked.push_back({8, 0, order++, {*favicon, "/favicon.ico"}});
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.side != b.side) return a.side > b.side;
    return a.order < b.order;
  });
  std::vector<IconCandidate> out;
  for (Ranked& r : ranked) {
    const bool seen = std::any_of(out.begin(), out.end(), [&](const IconCandidate& c) {
      return c.address == r.candidate.address;
    });
    if (!seen) out.push_back(std::move(r.candidate));
  }
  return out;
}

}  // namespace wb
