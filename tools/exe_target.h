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

// Removes "--exe EXE" from `args` and returns the executable's absolute path, or the path of
// "webbrowser" in the tool's own folder. Returns an empty string after printing an error when
// the option lacks its value or the executable is not a regular file.
std::string TakeExecutableOption(std::vector<std::string>& args);

}  // namespace wbctl
