#pragma once
// Locale-independent lower-casing of the system's text: the Unicode mapping, and the ASCII one
// for the words the system compares in ASCII only (switch words, folder keys, URL schemes,
// registry type prefixes), where "\u00C4" must stay itself.
#include <string>
#include <string_view>

#include "support/ascii.h"
#include "support/text.h"

namespace wb {

// The simple Unicode lower-case mapping of one code point (U+0130 gives "i"); code points
// without a mapping are returned unchanged.
char32_t LowerCodePoint(char32_t c);

// The text with every character lower-cased by LowerCodePoint. Surrogate pairs are lowered as
// the code point they encode; every mapping stays in its plane, so the result has the length of
// the input and each character keeps its position. Lone surrogates are kept.
Text LowerCase(TextView text);

// The text with AsciiLower applied to every character (the bytes' form is in support/ascii.h).
Text AsciiLowerCase(TextView text);

}  // namespace wb
