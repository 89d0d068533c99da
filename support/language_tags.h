#pragma once
// The "lang" key: the languages a copy's pages are asked for (the Accept-Language header and
// navigator.languages), in place of those of the person's locale, for a site that must stay in
// one language. Spell checking keeps following the person's locale.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// More tags than any site reads; the header stays short.
inline constexpr std::size_t kMaxLanguageTags = 16;

struct LanguagesKey {
  std::vector<std::string> tags;     // in the order given, without repeats; empty: the locale's
  std::vector<std::string> invalid;  // items that are no language tag, left out
  bool operator==(const LanguagesKey&) const = default;
};

// Whether `tag` is a language tag as the header carries it: a primary subtag of 2 to 8 letters,
// then subtags of 1 to 8 letters and digits, joined by "-", 35 characters at most ("de",
// "pt-BR", "zh-Hans-CN", "es-419").
bool IsLanguageTag(std::string_view tag);

// The tags of a comma-separated value ("de,en", blanks around items ignored), the first
// kMaxLanguageTags valid ones kept; a repeat (compared without regard to case) is dropped, and
// the items that are no tag are listed in `invalid`, as are those past the limit.
LanguagesKey ParseLanguages(std::string_view value);

}  // namespace wb
