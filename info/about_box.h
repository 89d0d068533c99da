#pragma once
// The about box: a fixed modal dialog with the program's title, version and build date, the
// maker's logo, emblem and contact lines, and links to the maker's homepage, shop and support
// pages, which open in the user's default browser while the dialog stays open.
#include <glibmm/main.h>
#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "info/controls.h"
#include "storage/process_values.h"
#include "support/maker.h"
#include "support/text.h"
#include "support/values.h"
#include "support/window_state.h"

namespace wb {

// What the about box needs from outside; tests substitute every part.
struct AboutBoxDeps {
  // Opens an address in the user's default browser.
  std::function<void(const Text& address)> open;
  // The maker's web site, without a trailing slash.
  std::function<Text()> baseAddress;
  // The build date of the program.
  std::function<DateValue()> buildDate;
  // The start-up title, version text and application title; null takes the process values.
  const ProcessValues* values = nullptr;
  // A branded copy's own maker and logo picture file (PNG or SVG). When either is given the
  // box shows the copy's maker in place of ours: only the lines and links it names, none of
  // our texts, pictures or addresses.
  CopyMaker maker;
  std::string logo;
};

// The dependencies of the running program: ShellOpen, the maker's web site, the build date of
// the executable, the process values, and the copy's maker (OwnCopyMaker) and logo block.
AboutBoxDeps ProgramAboutBoxDeps();

// The texts the maker chose for its about box.
extern const Text kAboutCopyright;
extern const std::array<Text, 4> kAboutContactLines;  // street, town, telephone, mobile
extern const Text kAboutLogoWord;                     // completes the logo

class TAboutBox : public Gtk::Window {
  // The form's fixed layout outlives the controls on it, so each control leaves it in order.
  Gtk::Fixed form_;

 public:
  // `owner` (may be null) is the window the box is centred over when shown.
  TAboutBox(Gtk::Window* owner, AboutBoxDeps deps);
  ~TAboutBox() override;

  // Shows the box modally and returns when the user has closed it. The two texts are not
  // used.
  void exec(const Text& unused1, const Text& unused2);

  // Handlers.
  void FormCreate();
  void FormShow();
  void lbHomepageClick();
  void lbShopClick();
  void btSupportClick();

  // The homepage, shop and support addresses and the version line.
  Text HomepageAddress() const;
  Text ShopAddress() const;
  Text SupportAddress() const;
  Text VersionLine() const;

  // What the box shows while it is shown, for the window's state; none while it is hidden.
  std::optional<WindowState::About> State() const;

  // The controls, in the order of the design.
  BevelFixed Panel1{Bevel::Lowered, Bevel::Raised};
  LabelControl Prog{341, 35};
  LabelControl lVer{66, 45};
  LabelControl Copyright{329, 17};
  PictureControl Image2{297, 142};
  PictureControl Image1{134, 28};
  LabelControl Label1{87, 23};
  LabelControl adr2{190, 16};
  LabelControl adr3{193, 16};
  LabelControl adr4{192, 16};
  LabelControl adr5{193, 16};
  PictureControl Image3{277, 6};
  LabelControl lbHomepage{193, 15};
  LabelControl lbShop{297, 15};
  PictureControl Image4{89, 88};
  LabelControl Ver{210, 45};
  Gtk::Button btOk;
  Gtk::Button btSupport;

 protected:
  bool on_key_press_event(GdkEventKey* event) override;
  bool on_delete_event(GdkEventAny* event) override;

 private:
  const ProcessValues& Values() const;
  void Close();
  // Whether the box shows a branded copy's maker in place of ours.
  bool CopysOwn() const;
  // In a copy's box, hides each line, link and picture the copy's maker leaves out.
  void ShowOnlyTheCopysMaker();

  AboutBoxDeps deps_;
  Glib::RefPtr<Glib::MainLoop> modalLoop_;
};

}  // namespace wb
