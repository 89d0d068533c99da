#pragma once
// Find in page without a widget: what the find bar shows and asks the engine for. The engine
// searches, highlights and scrolls; it counts the matches but does not say which one is
// selected, so the bar keeps the number of the current match itself: the first one after a
// new search, one more or one less for each next or previous, wrapping around as the
// engine's search does.
#include "support/text.h"

namespace wb {

// The engine is asked to count this many matches at most; more are shown as "more than".
inline constexpr int kMaxCountedMatches = 1000;
// A longer search text is cut to this many characters.
inline constexpr std::size_t kMaxFindTextLength = 1000;

// The text beside the search entry: empty while nothing is sought or the count is not known
// yet, "No matches" for none, else "I of N" ("3 of 12"), or "I of more than 1000" when the
// engine found more than it was asked to count.
Text MatchCountText(const Text& text, int matches, int current);

class FindInPage {
 public:
  bool IsOpen() const { return open_; }
  // The bar opens with the text it had when it was closed, so Ctrl+F and Enter search again.
  void Open() { open_ = true; }
  void Close();

  // The search text or the case option changed. Returns whether the engine is to search
  // (false when the text is empty: the search ends and the highlighting goes).
  bool SetText(const Text& text, bool matchCase);
  // The engine's count for the current text; more than kMaxCountedMatches counts as
  // kMaxCountedMatches + 1.
  void Counted(int matches);
  // Next and previous match, wrapping around. Return whether there is a match to move to.
  bool Next();
  bool Previous();

  const Text& TextSought() const { return text_; }
  bool MatchCase() const { return matchCase_; }
  // -1 while the engine has not counted yet.
  int Matches() const { return matches_; }
  // 1-based; 0 while there is no match.
  int Current() const { return current_; }
  Text CountText() const { return MatchCountText(text_, matches_, current_); }

 private:
  bool open_ = false;
  Text text_;
  bool matchCase_ = false;
  int matches_ = 0;
  int current_ = 0;
};

}  // namespace wb
