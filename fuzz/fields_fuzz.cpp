// The field operations against plain reference implementations written here from their
// contracts: TakeField, GetField, DetectSeparator, IsListMember, ReplaceAll (and its in-place
// form) and FindLastText. The references search character by character, without the standard
// library's search, so that a shared mistake is unlikely.
#include <climits>

#include "fuzz/fuzz_check.h"
#include "support/fields.h"
#include "support/lower_case.h"

namespace {

using wb::Text;
using wb::TextView;

// First position (from 0) at or after `from` where `part` occurs in `s`; npos when none.
size_t NaiveFind(TextView s, TextView part, size_t from = 0) {
  if (part.size() > s.size()) return Text::npos;
  for (size_t i = from; i + part.size() <= s.size(); ++i) {
    size_t k = 0;
    while (k < part.size() && s[i + k] == part[k]) ++k;
    if (k == part.size()) return i;
  }
  return Text::npos;
}

Text RefDetectSeparator(TextView text) {
  const TextView order[] = {u",", u"<br>", u"|", u";", u"\t"};
  Text choice = u"\t";
  for (TextView sep : order) {
    if (NaiveFind(text, sep) != Text::npos) choice = Text(sep);
  }
  return choice;
}

Text RefTakeField(Text& source, Text sep) {
  if (source.empty()) return {};
  if (sep.empty()) sep = RefDetectSeparator(source);
  const size_t at = NaiveFind(source, sep);
  if (at == Text::npos) {
    Text all = source;
    source.clear();
    return all;
  }
  Text field = source.substr(0, at);
  source = source.substr(at + sep.size());
  return field;
}

// The fields of a text, split at every separator; "a," has the fields "a" and nothing more,
// because TakeField leaves an empty source after the last separator.
Text RefGetField(TextView text, Text sep, long long n) {
  if (n < 1) return {};
  if (sep.empty()) sep = RefDetectSeparator(text);
  Text rest(text);
  Text field;
  for (long long i = 0; i < n; ++i) {
    if (rest.empty()) return {};
    field = RefTakeField(rest, sep);
  }
  return field;
}

bool RefIsListMember(TextView word, TextView list, TextView sep) {
  const Text haystack = Text(sep) + Text(list) + Text(sep);
  const Text needle = Text(sep) + Text(word) + Text(sep);
  return NaiveFind(haystack, needle) != Text::npos;
}

Text RefReplaceAll(TextView text, TextView oldText, TextView newText) {
  if (oldText.empty()) return Text(text);
  Text out;
  size_t i = 0;
  while (i < text.size()) {
    if (NaiveFind(text.substr(i, oldText.size()), oldText) == 0) {
      out += newText;
      i += oldText.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

int RefFindLastText(TextView pattern, TextView text) {
  if (pattern.empty() || text.empty()) return 0;
  const Text p = wb::LowerCase(pattern);
  const Text t = wb::LowerCase(text);
  for (size_t i = t.size(); i-- > 0;) {
    if (NaiveFind(TextView(t).substr(i, p.size()), p) == 0) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace

// Arguments: text, separator (or pattern, old text), replacement, n.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const Text text = args.Text(0);
  const Text sep = args.Text(1);
  const Text other = args.Text(2);
  // n from the first bytes of the fourth argument: small values most of the time, and the
  // extremes when asked for.
  long long n = args.Small(3) - 2;
  if (args.Bytes(3).size() >= 2 && args.Bytes(3)[1] == 'M') n = INT_MAX;
  if (args.Bytes(3).size() >= 2 && args.Bytes(3)[1] == 'm') n = INT_MIN;

  WB_FUZZ_CHECK(wb::DetectSeparator(text) == RefDetectSeparator(text));

  Text source = text;
  Text refSource = text;
  const Text field = wb::TakeField(source, sep);
  WB_FUZZ_CHECK(field == RefTakeField(refSource, sep));
  WB_FUZZ_CHECK(source == refSource);
  // Nothing is lost: the field, the separator that went with it and the rest make the source.
  WB_FUZZ_CHECK(field.size() + source.size() <= text.size());

  WB_FUZZ_CHECK(wb::GetField(text, sep, static_cast<int>(n)) == RefGetField(text, sep, n));
  // The first field is always what TakeField takes.
  WB_FUZZ_CHECK(wb::GetField(text, sep, 1) == field);

  WB_FUZZ_CHECK(wb::IsListMember(other, text, sep) == RefIsListMember(other, text, sep));
  // Every field that TakeField produces is a member of the list it came from.
  if (!sep.empty()) {
    Text rest = text;
    for (int i = 0; i < 64 && !rest.empty(); ++i) {
      WB_FUZZ_CHECK(wb::IsListMember(wb::TakeField(rest, sep), text, sep));
    }
  }

  const Text replaced = wb::ReplaceAll(text, sep, other);
  WB_FUZZ_CHECK(replaced == RefReplaceAll(text, sep, other));
  Text inPlace = text;
  wb::ReplaceAllInPlace(inPlace, sep, other);
  WB_FUZZ_CHECK(inPlace == replaced);

  const int last = wb::FindLastText(sep, text);
  WB_FUZZ_CHECK(last == RefFindLastText(sep, text));
  WB_FUZZ_CHECK(last == wb::FindLastText(wb::LowerCase(sep), text));
  WB_FUZZ_CHECK(last >= 0 && static_cast<size_t>(last) <= text.size());
  return 0;
}
