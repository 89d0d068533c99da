#pragma once
// Opening a file or web address in the user's default handler.
#include "support/text.h"

namespace wb {

// Result codes of ShellOpen. As with the system's shell, a value above 32 means the handler
// was started.
inline constexpr int kShellOpenNothing = 0;     // empty target, or an error while trying
inline constexpr int kShellOpenNoHandler = 31;  // no handler could be started
inline constexpr int kShellOpenStarted = 33;

// Hands `target` to the user's default handler and returns at once, without waiting for the
// handler. A target with a URI scheme ("https:", "mailto:", ...) is opened as that URI; any
// other target is a file path (relative to the current directory) and is opened as a file
// URI. The target "@" starts the program's own executable again, directly and not through a
// shell, with `parameters` split into arguments as a shell would split them (parameters that
// are only blanks give none); other targets ignore `parameters`. Never throws and shows nothing:
// failures are only the returned code.
int ShellOpen(const Text& target, const Text& parameters);

}  // namespace wb
