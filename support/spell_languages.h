#pragma once
// The languages the spell checker is asked for, from the user's locale.
#include <string>
#include <vector>

namespace wb {

// The locale's language names (as GLib lists them for the environment's LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG: "de_CH.UTF-8", "de_CH", "de", "C") as the dictionaries name them:
// codeset and modifier dropped ("de_CH.UTF-8@euro" is "de_CH"), only names of the form "ll"
// or "lll", optionally followed by "_CC", kept, each once, in the order given, so the
// preferred language comes first. "C", "POSIX" and anything else give nothing. At most 8.
std::vector<std::string> SpellLanguages(const std::vector<std::string>& localeNames);

}  // namespace wb
