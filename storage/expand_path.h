#pragma once
// Expansion of the short path notations ("*", "**", "#p", "*doc*", "*dat*", "*path*", "..",
// a leading "." or separator) into full file names. Written once over a path style: the
// Windows style keeps drives and "\\server" names, the Linux style ("/" separator, a leading
// "/" is absolute) is what the program uses.
#include "storage/process_values.h"
#include "support/text.h"

namespace wb {

enum class PathStyle { Windows, Posix };

// ExpandPath in the given style, against the given process values.
//
// Contract: never fails; every input gives a text. Notations, applied in this order:
//  - an empty name stands for the executable's full path (values.executablePath, or the
//    running executable when that is empty);
//  - folder "" or "*" is the work folder, "**" the data folder, "#p" the program folder;
//  - "*doc*", "*dat*" and "*path*" inside name or folder become the work, data and program
//    folder (case-sensitive);
//  - a folder whose last "." follows its last separator names a file and is cut to its
//    directory;
//  - a name starting with "." (and without "..") is an extension for the executable's own
//    file name: ".ini" gives "webbrowser.ini";
//  - each leading "../" goes up one folder, never above the root;
//  - an absolute name comes back unchanged. Windows style: a name with a drive colon or a
//    "\\server" prefix; a name starting with one "\" takes the folder's drive. Posix style:
//    a name starting with "/".
Text ExpandPath(PathStyle style, const Text& name, const Text& folder, const ProcessValues& values);

// ExpandPath in this platform's style, against Process().
Text ExpandPath(const Text& name, const Text& folder);

}  // namespace wb
