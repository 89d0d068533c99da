#include "shell/permission_bar.h"

#include <gtkmm/cssprovider.h>

#include <utility>

#include "support/catalog.h"

namespace wb {

PermissionBar::PermissionBar(CopyStore& store)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6), prompts_(store) {
  set_name("pPermission");
  question.set_name("pPermissionQuestion");
  question.set_xalign(0.0f);
  question.set_ellipsize(Pango::ELLIPSIZE_END);
  allowButton.set_name("btPermissionAllow");
  blockButton.set_name("btPermissionBlock");
  pack_start(question, Gtk::PACK_EXPAND_WIDGET);
  pack_start(allowButton, Gtk::PACK_SHRINK);
  pack_start(blockButton, Gtk::PACK_SHRINK);
  question.show();
  allowButton.show();
  blockButton.show();
  set_no_show_all(true);
  // It lies over the page, so it needs a face of its own; a click on its buttons leaves the
  // keyboard's focus where it was, in the page most of the time.
  auto css = Gtk::CssProvider::create();
  // The room around the question and the buttons is the bar's padding, within its face: a
  // container's border width would leave a strip of the page showing around the bar.
  css->load_from_data(
      "#pPermission { background-color: @theme_bg_color; border-bottom: 1px solid @borders;"
      " padding: 4px; }");
  get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  allowButton.set_focus_on_click(false);
  blockButton.set_focus_on_click(false);
  allowButton.signal_clicked().connect([this] { prompts_.Answer(true); });
  blockButton.signal_clicked().connect([this] { prompts_.Answer(false); });
  prompts_.onChanged = [this] { Render(); };
}

void PermissionBar::Handle(WebViewEvents& events) {
  events.onPermissionRequest = [this](const PermissionRequest& request,
                                      std::function<void(bool)> answer) {
    prompts_.Ask(request, std::move(answer));
  };
  events.onPermissionState = [this](const std::string& origin, PermissionKind kind) {
    return prompts_.Known(origin, {kind});
  };
}

void PermissionBar::Render() {
  const PermissionPrompts::Request* current = prompts_.Current();
  if (!current) {
    if (!get_visible()) return;
    hide();
    if (onHidden) onHidden();
    return;
  }
  question.set_text(PermissionRequestQuestion(*current));
  // Handing an address to another program is no permission the page keeps: the button says
  // what happens at once.
  allowButton.set_label(current->scheme.empty() ? Tr("Allow") : Tr("Open"));
  show();
}

}  // namespace wb
