#include "support/fields.h"

#include "support/lower_case.h"

namespace wb {

int FindLastText(TextView pattern, TextView text) {
  if (pattern.empty() || text.empty() || pattern.size() > text.size()) return 0;
  const Text lowerPattern = LowerCase(pattern);
  const Text lowerText = LowerCase(text);
  // rfind finds the rightmost start, so overlapping occurrences count.
  const auto pos = lowerText.rfind(lowerPattern);
  return pos == Text::npos ? 0 : static_cast<int>(pos) + 1;
}

bool IsListMember(TextView word, TextView list, TextView separator) {
  Text haystack;
  haystack.reserve(list.size() + 2 * separator.size());
  haystack.append(separator).append(list).append(separator);
  Text needle;
  needle.reserve(word.size() + 2 * separator.size());
  needle.append(separator).append(word).append(separator);
  return haystack.find(needle) != Text::npos;
}

Text ReplaceAll(TextView text, TextView oldText, TextView newText) {
  if (oldText.empty()) return Text(text);
  Text result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (auto at = text.find(oldText); at != TextView::npos; at = text.find(oldText, from)) {
    result.append(text.substr(from, at - from)).append(newText);
    from = at + oldText.size();
  }
  result.append(text.substr(from));
  return result;
}

void ReplaceAllInPlace(Text& text, TextView oldText, TextView newText) {
  if (oldText.empty() || text.find(oldText) == Text::npos) return;
  text = ReplaceAll(text, oldText, newText);
}

Text DetectSeparator(TextView text) {
  // Later entries win, so the order here is the order of preference reversed.
  static constexpr TextView kDefaultSeparators[] = {u",", u"<br>", u"|", u";", u"\t"};
  TextView choice = u"\t";
  for (TextView candidate : kDefaultSeparators) {
    if (text.find(candidate) != TextView::npos) choice = candidate;
  }
  return Text(choice);
}

Text TakeField(Text& source, TextView separator) {
  if (source.empty()) return Text();
  Text detected;
  if (separator.empty()) {
    detected = DetectSeparator(source);
    separator = detected;
  }
  const auto at = source.find(separator);
  if (at == Text::npos) {
    Text field = std::move(source);
    source.clear();
    return field;
  }
  Text field = source.substr(0, at);
  source.erase(0, at + separator.size());
  return field;
}

Text GetField(TextView text, TextView separator, int n) {
  if (n <= 0) return Text();
  Text rest(text);
  const Text detected = separator.empty() ? DetectSeparator(text) : Text();
  if (separator.empty()) separator = detected;
  Text field;
  for (int i = 0; i < n; ++i) {
    field = TakeField(rest, separator);
    // Once the text is used up every further step gives an empty field as well.
    if (rest.empty() && field.empty()) break;
  }
  return field;
}

}  // namespace wb
