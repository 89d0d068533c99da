#include "storage/registry_file.h"

#include <cstddef>
#include <cstdlib>

#include "storage/text_lines.h"
#include "support/ascii.h"
#include "support/lower_case.h"

namespace wb {

namespace {

constexpr std::string_view kRootName = kHiveRootName;
constexpr std::string_view kSignature = "Windows Registry Editor Version 5.00";

bool HasBreak(TextView text) {
  return text.find_first_of(u"\r\n") != TextView::npos;
}

// A quoted name or text starting at `s[pos]` == '"'. On success returns the unescaped bytes and
// moves `pos` past the closing quote; returns nullopt when the quote is not closed.
std::optional<std::string> ParseQuoted(std::string_view s, size_t& pos) {
  // Most texts have no escapes: take them whole.
  size_t special = s.find_first_of("\"\\", pos + 1);
  if (special != std::string_view::npos && s[special] == '"') {
    std::string out(s.substr(pos + 1, special - pos - 1));
    pos = special + 1;
    return out;
  }
  std::string out;
  for (size_t i = pos + 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      pos = i + 1;
      return out;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char next = s[i + 1];
      if (next == '\\' || next == '"') {
        out += next;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return std::nullopt;
}

std::string Quote(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// Comma-separated bytes of hex data; the physical lines of a continued value are joined first.
// A trailing comma is tolerated; an empty list is an empty value.
std::optional<std::string> ParseHexBytes(std::string_view data) {
  data = TrimBlanks(data);
  if (data.ends_with(',')) data.remove_suffix(1);
  std::string bytes;
  if (TrimBlanks(data).empty()) return bytes;
  for (size_t pos = 0;;) {
    size_t comma = data.find(',', pos);
    std::string_view token = TrimBlanks(
        data.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
    if (token.empty() || token.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : token) {
      int digit = AsciiHexValue(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    bytes += static_cast<char>(value);
    if (comma == std::string_view::npos) return bytes;
    pos = comma + 1;
  }
}

Text Utf16LeUpToNul(std::string_view bytes) {
  Text text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

struct ParsedData {
  RegistryValueKind kind = RegistryValueKind::Other;
  std::string utf8;  // for the text kinds
};

// The data of a value line after the "=". Returns nullopt for damaged data.
std::optional<ParsedData> ParseData(std::string_view data) {
  data = TrimBlanks(data);
  ParsedData value;
  if (data.starts_with('"')) {
    size_t pos = 0;
    auto text = ParseQuoted(data, pos);
    if (!text || !TrimBlanks(data.substr(pos)).empty()) return std::nullopt;
    value.kind = RegistryValueKind::Text;
    value.utf8 = std::move(*text);
    return value;
  }
  auto startsWithNoCase = [&](std::string_view prefix) {
    if (data.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      if (AsciiLower(data[i]) != prefix[i]) return false;
    }
    return true;
  };
  for (auto [prefix, kind] :
       {std::pair{std::string_view("hex(1):"), RegistryValueKind::Text},
        std::pair{std::string_view("hex(2):"), RegistryValueKind::ExpandableText}}) {
    if (startsWithNoCase(prefix)) {
      auto bytes = ParseHexBytes(data.substr(prefix.size()));
      if (!bytes) return std::nullopt;
      value.kind = kind;
      value.utf8 = ToUtf8(Utf16LeUpToNul(*bytes));
      return value;
    }
  }
  if (startsWithNoCase("hex") || startsWithNoCase("dword:") || startsWithNoCase("qword:") ||
      data == "-") {
    return value;  // a value of another kind
  }
  return std::nullopt;
}

// Joins the physical lines of a value whose hex data continues with a "\" at the line end.
std::string JoinContinued(std::string_view raw) {
  std::string joined;
  for (const auto& line : SplitLinesKeepingEnds(raw)) {
    std::string_view body = LineBody(line);
    std::string_view trimmed = TrimBlanks(body);
    if (trimmed.ends_with('\\')) trimmed.remove_suffix(1);
    joined += trimmed;
  }
  return joined;
}

bool StartsContinuedHex(std::string_view body) {
  // The data starts after the name, which may itself hold "=".
  size_t pos = 0;
  if (body.starts_with('@')) {
    pos = 1;
  } else if (!ParseQuoted(body, pos)) {
    return false;
  }
  std::string_view rest = TrimBlanks(body.substr(pos));
  if (!rest.starts_with('=')) return false;
  std::string_view data = TrimBlanks(rest.substr(1));
  return (data.starts_with("hex") || data.starts_with("HEX")) && TrimBlanks(body).ends_with('\\');
}

// A line that continues hex data holds only hex digits, commas, blanks and a final "\". Any
// other line ends the value, so that a value cut short cannot swallow the key after it.
bool IsHexContinuation(std::string_view line) {
  std::string_view body = TrimBlanks(LineBody(line));
  if (body.empty()) return false;
  for (char c : body) {
    if (AsciiHexValue(c) < 0 && c != ',' && c != ' ' && c != '\t' && c != '\\') return false;
  }
  return true;
}

bool IsPrefix(const RegistryKeyPath& prefix, const RegistryKeyPath& path) {
  if (prefix.size() > path.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!EqualIgnoringCase(prefix[i], path[i])) return false;
  }
  return true;
}

bool SamePath(const RegistryKeyPath& a, const RegistryKeyPath& b) {
  return a.size() == b.size() && IsPrefix(a, b);
}

std::string HexText(TextView text, std::string_view lineEnd) {
  static const char digits[] = "0123456789abcdef";
  std::string out = "hex(1):";
  size_t count = 0;
  auto addByte = [&](unsigned char byte, bool last) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
    if (!last) {
      out += ',';
      if (++count % 24 == 0) {
        out += '\\';
        out += lineEnd;
        out += "  ";
      }
    }
  };
  Text terminated(text);
  terminated.push_back(u'\0');
  for (size_t i = 0; i < terminated.size(); ++i) {
    addByte(static_cast<unsigned char>(terminated[i] & 0xFF), false);
    addByte(static_cast<unsigned char>(terminated[i] >> 8), i + 1 == terminated.size());
  }
  return out;
}

}  // namespace

RegistryKeyPath SplitRegistryKey(TextView key) {
  RegistryKeyPath path;
  size_t start = 0;
  while (start <= key.size()) {
    size_t slash = key.find(u'\\', start);
    size_t end = slash == TextView::npos ? key.size() : slash;
    if (end > start) path.emplace_back(key.substr(start, end - start));
    if (slash == TextView::npos) break;
    start = slash + 1;
  }
  return path;
}

std::string CheckRegistryNames(const RegistryKeyPath& key, TextView name) {
  for (const auto& part : key) {
    if (part.size() > 255) return "a key name is longer than 255 characters";
    if (HasBreak(part) || part.find(u'\0') != Text::npos) return "a key name has a line break";
  }
  if (name.size() > 16383) return "the value name is longer than 16383 characters";
  if (HasBreak(name) || name.find(u'\0') != TextView::npos) {
    return "the value name has a line break";
  }
  return {};
}

RegistryDocument::RegistryDocument(std::string_view bytes) : utf8Bom_(HasUtf8Bom(bytes)) {
  std::string utf8 = NormaliseToUtf8(bytes);
  std::vector<std::string> physical = SplitLinesKeepingEnds(utf8);
  lines_.reserve(physical.size());
  for (size_t i = 0; i < physical.size(); ++i) {
    Line line;
    line.raw = std::move(physical[i]);
    std::string_view body = TrimBlanks(LineBody(line.raw));
    if (body.starts_with('[')) {
      if (!body.ends_with(']')) {
        line.kind = Kind::DamagedKey;
      } else if (body.starts_with("[-")) {
        line.kind = Kind::ForeignKey;  // a deletion entry of an import file: nothing to read
      } else {
        RegistryKeyPath path = SplitRegistryKey(FromUtf8(body.substr(1, body.size() - 2)));
        if (!path.empty() && EqualIgnoringCase(path.front(), FromUtf8(kRootName))) {
          line.kind = Kind::Key;
          line.key.assign(path.begin() + 1, path.end());
        } else {
          line.kind = Kind::ForeignKey;
        }
      }
    } else if (body.starts_with('"') || body.starts_with('@')) {
      bool continued = false;
      if (StartsContinuedHex(body)) {
        while (i + 1 < physical.size() && TrimBlanks(LineBody(line.raw)).ends_with('\\') &&
               IsHexContinuation(physical[i + 1])) {
          line.raw += physical[++i];
          continued = true;
        }
      }
      // `body` views the first line, which appending has moved; the joined text replaces it.
      std::string joined = continued ? JoinContinued(line.raw) : std::string();
      std::string_view text = continued ? std::string_view(joined) : body;
      size_t pos = 0;
      std::optional<std::string> name;
      if (text.starts_with('@')) {
        name = std::string();
        pos = 1;
      } else {
        name = ParseQuoted(text, pos);
      }
      std::string_view rest = name ? TrimBlanks(text.substr(pos)) : std::string_view();
      std::optional<ParsedData> value;
      if (name && rest.starts_with('=')) value = ParseData(rest.substr(1));
      if (value) {
        line.kind = Kind::Value;
        line.name = std::move(*name);
        line.valueKind = value->kind;
        line.valueUtf8 = std::move(value->utf8);
      } else {
        line.kind = Kind::DamagedValue;
      }
    } else if (!body.empty() && !body.starts_with(';') &&
               !(i == 0 && (body == kSignature || body == "REGEDIT4"))) {
      line.kind = Kind::DamagedValue;  // neither a key, a value nor a comment
    }
    lines_.push_back(std::move(line));
  }
}

bool RegistryDocument::IsKeyLine(size_t index) const {
  Kind kind = lines_[index].kind;
  return kind == Kind::Key || kind == Kind::ForeignKey || kind == Kind::DamagedKey;
}

size_t RegistryDocument::SectionEnd(size_t header) const {
  size_t end = header + 1;
  while (end < lines_.size() && !IsKeyLine(end)) ++end;
  return end;
}

std::string RegistryDocument::NewLineEnd() const {
  for (const auto& line : lines_) {
    if (!LineEnd(line.raw).empty()) return std::string(LineEnd(line.raw));
  }
  return "\n";
}

std::optional<RegistryValue> RegistryDocument::Value(const RegistryKeyPath& key,
                                                     TextView name) const {
  const std::string nameUtf8 = ToUtf8(name);
  const Line* found = nullptr;
  for (size_t h = 0; h < lines_.size(); ++h) {
    if (lines_[h].kind != Kind::Key || !SamePath(lines_[h].key, key)) continue;
    size_t end = SectionEnd(h);
    for (size_t i = h + 1; i < end; ++i) {
      if (lines_[i].kind == Kind::Value && EqualIgnoringCaseUtf8(lines_[i].name, nameUtf8)) {
        found = &lines_[i];
      }
    }
  }
  if (!found) return std::nullopt;
  RegistryValue value;
  value.kind = found->valueKind;
  if (value.kind != RegistryValueKind::Other) value.text = FromUtf8(found->valueUtf8);
  return value;
}

bool RegistryDocument::KeyExists(const RegistryKeyPath& key) const {
  if (key.empty()) return true;
  for (const auto& line : lines_) {
    if (line.kind == Kind::Key && IsPrefix(key, line.key)) return true;
  }
  return false;
}

void RegistryDocument::SetText(const RegistryKeyPath& key, TextView name, TextView value) {
  // A text value ends at its first NUL, as it reads back from the file; keeping the rest here
  // would make this document disagree with the bytes it writes.
  value = value.substr(0, value.find(u'\0'));
  const std::string lineEnd = NewLineEnd();
  const std::string nameUtf8 = ToUtf8(name);
  const std::string valueUtf8 = ToUtf8(value);
  auto valueText = [&](std::string_view spelledName) {
    std::string text = spelledName.empty() ? "@" : Quote(spelledName);
    text += '=';
    bool plain =
        value.find_first_of(u"\r\n") == TextView::npos && value.find(u'\0') == TextView::npos;
    text += plain ? Quote(valueUtf8) : HexText(value, lineEnd);
    return text;
  };
  auto terminate = [&](size_t index) {
    if (LineEnd(lines_[index].raw).empty()) lines_[index].raw += lineEnd;
  };
  Line entry;
  entry.kind = Kind::Value;
  entry.name = nameUtf8;
  entry.valueKind = RegistryValueKind::Text;
  entry.valueUtf8 = valueUtf8;

  // The last line of the value wins on reading, so that is the one to change.
  std::optional<size_t> existing;
  std::optional<size_t> insertAfter;
  for (size_t h = 0; h < lines_.size(); ++h) {
    if (lines_[h].kind != Kind::Key || !SamePath(lines_[h].key, key)) continue;
    size_t end = SectionEnd(h);
    insertAfter = h;
    for (size_t i = h + 1; i < end; ++i) {
      if (lines_[i].kind != Kind::Value) continue;
      insertAfter = i;
      if (EqualIgnoringCaseUtf8(lines_[i].name, nameUtf8)) existing = i;
    }
  }
  if (existing) {
    Line& line = lines_[*existing];
    entry.name = line.name;  // the name keeps its spelling in the file
    entry.raw = valueText(line.name) + std::string(LineEnd(line.raw));
    line = std::move(entry);
    return;
  }
  entry.raw = valueText(nameUtf8) + lineEnd;
  if (insertAfter) {
    terminate(*insertAfter);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAfter) + 1, std::move(entry));
    return;
  }
  if (lines_.empty()) {
    Line signature;
    signature.raw = std::string(kSignature) + lineEnd;
    lines_.push_back(std::move(signature));
  } else {
    terminate(lines_.size() - 1);
  }
  if (!TrimBlanks(LineBody(lines_.back().raw)).empty()) {
    Line blank;
    blank.raw = lineEnd;
    lines_.push_back(std::move(blank));
  }
  Line header;
  header.kind = Kind::Key;
  header.key = key;
  header.raw = "[" + std::string(kRootName);
  for (const auto& part : key) header.raw += "\\" + ToUtf8(part);
  header.raw += "]" + lineEnd;
  lines_.push_back(std::move(header));
  lines_.push_back(std::move(entry));
}

bool RegistryDocument::DeleteValue(const RegistryKeyPath& key, TextView name) {
  const std::string nameUtf8 = ToUtf8(name);
  bool removed = false;
  for (size_t h = 0; h < lines_.size(); ++h) {
    if (lines_[h].kind != Kind::Key || !SamePath(lines_[h].key, key)) continue;
    for (size_t i = SectionEnd(h); i-- > h + 1;) {
      if (lines_[i].kind == Kind::Value && EqualIgnoringCaseUtf8(lines_[i].name, nameUtf8)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
    }
  }
  return removed;
}

bool RegistryDocument::DeleteKey(const RegistryKeyPath& key) {
  if (key.empty()) return false;
  bool removed = false;
  for (size_t h = lines_.size(); h-- > 0;) {
    if (lines_[h].kind != Kind::Key || !IsPrefix(key, lines_[h].key)) continue;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(h)));
    removed = true;
  }
  return removed;
}

std::string RegistryDocument::Bytes() const {
  std::string out(utf8Bom_ ? kUtf8Bom : "");
  for (const auto& line : lines_) out += line.raw;
  return out;
}

size_t RegistryDocument::DamagedLines() const {
  size_t count = 0;
  for (const auto& line : lines_) {
    if (line.kind == Kind::DamagedKey || line.kind == Kind::DamagedValue) ++count;
  }
  return count;
}

}  // namespace wb
