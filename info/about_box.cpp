#include "info/about_box.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/image.h>

#include <algorithm>

#include "info/program_icon.h"
#include "platform/resources.h"
#include "support/catalog.h"
#include "support/maker.h"

namespace wb {

const Text kAboutCopyright =
    u"Copyright \u00A9 2026 " + Text(kCompanyName) + u". All rights reserved.";
const std::array<Text, 4> kAboutContactLines = {
    u"12 Harbour Lane",
    u"Westbury WB4 2QA",
    u"Phone +44 20 7946 0123",
    u"Mobile +44 7700 900123",
};
const Text kAboutLogoWord = u"software";

namespace {

// The pictures in the program's embedded resources.
constexpr char16_t kLogoResource[] = u"about_logo.bmp";
constexpr char16_t kEmblemResource[] = u"about_emblem.gif";

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 421;

// The room a copy's logo has above the rule, where our logo and its word stand.
constexpr int kCopyLogoWidth = 280;
constexpr int kCopyLogoHeight = 30;

// The copy's logo scaled down, keeping its proportions, to fit the logo's room; null when the
// picture does not load.
Glib::RefPtr<Gdk::Pixbuf> CopyLogo(std::string_view bytes) {
  auto logo = IconFromPicture(bytes);
  if (!logo || logo->get_width() <= 0 || logo->get_height() <= 0) return {};
  const double scale = std::min({1.0, double(kCopyLogoWidth) / logo->get_width(),
                                 double(kCopyLogoHeight) / logo->get_height()});
  if (scale >= 1.0) return logo;
  return logo->scale_simple(std::max(1, int(logo->get_width() * scale)),
                            std::max(1, int(logo->get_height() * scale)), Gdk::INTERP_BILINEAR);
}

}  // namespace

TAboutBox::TAboutBox(Gtk::Window* owner, AboutBoxDeps deps) : deps_(std::move(deps)) {
  set_title(Tr("Info"));
  set_name("AboutBox");
  set_resizable(false);
  set_size_request(kClientWidth, kClientHeight);
  set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  set_skip_taskbar_hint(true);
  set_modal(true);
  if (owner) {
    set_transient_for(*owner);
    set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  } else {
    set_position(Gtk::WIN_POS_CENTER);
  }

  const Gdk::RGBA blue("#0000FF");
  const auto tahoma12 = DesignFont("Tahoma", 12);
  const auto arial12bold = DesignFont("Arial", 12, true);

  Prog.SetFont(DesignFont("Tahoma", 15, true));
  Prog.SetAlignment(LabelControl::Align::Center, true);
  lVer.SetFont(tahoma12);
  lVer.SetText(FromUtf8(Tr("Version")));
  Copyright.SetFont(DesignFont("Tahoma", 11));
  Copyright.SetAlignment(LabelControl::Align::Center, false);
  Copyright.SetWordWrap(true);
  RegisterProgramResources();
  if (CopysOwn())
    Image1.SetPicture(CopyLogo(deps_.logo));
  else
    Image1.SetPicture(TransparentBitmap(ResourcePicture(ResourcePath(kLogoResource))));
  Image1.SetProportional(true);
  Image1.AutoSize();
  Label1.SetFont(DesignFont("Arial", 20));
  Label1.SetAlignment(LabelControl::Align::Right, false);
  Label1.SetText(kAboutLogoWord);
  for (LabelControl* line : {&adr2, &adr3, &adr4, &adr5}) line->SetFont(arial12bold);
  lbHomepage.SetFont(DesignFont("Arial", 12));
  lbHomepage.SetColor(blue);
  lbHomepage.SetUnderline(true);
  lbHomepage.SetAlignment(LabelControl::Align::Left, true);
  lbShop.SetFont(tahoma12);
  lbShop.SetColor(blue);
  lbShop.SetUnderline(true);
  lbShop.SetAlignment(LabelControl::Align::Center, false);
  Image4.SetPicture(ResourcePicture(ResourcePath(kEmblemResource)));
  Image4.SetProportional(true);
  Ver.SetFont(tahoma12);

  // Later controls lie over earlier ones, so the order below is the order of the design.
  const int inner = Panel1.FrameWidth();
  Panel1.set_size_request(345, 374);
  Panel1.put(Prog, inner, inner);
  Panel1.put(lVer, 31, 40);
  Panel1.put(Copyright, 8, 88);
  Panel1.put(Image2, 20, 104);
  Panel1.put(Image1, 31, 114);
  Panel1.put(Label1, 219, 122);
  Panel1.put(adr2, 32, 160);
  Panel1.put(adr3, 32, 175);
  Panel1.put(adr4, 33, 192);
  Panel1.put(adr5, 32, 208);
  Panel1.put(Image3, 32, 147);
  Panel1.put(lbHomepage, 32, 226);
  Panel1.put(lbShop, 20, 351);
  Panel1.put(Image4, 228, 158);
  Panel1.put(Ver, 103, 40);

  for (ClickArea* link : std::initializer_list<ClickArea*>{
           &Image2, &Image1, &Label1, &adr2, &adr3, &adr4, &adr5, &Image3, &lbHomepage, &Image4}) {
    link->SetHandCursor(true);
    link->signal_clicked().connect([this] { lbHomepageClick(); });
  }
  lbShop.SetHandCursor(true);
  lbShop.signal_clicked().connect([this] { lbShopClick(); });

  // Buttons of the design's height: the theme's own minimum would make them taller.
  auto compact = Gtk::CssProvider::create();
  compact->load_from_data("button { min-height: 0; padding: 0 6px; }");
  for (Gtk::Button* button : {&btOk, &btSupport})
    button->get_style_context()->add_provider(compact, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  btOk.set_label(Tr("OK"));
  btOk.set_image_from_icon_name("object-select-symbolic", Gtk::ICON_SIZE_BUTTON);
  btOk.set_always_show_image(true);
  btOk.set_size_request(105, 22);
  btOk.signal_clicked().connect([this] { Close(); });
  btSupport.set_label(Tr("_Support"));
  btSupport.set_use_underline(true);
  btSupport.set_size_request(121, 22);
  btSupport.signal_clicked().connect([this] { btSupportClick(); });

  form_.put(Panel1, 8, 8);
  form_.put(btOk, 128, 388);
  form_.put(btSupport, 8, 388);
  add(form_);
  form_.show_all();
  if (CopysOwn()) ShowOnlyTheCopysMaker();

  btOk.set_can_default(true);
  set_default(btOk);
  set_focus(btOk);
  signal_hide().connect([this] {
    if (modalLoop_ && modalLoop_->is_running()) modalLoop_->quit();
  });

  FormCreate();
}

TAboutBox::~TAboutBox() {
  if (modalLoop_ && modalLoop_->is_running()) modalLoop_->quit();
  unset_default();
  unset_focus();
}

const ProcessValues& TAboutBox::Values() const {
  return deps_.values ? *deps_.values : Process();
}

bool TAboutBox::CopysOwn() const {
  return !deps_.maker.empty() || !deps_.logo.empty();
}

void TAboutBox::ShowOnlyTheCopysMaker() {
  // Our logo's word and our emblem belong to our logo; the copy's maker has its own.
  Label1.hide();
  Image4.hide();
  if (!Image1.Picture()) Image1.hide();
  if (deps_.maker.name.empty()) Copyright.hide();
  const std::array<LabelControl*, 4> lines = {&adr2, &adr3, &adr4, &adr5};
  for (std::size_t i = deps_.maker.contact.size(); i < lines.size(); ++i) lines[i]->hide();
  if (deps_.maker.homepage.empty()) {
    // Without a homepage the pictures and lines lead nowhere, so they do not look like links.
    lbHomepage.hide();
    for (ClickArea* area :
         std::initializer_list<ClickArea*>{&Image2, &Image1, &adr2, &adr3, &adr4, &adr5, &Image3})
      area->SetHandCursor(false);
  }
  if (deps_.maker.shop.empty()) lbShop.hide();
  if (deps_.maker.support.empty()) btSupport.hide();
}

Text TAboutBox::HomepageAddress() const {
  if (CopysOwn()) return deps_.maker.homepage;
  return deps_.baseAddress();
}
Text TAboutBox::ShopAddress() const {
  if (CopysOwn()) return deps_.maker.shop;
  return deps_.baseAddress() + u"/tavrel";
}
Text TAboutBox::SupportAddress() const {
  if (CopysOwn()) return deps_.maker.support;
  return deps_.baseAddress() + u"/support";
}

Text TAboutBox::VersionLine() const {
  return Values().versionText + u", " + FormatShortDate(deps_.buildDate());
}

void TAboutBox::FormCreate() {
  lbHomepage.SetText(HomepageAddress());
  lbShop.SetText(FromUtf8(Format(Tr("Shop: {1}"), {ToUtf8(ShopAddress())})));
  Image2.Fill(0xFFFFFF);
  Image3.Fill(0x0000FF);
}

void TAboutBox::FormShow() {
  if (CopysOwn()) {
    const std::vector<Text>& contact = deps_.maker.contact;
    const std::array<LabelControl*, 4> lines = {&adr2, &adr3, &adr4, &adr5};
    for (std::size_t i = 0; i < lines.size(); ++i)
      lines[i]->SetText(i < contact.size() ? contact[i] : Text());
    Copyright.SetText(deps_.maker.name.empty() ? Text() : u"Copyright \u00A9 " + deps_.maker.name);
  } else {
    adr2.SetText(kAboutContactLines[0]);
    adr3.SetText(kAboutContactLines[1]);
    adr4.SetText(kAboutContactLines[2]);
    adr5.SetText(kAboutContactLines[3]);
    Copyright.SetText(kAboutCopyright);
  }
  const ProcessValues& values = Values();
  Prog.SetText(values.startupTitle.empty() ? values.applicationTitle : values.startupTitle);
  Ver.SetText(VersionLine());
}

void TAboutBox::exec(const Text&, const Text&) {
  FormShow();
  set_focus(btOk);
  present();
  modalLoop_ = Glib::MainLoop::create();
  // Runs until the box is hidden: by OK, Escape or the window's close button.
  if (get_visible()) modalLoop_->run();
  modalLoop_.reset();
}

void TAboutBox::lbHomepageClick() {
  if (!lbHomepage.GetText().empty()) deps_.open(lbHomepage.GetText());
}

void TAboutBox::lbShopClick() {
  if (!ShopAddress().empty()) deps_.open(ShopAddress());
}

void TAboutBox::btSupportClick() {
  if (!SupportAddress().empty()) deps_.open(SupportAddress());
}

std::optional<WindowState::About> TAboutBox::State() const {
  if (!get_visible()) return std::nullopt;
  WindowState::About about;
  about.title = Prog.GetText();
  about.version = Ver.GetText();
  if (Copyright.get_visible()) about.copyright = Copyright.GetText();
  for (const LabelControl* line : {&adr2, &adr3, &adr4, &adr5})
    if (line->get_visible() && !line->GetText().empty()) about.contact.push_back(line->GetText());
  if (lbHomepage.get_visible()) about.homepage = lbHomepage.GetText();
  if (lbShop.get_visible()) about.shop = ShopAddress();
  if (btSupport.get_visible()) about.support = SupportAddress();
  if (Image1.get_visible() && Image1.Picture()) {
    about.logoWidth = Image1.Picture()->get_width();
    about.logoHeight = Image1.Picture()->get_height();
  }
  return about;
}

bool TAboutBox::on_key_press_event(GdkEventKey* event) {
  if (event->keyval == GDK_KEY_Escape) {
    Close();
    return true;
  }
  return Gtk::Window::on_key_press_event(event);
}

bool TAboutBox::on_delete_event(GdkEventAny*) {
  // The box lives for the whole run; closing it only hides it.
  Close();
  return true;
}

void TAboutBox::Close() {
  hide();
}

}  // namespace wb
