#include "support/spell_languages.h"

#include <algorithm>

#include "support/ascii.h"

namespace wb {
namespace {

constexpr std::size_t kMaxLanguages = 8;

// "ll", "lll", "ll_CC" or "lll_CC".
bool IsLanguageName(const std::string& name) {
  const auto underscore = name.find('_');
  const std::string language = name.substr(0, underscore);
  if (language.size() < 2 || language.size() > 3 ||
      !std::all_of(language.begin(), language.end(), IsAsciiLowerLetter))
    return false;
  if (underscore == std::string::npos) return true;
  const std::string country = name.substr(underscore + 1);
  return country.size() == 2 && std::all_of(country.begin(), country.end(), IsAsciiUpperLetter);
}

}  // namespace

std::vector<std::string> SpellLanguages(const std::vector<std::string>& localeNames) {
  std::vector<std::string> languages;
  for (const std::string& locale : localeNames) {
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (!IsLanguageName(name) ||
        std::find(languages.begin(), languages.end(), name) != languages.end())
      continue;
    languages.push_back(name);
    if (languages.size() == kMaxLanguages) break;
  }
  return languages;
}

}  // namespace wb
