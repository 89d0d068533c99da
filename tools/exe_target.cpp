#include "tools/exe_target.h"

#include <filesystem>
#include <system_error>

#include "support/process_values.h"
#include "support/text.h"
#include "tools/command.h"

namespace wbctl {

std::string TakeExecutableOption(std::vector<std::string>& args) {
  std::string exe;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--exe") continue;
    if (i + 1 >= args.size()) {
      Fail("--exe needs the path of an executable");
      return {};
    }
    exe = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    break;
  }
  std::error_code error;
  std::filesystem::path path;
  if (exe.empty()) {
    // The tool is installed beside the program it serves.
    path = std::filesystem::path(wb::ToUtf8(wb::ExecutablePath())).parent_path() / "webbrowser";
  } else {
    path = std::filesystem::absolute(exe, error);
    if (error) {
      Fail(exe + ": " + error.message());
      return {};
    }
  }
  if (!std::filesystem::is_regular_file(path, error)) {
    Fail(path.string() + ": no such executable");
    return {};
  }
  return path.lexically_normal().string();
}

}  // namespace wbctl
