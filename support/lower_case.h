#pragma once
// Locale-independent lower-casing of the system's text.
#include "support/text.h"

namespace wb {

// The simple Unicode lower-case mapping of one code point (U+0130 gives "i"); code points
// without a mapping are returned unchanged.
char32_t LowerCodePoint(char32_t c);

// The text with every character lower-cased by LowerCodePoint. Surrogate pairs are lowered as
// the code point they encode; every mapping stays in its plane, so the result has the length of
// the input and each character keeps its position. Lone surrogates are kept.
Text LowerCase(TextView text);

}  // namespace wb
