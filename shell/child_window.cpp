#include "shell/child_window.h"

namespace wb {
namespace {
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 720;
}  // namespace

TChildWindow::TChildWindow(WebViewFactory& views, WebView& opener, const Text& address,
                           Gtk::Window* owner, Hooks hooks)
    : web_(views.Create(&opener)), hooks_(std::move(hooks)), asked_(address) {
  set_title(ToUtf8(address));
  set_default_size(kDefaultWidth, kDefaultHeight);
  if (owner) {
    set_transient_for(*owner);
    set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  }
  Gtk::Widget& view = web_->widget();
  view.set_name("web");
  view.set_hexpand(true);
  view.set_vexpand(true);
  add(view);
  view.show();

  WebViewEvents events;
  events.onReadyToShow = [this] { show(); };
  events.onCloseRequest = [this] { RequestClose(); };
  events.onStatusText = [this](const Text& status) {
    if (hooks_.status) hooks_.status(status);
  };
  events.onTitleChanged = [this](const Text& title) {
    set_title(ToUtf8(title.empty() ? Address() : title));
  };
  events.onNewWindow = [this](const Text& target) {
    if (hooks_.openExternal) hooks_.openExternal(target, Address());
  };
  events.onChildWindow = [this](const Text& target) -> WebView* {
    return hooks_.openChild ? hooks_.openChild(*web_, target) : nullptr;
  };
  events.onBlankWindow = [this]() -> WebView* {
    return hooks_.openChild ? hooks_.openChild(*web_, Text()) : nullptr;
  };
  web_->SetEvents(std::move(events));
}

TChildWindow::~TChildWindow() {
  web_->ClearEvents();
  remove();
}

Text TChildWindow::Address() const {
  const Text shown = web_->LocationURL();
  return shown.empty() ? asked_ : shown;
}

bool TChildWindow::on_delete_event(GdkEventAny*) {
  // The page is asked first, as when it is left; the person may stay on it.
  if (!closing_) web_->TryClose([this] { RequestClose(); });
  return true;  // the owner destroys the window
}

void TChildWindow::AskToClose(std::function<void()> closed) {
  if (closing_) return;
  web_->TryClose([this, closed = std::move(closed)] {
    RequestClose();
    if (closed) closed();
  });
}

void TChildWindow::RequestClose() {
  if (closing_) return;
  closing_ = true;
  hide();
  if (hooks_.closed) hooks_.closed(*this);
}

}  // namespace wb
