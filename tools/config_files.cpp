#include "tools/config_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/resources.h"
#include "storage/icon_block.h"
#include "storage/unique_fd.h"
#include "storage/window_config.h"

namespace wbctl {
namespace {

[[noreturn]] void ThrowFile(const std::string& path, const std::string& reason) {
  throw std::runtime_error("\"" + path + "\": " + reason);
}

// Only regular files are read: opening a FIFO would wait for a writer, and a device could
// give bytes without end.
void RequireRegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) ThrowFile(path, std::strerror(errno));
  if (S_ISDIR(info.st_mode)) ThrowFile(path, std::strerror(EISDIR));
  if (!S_ISREG(info.st_mode)) ThrowFile(path, "not a regular file");
}

}  // namespace

bool LooksLikeElf(const std::string& path) {
  // O_NONBLOCK keeps the open of a FIFO from waiting; anything but a regular file is no ELF.
  const wb::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat info;
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  constexpr char kElfMagic[] = {0x7f, 'E', 'L', 'F'};
  char magic[sizeof kElfMagic] = {};
  return ::pread(fd.get(), magic, sizeof magic, 0) == sizeof magic &&
         std::memcmp(magic, kElfMagic, sizeof magic) == 0;
}

wb::ValueList ReadExecutableConfig(const std::string& path) {
  RequireRegularFile(path);
  return wb::ReadConfigSources(wb::LoadResTextFromFile(path, wb::kConfigResourceName), path);
}

wb::Text ReadUtf8TextFile(const std::string& path) {
  RequireRegularFile(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) ThrowFile(path, std::strerror(errno));
  std::string bytes(kMaxTextFileBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) ThrowFile(path, "read error");
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > kMaxTextFileBytes) {
    ThrowFile(path, "larger than " + std::to_string(kMaxTextFileBytes) + " bytes");
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  const wb::Text text = wb::FromUtf8(bytes);
  if (wb::ToUtf8(text) != bytes) {
    const auto bad = text.find(u'\uFFFD');
    std::size_t line = 1;
    for (std::size_t i = 0; i < bad && i < text.size(); ++i) line += text[i] == u'\n';
    ThrowFile(path, "line " + std::to_string(line) + " is not valid UTF-8");
  }
  return text;
}

ExecutableIcon ReadExecutableIcon(const std::string& path) {
  RequireRegularFile(path);
  ExecutableIcon icon;
  icon.bytes = wb::ReadIconBlock(path);
  icon.own = !icon.bytes.empty();
  if (!icon.own) icon.bytes = wb::LoadResTextFromFile(path, wb::kProgramIconResourceName);
  return icon;
}

std::string ReadPictureFile(const std::string& path, std::size_t limit) {
  RequireRegularFile(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) ThrowFile(path, std::strerror(errno));
  std::string bytes(limit + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) ThrowFile(path, "read error");
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > limit) ThrowFile(path, "larger than " + std::to_string(limit) + " bytes");
  return bytes;
}

std::string BlockProblemPredicate(const std::string& problem) {
  for (const char* verb : {"cannot ", "holds "})
    if (problem.rfind(verb, 0) == 0) return problem;
  return "is " + problem;
}

std::string Quote(wb::TextView text) {
  return "\"" + wb::ToUtf8(text) + "\"";
}

}  // namespace wbctl
