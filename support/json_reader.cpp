#include "support/json_reader.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

#include "support/ascii.h"
#include "support/text.h"

namespace wb {

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
  JsonParser(std::string_view text, std::size_t maxValues, int maxDepth)
      : text_(text), maxValues_(maxValues), maxDepth_(maxDepth) {}

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
    while (pos_ < text_.size() && IsBlankOrLineEnd(text_[pos_])) ++pos_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return Fail("not JSON");
    pos_ += word.size();
    return true;
  }
  bool Value(JsonValue& out, int depth) {
    if (depth > maxDepth_) return Fail("JSON nested too deep");
    if (++count_ > maxValues_) return Fail("too many JSON values");
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
    if (c == '-' || IsAsciiDigit(c)) return Number(out);
    return Fail("not JSON");
  }
  bool Number(JsonValue& out) {
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    if (pos_ >= text_.size() || !IsAsciiDigit(text_[pos_])) return Fail("a bad JSON number");
    if (text_[pos_] == '0') {
      ++pos_;
    } else {
      while (pos_ < text_.size() && IsAsciiDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (pos_ >= text_.size() || !IsAsciiDigit(text_[pos_])) return Fail("a bad JSON number");
      while (pos_ < text_.size() && IsAsciiDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (pos_ >= text_.size() || !IsAsciiDigit(text_[pos_])) return Fail("a bad JSON number");
      while (pos_ < text_.size() && IsAsciiDigit(text_[pos_])) ++pos_;
    }
    out.kind = JsonValue::Kind::kNumber;
    out.number = std::strtod(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr);
    return true;
  }
  bool Hex4(std::uint32_t& code) {
    if (pos_ + 4 > text_.size()) return Fail("a bad JSON escape");
    code = 0;
    for (int k = 0; k < 4; ++k) {
      const int digit = AsciiHexValue(text_[pos_++]);
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
  std::size_t maxValues_;
  int maxDepth_;
  std::size_t pos_ = 0;
  std::size_t count_ = 0;
  std::string error_;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error, std::size_t maxValues,
                                   int maxDepth) {
  JsonValue value;
  JsonParser parser(text, maxValues, maxDepth);
  if (!parser.Parse(value, error)) return std::nullopt;
  return value;
}

}  // namespace wb
