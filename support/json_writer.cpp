#include "support/json_writer.h"

#include <cstdio>

namespace wb {

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!filled_.empty()) {
    if (filled_.back()) out_ += ',';
    filled_.back() = true;
  }
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  filled_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_ += '}';
  if (!filled_.empty()) filled_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  filled_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_ += ']';
  if (!filled_.empty()) filled_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeforeValue();
  Escaped(name);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

void JsonWriter::Escaped(std::string_view utf8) {
  // Decoding and encoding again turns malformed bytes into U+FFFD.
  const std::string valid = ToUtf8(FromUtf8(utf8));
  out_ += '"';
  for (char ch : valid) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        if (c < 0x20) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04x", c);
          out_ += code;
        } else {
          out_ += ch;
        }
    }
  }
  out_ += '"';
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  Escaped(utf8);
  return *this;
}

JsonWriter& JsonWriter::String(TextView text) {
  return String(std::string_view(ToUtf8(text)));
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Strings(const std::vector<Text>& values) {
  BeginArray();
  for (const Text& v : values) String(TextView(v));
  return EndArray();
}

}  // namespace wb
