#include "support/web_reference.h"

#include <algorithm>
#include <vector>

#include "support/address_parts.h"
#include "support/ascii.h"

namespace wb {
namespace {

// Removes "." and ".." segments from an absolute path.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t start = 1;
  bool trailing = false;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    trailing = false;
    if (segment == ".") {
      trailing = true;
    } else if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      trailing = true;
    } else {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string_view segment : segments) {
    out += '/';
    out += segment;
  }
  if (trailing || out.empty()) out += '/';
  return out;
}

}  // namespace

std::string WebAddress::Text() const {
  std::string out = scheme + "://" + host;
  if (!port.empty()) out += ":" + port;
  return out + path + query;
}

std::optional<WebAddress> ParseWebAddress(std::string_view text) {
  // ParseAddress forgives blanks at the ends, as an address box does; text read from a page
  // or a header with a blank or a control anywhere is no address to fetch.
  if (std::ranges::any_of(
          text, [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
    return std::nullopt;
  const AddressParts parts = ParseAddress(text);
  if (!parts.valid || !parts.hasAuthority || (parts.scheme != "http" && parts.scheme != "https"))
    return std::nullopt;
  // A name and password would be sent along with every fetch of the site's files.
  if (!parts.userInfo.empty()) return std::nullopt;
  WebAddress address;
  address.scheme = parts.scheme;
  address.host = parts.host;
  if (parts.port >= 0 && parts.port != DefaultPortOf(parts.scheme))
    address.port = std::to_string(parts.port);
  // The engine reads "\" in a web address's path as "/", and so does the fetch.
  std::string path = parts.path;
  std::ranges::replace(path, '\\', '/');
  address.path = RemoveDotSegments(path.empty() ? "/" : path);
  address.query = parts.query;
  return address;
}

std::optional<std::string> ResolveWebReference(std::string_view base, std::string_view reference) {
  const auto parsedBase = ParseWebAddress(base);
  if (!parsedBase) return std::nullopt;
  std::string_view ref = TrimWebBlanks(reference);
  if (const auto hash = ref.find('#'); hash != std::string_view::npos) ref = ref.substr(0, hash);
  if (!ParseAddress(ref).scheme.empty()) {
    const auto address = ParseWebAddress(ref);
    if (!address) return std::nullopt;
    return address->Text();
  }
  if (ref.substr(0, 2) == "//") {
    const auto address = ParseWebAddress(parsedBase->scheme + ":" + std::string(ref));
    if (!address) return std::nullopt;
    return address->Text();
  }
  WebAddress out = *parsedBase;
  if (ref.empty()) return out.Text();
  const auto question = ref.find('?');
  const std::string_view path = ref.substr(0, question);
  out.query = question == std::string_view::npos ? "" : std::string(ref.substr(question));
  if (!path.empty() && path.front() == '/') {
    out.path = path;
  } else if (!path.empty()) {
    out.path = parsedBase->path.substr(0, parsedBase->path.rfind('/') + 1) + std::string(path);
  }
  // The result must itself read back as a web address (no blanks or controls in the path); the
  // reading also removes the dot segments.
  const auto checked = ParseWebAddress(out.Text());
  if (!checked) return std::nullopt;
  return checked->Text();
}

}  // namespace wb
