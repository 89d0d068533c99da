// The windows and browsers a page of the browser window opens: the page's own child windows,
// within the window's pop-up limits, and the addresses handed to the default browser or, after
// the person's answer, to another program.
#include <glibmm/main.h>

#include <memory>
#include <string>
#include <vector>

#include "model/window_rules.h"
#include "shell/web_form.h"
#include "support/address_parts.h"
#include "support/permissions.h"

namespace wb {

void TWebForm::OpenExternal(const Text& address, const Text& page) {
  const std::string target = ToUtf8(address);
  // A page that opens windows in a loop would flood the desktop with browser windows.
  auto open = [this, address] {
    if (newWindows_.MayOpenElsewhere() && services_.openExternal) services_.openExternal(address);
  };
  switch (HandOverFor(target)) {
    case HandOver::kOpen:
      open();
      return;
    case HandOver::kRefuse:
      return;
    case HandOver::kAsk:
      break;
  }
  const std::string scheme = SchemeOf(target);
  const std::string shown = ToUtf8(page);
  pPermission->Prompts().Ask({OriginOf(shown), SiteOfAddress(shown), {}, scheme},
                             [open](bool allow) {
                               if (allow) open();
                             });
}

WebView* TWebForm::OpenChild(WebView& opener, const Text& address) {
  if (!newWindows_.MayOpenChild(children_.size())) return nullptr;
  TChildWindow::Hooks hooks;
  hooks.openExternal = [this](const Text& target, const Text& page) { OpenExternal(target, page); };
  hooks.openChild = [this](WebView& from, const Text& target) { return OpenChild(from, target); };
  hooks.status = [this](const Text& status) { SetStatus(status); };
  hooks.closed = [this](TChildWindow&) {
    if (!dropChildren_.connected())
      dropChildren_ = Glib::signal_idle().connect([this] {
        DropClosedChildren();
        return false;
      });
  };
  children_.push_back(
      std::make_unique<TChildWindow>(*services_.views, opener, address, this, std::move(hooks)));
  return &children_.back()->View();
}

void TWebForm::DropClosedChildren() {
  // Out of the list before they are destroyed, so the list is whole whatever their going
  // sets off.
  std::vector<std::unique_ptr<TChildWindow>> closed;
  for (auto& child : children_)
    if (child->Closing()) closed.push_back(std::move(child));
  std::erase(children_, nullptr);
  closed.clear();
}

}  // namespace wb
