#pragma once
// The row that holds the link bar's buttons.
#include <gtkmm/button.h>
#include <gtkmm/container.h>
#include <gtkmm/menu.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace wb {

// A row of buttons, left to right, that takes a button in constant time. The toolkit's tool
// bar restyles and re-sorts all of its items whenever one is added, so a configuration with
// thousands of links took minutes to fill it; this row keeps its buttons in order itself and
// places them in one pass. As a tool bar does, it shows the buttons that fit from the left;
// when some do not fit, an arrow at its right end offers those in a menu.
class LinkStrip : public Gtk::Container {
 public:
  LinkStrip();
  ~LinkStrip() override;

  // Places `button`, which the row then owns (made with Gtk::manage), at the right end.
  void Append(Gtk::Button& button);
  // Removes every button, the last first; each is destroyed.
  void Clear();
  const std::vector<Gtk::Button*>& Buttons() const { return buttons_; }
  // The number of buttons that the last layout placed in the row, from the left; the others
  // are in the arrow's menu.
  std::size_t Placed() const { return placed_; }
  Gtk::Button& Arrow() { return arrow_; }
  // Opens the arrow's menu of the buttons that do not fit; what a click on the arrow does.
  void ShowOverflowMenu();
  Gtk::Menu* OverflowMenu() { return menu_.get(); }

 protected:
  void on_add(Gtk::Widget* widget) override;
  void on_remove(Gtk::Widget* widget) override;
  void forall_vfunc(gboolean include_internals, GtkCallback callback,
                    gpointer callback_data) override;
  GType child_type_vfunc() const override;
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void get_preferred_width_vfunc(int& minimum, int& natural) const override;
  void get_preferred_height_vfunc(int& minimum, int& natural) const override;
  void get_preferred_width_for_height_vfunc(int height, int& minimum, int& natural) const override;
  void get_preferred_height_for_width_vfunc(int width, int& minimum, int& natural) const override;
  void on_size_allocate(Gtk::Allocation& allocation) override;

 private:
  std::vector<Gtk::Button*> buttons_;
  std::size_t placed_ = 0;
  Gtk::Button arrow_;
  std::unique_ptr<Gtk::Menu> menu_;
};

}  // namespace wb
