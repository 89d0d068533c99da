#include "shell/action.h"

#include <glibmm/main.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/toolbutton.h>

#include <algorithm>

namespace wb {

Action::Action(Glib::ustring caption, std::string iconName)
    : caption_(std::move(caption)), iconName_(std::move(iconName)) {}

void Action::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  for (Gtk::Widget* w : bound_) Apply(*w);
}

void Action::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  for (Gtk::Widget* w : bound_) Apply(*w);
}

void Action::Reapply() {
  for (Gtk::Widget* w : bound_) Apply(*w);
}

void Action::Apply(Gtk::Widget& widget) const {
  widget.set_sensitive(enabled_);
  widget.set_visible(visible_);
}

void Action::Bind(Gtk::ToolButton& button) {
  bound_.push_back(&button);
  button.set_tooltip_text(caption_);
  button.signal_clicked().connect([this] { Execute(); });
  Apply(button);
}

void Action::Bind(Gtk::MenuItem& item) {
  bound_.push_back(&item);
  item.signal_activate().connect([this] { Execute(); });
  Apply(item);
}

void Action::Unbind(Gtk::Widget& widget) {
  bound_.erase(std::remove(bound_.begin(), bound_.end(), &widget), bound_.end());
}

void Action::Update() {
  if (onUpdate) onUpdate(*this);
}

bool Action::Execute() {
  Update();
  if (!enabled_ || !onExecute) return false;
  onExecute();
  return true;
}

ActionList::~ActionList() {
  pending_.disconnect();
}

void ActionList::Invalidate() {
  if (paused_) {
    stale_ = true;
    return;
  }
  if (pending_.connected()) return;
  pending_ = Glib::signal_idle().connect(
      [this] {
        UpdateNow();
        return false;
      },
      Glib::PRIORITY_DEFAULT_IDLE);
}

void ActionList::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (paused) {
    stale_ = pending_.connected();
    pending_.disconnect();
  } else if (stale_) {
    stale_ = false;
    Invalidate();
  }
}

void ActionList::UpdateNow() {
  pending_.disconnect();
  for (Action* a : actions_) a->Update();
}

}  // namespace wb
