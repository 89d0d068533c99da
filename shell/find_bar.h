#pragma once
// The find bar above the status bar: a search entry, previous and next buttons, a "Match case"
// toggle, the number of matches and a close button. It only shows and reports; the window
// asks the engine and keeps the count (model/find_in_page.h).
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <functional>

#include "support/catalog.h"
#include "support/text.h"

namespace wb {

class FindBar : public Gtk::Box {
 public:
  FindBar();

  Text SearchText() const;
  bool MatchCase() const { return matchCase.get_active(); }
  void ShowCount(const Text& text);
  // Gives the entry the keyboard focus with its text selected, so typing replaces it.
  void FocusEntry();

  // The text or the case option changed; Enter or the next button; Shift+Enter or the
  // previous button; Escape in the bar or its close button.
  std::function<void()> onChanged;
  std::function<void()> onNext;
  std::function<void()> onPrevious;
  std::function<void()> onClose;

  Gtk::Label caption{Tr("Find:")};
  Gtk::Entry entry;
  Gtk::Button previous;
  Gtk::Button next;
  Gtk::CheckButton matchCase{Tr("Match case")};
  Gtk::Label count;
  Gtk::Button close;
};

}  // namespace wb
