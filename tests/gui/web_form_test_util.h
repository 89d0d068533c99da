#pragma once
// Helpers of the browser-window tests: a window built on the fake web view and a configuration
// given as text, and key presses as the display delivers them.
#include <glibmm/main.h>
#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <string>

#include "shell/web_form.h"
#include "storage/value_list.h"
#include "tests/common/fake_web_view.h"
#include "tests/common/gtk_test_util.h"

namespace wbtest {

// A window on a fake web view, created from the configuration `config` (name=value lines).
struct FormFixture {
  explicit FormFixture(const std::string& config = "", bool create = true) {
    wb::WebFormServices services;
    services.views = &factory;
    services.readConfig = [config] {
      wb::ValueList list;
      wb::TextToValues(wb::FromUtf8(config), list);
      return wb::WindowConfigFromValues(list);
    };
    services.openExternal = [this](const wb::Text& address) { opened.push_back(address); };
    services.store = store;
    form = std::make_unique<wb::TWebForm>(services);
    view = factory.created.at(0);
    if (create) form->FormCreate();
  }
  FakeWebViewFactory factory;
  FakeWebView* view = nullptr;
  std::vector<wb::Text> opened;
  // What the window remembers: the answers, the zoom levels, the placement.
  std::shared_ptr<wb::MemoryCopyStore> store = std::make_shared<wb::MemoryCopyStore>();
  // The answer kept under a value name ("ORIGIN KIND"), or empty.
  std::string Permission(const std::string& name) {
    return wb::ToUtf8(store->Read(wb::CopyKey::kPermissions, wb::FromUtf8(name)));
  }
  std::unique_ptr<wb::TWebForm> form;
};

// Sends a key press to `form` as the display would: through the window to its focus widget.
inline void SendKey(Gtk::Window& form, guint keyval, guint state = 0) {
  GdkWindow* window = form.get_window()->gobj();
  GdkEvent* ev = gdk_event_new(GDK_KEY_PRESS);
  ev->key.window = GDK_WINDOW(g_object_ref(window));
  ev->key.send_event = TRUE;
  ev->key.time = GDK_CURRENT_TIME;
  ev->key.keyval = keyval;
  ev->key.state = state;
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_window_get_display(window)),
                                        keyval, &keys, &n) &&
      n > 0) {
    ev->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    ev->key.group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  gdk_event_set_device(ev, gdk_seat_get_keyboard(seat));
  gtk_main_do_event(ev);
  gdk_event_free(ev);
}

inline void TypeText(Gtk::Window& form, const std::string& ascii) {
  for (char c : ascii) {
    SendKey(form, gdk_unicode_to_keyval(static_cast<guint32>(c)));
    SpinIdle();
  }
}

}  // namespace wbtest
