// The browser window's address box: a combo box over the model's list of recent addresses, its
// handlers, the completion of what the person types, and the rendering of the model's changes
// to its text and list. The rules (what completes, what the list holds) live in the model.
#include <glibmm/main.h>

#include <optional>

#include "model/window_rules.h"
#include "shell/recent_list_model.h"
#include "shell/ustring.h"
#include "shell/web_form.h"
#include "support/catalog.h"

namespace wb {

void TWebForm::BuildAddressBox() {
  // The list of recent addresses drops down as a list, not as a menu: a menu keeps a widget
  // of its own for every address (some 2 kB each, all day) and measures them all whenever one
  // is added. The box reads its form from its style when it hears that its style changed,
  // which a style property alone never tells it: so it is told.
  static const Glib::RefPtr<Gtk::CssProvider> asList = [] {
    auto provider = Gtk::CssProvider::create();
    provider->load_from_data("combobox { -GtkComboBox-appears-as-list: true; }");
    return provider;
  }();
  Addr.get_style_context()->add_provider(asList, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_signal_emit_by_name(Addr.gobj(), "style-updated");
  Addr.set_name("Addr");
  Addr.set_tooltip_text(Tr("URL"));
  Addr.set_hexpand(true);
  Addr.set_valign(Gtk::ALIGN_CENTER);
  recentRows_.reset(RecentListModelNew(model_.Recent()));
  gtk_combo_box_set_model(GTK_COMBO_BOX(Addr.gobj()), recentRows_.get());
  Addr.get_entry()->set_placeholder_text("URL");
  // The box takes the width the window has; by itself an entry asks for 150 pixels or more,
  // which would make a narrow configured window wider than configured.
  Addr.get_entry()->set_width_chars(4);
  Addr.get_entry()->signal_key_press_event().connect(
      [this](GdkEventKey* e) { return AddrKeyDown(e); }, false);
  Addr.get_entry()->signal_insert_text().connect(
      [this](const Glib::ustring&, int*) { ScheduleCompletion(); }, true);
  // What the person types (or picks) is the model's text from then on.
  Addr.get_entry()->signal_changed().connect([this] {
    if (!settingAddr_) model_.AddrEdited(FromUtf8(Addr.get_entry()->get_text().raw()));
  });
  Addr.signal_changed().connect([this] {
    if (Addr.get_active_row_number() < 0) return;
    selectedEntry_ = FromUtf8(Addr.get_active_text().raw());
    if (!settingAddr_) AddrClick();
  });
}

bool TWebForm::AddrKeyDown(GdkEventKey* event) {
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) model_.AddrKeyDown();
  return false;  // the key keeps its normal editing effect
}

void TWebForm::AddrTextChanged(const Text& text) {
  ShowAddrText(text);
}

void TWebForm::ShowAddrText(const Text& text) {
  settingAddr_ = true;
  Addr.get_entry()->set_text(U(text));
  // The entry equal to the text counts as the selected one, so that typing it again does not
  // navigate a second time.
  selectedEntry_.clear();
  const auto listed = model_.FindListedExactly(text);
  if (listed != model_.Recent().end()) {
    GtkTreeIter row = RecentListModelIter(recentRows_.get(), listed);
    gtk_combo_box_set_active_iter(GTK_COMBO_BOX(Addr.gobj()), &row);
    selectedEntry_ = text;
  }
  settingAddr_ = false;
}

void TWebForm::RecentMovedToTop(const Text&, std::optional<std::size_t> from) {
  settingAddr_ = true;
  const Glib::ustring keep = Addr.get_entry()->get_text();
  if (from)
    RecentListModelMovedToTop(recentRows_.get(), *from);
  else
    RecentListModelPrepended(recentRows_.get());
  Addr.get_entry()->set_text(keep);
  settingAddr_ = false;
}

void TWebForm::ScheduleCompletion() {
  if (settingAddr_ || completion_.connected()) return;
  // Only what the user types is completed; text the box sets itself (an entry picked from
  // the list) is left as it is.
  GdkEvent* current = gtk_get_current_event();
  bool typed = current && current->type == GDK_KEY_PRESS;
  if (current) gdk_event_free(current);
  if (!typed) return;
  // The entry places the cursor after the typed characters only once the insertion is done,
  // so the completion runs right after it.
  completion_ = Glib::signal_idle().connect(
      [this] {
        CompleteAddress();
        return false;
      },
      Glib::PRIORITY_HIGH_IDLE);
}

void TWebForm::CompleteAddress() {
  Gtk::Entry* entry = Addr.get_entry();
  Glib::ustring typed = entry->get_text();
  int start = 0, end = 0;
  // Complete only while typing at the end of the text.
  if (entry->get_selection_bounds(start, end) ||
      entry->get_position() != static_cast<int>(typed.length()) || typed.empty())
    return;
  // The box's rows are in the order of the model's list.
  const std::optional<Completion> found =
      CompleteFrom(model_.Recent(), FromUtf8(typed.raw()), selectedEntry_);
  if (!found) return;
  if (!found->alreadySelected) {
    // Moving the selection to the entry navigates to it (AddrClick).
    if (Addr.get_active_row_number() == found->index)
      AddrClick();
    else
      Addr.set_active(found->index);
  } else {
    settingAddr_ = true;
    entry->set_text(U(found->entry));
    settingAddr_ = false;
    model_.AddrEdited(found->entry);  // completed as if typed
  }
  entry->select_region(static_cast<int>(typed.length()), -1);
}

}  // namespace wb
