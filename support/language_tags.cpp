#include "support/language_tags.h"

#include <algorithm>

#include "support/ascii.h"
#include "support/list_items.h"
#include "support/lower_case.h"

namespace wb {

bool IsLanguageTag(std::string_view tag) {
  if (tag.empty() || tag.size() > 35) return false;
  std::size_t start = 0;
  for (bool primary = true;; primary = false) {
    const std::size_t end = std::min(tag.find('-', start), tag.size());
    const std::string_view sub = tag.substr(start, end - start);
    if (sub.empty() || sub.size() > 8 || (primary && sub.size() < 2)) return false;
    for (char c : sub)
      if (!(IsAsciiAlpha(c) || (!primary && IsAsciiDigit(c)))) return false;
    if (end == tag.size()) return true;
    start = end + 1;
  }
}

LanguagesKey ParseLanguages(std::string_view value) {
  LanguagesKey key;
  std::vector<std::string> lowered;
  for (std::string_view item : CommaListItems(value)) {
    if (!IsLanguageTag(item) || key.tags.size() == kMaxLanguageTags) {
      key.invalid.emplace_back(item);
      continue;
    }
    std::string lower = AsciiLowerCase(item);
    if (std::ranges::count(lowered, lower) > 0) continue;
    lowered.push_back(std::move(lower));
    key.tags.emplace_back(item);
  }
  return key;
}

}  // namespace wb
