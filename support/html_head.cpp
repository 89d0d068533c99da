#include "support/html_head.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "support/ascii.h"
#include "support/text.h"

namespace wb {
namespace {

// Where `lowerNeedle` (in lower case) first stands in `text`, letters compared in either case;
// no copy of the text, which may be a whole page of many tags.
std::size_t FindCaseless(std::string_view text, std::string_view lowerNeedle) {
  const auto at = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                              [](char a, char b) { return AsciiLower(a) == b; });
  return at == text.end() ? std::string_view::npos : static_cast<std::size_t>(at - text.begin());
}

// Decodes the character references a head usually holds: the five of XML, &nbsp; and numeric
// ones; anything else is kept as written.
std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const auto semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string name = AsciiLowerCase(text.substr(i + 1, semi - i - 1));
    std::uint32_t code = 0;
    if (name == "amp")
      code = '&';
    else if (name == "lt")
      code = '<';
    else if (name == "gt")
      code = '>';
    else if (name == "quot")
      code = '"';
    else if (name == "apos")
      code = '\'';
    else if (name == "nbsp")
      code = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      for (std::size_t k = hex ? 2 : 1; k < name.size(); ++k) {
        const int digit =
            hex ? AsciiHexValue(name[k]) : (IsAsciiDigit(name[k]) ? name[k] - '0' : -1);
        if (digit < 0 || code > 0x10FFFF) {
          code = 0;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      }
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0;
    }
    if (code == 0) {
      out += '&';
      continue;
    }
    AppendUtf8(out, code);
    i = semi;
  }
  return out;
}

struct Tag {
  std::string name;  // lower case
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string Attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes) {
      if (key == name) return value;
    }
    return {};
  }
  bool Has(std::string_view attribute) const {
    return std::any_of(attributes.begin(), attributes.end(),
                       [&](const auto& a) { return a.first == attribute; });
  }
};

// Reads the tag starting at html[pos] == '<'; returns the position after it.
std::size_t ReadTag(std::string_view html, std::size_t pos, Tag& tag) {
  std::size_t i = pos + 1;
  while (i < html.size() && !IsWebBlank(html[i]) && html[i] != '>' && html[i] != '/') {
    tag.name += AsciiLower(html[i++]);
  }
  while (i < html.size() && html[i] != '>') {
    if (IsWebBlank(html[i]) || html[i] == '/') {
      ++i;
      continue;
    }
    std::string key;
    while (i < html.size() && !IsWebBlank(html[i]) && html[i] != '>' && html[i] != '=' &&
           html[i] != '/') {
      key += AsciiLower(html[i++]);
    }
    while (i < html.size() && IsWebBlank(html[i])) ++i;
    std::string value;
    if (i < html.size() && html[i] == '=') {
      ++i;
      while (i < html.size() && IsWebBlank(html[i])) ++i;
      if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
        const char quote = html[i++];
        const auto close = html.find(quote, i);
        const std::size_t end = close == std::string_view::npos ? html.size() : close;
        value = std::string(html.substr(i, end - i));
        i = end + 1;
      } else {
        while (i < html.size() && !IsWebBlank(html[i]) && html[i] != '>') value += html[i++];
      }
    }
    if (!key.empty() && tag.attributes.size() < 64) {
      tag.attributes.emplace_back(key, DecodeEntities(value));
    }
  }
  return std::min(i + 1, html.size());
}

}  // namespace

PageFacts ReadPageFacts(std::string_view html) {
  if (html.size() > kMaxPageScan) html = html.substr(0, kMaxPageScan);
  PageFacts facts;
  bool haveTitle = false;
  std::size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    if (html.substr(i, 4) == "<!--") {
      const auto end = html.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    Tag tag;
    const std::size_t after = ReadTag(html, i, tag);
    i = after;
    if (tag.name == "body") break;
    if (tag.name == "script" || tag.name == "style") {
      const auto end = FindCaseless(html.substr(i), "</" + tag.name);
      if (end == std::string::npos) break;
      i += end;
      continue;
    }
    if (tag.name == "title" && !haveTitle) {
      const auto end = FindCaseless(html.substr(i), "</title");
      const std::string_view text =
          html.substr(i, end == std::string::npos ? std::string_view::npos : end);
      facts.title = CollapseWebBlanks(DecodeEntities(text.substr(0, 4096)));
      haveTitle = true;
    } else if (tag.name == "meta") {
      const std::string name = AsciiLowerCase(TrimWebBlanks(tag.Attribute("name")));
      if (name == "theme-color" && facts.themeColor.empty() && tag.Attribute("media").empty()) {
        facts.themeColor = std::string(TrimWebBlanks(tag.Attribute("content")));
      } else if (name == "application-name" && facts.applicationName.empty()) {
        facts.applicationName = CollapseWebBlanks(tag.Attribute("content").substr(0, 4096));
      } else if (AsciiLowerCase(TrimWebBlanks(tag.Attribute("property"))) == "og:site_name" &&
                 facts.siteName.empty()) {
        facts.siteName = CollapseWebBlanks(tag.Attribute("content").substr(0, 4096));
      }
    } else if (tag.name == "base") {
      if (facts.base.empty()) facts.base = tag.Attribute("href");
    } else if (tag.name == "link" && tag.Has("href")) {
      const std::string rel = tag.Attribute("rel");
      const std::string href = std::string(TrimWebBlanks(tag.Attribute("href")));
      if (href.empty()) continue;
      if (HasWebWord(rel, "manifest")) {
        if (facts.manifest.empty()) facts.manifest = href;
      } else if (facts.icons.size() < 64 &&
                 (HasWebWord(rel, "apple-touch-icon") || HasWebWord(rel, "icon"))) {
        facts.icons.push_back({href,
                               HasWebWord(rel, "apple-touch-icon") ? "apple-touch-icon" : "icon",
                               tag.Attribute("sizes"), tag.Attribute("type")});
      }
    }
  }
  return facts;
}

}  // namespace wb
