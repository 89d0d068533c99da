#pragma once
// The window's own back/forward history: the addresses the main frame has been at, in order,
// and the one shown now. It has no widget and starts no navigation: the window asks it where
// Back and Forward lead, navigates there, and records here what the view then announces.
#include <cstddef>
#include <unordered_set>
#include <vector>

#include "support/text.h"

namespace wb {

class History {
 public:
  History() = default;
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Records that the view now shows `u`. An address in the history already (compared without
  // regard to case) becomes the current entry again, so each address is listed once; a new
  // one replaces the entries ahead of the current one (the person had gone back) and is
  // appended. The change is kept until the next Push, so that CallOff can undo it.
  void Push(const Text& u);
  // The navigation pushed last did not happen: the history is as it was before that Push,
  // the entries it cut included. Returns false when there is nothing to undo (nothing pushed
  // since the last CallOff, Clear or ForgetCallOff).
  bool CallOff();
  // The next CallOff has nothing to undo: an event that is no navigation came in between.
  void ForgetCallOff() { undo_ = {}; }
  void Clear();

  // Where Back and Forward lead: the entry before or after the current one, or null.
  const Text* Back() const;
  const Text* Forward() const;
  bool CanGoBack() const { return Back() != nullptr; }
  bool CanGoForward() const { return Forward() != nullptr; }
  // The current entry, or empty text when there is none.
  Text Current() const;

  const std::vector<Text>& Entries() const { return entries_; }
  // The current entry's position, counted from 0; -1 when the history is empty.
  int Index() const { return index_; }

 private:
  int Find(const Text& u) const;
  void CutAfter(std::size_t index, std::vector<Text>* into);
  void Append(const Text& u);

  std::vector<Text> entries_;
  int index_ = -1;

  // An index of the entries by their lower-cased text, so that finding an address costs the
  // same however long the history grows. It holds positions, never a copy of the text.
  struct ByLoweredText {
    using is_transparent = void;
    const std::vector<Text>* entries;
    std::size_t operator()(std::size_t i) const;
    std::size_t operator()(const Text& lowered) const;
    bool operator()(std::size_t a, std::size_t b) const;
    bool operator()(const Text& lowered, std::size_t i) const;
    bool operator()(std::size_t i, const Text& lowered) const { return (*this)(lowered, i); }
  };
  std::unordered_set<std::size_t, ByLoweredText, ByLoweredText> positions_{
      0, ByLoweredText{&entries_}, ByLoweredText{&entries_}};

  // What the last Push changed, so that a navigation called off after its announcement can be
  // undone.
  struct Undo {
    bool pending = false;
    int index = -1;         // Index() before the Push
    bool appended = false;  // the Push appended its address
    std::vector<Text> cut;  // the entries ahead that the append removed
  } undo_;
};

}  // namespace wb
