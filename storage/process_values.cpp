#include "storage/process_values.h"

#include <unistd.h>

#include <string>

namespace wb {
namespace {

template <class Char>
std::basic_string_view<Char> NameWithoutExtensionOf(std::basic_string_view<Char> path) {
  const auto slash = path.rfind(Char('/'));
  std::basic_string_view<Char> name = slash == path.npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind(Char('.'));
  return dot != name.npos && dot > 0 ? name.substr(0, dot) : name;
}

}  // namespace

ProcessValues& Process() {
  static ProcessValues values;
  return values;
}

Text ExecutablePath() {
  if (!Process().executablePath.empty()) return Process().executablePath;
  // The link can be longer than any fixed buffer; grow until readlink leaves room.
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return FromUtf8(buffer);
    }
    if (buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

Text ApplicationTitle() {
  const Text& title = Process().applicationTitle;
  if (!title.empty()) return title;
  return Text(NameWithoutExtension(ExecutablePath()));
}

TextView NameWithoutExtension(TextView path) {
  return NameWithoutExtensionOf(path);
}

std::string_view NameWithoutExtension(std::string_view path) {
  return NameWithoutExtensionOf(path);
}

std::string CopyNameProblem(std::string_view name) {
  if (name.find_first_not_of('.') != std::string_view::npos) return {};
  return "the copy's name \"" + std::string(name) +
         "\" (its file name without the extension) is made of dots alone, which name no folder "
         "of its own; give the executable a name with a letter or digit before its extension";
}

}  // namespace wb
