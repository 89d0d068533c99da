#include "model/history.h"

#include <functional>
#include <utility>

#include "support/lower_case.h"

namespace wb {

std::size_t History::ByLoweredText::operator()(std::size_t i) const {
  return std::hash<Text>{}(LowerCase((*entries)[i]));
}

std::size_t History::ByLoweredText::operator()(const Text& lowered) const {
  return std::hash<Text>{}(lowered);
}

bool History::ByLoweredText::operator()(std::size_t a, std::size_t b) const {
  return LowerCase((*entries)[a]) == LowerCase((*entries)[b]);
}

bool History::ByLoweredText::operator()(const Text& lowered, std::size_t i) const {
  return lowered == LowerCase((*entries)[i]);
}

int History::Find(const Text& u) const {
  auto it = positions_.find(LowerCase(u));
  return it == positions_.end() ? -1 : static_cast<int>(*it);
}

void History::CutAfter(std::size_t index, std::vector<Text>* into) {
  // The index reads the entries, so each leaves it before it leaves the history.
  for (std::size_t i = index + 1; i < entries_.size(); ++i) {
    positions_.erase(i);
    into->push_back(std::move(entries_[i]));
  }
  entries_.resize(index + 1);
}

void History::Append(const Text& u) {
  // An address is in the history once (Find comes first), so the position is new.
  entries_.push_back(u);
  positions_.insert(entries_.size() - 1);
}

void History::Push(const Text& u) {
  const int found = Find(u);
  undo_ = {true, index_, false, {}};
  if (found >= 0) {
    index_ = found;
    return;
  }
  // The person has gone back: the entries ahead of the current one give way.
  if (index_ >= 0 && index_ < static_cast<int>(entries_.size()) - 1)
    CutAfter(static_cast<std::size_t>(index_), &undo_.cut);
  Append(u);
  undo_.appended = true;
  index_ = static_cast<int>(entries_.size()) - 1;
}

bool History::CallOff() {
  if (!undo_.pending) return false;
  if (undo_.appended && !entries_.empty()) {
    positions_.erase(entries_.size() - 1);
    entries_.pop_back();
    for (Text& entry : undo_.cut) Append(entry);
  }
  index_ = undo_.index;
  undo_ = {};
  return true;
}

void History::Clear() {
  positions_.clear();
  entries_.clear();
  index_ = -1;
  undo_ = {};
}

const Text* History::Back() const {
  // The index stays within the list; the check keeps it so even if a caller breaks that.
  if (index_ < 1 || index_ > static_cast<int>(entries_.size())) return nullptr;
  return &entries_[static_cast<std::size_t>(index_) - 1];
}

const Text* History::Forward() const {
  if (index_ < -1 || index_ + 1 >= static_cast<int>(entries_.size())) return nullptr;
  return &entries_[static_cast<std::size_t>(index_ + 1)];
}

Text History::Current() const {
  return index_ >= 0 && index_ < static_cast<int>(entries_.size())
             ? entries_[static_cast<std::size_t>(index_)]
             : Text();
}

}  // namespace wb
