#include "info/controls.h"

#include <gdkmm/cursor.h>
#include <gdkmm/general.h>
#include <giomm/resource.h>
#include <gtkmm/settings.h>

#include <algorithm>

namespace wb {

namespace {

void SetSource(const Cairo::RefPtr<Cairo::Context>& cr, double r, double g, double b) {
  cr->set_source_rgb(r, g, b);
}

// The family of the desktop's user-interface font ("Cantarell 11" gives "Cantarell").
std::string InterfaceFontFamily() {
  auto settings = Gtk::Settings::get_default();
  if (settings) {
    Glib::ustring name = settings->property_gtk_font_name().get_value();
    Pango::FontDescription desc(name);
    if (!desc.get_family().empty()) return desc.get_family();
  }
  return "Sans";
}

}  // namespace

void DrawBevel(const Cairo::RefPtr<Cairo::Context>& cr, int x, int y, int width, int height,
               Bevel bevel, int bevelWidth) {
  if (bevel == Bevel::None || width <= 0 || height <= 0) return;
  // The light and dark edges of the classic three-dimensional look.
  const double light = 1.0, dark = 160.0 / 255.0;
  double topLeft = bevel == Bevel::Raised ? light : dark;
  double bottomRight = bevel == Bevel::Raised ? dark : light;
  cr->save();
  cr->set_line_width(1);
  for (int i = 0; i < bevelWidth && 2 * i < std::min(width, height); ++i) {
    double l = x + i + 0.5, t = y + i + 0.5;
    double r = x + width - i - 0.5, b = y + height - i - 0.5;
    SetSource(cr, topLeft, topLeft, topLeft);
    cr->move_to(l, b);
    cr->line_to(l, t);
    cr->line_to(r, t);
    cr->stroke();
    SetSource(cr, bottomRight, bottomRight, bottomRight);
    cr->move_to(r, t + 1);
    cr->line_to(r, b);
    cr->line_to(l, b);
    cr->stroke();
  }
  cr->restore();
}

Pango::FontDescription DesignFont(const std::string& family, int pixelHeight, bool bold) {
  Pango::FontDescription font;
  if (family == "Tahoma")
    font.set_family(InterfaceFontFamily());
  else if (family == "Arial")
    font.set_family("Liberation Sans");
  else
    font.set_family(family);
  font.set_absolute_size(pixelHeight * PANGO_SCALE);
  font.set_weight(bold ? Pango::WEIGHT_BOLD : Pango::WEIGHT_NORMAL);
  return font;
}

// --- ClickArea ------------------------------------------------------------------------------

ClickArea::ClickArea() {
  add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
}

void ClickArea::SetHandCursor(bool hand) {
  hand_ = hand;
  if (auto window = get_window())
    window->set_cursor(hand ? Gdk::Cursor::create(get_display(), "pointer")
                            : Glib::RefPtr<Gdk::Cursor>());
}

void ClickArea::on_realize() {
  Gtk::DrawingArea::on_realize();
  if (hand_) SetHandCursor(true);
}

bool ClickArea::on_button_press_event(GdkEventButton* event) {
  if (event->button != 1 || event->type != GDK_BUTTON_PRESS) return false;
  pressed_ = true;
  return true;
}

bool ClickArea::on_button_release_event(GdkEventButton* event) {
  if (event->button != 1 || !pressed_) return false;
  pressed_ = false;
  // Like a button, a control clicks only when the mouse is released over it.
  if (event->x >= 0 && event->y >= 0 && event->x < get_allocated_width() &&
      event->y < get_allocated_height())
    clicked_.emit();
  return true;
}

// --- LabelControl ---------------------------------------------------------------------------

LabelControl::LabelControl(int width, int height) : font_(DesignFont("Tahoma", 11)) {
  set_size_request(width, height);
}

void LabelControl::SetText(const Text& text) {
  text_ = text;
  queue_draw();
}

void LabelControl::SetFont(const Pango::FontDescription& font) {
  font_ = font;
  queue_draw();
}

void LabelControl::SetAlignment(Align horizontal, bool centreVertically) {
  align_ = horizontal;
  centreVertically_ = centreVertically;
  queue_draw();
}

void LabelControl::SetWordWrap(bool wrap) {
  wrap_ = wrap;
  queue_draw();
}

void LabelControl::SetColor(const Gdk::RGBA& color) {
  color_ = color;
  queue_draw();
}

void LabelControl::SetUnderline(bool underline) {
  underline_ = underline;
  queue_draw();
}

void LabelControl::SetBackground(const Gdk::RGBA& color) {
  background_ = color;
  queue_draw();
}

bool LabelControl::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  const int width = get_allocated_width(), height = get_allocated_height();
  if (background_) {
    Gdk::Cairo::set_source_rgba(cr, *background_);
    cr->paint();
  }
  auto layout = create_pango_layout(ToUtf8(text_));
  layout->set_font_description(font_);
  if (wrap_) {
    layout->set_width(width * PANGO_SCALE);
    layout->set_wrap(Pango::WRAP_WORD);
  }
  if (underline_) {
    Pango::AttrList attrs;
    auto underline = Pango::Attribute::create_attr_underline(Pango::UNDERLINE_SINGLE);
    attrs.insert(underline);
    layout->set_attributes(attrs);
  }
  int textWidth = 0, textHeight = 0;
  layout->get_pixel_size(textWidth, textHeight);
  // Wrapped text is aligned line by line inside the layout's width.
  int x = 0;
  if (wrap_) {
    layout->set_alignment(align_ == Align::Center  ? Pango::ALIGN_CENTER
                          : align_ == Align::Right ? Pango::ALIGN_RIGHT
                                                   : Pango::ALIGN_LEFT);
  } else if (align_ == Align::Center) {
    x = (width - textWidth) / 2;
  } else if (align_ == Align::Right) {
    x = width - textWidth;
  }
  int y = centreVertically_ ? (height - textHeight) / 2 : 0;
  if (color_)
    Gdk::Cairo::set_source_rgba(cr, *color_);
  else
    Gdk::Cairo::set_source_rgba(cr, get_style_context()->get_color(get_state_flags()));
  cr->rectangle(0, 0, width, height);
  cr->clip();
  cr->move_to(x, y);
  layout->show_in_cairo_context(cr);
  return true;
}

// --- PictureControl -------------------------------------------------------------------------

PictureControl::PictureControl(int width, int height) : width_(width), height_(height) {
  set_size_request(width, height);
}

void PictureControl::SetPicture(const Glib::RefPtr<Gdk::Pixbuf>& picture) {
  picture_ = picture;
  queue_draw();
}

void PictureControl::AutoSize() {
  if (!picture_) return;
  width_ = picture_->get_width();
  height_ = picture_->get_height();
  set_size_request(width_, height_);
}

void PictureControl::Fill(guint32 rgb) {
  picture_ = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, width_, height_);
  // The colour value keeps red in its lowest byte; the pixel wants red in its highest.
  guint32 r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  picture_->fill((r << 24) | (g << 16) | (b << 8) | 0xFF);
  queue_draw();
}

bool PictureControl::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!picture_) return true;
  const int width = get_allocated_width(), height = get_allocated_height();
  double scale = 1.0;
  if (proportional_ && picture_->get_width() > 0 && picture_->get_height() > 0) {
    scale = std::min(static_cast<double>(width) / picture_->get_width(),
                     static_cast<double>(height) / picture_->get_height());
  }
  cr->rectangle(0, 0, width, height);
  cr->clip();
  cr->scale(scale, scale);
  Gdk::Cairo::set_source_pixbuf(cr, picture_, 0, 0);
  cr->paint();
  return true;
}

// --- Panels ---------------------------------------------------------------------------------

int BevelFixed::FrameWidth() const {
  return (outer_ != Bevel::None ? 1 : 0) + (inner_ != Bevel::None ? 1 : 0);
}

bool BevelFixed::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  const int width = get_allocated_width(), height = get_allocated_height();
  DrawBevel(cr, 0, 0, width, height, outer_, 1);
  int inset = outer_ != Bevel::None ? 1 : 0;
  DrawBevel(cr, inset, inset, width - 2 * inset, height - 2 * inset, inner_, 1);
  return Gtk::Fixed::on_draw(cr);
}

BevelBox::BevelBox(Bevel outer, int bevelWidth, int borderWidth, Gtk::Window& colorOf)
    : outer_(outer),
      bevelWidth_(outer == Bevel::None ? 0 : bevelWidth),
      inset_(bevelWidth_ + borderWidth),
      colorOf_(colorOf) {
  set_app_paintable(true);
}

void BevelBox::SetChild(Gtk::Widget& child) {
  // Margins rather than a container border: the box's own window must cover the bevel.
  child.set_margin_start(inset_);
  child.set_margin_end(inset_);
  child.set_margin_top(inset_);
  child.set_margin_bottom(inset_);
  add(child);
}

bool BevelBox::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  // The window's own style, not the panel's: docked into another window, the panel still
  // shows the colour of the window it belongs to rather than that of its host.
  colorOf_.get_style_context()->render_background(cr, 0, 0, get_allocated_width(),
                                                  get_allocated_height());
  DrawBevel(cr, 0, 0, get_allocated_width(), get_allocated_height(), outer_, bevelWidth_);
  return Gtk::EventBox::on_draw(cr);
}

// --- Pictures -------------------------------------------------------------------------------

Glib::RefPtr<Gdk::Pixbuf> ResourcePicture(const std::string& path) {
  try {
    return Gdk::Pixbuf::create_from_resource(path);
  } catch (const Glib::Error&) {
    return {};
  }
}

Glib::RefPtr<Gdk::Pixbuf> TransparentBitmap(const Glib::RefPtr<Gdk::Pixbuf>& picture) {
  if (!picture || picture->get_width() == 0 || picture->get_height() == 0) return picture;
  const guint8* corner =
      picture->get_pixels() + (picture->get_height() - 1) * picture->get_rowstride();
  return picture->add_alpha(true, corner[0], corner[1], corner[2]);
}

}  // namespace wb
