#include "support/catalog.h"

#include <utility>
#include <vector>

namespace wb {

namespace {

Catalog& Installed() {
  static Catalog catalog;
  return catalog;
}

}  // namespace

void InstallCatalog(Catalog catalog) {
  Installed() = std::move(catalog);
}

const Catalog& InstalledCatalog() {
  return Installed();
}

const char* Tr(const char* id) {
  const Catalog& c = Installed();
  return c.text ? c.text(id) : id;
}

const char* TrN(const char* one, const char* many, unsigned long n) {
  const Catalog& c = Installed();
  if (c.plural) return c.plural(one, many, n);
  return n == 1 ? one : many;
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> values) {
  const std::vector<std::string_view> v(values);
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
        pattern[i + 2] == '}') {
      const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < v.size()) {
        out += v[n];
        i += 2;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace wb
