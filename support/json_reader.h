#pragma once
// A bounded reader of JSON text (RFC 8259) that comes from outside: a site's manifest, a
// running window's answer. It refuses what is not JSON with a reason, and limits how deep and
// how much it reads.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// A JSON value as RFC 8259 writes it. Numbers are kept as doubles; strings are UTF-8.
struct JsonMember;
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> items;     // kArray
  std::vector<JsonMember> members;  // kObject, in order
  // The member `name` of an object (the last one written wins), or nullptr.
  const JsonValue* Member(std::string_view name) const;
  // The member as a string, or empty text when it is missing or no string.
  std::string StringMember(std::string_view name) const;
};
// A member of an object: its name and its value.
struct JsonMember {
  std::string first;
  JsonValue second;
};
// Parses a whole JSON text (a UTF-8 byte order mark allowed before it). nullopt with a
// reason in `error` when it is not JSON, nests deeper than `maxDepth` or holds more than
// `maxValues` values. A caller whose text is bounded otherwise (a record of bounded size) may
// allow more values than a site's manifest needs.
inline constexpr int kMaxJsonDepth = 64;
inline constexpr std::size_t kMaxJsonValues = 100000;
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error,
                                   std::size_t maxValues = kMaxJsonValues,
                                   int maxDepth = kMaxJsonDepth);

}  // namespace wb
