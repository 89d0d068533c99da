#pragma once
// Small rules of the browser window that need no widget: which address is a script, what
// Escape does, which origins a new web process is told about for notifications, and which
// recent address completes what the person types. The window asks these and carries out the
// answer on its widgets.
#include <optional>
#include <string>
#include <vector>

#include "storage/value_list.h"
#include "support/text.h"

namespace wb {

// A "javascript:" address runs a script in the page shown: it is no page of its own, so it
// enters neither the history nor the zoom's memory.
bool IsScriptAddress(const Text& address);

// What Escape does: the page focused and loading stops; else an open find bar closes; else the
// key passes on.
enum class EscapeAction { kStop, kCloseFindBar, kPass };
EscapeAction EscapeFor(bool pageFocused, bool loading, bool findBarOpen);

// The origins a web process learns notification answers for: the start address's and those of
// `addresses` (the link entries' and the history's), once each, sorted, leaving out those
// whose answers are never kept (a page without an origin, such as about: or data:, and a
// file page).
std::vector<std::string> NotificationOrigins(const std::string& startOrigin,
                                             const std::vector<const Text*>& addresses);

// The completion of `typed` from the recent addresses (newest first): the first whose start
// equals `typed` (letters compared as SameName does). `alreadySelected`: it is the entry the
// box has selected already, so the box only shows its text instead of navigating again.
struct Completion {
  int index = -1;
  Text entry;
  bool alreadySelected = false;
};
template <class Entries>
std::optional<Completion> CompleteFrom(const Entries& recent, const Text& typed,
                                       const Text& selected) {
  if (typed.empty()) return std::nullopt;
  int index = -1;
  for (const Text& entry : recent) {
    ++index;
    if (entry.size() < typed.size() || !SameName(TextView(entry).substr(0, typed.size()), typed))
      continue;
    return Completion{index, entry, entry == selected};
  }
  return std::nullopt;
}

}  // namespace wb
