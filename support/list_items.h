#pragma once
// The items of a configuration value divided by ",": blanks and tabs around each item are
// dropped, empty items skipped.
#include <string_view>
#include <vector>

namespace wb {

inline std::vector<std::string_view> CommaListItems(std::string_view value) {
  std::vector<std::string_view> items;
  while (!value.empty()) {
    const auto comma = value.find(',');
    std::string_view item = value.substr(0, comma);
    value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

}  // namespace wb
