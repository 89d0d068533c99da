// The ini reader and writer (IniDocument) on generated files.
// Properties: an untouched document writes back the very bytes it read; a write of a value
// that CheckWritable accepts reads back exactly, also after the bytes are parsed again; every
// other entry that read before the write reads the same after it; writing the same value a
// second time changes no byte.
#include <optional>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "storage/ini_file.h"
#include "storage/text_lines.h"

namespace {

using wb::Text;

// Blanks around section names and names are not part of them.
Text Trim(const Text& t) {
  const size_t b = t.find_first_not_of(u" \t");
  if (b == Text::npos) return {};
  return t.substr(b, t.find_last_not_of(u" \t") - b + 1);
}

// Section and entry names that the file seems to hold, found by a rough scan of its lines,
// plus the names of the write; the reader itself decides what they read.
std::vector<Text> Candidates(std::string_view bytes, bool sections) {
  std::vector<Text> out;
  for (const std::string& line : wb::SplitLinesKeepingEnds(bytes)) {
    const std::string_view body = wb::TrimBlanks(wb::LineBody(line));
    if (sections && !body.empty() && body[0] == '[') {
      const size_t close = body.find(']');
      if (close != std::string_view::npos) {
        out.push_back(wb::FromUtf8(wb::TrimBlanks(body.substr(1, close - 1))));
      }
    } else if (!sections && body.find('=') != std::string_view::npos) {
      out.push_back(wb::FromUtf8(wb::TrimBlanks(body.substr(0, body.find('=')))));
    }
    if (out.size() >= 12) break;
  }
  return out;
}

using Snapshot = std::vector<std::pair<std::pair<Text, Text>, std::optional<Text>>>;

Snapshot Take(const wb::IniDocument& doc, const std::vector<Text>& sections,
              const std::vector<Text>& names) {
  Snapshot s;
  for (const Text& section : sections) {
    for (const Text& name : names) s.push_back({{section, name}, doc.Read(section, name)});
  }
  return s;
}

}  // namespace

// Arguments: file bytes, section, name, value.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const std::string_view bytes = args.Bytes(0);
  const Text section = args.Text(1);
  const Text name = args.Text(2);
  const Text value = args.Text(3);

  wb::IniDocument doc(bytes);
  const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                           (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
  if (!utf16) WB_FUZZ_CHECK(doc.Bytes() == bytes);

  std::vector<Text> sections = Candidates(bytes, true);
  std::vector<Text> names = Candidates(bytes, false);
  sections.push_back(section);
  names.push_back(name);
  const Snapshot before = Take(doc, sections, names);

  if (!wb::IniDocument::CheckWritable(section, name, value).empty()) return 0;
  doc.Write(section, name, value);
  WB_FUZZ_CHECK(doc.Read(section, name) == value);
  const std::string written = doc.Bytes();
  const wb::IniDocument reread(written);
  WB_FUZZ_CHECK(reread.Read(section, name) == value);

  for (const auto& [key, old] : before) {
    if (wb::EqualIgnoringCase(Trim(key.first), Trim(section)) &&
        wb::EqualIgnoringCase(Trim(key.second), Trim(name))) {
      continue;
    }
    WB_FUZZ_CHECK(doc.Read(key.first, key.second) == old);
    WB_FUZZ_CHECK(reread.Read(key.first, key.second) == old);
  }

  wb::IniDocument again(written);
  again.Write(section, name, value);
  WB_FUZZ_CHECK(again.Bytes() == written);
  return 0;
}
