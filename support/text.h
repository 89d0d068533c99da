#pragma once
// The system's text: a sequence of UTF-16 code units, positions counted from 1 by the
// operations that take positions. Byte strings (blocks, resources, URL encoding) are
// std::string of bytes. Conversions happen only at the edges of the program.
#include <string>
#include <string_view>

namespace wb {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 bytes to text. Malformed sequences (overlong forms, surrogates, truncated or stray
// bytes, values above U+10FFFF) become U+FFFD each, so no input is rejected.
Text FromUtf8(std::string_view bytes);

// Text to UTF-8. A lone surrogate code unit becomes U+FFFD.
std::string ToUtf8(TextView text);
// Appends the UTF-8 bytes of one code point (at most U+10FFFF; the caller keeps surrogates out).
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1252 ("the ANSI code page") bytes to text. Every byte maps to one character; the
// five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// control characters of the same value, as Windows does.
Text FromAnsi(std::string_view bytes);

// Text to Windows-1252. A character the code page lacks becomes "?": one for a surrogate pair,
// which is one character, and one for a lone surrogate.
std::string ToAnsi(TextView text);

// True when every character of the text has a Windows-1252 byte.
bool IsAnsiRepresentable(TextView text);

// Plain ASCII text (literals in code) to Text.
Text Ascii(std::string_view ascii);

// The text without the spaces and tabs at both ends.
std::string_view TrimBlanks(std::string_view text);
TextView TrimBlanks(TextView text);

}  // namespace wb
