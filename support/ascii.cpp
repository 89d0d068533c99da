#include "support/ascii.h"

namespace wb {

std::string AsciiLowerCase(std::string_view bytes) {
  std::string lowered(bytes);
  for (char& c : lowered) c = AsciiLower(c);
  return lowered;
}

std::string CollapseWebBlanks(std::string_view text) {
  std::string out;
  bool blank = false;
  for (const char c : TrimWebBlanks(text)) {
    if (IsWebBlank(c)) {
      blank = true;
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

bool HasWebWord(std::string_view words, std::string_view word) {
  std::size_t i = 0;
  while (i < words.size()) {
    while (i < words.size() && IsWebBlank(words[i])) ++i;
    std::size_t end = i;
    while (end < words.size() && !IsWebBlank(words[end])) ++end;
    const std::string_view found = words.substr(i, end - i);
    if (found.size() == word.size() && AsciiLowerCase(found) == word) return true;
    i = end;
  }
  return false;
}

}  // namespace wb
