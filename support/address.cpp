#include "support/address.h"

#include <filesystem>
#include <system_error>

#include "support/address_parts.h"
#include "support/ascii.h"

namespace wb {
namespace {

// The bytes a file URI keeps as they are in its path; every other byte is percent-encoded.
// They are the ones the desktop's own file URIs keep, so an address the program makes reads
// the same as one that another program of the desktop would give for the file.
bool KeptInFileUri(unsigned char c) {
  if (IsAsciiAlnum(static_cast<char>(c))) return true;
  constexpr std::string_view kKept = "!$&'()*+,-./:=@_~";
  return c != 0 && kKept.find(static_cast<char>(c)) != std::string_view::npos;
}

// The path with "." and ".." resolved by name, as a file address names it. POSIX gives a path
// that starts with exactly two slashes a meaning of its own, so those two stay.
std::string CanonicalPath(const std::string& path) {
  std::size_t leading = path.find_first_not_of('/');
  if (leading == std::string::npos) leading = path.size();
  std::string out = leading == 2 ? "//" : "/";
  const std::size_t root = out.size();
  std::size_t i = leading;
  while (i < path.size()) {
    std::size_t end = path.find('/', i);
    if (end == std::string::npos) end = path.size();
    const std::string_view part(path.data() + i, end - i);
    if (part == "..") {
      // Back to the separator after the previous component, never above the root.
      if (out.size() > root) {
        out.pop_back();
        out.resize(out.find_last_of('/') + 1);
      }
    } else if (!part.empty() && part != ".") {
      out.append(part);
      out.push_back('/');
    }
    i = end + 1;
  }
  if (out.size() > root) out.pop_back();
  return out;
}

}  // namespace

bool HasScheme(std::string_view a) {
  return !ParseAddress(a).scheme.empty();
}

std::string FileUri(const std::string& absolutePath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char ch : CanonicalPath(absolutePath)) {
    const auto c = static_cast<unsigned char>(ch);
    if (KeptInFileUri(c)) {
      uri.push_back(ch);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[c >> 4]);
      uri.push_back(kHex[c & 15]);
    }
  }
  return uri;
}

std::string ResolveAddress(const std::string& address) {
  std::size_t b = 0, e = address.size();
  while (b < e && IsAsciiSpace(address[b])) ++b;
  while (e > b && IsAsciiSpace(address[e - 1])) --e;
  const std::string a = address.substr(b, e - b);
  if (a.empty()) return {};
  if (HasScheme(a)) return a;
  std::error_code ec;
  const std::filesystem::path path(a);
  if (std::filesystem::exists(path, ec)) {
    if (path.is_absolute()) return FileUri(a);
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (!ec) return FileUri((cwd / path).string());
  }
  return "http://" + a;
}

}  // namespace wb
