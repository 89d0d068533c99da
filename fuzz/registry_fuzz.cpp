// The registry hive file reader and writer (RegistryDocument) on generated files.
// Properties: an untouched document writes back the very bytes it read; a text value set under
// names that CheckRegistryNames accepts reads back exactly, also after the bytes are parsed
// again; every other value that read before reads the same after the write and after deleting
// the value again; deleting a key removes its values and leaves other keys' values alone.
#include <optional>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "storage/registry_file.h"
#include "storage/text_lines.h"

namespace {

using wb::RegistryKeyPath;
using wb::Text;

bool SameKey(const RegistryKeyPath& a, const RegistryKeyPath& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!wb::EqualIgnoringCase(a[i], b[i])) return false;
  }
  return true;
}

bool Below(const RegistryKeyPath& key, const RegistryKeyPath& top) {
  if (key.size() < top.size()) return false;
  return SameKey(RegistryKeyPath(key.begin(), key.begin() + top.size()), top);
}

// Keys and value names that the file seems to hold, from a rough scan of its lines.
void Candidates(std::string_view bytes, std::vector<RegistryKeyPath>& keys,
                std::vector<Text>& names) {
  for (const std::string& line : wb::SplitLinesKeepingEnds(bytes)) {
    const std::string_view body = wb::TrimBlanks(wb::LineBody(line));
    if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
      RegistryKeyPath key = wb::SplitRegistryKey(wb::FromUtf8(body.substr(1, body.size() - 2)));
      if (!key.empty()) key.erase(key.begin());  // the root
      keys.push_back(key);
    } else if (!body.empty() && body[0] == '@') {
      names.push_back(Text());
    } else if (body.size() > 1 && body[0] == '"') {
      const size_t close = body.find('"', 1);
      if (close != std::string_view::npos) names.push_back(wb::FromUtf8(body.substr(1, close - 1)));
    }
    if (keys.size() >= 10 || names.size() >= 10) break;
  }
}

struct Probe {
  RegistryKeyPath key;
  Text name;
  std::optional<wb::RegistryValue> value;
};

std::vector<Probe> Take(const wb::RegistryDocument& doc, const std::vector<RegistryKeyPath>& keys,
                        const std::vector<Text>& names) {
  std::vector<Probe> out;
  for (const auto& key : keys) {
    for (const auto& name : names) out.push_back({key, name, doc.Value(key, name)});
  }
  return out;
}

bool Same(const std::optional<wb::RegistryValue>& a, const std::optional<wb::RegistryValue>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->kind == b->kind && a->text == b->text);
}

}  // namespace

// Arguments: file bytes, key path ("A\B"), value name, value text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const std::string_view bytes = args.Bytes(0);
  const RegistryKeyPath key = wb::SplitRegistryKey(args.Text(1));
  const Text name = args.Text(2);
  const Text value = args.Text(3);

  wb::RegistryDocument doc(bytes);
  const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                           (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
  if (!utf16) WB_FUZZ_CHECK(doc.Bytes() == bytes);

  std::vector<RegistryKeyPath> keys;
  std::vector<Text> names;
  Candidates(bytes, keys, names);
  keys.push_back(key);
  names.push_back(name);
  const auto before = Take(doc, keys, names);

  if (!wb::CheckRegistryNames(key, name).empty()) return 0;
  doc.SetText(key, name, value);
  // A text value ends at its first NUL.
  const Text stored = value.substr(0, value.find(u'\0'));
  const auto set = doc.Value(key, name);
  WB_FUZZ_CHECK(set && set->kind == wb::RegistryValueKind::Text && set->text == stored);
  WB_FUZZ_CHECK(doc.KeyExists(key));
  const wb::RegistryDocument reread(doc.Bytes());
  const auto back = reread.Value(key, name);
  WB_FUZZ_CHECK(back && back->kind == wb::RegistryValueKind::Text && back->text == stored);

  for (const auto& p : before) {
    if (SameKey(p.key, key) && wb::EqualIgnoringCase(p.name, name)) continue;
    WB_FUZZ_CHECK(Same(doc.Value(p.key, p.name), p.value));
    WB_FUZZ_CHECK(Same(reread.Value(p.key, p.name), p.value));
  }

  WB_FUZZ_CHECK(doc.DeleteValue(key, name));
  WB_FUZZ_CHECK(!doc.Value(key, name).has_value());
  for (const auto& p : before) {
    if (SameKey(p.key, key) && wb::EqualIgnoringCase(p.name, name)) continue;
    WB_FUZZ_CHECK(Same(doc.Value(p.key, p.name), p.value));
  }

  if (!key.empty()) {
    doc.SetText(key, name, value);
    WB_FUZZ_CHECK(doc.DeleteKey(key));
    WB_FUZZ_CHECK(!doc.KeyExists(key));
    for (const auto& p : before) {
      if (Below(p.key, key)) {
        WB_FUZZ_CHECK(!doc.Value(p.key, p.name).has_value());
      } else {
        WB_FUZZ_CHECK(Same(doc.Value(p.key, p.name), p.value));
      }
    }
  }
  return 0;
}
