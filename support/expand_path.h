#pragma once
// Expansion of the short path notations ("*", "**", "#p", "*doc*", "*dat*", "*path*", "..",
// a leading "." or separator) into full file names. Written once over a path style: the
// Windows style keeps drives and "\\server" names, the Linux style ("/" separator, a leading
// "/" is absolute) is what the program uses.
#include "support/process_values.h"
#include "support/text.h"

namespace wb {

enum class PathStyle { Windows, Posix };

// ExpandPath in the given style, against the given process values.
Text ExpandPath(PathStyle style, const Text& name, const Text& folder, const ProcessValues& values);

// ExpandPath in this platform's style, against Process().
Text ExpandPath(const Text& name, const Text& folder);

}  // namespace wb
