#pragma once
// The ASCII character classes and conversions the system's readers use, in one place. They
// never depend on the locale (the <cctype> functions do, and a negative char is undefined
// behaviour for them), and every other character, including every byte over 127, is in no
// class and stays itself.
#include <string>
#include <string_view>

namespace wb {

// "0" to "9".
constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
// "a" to "z" and "A" to "Z".
constexpr bool IsAsciiLowerLetter(char c) {
  return c >= 'a' && c <= 'z';
}
constexpr bool IsAsciiUpperLetter(char c) {
  return c >= 'A' && c <= 'Z';
}
constexpr bool IsAsciiAlpha(char c) {
  return IsAsciiLowerLetter(c) || IsAsciiUpperLetter(c);
}
constexpr bool IsAsciiAlnum(char c) {
  return IsAsciiAlpha(c) || IsAsciiDigit(c);
}
// The value of a hexadecimal digit (either case), -1 for any other character.
constexpr int AsciiHexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
constexpr int AsciiHexValue(char c) {
  return AsciiHexValue(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

// "A" to "Z" become "a" to "z"; every other character stays.
constexpr char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}
constexpr char AsciiLower(char c) {
  return IsAsciiUpperLetter(c) ? static_cast<char>(c + ('a' - 'A')) : c;
}
// "a" to "z" become "A" to "Z"; every other character stays.
constexpr char AsciiUpper(char c) {
  return IsAsciiLowerLetter(c) ? static_cast<char>(c - ('a' - 'A')) : c;
}
// The bytes with AsciiLower applied to each.
std::string AsciiLowerCase(std::string_view bytes);

// A blank as the C locale counts them: space, tab, line feed, vertical tab, form feed and
// carriage return.
constexpr bool IsAsciiSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
// A blank between the tokens of JSON and of Base64 text: space, tab, line feed and carriage
// return.
constexpr bool IsBlankOrLineEnd(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
// A blank as the web's text formats count them (HTML, and the words of a "rel" or "sizes"
// value): space, tab, line feed, carriage return and form feed.
constexpr bool IsWebBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
// The text without the web blanks at either end.
constexpr std::string_view TrimWebBlanks(std::string_view text) {
  while (!text.empty() && IsWebBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWebBlank(text.back())) text.remove_suffix(1);
  return text;
}
// The text trimmed of web blanks, every run of them inside made one space.
std::string CollapseWebBlanks(std::string_view text);
// Whether `word` (in lower case) is one of the blank-separated words of `words`, whose letters
// may be of either case.
bool HasWebWord(std::string_view words, std::string_view word);

}  // namespace wb
