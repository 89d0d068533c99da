#pragma once
// Name=value lists: ordered lists of text entries. An entry's name is its text before the
// first "=", its value the text after it (further "=" belong to the value). An entry without
// "=" has no name and is never found by a name. Names are compared without regard to case.
#include <cstddef>
#include <vector>

#include "support/text.h"

namespace wb {

// The entries in order, as the configuration block and the link list keep them.
using ValueList = std::vector<Text>;

// Whether two names are equal without regard to case. Letters of the Latin, Greek and
// Cyrillic alphabets (and so every letter of the ANSI code page) match their other case.
bool SameName(TextView a, TextView b);

// The entry's text before its first "=", or empty text when it has no "=".
Text EntryName(TextView entry);

// The entry's text after its first "=", or empty text when it has no "=".
Text EntryValue(TextView entry);

// Index of the first entry that has a "=" and whose name equals `name` without regard to
// case; kNoEntry when there is none.
inline constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
std::size_t IndexOfName(const ValueList& list, TextView name);

// The value of the first entry named `name` (without regard to case); empty text when the
// list has no such entry.
Text ValueOf(const ValueList& list, TextView name);

// Splits text into lines. A line ends at CR LF, at a lone CR or at a lone LF; a NUL character
// ends the text. A line break at the very end adds no empty line; an empty line inside the
// text is an empty entry. Empty text gives no lines.
std::vector<Text> SplitLines(TextView text);

// Merges `lines`, first to last, into `list`. For each line: the name (text before the first
// "=") is trimmed of leading and trailing characters up to U+0020; a line whose trimmed name
// is empty (no "=", or "=" first) is skipped. The value (everything after the first "=") is
// kept as it is, blanks included. An empty value deletes the first entry of that name; a
// value for an existing name replaces that entry in its place, spelled with the new line's
// name; any other value is appended as name "=" value.
void MergeValues(const std::vector<Text>& lines, ValueList& list);

// Merges the lines of `text` into `list` (SplitLines, then MergeValues). `sep`, when not
// empty, is an extra line separator: each occurrence is read as CR LF first. Empty text leaves
// the list untouched.
void TextToValues(TextView text, ValueList& list, TextView sep = {});

}  // namespace wb
