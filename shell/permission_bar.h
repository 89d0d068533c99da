#pragma once
// The bar above the web view that asks the person about a page's request for a permission:
// "HOST wants to ..." with "Allow" and "Block" ("Open" and "Block" when a page wants an address
// handed to another program). It shows the questions of a PermissionPrompts, one at a time, and
// is hidden while none waits.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include "engine/web_view.h"
#include "model/permission_prompts.h"
#include "support/catalog.h"

namespace wb {

class PermissionBar : public Gtk::Box {
 public:
  // The answers are kept in `store`, which must outlive the bar.
  explicit PermissionBar(CopyStore& store);

  // The view's requests and questions, in the window's `events` for its view, are answered here.
  void Handle(WebViewEvents& events);
  // The view's page was left: requests nobody answered are refused.
  void PageLeft() { prompts_.PageLeft(); }

  // The bar has gone after its last question.
  std::function<void()> onHidden;

  PermissionPrompts& Prompts() { return prompts_; }
  const PermissionPrompts& Prompts() const { return prompts_; }

  Gtk::Label question;
  Gtk::Button allowButton{Tr("Allow")};
  Gtk::Button blockButton{Tr("Block")};

 private:
  void Render();

  PermissionPrompts prompts_;
};

}  // namespace wb
