// Merging name=value lines into a list, as the configuration block is read (TextToValues,
// SplitLines, MergeValues). Properties: no entry ends up with an empty trimmed name or an
// empty value, and no two entries share a name; every name reads the value its last line gave
// it (or nothing when that line deleted it); a second merge of the same text changes nothing;
// an extra separator acts as a line break; the line splitter and the merge agree with
// references written from their contracts.
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "storage/value_list.h"
#include "support/fields.h"

namespace {

using wb::Text;
using wb::TextView;

bool Trimmed(char16_t c) {
  return c <= 0x20;
}

Text Trim(TextView s) {
  while (!s.empty() && Trimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && Trimmed(s.back())) s.remove_suffix(1);
  return Text(s);
}

std::vector<Text> RefSplitLines(TextView text) {
  const size_t nul = text.find(u'\0');
  if (nul != TextView::npos) text = text.substr(0, nul);
  std::vector<Text> lines;
  Text line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

wb::ValueList Sorted(wb::ValueList list) {
  std::sort(list.begin(), list.end());
  return list;
}

// MergeValues as its contract states it, one linear search per line.
void RefMergeValues(const std::vector<Text>& lines, wb::ValueList& list) {
  for (const Text& line : lines) {
    const size_t eq = line.find(u'=');
    if (eq == Text::npos) continue;
    const Text name = Trim(TextView(line).substr(0, eq));
    if (name.empty()) continue;
    const Text value = line.substr(eq + 1);
    size_t at = list.size();
    for (size_t i = 0; i < list.size() && at == list.size(); ++i) {
      const size_t e = list[i].find(u'=');
      if (e != Text::npos && wb::SameName(TextView(list[i]).substr(0, e), name)) at = i;
    }
    if (value.empty()) {
      if (at < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (at < list.size()) {
      list[at] = name + u'=' + value;
    } else {
      list.push_back(name + u'=' + value);
    }
  }
}

void CheckWellFormed(const wb::ValueList& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    const size_t eq = list[i].find(u'=');
    WB_FUZZ_CHECK(eq != Text::npos);
    const Text name = wb::EntryName(list[i]);
    WB_FUZZ_CHECK(!name.empty() && Trim(name) == name);
    WB_FUZZ_CHECK(!wb::EntryValue(list[i]).empty());
    for (size_t j = 0; j < i; ++j) WB_FUZZ_CHECK(!wb::SameName(wb::EntryName(list[j]), name));
  }
}

}  // namespace

// Arguments: a first text merged into an empty list, a second text merged on top, an extra
// line separator. Texts are code-page bytes, as configuration blocks are.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const Text first = wb::FromAnsi(args.Bytes(0));
  const Text second = wb::FromAnsi(args.Bytes(1));
  const Text sep = wb::FromAnsi(args.Bytes(2));

  WB_FUZZ_CHECK(wb::SplitLines(second) == RefSplitLines(second));

  // Against the plain reading of the contract, on a list as a caller may hand it in: raw
  // lines, with duplicate names and entries without "=".
  {
    wb::ValueList raw = RefSplitLines(first);
    wb::ValueList expected = raw;
    wb::MergeValues(RefSplitLines(second), raw);
    RefMergeValues(RefSplitLines(second), expected);
    WB_FUZZ_CHECK(raw == expected);
  }

  wb::ValueList list;
  wb::TextToValues(first, list);
  CheckWellFormed(list);
  const wb::ValueList base = list;

  wb::TextToValues(second, list);
  CheckWellFormed(list);

  // The last line of each name decides what it reads; names the text does not mention keep
  // what the first text gave them.
  std::vector<std::pair<Text, Text>> last;
  for (const Text& line : RefSplitLines(second)) {
    const size_t eq = line.find(u'=');
    if (eq == Text::npos) continue;
    const Text name = Trim(TextView(line).substr(0, eq));
    if (name.empty()) continue;
    const Text value = line.substr(eq + 1);
    bool found = false;
    for (auto& [n, v] : last) {
      if (wb::SameName(n, name)) {
        v = value;
        found = true;
      }
    }
    if (!found) last.emplace_back(name, value);
  }
  for (const auto& [name, value] : last) WB_FUZZ_CHECK(wb::ValueOf(list, name) == value);
  for (const Text& entry : base) {
    const Text name = wb::EntryName(entry);
    bool mentioned = false;
    for (const auto& [n, v] : last) mentioned = mentioned || wb::SameName(n, name);
    if (!mentioned) WB_FUZZ_CHECK(wb::ValueOf(list, name) == wb::EntryValue(entry));
  }

  // Merging the same text again changes nothing that a lookup can see. The order of the
  // entries may change: a name that the text deletes and then sets again moves to the end.
  wb::ValueList again = list;
  wb::TextToValues(second, again);
  WB_FUZZ_CHECK(Sorted(again) == Sorted(list));

  // An empty text leaves the list untouched; an extra separator is a line break.
  wb::ValueList untouched = base;
  wb::TextToValues(Text(), untouched);
  WB_FUZZ_CHECK(untouched == base);
  if (!sep.empty()) {
    wb::ValueList withSep = base;
    wb::TextToValues(second, withSep, sep);
    wb::ValueList replaced = base;
    wb::TextToValues(wb::ReplaceAll(second, sep, u"\r\n"), replaced);
    WB_FUZZ_CHECK(withSep == replaced);
    CheckWellFormed(withSep);
  }
  return 0;
}
