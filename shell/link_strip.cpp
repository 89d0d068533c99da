#include "shell/link_strip.h"

#include <gtkmm/box.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/menuitem.h>

#include <algorithm>

namespace wb {
namespace {

int NaturalWidth(const Gtk::Widget& widget) {
  int minimum = 0, natural = 0;
  widget.get_preferred_width(minimum, natural);
  return natural;
}

}  // namespace

LinkStrip::LinkStrip() {
  set_has_window(false);
  set_name("LinkStrip");
  arrow_.set_name("LinkOverflow");
  arrow_.set_relief(Gtk::RELIEF_NONE);
  arrow_.set_focus_on_click(false);
  arrow_.set_image_from_icon_name("pan-down-symbolic", Gtk::ICON_SIZE_MENU);
  arrow_.signal_clicked().connect([this] { ShowOverflowMenu(); });
  arrow_.set_parent(*this);
  arrow_.show();
  arrow_.set_child_visible(false);
}

LinkStrip::~LinkStrip() {
  Clear();
  if (arrow_.get_parent()) arrow_.unparent();
}

void LinkStrip::Append(Gtk::Button& button) {
  buttons_.push_back(&button);
  button.set_parent(*this);
  queue_resize();
}

void LinkStrip::Clear() {
  // The menu refers to the buttons it would click.
  menu_.reset();
  for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) (*it)->unparent();
  buttons_.clear();
  placed_ = 0;
  queue_resize();
}

void LinkStrip::ShowOverflowMenu() {
  menu_ = std::make_unique<Gtk::Menu>();
  for (std::size_t i = placed_; i < buttons_.size(); ++i) {
    Gtk::Button* button = buttons_[i];
    if (!button->get_visible()) continue;
    // The item looks as the tool bar's own overflow items did: the button's icon and caption.
    auto* item = Gtk::manage(new Gtk::MenuItem());
    auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6));
    if (auto* image = dynamic_cast<Gtk::Image*>(button->get_image()))
      box->pack_start(*Gtk::manage(new Gtk::Image(image->property_icon_name().get_value(),
                                                  Gtk::ICON_SIZE_MENU)),
                      Gtk::PACK_SHRINK);
    box->pack_start(*Gtk::manage(new Gtk::Label(button->get_label())), Gtk::PACK_SHRINK);
    item->add(*box);
    item->set_tooltip_text(button->get_tooltip_text());
    item->signal_activate().connect([button] { button->clicked(); });
    item->show_all();
    menu_->append(*item);
  }
  menu_->popup_at_widget(&arrow_, Gdk::GRAVITY_SOUTH_WEST, Gdk::GRAVITY_NORTH_WEST, nullptr);
}

void LinkStrip::on_add(Gtk::Widget* widget) {
  if (auto* button = dynamic_cast<Gtk::Button*>(widget)) Append(*button);
}

void LinkStrip::on_remove(Gtk::Widget* widget) {
  // The toolkit's own teardown removes children one by one, the arrow included.
  if (widget == &arrow_) {
    arrow_.unparent();
    return;
  }
  // The menu refers to the buttons it would click.
  menu_.reset();
  // Buttons leave from the end (Clear), so the search starts there.
  const auto it = std::find(buttons_.rbegin(), buttons_.rend(), widget);
  if (it == buttons_.rend()) return;
  const bool wasVisible = widget->get_visible();
  buttons_.erase(std::next(it).base());
  widget->unparent();
  placed_ = std::min(placed_, buttons_.size());
  if (wasVisible) queue_resize();
}

void LinkStrip::forall_vfunc(gboolean include_internals, GtkCallback callback,
                             gpointer callback_data) {
  // The callback may remove the button it is given (destroying does): the next one then moves
  // into its place.
  for (std::size_t i = 0; i < buttons_.size();) {
    Gtk::Button* button = buttons_[i];
    callback(GTK_WIDGET(button->gobj()), callback_data);
    if (i < buttons_.size() && buttons_[i] == button) ++i;
  }
  if (include_internals) callback(GTK_WIDGET(arrow_.gobj()), callback_data);
}

GType LinkStrip::child_type_vfunc() const {
  return Gtk::Button::get_type();
}

Gtk::SizeRequestMode LinkStrip::get_request_mode_vfunc() const {
  return Gtk::SIZE_REQUEST_CONSTANT_SIZE;
}

void LinkStrip::get_preferred_width_vfunc(int& minimum, int& natural) const {
  // As narrow as the arrow, so that the window can be narrowed: what does not fit goes to the
  // arrow's menu. As wide as every button, when there is room.
  natural = 0;
  for (const Gtk::Button* button : buttons_)
    if (button->get_visible()) natural += NaturalWidth(*button);
  minimum = natural > 0 ? std::min(natural, NaturalWidth(arrow_)) : 0;
}

void LinkStrip::get_preferred_height_vfunc(int& minimum, int& natural) const {
  minimum = natural = 0;
  if (buttons_.empty()) return;
  arrow_.get_preferred_height(minimum, natural);
  for (const Gtk::Button* button : buttons_) {
    if (!button->get_visible()) continue;
    int m = 0, n = 0;
    button->get_preferred_height(m, n);
    minimum = std::max(minimum, m);
    natural = std::max(natural, n);
  }
}

void LinkStrip::get_preferred_width_for_height_vfunc(int, int& minimum, int& natural) const {
  get_preferred_width_vfunc(minimum, natural);
}

void LinkStrip::get_preferred_height_for_width_vfunc(int, int& minimum, int& natural) const {
  get_preferred_height_vfunc(minimum, natural);
}

void LinkStrip::on_size_allocate(Gtk::Allocation& allocation) {
  set_allocation(allocation);
  std::vector<int> widths(buttons_.size(), 0);
  int total = 0;
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->get_visible()) total += widths[i] = NaturalWidth(*buttons_[i]);
  const bool overflow = total > allocation.get_width();
  const int arrowWidth = overflow ? NaturalWidth(arrow_) : 0;
  const int room = allocation.get_width() - arrowWidth;
  // As in a tool bar, the first button that does not fit and every one after it go to the
  // arrow's menu.
  int x = 0;
  bool fits = true;
  placed_ = 0;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    Gtk::Button& button = *buttons_[i];
    if (!button.get_visible()) continue;
    fits = fits && x + widths[i] <= room;
    if (button.get_child_visible() != fits) button.set_child_visible(fits);
    if (!fits) continue;
    Gtk::Allocation place(allocation.get_x() + x, allocation.get_y(), widths[i],
                          allocation.get_height());
    button.size_allocate(place);
    x += widths[i];
    placed_ = i + 1;
  }
  arrow_.set_child_visible(overflow);
  if (overflow) {
    Gtk::Allocation place(allocation.get_x() + allocation.get_width() - arrowWidth,
                          allocation.get_y(), arrowWidth, allocation.get_height());
    arrow_.size_allocate(place);
  }
}

}  // namespace wb
