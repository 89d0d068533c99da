#include "support/site_facts.h"
#include "support/lower_case.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "support/address_parts.h"

namespace wb {
namespace {

// Where `lowerNeedle` (in lower case) first stands in `text`, letters compared in either case;
// no copy of the text, which may be a whole page of many tags.
std::size_t FindCaseless(std::string_view text, std::string_view lowerNeedle) {
  const auto at = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                              [](char a, char b) { return AsciiLower(a) == b; });
  return at == text.end() ? std::string_view::npos : static_cast<std::size_t>(at - text.begin());
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// --- Addresses -----------------------------------------------------------------------------

// Removes "." and ".." segments from an absolute path.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t start = 1;
  bool trailing = false;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    trailing = false;
    if (segment == ".") {
      trailing = true;
    } else if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      trailing = true;
    } else {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string_view segment : segments) {
    out += '/';
    out += segment;
  }
  if (trailing || out.empty()) out += '/';
  return out;
}

}  // namespace

std::string WebAddress::Text() const {
  std::string out = scheme + "://" + host;
  if (!port.empty()) out += ":" + port;
  return out + path + query;
}

std::optional<WebAddress> ParseWebAddress(std::string_view text) {
  // ParseAddress forgives blanks at the ends, as an address box does; text read from a page
  // or a header with a blank or a control anywhere is no address to fetch.
  if (std::ranges::any_of(
          text, [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
    return std::nullopt;
  const AddressParts parts = ParseAddress(text);
  if (!parts.valid || !parts.hasAuthority || (parts.scheme != "http" && parts.scheme != "https"))
    return std::nullopt;
  // A name and password would be sent along with every fetch of the site's files.
  if (!parts.userInfo.empty()) return std::nullopt;
  WebAddress address;
  address.scheme = parts.scheme;
  address.host = parts.host;
  if (parts.port >= 0 && parts.port != DefaultPortOf(parts.scheme))
    address.port = std::to_string(parts.port);
  // The engine reads "\" in a web address's path as "/", and so does the fetch.
  std::string path = parts.path;
  std::ranges::replace(path, '\\', '/');
  address.path = RemoveDotSegments(path.empty() ? "/" : path);
  address.query = parts.query;
  return address;
}

std::optional<std::string> ResolveWebReference(std::string_view base, std::string_view reference) {
  const auto parsedBase = ParseWebAddress(base);
  if (!parsedBase) return std::nullopt;
  std::string_view ref = Trim(reference);
  if (const auto hash = ref.find('#'); hash != std::string_view::npos) ref = ref.substr(0, hash);
  if (!ParseAddress(ref).scheme.empty()) {
    const auto address = ParseWebAddress(ref);
    if (!address) return std::nullopt;
    return address->Text();
  }
  if (ref.substr(0, 2) == "//") {
    const auto address = ParseWebAddress(parsedBase->scheme + ":" + std::string(ref));
    if (!address) return std::nullopt;
    return address->Text();
  }
  WebAddress out = *parsedBase;
  if (ref.empty()) return out.Text();
  const auto question = ref.find('?');
  const std::string_view path = ref.substr(0, question);
  out.query = question == std::string_view::npos ? "" : std::string(ref.substr(question));
  if (!path.empty() && path.front() == '/') {
    out.path = path;
  } else if (!path.empty()) {
    out.path = parsedBase->path.substr(0, parsedBase->path.rfind('/') + 1) + std::string(path);
  }
  // The result must itself read back as a web address (no blanks or controls in the path); the
  // reading also removes the dot segments.
  const auto checked = ParseWebAddress(out.Text());
  if (!checked) return std::nullopt;
  return checked->Text();
}

// --- The page ------------------------------------------------------------------------------

namespace {

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
    const std::string name = LowerText(text.substr(i + 1, semi - i - 1));
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
        const int digit = hex ? HexValue(name[k]) : (IsDigit(name[k]) ? name[k] - '0' : -1);
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

std::string CollapseBlanks(std::string_view text) {
  std::string out;
  bool blank = false;
  for (const char c : Trim(text)) {
    if (IsBlank(c)) {
      blank = true;
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
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
  while (i < html.size() && !IsBlank(html[i]) && html[i] != '>' && html[i] != '/') {
    tag.name += Lower(html[i++]);
  }
  while (i < html.size() && html[i] != '>') {
    if (IsBlank(html[i]) || html[i] == '/') {
      ++i;
      continue;
    }
    std::string key;
    while (i < html.size() && !IsBlank(html[i]) && html[i] != '>' && html[i] != '=' &&
           html[i] != '/') {
      key += Lower(html[i++]);
    }
    while (i < html.size() && IsBlank(html[i])) ++i;
    std::string value;
    if (i < html.size() && html[i] == '=') {
      ++i;
      while (i < html.size() && IsBlank(html[i])) ++i;
      if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
        const char quote = html[i++];
        const auto close = html.find(quote, i);
        const std::size_t end = close == std::string_view::npos ? html.size() : close;
        value = std::string(html.substr(i, end - i));
        i = end + 1;
      } else {
        while (i < html.size() && !IsBlank(html[i]) && html[i] != '>') value += html[i++];
      }
    }
    if (!key.empty() && tag.attributes.size() < 64) {
      tag.attributes.emplace_back(key, DecodeEntities(value));
    }
  }
  return std::min(i + 1, html.size());
}

bool HasWord(std::string_view words, std::string_view word) {
  const std::string lower = LowerText(words);
  std::size_t i = 0;
  while (i < lower.size()) {
    while (i < lower.size() && IsBlank(lower[i])) ++i;
    std::size_t end = i;
    while (end < lower.size() && !IsBlank(lower[end])) ++end;
    if (std::string_view(lower).substr(i, end - i) == word) return true;
    i = end;
  }
  return false;
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
      facts.title = CollapseBlanks(DecodeEntities(text.substr(0, 4096)));
      haveTitle = true;
    } else if (tag.name == "meta") {
      if (LowerText(Trim(tag.Attribute("name"))) == "theme-color" && facts.themeColor.empty() &&
          tag.Attribute("media").empty()) {
        facts.themeColor = std::string(Trim(tag.Attribute("content")));
      }
    } else if (tag.name == "base") {
      if (facts.base.empty()) facts.base = tag.Attribute("href");
    } else if (tag.name == "link" && tag.Has("href")) {
      const std::string rel = tag.Attribute("rel");
      const std::string href = std::string(Trim(tag.Attribute("href")));
      if (href.empty()) continue;
      if (HasWord(rel, "manifest")) {
        if (facts.manifest.empty()) facts.manifest = href;
      } else if (facts.icons.size() < 64 &&
                 (HasWord(rel, "apple-touch-icon") || HasWord(rel, "icon"))) {
        facts.icons.push_back({href, HasWord(rel, "apple-touch-icon") ? "apple-touch-icon" : "icon",
                               tag.Attribute("sizes"), tag.Attribute("type")});
      }
    }
  }
  return facts;
}

// --- JSON ----------------------------------------------------------------------------------

const JsonValue* JsonValue::Member(std::string_view name) const {
  const JsonValue* found = nullptr;
  for (const auto& [key, value] : members) {
    if (key == name) found = &value;
  }
  return found;
}

std::string JsonValue::StringMember(std::string_view name) const {
  const JsonValue* value = Member(name);
  return value && value->kind == Kind::kString ? value->string : std::string();
}

namespace {

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  bool Parse(JsonValue& out, std::string* error) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    SkipBlanks();
    if (!Value(out, 0)) {
      if (error) *error = error_ + " at byte " + std::to_string(pos_);
      return false;
    }
    SkipBlanks();
    if (pos_ != text_.size()) {
      if (error) *error = "text after the JSON value at byte " + std::to_string(pos_);
      return false;
    }
    return true;
  }

 private:
  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return Fail("not JSON");
    pos_ += word.size();
    return true;
  }
  bool Value(JsonValue& out, int depth) {
    if (depth > kMaxJsonDepth) return Fail("JSON nested too deep");
    if (++count_ > kMaxJsonValues) return Fail("too many JSON values");
    if (pos_ >= text_.size()) return Fail("JSON ends early");
    const char c = text_[pos_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::kString;
      return String(out.string);
    }
    if (c == 't') {
      out.kind = JsonValue::Kind::kBool;
      out.boolean = true;
      return Literal("true");
    }
    if (c == 'f') {
      out.kind = JsonValue::Kind::kBool;
      return Literal("false");
    }
    if (c == 'n') return Literal("null");
    if (c == '-' || IsDigit(c)) return Number(out);
    return Fail("not JSON");
  }
  bool Number(JsonValue& out) {
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return Fail("a bad JSON number");
    if (text_[pos_] == '0') {
      ++pos_;
    } else {
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return Fail("a bad JSON number");
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return Fail("a bad JSON number");
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    out.kind = JsonValue::Kind::kNumber;
    out.number = std::strtod(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr);
    return true;
  }
  bool Hex4(std::uint32_t& code) {
    if (pos_ + 4 > text_.size()) return Fail("a bad JSON escape");
    code = 0;
    for (int k = 0; k < 4; ++k) {
      const int digit = HexValue(text_[pos_++]);
      if (digit < 0) return Fail("a bad JSON escape");
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }
  bool String(std::string& out) {
    ++pos_;
    while (true) {
      if (pos_ >= text_.size()) return Fail("a JSON string without its end");
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a JSON string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return Fail("a JSON string without its end");
      const char e = text_[pos_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t code;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            std::uint32_t low;
            if (!Hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a bad JSON surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return Fail("a bad JSON escape");
      }
    }
  }
  bool Array(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kArray;
    ++pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    while (true) {
      out.items.emplace_back();
      SkipBlanks();
      if (!Value(out.items.back(), depth + 1)) return false;
      SkipBlanks();
      if (pos_ >= text_.size()) return Fail("JSON ends early");
      if (text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      if (text_[pos_++] != ',') return Fail("expected \",\" or \"]\"");
    }
  }
  bool Object(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kObject;
    ++pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    while (true) {
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected a member name");
      std::string key;
      if (!String(key)) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_++] != ':') return Fail("expected \":\"");
      SkipBlanks();
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.members.push_back(JsonMember{std::move(key), std::move(value)});
      SkipBlanks();
      if (pos_ >= text_.size()) return Fail("JSON ends early");
      if (text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      if (text_[pos_++] != ',') return Fail("expected \",\" or \"}\"");
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t count_ = 0;
  std::string error_;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
  JsonValue value;
  JsonParser parser(text);
  if (!parser.Parse(value, error)) return std::nullopt;
  return value;
}

// --- The manifest --------------------------------------------------------------------------

std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error) {
  const auto json = ParseJson(text, error);
  if (!json) return std::nullopt;
  if (json->kind != JsonValue::Kind::kObject) {
    if (error) *error = "the manifest is not a JSON object";
    return std::nullopt;
  }
  ManifestFacts facts;
  facts.name = CollapseBlanks(json->StringMember("name"));
  facts.shortName = CollapseBlanks(json->StringMember("short_name"));
  facts.themeColor = std::string(Trim(json->StringMember("theme_color")));
  facts.backgroundColor = std::string(Trim(json->StringMember("background_color")));
  facts.display = LowerText(Trim(json->StringMember("display")));
  if (const std::string start = json->StringMember("start_url"); !start.empty()) {
    facts.startUrl = ResolveWebReference(manifestAddress, start).value_or("");
  }
  if (const std::string scope = json->StringMember("scope"); !scope.empty()) {
    facts.scope = ResolveWebReference(manifestAddress, scope).value_or("");
  }
  if (const JsonValue* icons = json->Member("icons");
      icons && icons->kind == JsonValue::Kind::kArray) {
    for (const JsonValue& icon : icons->items) {
      if (icon.kind != JsonValue::Kind::kObject || facts.icons.size() >= 64) continue;
      const auto src = ResolveWebReference(manifestAddress, icon.StringMember("src"));
      if (!src || icon.StringMember("src").empty()) continue;
      facts.icons.push_back({*src, icon.StringMember("sizes"), icon.StringMember("type"),
                             icon.StringMember("purpose")});
    }
  }
  return facts;
}

// --- The choices ---------------------------------------------------------------------------

std::string ConfigColor(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.front() != '#') return {};
  std::string_view digits = text.substr(1);
  if ((digits.size() != 3 && digits.size() != 6) ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return HexValue(c) >= 0; })) {
    return {};
  }
  std::string out = "#";
  for (const char c : digits) {
    const char upper = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
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
  const std::string lower = LowerText(sizes);
  std::size_t i = 0;
  while (i < lower.size()) {
    while (i < lower.size() && IsBlank(lower[i])) ++i;
    std::size_t end = i;
    while (end < lower.size() && !IsBlank(lower[end])) ++end;
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
      if (!std::all_of(w.begin(), w.end(), IsDigit) || !std::all_of(h.begin(), h.end(), IsDigit)) {
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
  const std::string t = LowerText(Trim(type));
  if (!t.empty()) return t == "image/png" || t == "image/svg+xml";
  const std::string a = LowerText(address.substr(0, address.find('?')));
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
      const bool forAny = HasWord(purpose, "any");
      const bool maskable = HasWord(purpose, "maskable");
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
