#pragma once
// Helpers shared by the readers and writers of the settings files: splitting a file into lines
// that keep their own line ends (so that a rewrite reproduces every untouched line byte for
// byte), and comparing names without regard to case as the registry and profile files do.
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

namespace wb {

// Splits bytes into lines, each keeping its terminator ("\r\n", "\n" or a lone "\r"); the last
// line may have none. Joining the result gives the input back exactly. Empty input gives no
// lines.
std::vector<std::string> SplitLinesKeepingEnds(std::string_view bytes);

// The line without its terminator.
std::string_view LineBody(std::string_view line);

// The line's terminator (empty for a last line without one).
std::string_view LineEnd(std::string_view line);

// Whether the bytes start with a UTF-8 byte-order mark.
bool HasUtf8Bom(std::string_view bytes);
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Normalises the encoding of a settings file to UTF-8: a UTF-16LE or UTF-16BE file (recognised
// by its byte-order mark) is converted, and a UTF-8 byte-order mark is removed. Anything else
// is returned unchanged, since it is treated as UTF-8 (invalid sequences then read as U+FFFD).
std::string NormaliseToUtf8(std::string_view bytes);

// Compares names without regard to case, by the simple Unicode lower-case mapping, which does
// not depend on the locale.
bool EqualIgnoringCase(TextView a, TextView b);

// The same comparison for names held as UTF-8 bytes; plain ASCII names are compared without
// decoding them.
bool EqualIgnoringCaseUtf8(std::string_view a, std::string_view b);

}  // namespace wb
