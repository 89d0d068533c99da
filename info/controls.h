#pragma once
// Small controls of the banner and the about box that GTK has no exact match for: panels with
// bevelled edges, labels drawn at a fixed size with a given font, and picture boxes. Each
// clickable control has its own input window, takes a hand cursor when asked, and reports a
// click when button 1 is pressed and released over it.
#include <gdkmm/pixbuf.h>
#include <gdkmm/rgba.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>
#include <pangomm/fontdescription.h>

#include <optional>

#include "support/text.h"

namespace wb {

// The two kinds of bevel of a panel edge.
enum class Bevel { None, Raised, Lowered };

// Draws a bevel of the given width along the edges of the rectangle: a raised bevel is light
// at the top and left and dark at the bottom and right, a lowered one the other way round.
void DrawBevel(const Cairo::RefPtr<Cairo::Context>& cr, int x, int y, int width, int height,
               Bevel bevel, int bevelWidth);

// A font as the windows' designs name it: a family, a height in pixels and a weight.
// "Tahoma" means the desktop's user-interface font, "Arial" its metric-compatible Liberation
// Sans.
Pango::FontDescription DesignFont(const std::string& family, int pixelHeight, bool bold = false);

// A control that reports clicks: button 1 pressed and released over it.
class ClickArea : public Gtk::DrawingArea {
 public:
  ClickArea();
  sigc::signal<void()>& signal_clicked() { return clicked_; }
  // Shows the hand cursor over the control.
  void SetHandCursor(bool hand);
  bool HandCursor() const { return hand_; }
  // Raises the click as the mouse would.
  void Click() { clicked_.emit(); }

 protected:
  void on_realize() override;
  bool on_button_press_event(GdkEventButton* event) override;
  bool on_button_release_event(GdkEventButton* event) override;

 private:
  sigc::signal<void()> clicked_;
  bool hand_ = false;
  bool pressed_ = false;
};

// A label drawn at its own fixed size. The text is shown as it is ("&" is no accelerator).
class LabelControl : public ClickArea {
 public:
  enum class Align { Left, Center, Right };

  LabelControl(int width, int height);

  void SetText(const Text& text);
  const Text& GetText() const { return text_; }
  void SetFont(const Pango::FontDescription& font);
  void SetAlignment(Align horizontal, bool centreVertically);
  void SetWordWrap(bool wrap);
  void SetColor(const Gdk::RGBA& color);
  void SetUnderline(bool underline);
  // Without a background the label is transparent.
  void SetBackground(const Gdk::RGBA& color);

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

 private:
  Text text_;
  Pango::FontDescription font_;
  Align align_ = Align::Left;
  bool centreVertically_ = false;
  bool wrap_ = false;
  bool underline_ = false;
  std::optional<Gdk::RGBA> color_;
  std::optional<Gdk::RGBA> background_;
};

// A picture box of a fixed size. Its picture is drawn at the top-left corner, either as it
// is or stretched proportionally to fit.
class PictureControl : public ClickArea {
 public:
  PictureControl(int width, int height);
  void SetPicture(const Glib::RefPtr<Gdk::Pixbuf>& picture);
  const Glib::RefPtr<Gdk::Pixbuf>& Picture() const { return picture_; }
  void SetProportional(bool proportional) { proportional_ = proportional; }
  // Sizes the control to its picture.
  void AutoSize();
  // Paints the whole control in one colour: the picture becomes a block of that colour.
  void Fill(guint32 rgb);

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

 private:
  Glib::RefPtr<Gdk::Pixbuf> picture_;
  bool proportional_ = false;
  int width_;
  int height_;
};

// A panel whose children sit at fixed positions, framed by an outer and an inner bevel of
// one pixel each.
class BevelFixed : public Gtk::Fixed {
 public:
  BevelFixed(Bevel outer, Bevel inner) : outer_(outer), inner_(inner) {}
  // The width of the frame the bevels take from each edge.
  int FrameWidth() const;

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

 private:
  Bevel outer_;
  Bevel inner_;
};

// A panel holding one child that fills it inside a bevel and a border. The panel takes the
// colour of the window `colorOf`: it is painted as the theme paints that window's background,
// wherever the panel itself is shown, and follows the theme when it changes.
class BevelBox : public Gtk::EventBox {
 public:
  BevelBox(Bevel outer, int bevelWidth, int borderWidth, Gtk::Window& colorOf);
  // Puts the child inside the bevel and the border.
  void SetChild(Gtk::Widget& child);

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

 private:
  Bevel outer_;
  int bevelWidth_;
  int inset_;
  Gtk::Window& colorOf_;
};

// A picture from the program's embedded resources, by its resource path; null when missing.
Glib::RefPtr<Gdk::Pixbuf> ResourcePicture(const std::string& path);

// A picture with the colour of its bottom-left pixel made transparent, as bitmaps with a
// transparent background are drawn.
Glib::RefPtr<Gdk::Pixbuf> TransparentBitmap(const Glib::RefPtr<Gdk::Pixbuf>& picture);

}  // namespace wb
