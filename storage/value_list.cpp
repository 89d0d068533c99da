#include "storage/value_list.h"

#include <algorithm>
#include <unordered_map>

#include "storage/text_lines.h"
#include "support/lower_case.h"

namespace wb {
namespace {

bool IsTrimmed(char16_t c) {
  return c <= 0x20;
}

Text Trim(TextView s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsTrimmed(s[b])) ++b;
  while (e > b && IsTrimmed(s[e - 1])) --e;
  return Text(s.substr(b, e - b));
}

}  // namespace

// Names compare with the core's locale-independent lower-casing, the same one the settings
// files use, so a name matches the same way wherever the program looks it up.
bool SameName(TextView a, TextView b) {
  return EqualIgnoringCase(a, b);
}

Text EntryName(TextView entry) {
  const auto eq = entry.find(u'=');
  return eq == TextView::npos ? Text() : Text(entry.substr(0, eq));
}

Text EntryValue(TextView entry) {
  const auto eq = entry.find(u'=');
  return eq == TextView::npos ? Text() : Text(entry.substr(eq + 1));
}

std::size_t IndexOfName(const ValueList& list, TextView name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const TextView entry = list[i];
    const auto eq = entry.find(u'=');
    if (eq != TextView::npos && SameName(entry.substr(0, eq), name)) return i;
  }
  return kNoEntry;
}

Text ValueOf(const ValueList& list, TextView name) {
  const std::size_t i = IndexOfName(list, name);
  return i == kNoEntry ? Text() : EntryValue(list[i]);
}

std::vector<Text> SplitLines(TextView text) {
  std::vector<Text> lines;
  const std::size_t end = std::min(text.find(u'\0'), text.size());
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < end) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == u'\r' && i + 1 < end && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < end) lines.emplace_back(text.substr(start, end - start));
  return lines;
}

void MergeValues(const std::vector<Text>& lines, ValueList& list) {
  // A block may hold any number of lines, so the list is indexed by folded name instead of
  // being searched for every line, which took minutes for a block of a few hundred thousand
  // distinct names. The entries of one name are chained in list order (`next`), the first of
  // the chain being the one a lookup finds; deleted entries are dropped when the merge is done.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  struct Chain {
    std::size_t first = kNone;
    std::size_t last = kNone;
  };
  std::unordered_map<Text, Chain> index;
  index.reserve(list.size() + lines.size());
  std::vector<std::size_t> next(list.size(), kNone);
  std::vector<bool> deleted(list.size(), false);
  // LowerCase keeps every character's position, so equal keys are exactly the names that
  // SameName finds equal.
  auto folded = [](TextView name) { return LowerCase(name); };
  auto chainUp = [&](Chain& chain, std::size_t i) {
    if (chain.first == kNone) {
      chain.first = i;
    } else {
      next[chain.last] = i;
    }
    chain.last = i;
  };
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto eq = list[i].find(u'=');
    if (eq != Text::npos) chainUp(index[folded(TextView(list[i]).substr(0, eq))], i);
  }
  for (const Text& line : lines) {
    const auto eq = line.find(u'=');
    if (eq == Text::npos) continue;
    const Text name = Trim(TextView(line).substr(0, eq));
    if (name.empty()) continue;
    const TextView value = TextView(line).substr(eq + 1);
    Chain& chain = index[folded(name)];
    if (value.empty()) {
      if (chain.first != kNone) {
        deleted[chain.first] = true;
        chain.first = next[chain.first];
        if (chain.first == kNone) chain.last = kNone;
      }
    } else if (chain.first != kNone) {
      list[chain.first] = name + u'=' + Text(value);
    } else {
      next.push_back(kNone);
      deleted.push_back(false);
      list.push_back(name + u'=' + Text(value));
      chainUp(chain, list.size() - 1);
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!deleted[i]) {
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
    }
  }
  list.resize(kept);
}

void TextToValues(TextView text, ValueList& list, TextView sep) {
  if (text.empty()) return;
  if (sep.empty()) {
    MergeValues(SplitLines(text), list);
    return;
  }
  Text replaced;
  std::size_t from = 0;
  for (auto at = text.find(sep); at != TextView::npos; at = text.find(sep, from)) {
    replaced.append(text.substr(from, at - from)).append(u"\r\n");
    from = at + sep.size();
  }
  replaced.append(text.substr(from));
  MergeValues(SplitLines(replaced), list);
}

}  // namespace wb
