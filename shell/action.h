#pragma once
// An action: one command with a caption, an icon and an enabled and visible state, shared by
// the tool buttons and menu items bound to it. Update rules run when the main loop goes idle
// after something may have changed them, and once more right before the action runs, so a
// command never acts on a state its rule no longer allows.
#include <functional>
#include <string>
#include <vector>

#include <glibmm/ustring.h>
#include <sigc++/connection.h>

namespace Gtk {
class Widget;
class ToolButton;
class MenuItem;
}  // namespace Gtk

namespace wb {

class Action {
 public:
  Action(Glib::ustring caption, std::string iconName);
  Action(const Action&) = delete;
  Action& operator=(const Action&) = delete;

  const Glib::ustring& Caption() const { return caption_; }
  const std::string& IconName() const { return iconName_; }
  bool Enabled() const { return enabled_; }
  bool Visible() const { return visible_; }
  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
  // Applies the state again to every bound control (after a show_all, for example).
  void Reapply();

  // Binds a control: it takes the caption as its hint, the enabled and visible state, and
  // runs the action when clicked or activated.
  void Bind(Gtk::ToolButton& button);
  void Bind(Gtk::MenuItem& item);
  // Forgets a control that is about to be destroyed.
  void Unbind(Gtk::Widget& widget);

  // Runs the update rule, then the command when the action is enabled. Returns whether the
  // command ran.
  bool Execute();
  void Update();

  std::function<void()> onExecute;
  std::function<void(Action&)> onUpdate;

 private:
  void Apply(Gtk::Widget& widget) const;

  Glib::ustring caption_;
  std::string iconName_;
  bool enabled_ = true;
  bool visible_ = true;
  std::vector<Gtk::Widget*> bound_;
};

// The window's actions. Invalidate() asks for the update rules to run when the main loop next
// goes idle; several requests before that run them once.
class ActionList {
 public:
  ~ActionList();
  void Add(Action& action) { actions_.push_back(&action); }
  void Invalidate();
  void UpdateNow();
  bool UpdatePending() const { return pending_.connected(); }
  // While no one sees the window (hidden in its tray item, minimised) the actions are brought
  // up to date only once it shows again: a live page would otherwise have them updated on each
  // change of its title or progress for nothing.
  void SetPaused(bool paused);

 private:
  std::vector<Action*> actions_;
  sigc::connection pending_;
  bool paused_ = false;
  bool stale_ = false;  // an update was asked for while paused
};

}  // namespace wb
