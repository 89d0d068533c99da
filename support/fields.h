#pragma once
// Small text operations that take values apart: fields divided by a separator, membership in a
// separated list, replacement of every occurrence, and the last occurrence of a text. None of
// them keeps state or fails; an empty text is a valid input everywhere. Positions are counted
// from 1, as everywhere in the system's text.
#include "support/text.h"

namespace wb {

// Position (from 1) of the start of the last occurrence of `pattern` in `text`, or 0 when the
// pattern is empty, the text is empty or the pattern does not occur. Letter case is ignored:
// both texts are lower-cased character by character (simple Unicode lower-casing, which keeps
// every position where it was) before the search. Overlapping occurrences count, so the last
// "aa" of "aaa" starts at 2.
int FindLastText(TextView pattern, TextView text);

// True when `word` is one whole item of `list`, whose items are divided by `separator`. The
// test is `separator + word + separator` occurring in `separator + list + separator`, exact and
// case-sensitive. Hence blanks count, an empty word is a member only of a list with an empty
// item (or of an empty list), and a word containing the separator matches a run of consecutive
// items ("a,b" is a member of "a,b,d").
bool IsListMember(TextView word, TextView list, TextView separator);

// A copy of `text` with every occurrence of `oldText` replaced by `newText`, scanning from the
// left. Occurrences do not overlap and replaced text is never scanned again ("aaa" with "aa"
// replaced by "b" gives "ba"). An empty `oldText` leaves the text unchanged.
Text ReplaceAll(TextView text, TextView oldText, TextView newText);

// ReplaceAll stored back into `text`.
void ReplaceAllInPlace(Text& text, TextView oldText, TextView newText);

// The separator the field operations use when given none: of ",", "<br>", "|", ";" and tab,
// the last in that order that occurs anywhere in `text` (so tab beats ";" beats "|" beats
// "<br>" beats ","); tab when none occurs.
Text DetectSeparator(TextView text);

// Removes the first field and the separator after it from `source` and returns the field.
// Without a separator in `source` the whole source is the field and `source` becomes empty.
// An empty `separator` is replaced by DetectSeparator(source). An empty source gives an empty
// field.
Text TakeField(Text& source, TextView separator);

// The n-th field (counted from 1) of `text`, or an empty text when n < 1 or the text has fewer
// fields. An empty `separator` is detected once from the whole text.
Text GetField(TextView text, TextView separator, int n);

}  // namespace wb
