#include "tools/exe_target.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "storage/process_values.h"
#include "support/text.h"
#include "tools/command.h"

namespace wbctl {

std::filesystem::path ExecutableArgumentPath(const std::string& exe) {
  // The tool is installed beside the program it serves.
  if (exe.empty())
    return std::filesystem::path(wb::ToUtf8(wb::ExecutablePath())).parent_path() / "webbrowser";
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(exe, error);
  if (error) throw std::runtime_error(exe + ": " + error.message());
  return path;
}

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
  std::filesystem::path path;
  try {
    path = ExecutableArgumentPath(exe);
  } catch (const std::exception& e) {
    Fail(e.what());
    return {};
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    Fail(path.string() + ": no such executable");
    return {};
  }
  return path.lexically_normal().string();
}

}  // namespace wbctl
