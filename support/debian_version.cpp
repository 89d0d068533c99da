#include "support/debian_version.h"

#include <algorithm>
#include <string>

#include "support/ascii.h"

namespace wb {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A character's weight in a run of non-digits: the end and digits weigh nothing, "~" less
// than nothing, letters their code and every other character more than any letter.
int Order(char c) {
  if (c == '\0' || IsDigit(c)) return 0;
  if (IsLetter(c)) return static_cast<unsigned char>(c);
  if (c == '~') return -1;
  return static_cast<unsigned char>(c) + 256;
}

// Compares an upstream version or a revision.
int ComparePart(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  auto at = [](std::string_view s, std::size_t k) { return k < s.size() ? s[k] : '\0'; };
  while (i < a.size() || j < b.size()) {
    while ((i < a.size() && !IsDigit(a[i])) || (j < b.size() && !IsDigit(b[j]))) {
      const int ac = Order(at(a, i));
      const int bc = Order(at(b, j));
      if (ac != bc) return ac - bc;
      ++i;
      ++j;
    }
    while (at(a, i) == '0') ++i;
    while (at(b, j) == '0') ++j;
    int firstDifference = 0;
    while (IsDigit(at(a, i)) && IsDigit(at(b, j))) {
      if (firstDifference == 0) firstDifference = at(a, i) - at(b, j);
      ++i;
      ++j;
    }
    if (IsDigit(at(a, i))) return 1;
    if (IsDigit(at(b, j))) return -1;
    if (firstDifference != 0) return firstDifference;
  }
  return 0;
}

// The epoch compared as a number of any length: without leading zeros, the longer is larger.
int CompareEpochs(std::string_view a, std::string_view b) {
  while (!a.empty() && a.front() == '0') a.remove_prefix(1);
  while (!b.empty() && b.front() == '0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

struct Parts {
  std::string_view epoch;
  std::string_view upstream;
  std::string_view revision;
};

Parts Split(std::string_view version) {
  Parts parts;
  const std::size_t colon = version.find(':');
  if (colon != std::string_view::npos) {
    parts.epoch = version.substr(0, colon);
    version.remove_prefix(colon + 1);
  }
  const std::size_t dash = version.rfind('-');
  if (dash != std::string_view::npos) {
    parts.revision = version.substr(dash + 1);
    version = version.substr(0, dash);
  }
  parts.upstream = version;
  return parts;
}

bool AllOf(std::string_view text, std::string_view extra) {
  return std::all_of(text.begin(), text.end(), [extra](char c) {
    return IsAsciiAlnum(c) || extra.find(c) != std::string_view::npos;
  });
}

bool IsLowerAlnum(char c) {
  return IsAsciiLowerLetter(c) || IsAsciiDigit(c);
}

}  // namespace

int CompareDebianVersions(std::string_view a, std::string_view b) {
  const Parts pa = Split(a);
  const Parts pb = Split(b);
  if (const int c = CompareEpochs(pa.epoch, pb.epoch); c != 0) return c;
  if (const int c = ComparePart(pa.upstream, pb.upstream); c != 0) return c;
  return ComparePart(pa.revision, pb.revision);
}

bool IsDebianVersion(std::string_view version) {
  if (version.empty() || version.size() > 128) return false;
  std::string_view upstream = version;
  const auto colon = upstream.find(':');
  const bool hasEpoch = colon != std::string_view::npos;
  if (hasEpoch) {
    const std::string_view epoch = upstream.substr(0, colon);
    if (epoch.empty() || epoch.size() > 9 || !std::all_of(epoch.begin(), epoch.end(), IsAsciiDigit))
      return false;
    upstream.remove_prefix(colon + 1);
  }
  const auto dash = upstream.rfind('-');
  const bool hasRevision = dash != std::string_view::npos;
  if (hasRevision) {
    const std::string_view revision = upstream.substr(dash + 1);
    if (revision.empty() || !AllOf(revision, ".+~")) return false;
    upstream = upstream.substr(0, dash);
  }
  if (upstream.empty() || !IsAsciiDigit(upstream.front())) return false;
  std::string extra = ".+~";
  if (hasRevision) extra += '-';
  if (hasEpoch) extra += ':';
  return AllOf(upstream, extra);
}

std::string DebianPackageName(std::string_view name) {
  std::string result;
  for (char c : name) {
    c = AsciiLower(c);
    if (!IsLowerAlnum(c) && c != '+' && c != '-' && c != '.') c = '-';
    if (result.empty() && !IsLowerAlnum(c)) continue;
    result += c;
  }
  return result.size() >= 2 ? result : std::string();
}

}  // namespace wb
