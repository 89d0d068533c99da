#pragma once
// The text of configuration blocks, which may be in either of two code pages: Windows-1252, in
// which every block was written before a copy could carry other scripts, and UTF-8, the
// system's own code page here, for a text Windows-1252 cannot hold. The bytes tell which.
#include <string>
#include <string_view>

#include "support/text.h"

namespace wb {

// Whether the bytes are well-formed UTF-8 by the rules FromUtf8 applies, so that FromUtf8
// puts no U+FFFD of its own in their text.
bool IsUtf8(std::string_view bytes);

// Whether text bytes of unknown code page read as UTF-8: they are well-formed UTF-8 and hold
// a byte over 127. Pure ASCII reads the same either way and so counts as Windows-1252.
//
// Text written in Windows-1252 is, in practice, never well-formed UTF-8 once it holds a byte
// over 127. Every such byte would have to be part of a UTF-8 sequence: a lead byte, which in
// Windows-1252 is a letter from "Â" (0xC2) to "ô" (0xF4), immediately followed by one to
// three bytes from 0x80 to 0xBF, which in Windows-1252 are no letters of a word but symbols
// and punctuation (€ ‚ „ … ‘ ’ “ ” • – — ™ ©, ® ° « » ¼, the no-break space). Ordinary words
// put a letter after an accented letter, so "Café" (0xE9 then nothing), "Müller" (0xFC then
// "l") and "Ærø" (0xC6 then "r") stay Windows-1252. Only a text in which every accented
// letter stands right before such a symbol reads as UTF-8: the pairs that UTF-8 text decoded
// as Windows-1252 shows ("Ã©" for "é"), which no one types as a title, and, rarely, a
// capital letter from "Â" to "ß" followed by "®", "™", "°" or a no-break space, as in a
// trade mark "NESTLÉ®". wbctl brand writes such a text as UTF-8 (see ToAnsiOrUtf8), so it
// reads back as written.
bool ReadsAsUtf8(std::string_view bytes);

// The text of configuration bytes: UTF-8 when ReadsAsUtf8, else Windows-1252. A block
// written before blocks could be UTF-8 reads as it always did, and a block in any script
// (written as UTF-8, the system's own code page here) reads whole.
Text FromAnsiOrUtf8(std::string_view bytes);

// Text to the bytes FromAnsiOrUtf8 reads back as the same text: Windows-1252 when the code
// page holds every character and those bytes do not read as UTF-8 (so what could be written
// before is written byte for byte as before), else UTF-8. A lone surrogate, which UTF-8 cannot
// hold, becomes U+FFFD.
std::string ToAnsiOrUtf8(TextView text);

}  // namespace wb
