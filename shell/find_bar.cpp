#include "shell/find_bar.h"

#include <gtkmm/image.h>

namespace wb {
namespace {

void Call(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

FindBar::FindBar() : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 4) {
  set_name("FindBar");
  set_border_width(2);
  entry.set_name("FindText");
  previous.set_name("FindPrevious");
  next.set_name("FindNext");
  matchCase.set_name("FindMatchCase");
  count.set_name("FindCount");
  close.set_name("FindClose");

  entry.set_icon_from_icon_name("edit-find-symbolic", Gtk::ENTRY_ICON_PRIMARY);
  entry.set_width_chars(24);
  previous.set_image_from_icon_name("go-up-symbolic", Gtk::ICON_SIZE_BUTTON);
  previous.set_tooltip_text(Tr("Previous match"));
  next.set_image_from_icon_name("go-down-symbolic", Gtk::ICON_SIZE_BUTTON);
  next.set_tooltip_text(Tr("Next match"));
  close.set_image_from_icon_name("window-close-symbolic", Gtk::ICON_SIZE_BUTTON);
  close.set_relief(Gtk::RELIEF_NONE);
  close.set_tooltip_text(Tr("Close"));
  count.set_xalign(0.0f);
  count.set_margin_start(6);

  pack_start(caption, Gtk::PACK_SHRINK);
  pack_start(entry, Gtk::PACK_SHRINK);
  pack_start(previous, Gtk::PACK_SHRINK);
  pack_start(next, Gtk::PACK_SHRINK);
  pack_start(matchCase, Gtk::PACK_SHRINK, 6);
  pack_start(count, Gtk::PACK_EXPAND_WIDGET);
  pack_end(close, Gtk::PACK_SHRINK);

  entry.signal_changed().connect([this] { Call(onChanged); });
  matchCase.signal_toggled().connect([this] { Call(onChanged); });
  previous.signal_clicked().connect([this] { Call(onPrevious); });
  next.signal_clicked().connect([this] { Call(onNext); });
  close.signal_clicked().connect([this] { Call(onClose); });
  entry.signal_key_press_event().connect(
      [this](GdkEventKey* e) {
        const guint mods = e->state & gtk_accelerator_get_default_mod_mask();
        if (e->keyval == GDK_KEY_Escape && mods == 0) {
          Call(onClose);
          return true;
        }
        if (e->keyval == GDK_KEY_Return || e->keyval == GDK_KEY_KP_Enter) {
          if (mods == GDK_SHIFT_MASK)
            Call(onPrevious);
          else if (mods == 0)
            Call(onNext);
          return mods == 0 || mods == GDK_SHIFT_MASK;
        }
        return false;
      },
      false);
  show_all();
}

Text FindBar::SearchText() const {
  return FromUtf8(entry.get_text().raw());
}

void FindBar::ShowCount(const Text& text) {
  count.set_text(ToUtf8(text));
}

void FindBar::FocusEntry() {
  entry.grab_focus();
  entry.select_region(0, -1);
}

}  // namespace wb
