#pragma once
// A JSON text written in one pass, for the answers the program gives other programs (the
// window's state). The writer places the commas and escapes the strings; the caller gives the
// structure in order. Strings are written as valid UTF-8 whatever the input holds: malformed
// bytes become U+FFFD, so the result always parses.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

namespace wb {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the object being written.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(TextView text);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A member: Key(name) and the value.
  template <class T>
  JsonWriter& Member(std::string_view name, const T& value) {
    Key(name);
    return Value(value);
  }
  JsonWriter& Strings(const std::vector<Text>& values);

  const std::string& Result() const { return out_; }

 private:
  JsonWriter& Value(const Text& v) { return String(TextView(v)); }
  JsonWriter& Value(const std::string& v) { return String(std::string_view(v)); }
  JsonWriter& Value(const char* v) { return String(std::string_view(v)); }
  JsonWriter& Value(bool v) { return Bool(v); }
  JsonWriter& Value(int v) { return Int(v); }
  JsonWriter& Value(unsigned v) { return Int(v); }
  JsonWriter& Value(const std::vector<Text>& v) { return Strings(v); }
  void BeforeValue();
  void Escaped(std::string_view utf8);

  std::string out_;
  // Per open object or array: whether it has an element yet.
  std::vector<bool> filled_;
  bool afterKey_ = false;
};

}  // namespace wb
