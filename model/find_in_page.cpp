#include "model/find_in_page.h"

#include <algorithm>
#include <string>

#include "support/catalog.h"

namespace wb {

Text MatchCountText(const Text& text, int matches, int current) {
  if (text.empty() || matches < 0) return {};
  if (matches == 0) return FromUtf8(Tr("No matches"));
  const std::string at = std::to_string(std::clamp(current, 1, kMaxCountedMatches));
  // The count decides the plural form in languages that inflect "match" after a number.
  if (matches > kMaxCountedMatches)
    // TRANSLATORS: the find bar's count: {1} is the match shown, {2} the most it counts.
    return FromUtf8(Format(TrN("{1} of more than {2}", "{1} of more than {2}",
                               static_cast<unsigned long>(kMaxCountedMatches)),
                           {at, std::to_string(kMaxCountedMatches)}));
  // TRANSLATORS: the find bar's count: {1} is the match shown, {2} how many there are.
  return FromUtf8(Format(TrN("{1} of {2}", "{1} of {2}", static_cast<unsigned long>(matches)),
                         {at, std::to_string(matches)}));
}

void FindInPage::Close() {
  open_ = false;
  matches_ = 0;
  current_ = 0;
}

bool FindInPage::SetText(const Text& text, bool matchCase) {
  text_ = text.substr(0, kMaxFindTextLength);
  matchCase_ = matchCase;
  current_ = 0;
  matches_ = text_.empty() ? 0 : -1;
  return !text_.empty();
}

void FindInPage::Counted(int matches) {
  if (text_.empty()) return;
  matches_ = std::clamp(matches, 0, kMaxCountedMatches + 1);
  if (matches_ == 0)
    current_ = 0;
  else if (current_ == 0)
    current_ = 1;
  else
    current_ = std::min(current_, std::min(matches_, kMaxCountedMatches));
}

bool FindInPage::Next() {
  if (matches_ <= 0) return false;
  const int last = std::min(matches_, kMaxCountedMatches);
  current_ = current_ >= last ? 1 : current_ + 1;
  return true;
}

bool FindInPage::Previous() {
  if (matches_ <= 0) return false;
  const int last = std::min(matches_, kMaxCountedMatches);
  current_ = current_ <= 1 ? last : current_ - 1;
  return true;
}

}  // namespace wb
