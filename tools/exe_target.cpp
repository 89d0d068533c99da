#include "tools/exe_target.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "storage/elf_file.h"
#include "storage/process_values.h"
#include "storage/version_info.h"
#include "support/text.h"
#include "tools/command.h"
#include "tools/config_files.h"

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

bool IsProgramCopy(const std::string& path) {
  // Only a regular file is opened: a FIFO would wait for a writer.
  if (!LooksLikeElf(path)) return false;
  const auto elf = wb::ElfFile::Open(path);
  return elf && elf->FindSection(".wbres") != nullptr && wb::ReadVersionNote(path).has_value();
}

void RequireProgramCopy(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)) ||
      !std::filesystem::exists(path, error))
    throw std::runtime_error("no such file: " + path);
  if (!std::filesystem::is_regular_file(path, error))
    throw std::runtime_error("not a copy of the program: " + path + " (not a regular file)");
  if (!IsProgramCopy(path)) throw std::runtime_error("not a copy of the program: " + path);
}

std::string TakeExecutableOption(std::vector<std::string>& args, bool requireCopy) {
  std::string exe;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--exe") continue;
    if (i + 1 >= args.size()) throw UsageError("--exe needs the path of an executable");
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
  const std::string normal = path.lexically_normal().string();
  std::error_code error;
  if (!requireCopy && !std::filesystem::is_regular_file(path, error)) {
    Fail(path.string() + ": no such executable");
    return {};
  }
  try {
    if (requireCopy) RequireProgramCopy(normal);
  } catch (const std::exception& e) {
    Fail(e.what());
    return {};
  }
  return normal;
}

}  // namespace wbctl
