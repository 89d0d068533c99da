#pragma once
// The executable a wbctl subcommand acts for: "--exe EXE" names it; without it, the installed
// program "webbrowser" beside the tool.
#include <filesystem>
#include <string>
#include <vector>

namespace wbctl {

// The absolute path of the executable `exe` names, or of "webbrowser" in the tool's own folder
// for an empty `exe`. Throws std::runtime_error when the path cannot be made absolute.
std::filesystem::path ExecutableArgumentPath(const std::string& exe);

// Whether the file at `path` is a copy of the program: a regular ELF file that carries the
// program's embedded resources (the ".wbres" section) and its version note, as the build
// gives the program (and wbctl, which carries the same bundle). A branded copy is one, and so
// is the program itself; another executable or a text file is not.
bool IsProgramCopy(const std::string& path);

// Throws std::runtime_error "no such file: PATH" when nothing is at `path`, and "not a copy of
// the program: PATH" when what is there is no copy (IsProgramCopy).
void RequireProgramCopy(const std::string& path);

// Removes "--exe EXE" from `args` and returns the executable's absolute path, or the path of
// "webbrowser" in the tool's own folder. Throws UsageError when the option lacks its value;
// returns an empty string after printing an error when the file is missing or (with
// `requireCopy`) no copy of the program. Without `requireCopy` any regular file will do, for a
// command that needs only the executable's path and name.
std::string TakeExecutableOption(std::vector<std::string>& args, bool requireCopy = true);

}  // namespace wbctl
