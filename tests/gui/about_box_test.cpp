// The about box on real GTK widgets, with an opener that records what it was asked to open.
#include "info/about_box.h"

#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <locale.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/test_env.h"

namespace {

using wb::Text;
using wbtest::ClickAt;
using wbtest::SpinIdle;
using wbtest::SpinUntil;

// Makes the given UTF-8 locales available: the system's, or else built into the test's own
// folder. All are prepared before any is used, since the C library remembers a locale it
// failed to find.
bool PrepareLocales(std::initializer_list<std::string> names) {
  std::string dir = wbtest::TestRoot() + "/locales";
  bool built = false;
  for (const std::string& name : names) {
    std::string base = name.substr(0, name.find('.'));
    std::string probe = "locale -a 2>/dev/null | grep -qx '" + base + ".utf8'";
    if (std::system(probe.c_str()) == 0) continue;
    std::filesystem::create_directories(dir);
    // localedef refuses to work while LOCPATH is set.
    std::string command = "env -u LOCPATH localedef -i " + base + " -f UTF-8 " + dir + "/" + name +
                          " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    built = true;
  }
  if (built) setenv("LOCPATH", dir.c_str(), 1);
  return true;
}

// Puts the "C" locale back when the test ends, however it ends.
struct CLocaleAtExit {
  ~CLocaleAtExit() { setlocale(LC_ALL, "C"); }
};

struct Place {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Place&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Place& p) {
  return out << p.x << "," << p.y << " " << p.width << "x" << p.height;
}

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    values.applicationTitle = u"WebBrowser";
    values.startupTitle = u"Tom & Jerry's Shop";
    values.versionText = u"1.2.3.4";
    box = std::make_unique<wb::TAboutBox>(nullptr, Deps());
  }
  void TearDown() override {
    box.reset();
    SpinIdle();
  }
  wb::AboutBoxDeps Deps() {
    wb::AboutBoxDeps deps;
    deps.open = [this](const Text& address) { opened.push_back(address); };
    deps.baseAddress = [] { return Text(u"http://maker.test"); };
    // 2018-06-07 at noon, UTC.
    deps.buildDate = [] { return wb::DateFromUnixTime(1528329600 + 12 * 3600); };
    deps.values = &values;
    return deps;
  }
  // Where a control stands relative to `parent`, and its size.
  static Place PlaceIn(Gtk::Widget& widget, Gtk::Widget& parent) {
    Place p;
    widget.translate_coordinates(parent, 0, 0, p.x, p.y);
    p.width = widget.get_allocated_width();
    p.height = widget.get_allocated_height();
    return p;
  }
  void ShowBox() {
    box->FormShow();
    box->show();
    ASSERT_TRUE(SpinUntil([&] { return box->Ver.get_mapped() && box->btOk.get_mapped(); }));
    SpinIdle();
  }

  wb::ProcessValues values;
  std::vector<Text> opened;
  std::unique_ptr<wb::TAboutBox> box;
};

TEST_F(AboutBoxTest, EveryControlStandsWhereTheDesignPutsIt) {
  ShowBox();
  EXPECT_EQ(box->get_title(), "Info");
  EXPECT_EQ(box->get_allocated_width(), 360);
  EXPECT_EQ(box->get_allocated_height(), 421);
  struct Case {
    const char* name;
    Gtk::Widget* control;
    Place place;  // inside Panel1, except Panel1 and the buttons, on the form
  } cases[] = {
      {"Prog", &box->Prog, {2, 2, 341, 35}},
      {"lVer", &box->lVer, {31, 40, 66, 45}},
      {"Copyright", &box->Copyright, {8, 88, 329, 17}},
      {"Image2", &box->Image2, {20, 104, 297, 142}},
      {"Image1", &box->Image1, {31, 114, 134, 28}},
      {"Label1", &box->Label1, {219, 122, 87, 23}},
      {"adr2", &box->adr2, {32, 160, 190, 16}},
      {"adr3", &box->adr3, {32, 175, 193, 16}},
      {"adr4", &box->adr4, {33, 192, 192, 16}},
      {"adr5", &box->adr5, {32, 208, 193, 16}},
      {"Image3", &box->Image3, {32, 147, 277, 6}},
      {"lbHomepage", &box->lbHomepage, {32, 226, 193, 15}},
      {"lbShop", &box->lbShop, {20, 351, 297, 15}},
      {"Image4", &box->Image4, {228, 158, 89, 88}},
      {"Ver", &box->Ver, {103, 40, 210, 45}},
  };
  auto children = box->Panel1.get_children();
  ASSERT_EQ(children.size(), std::size(cases));
  size_t i = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceIn(*c.control, box->Panel1), c.place) << c.name;
    // Created in the order of the design, so later controls lie over earlier ones.
    EXPECT_EQ(children[i++], c.control) << c.name;
  }
  Gtk::Widget& form = *box->get_child();
  EXPECT_EQ(PlaceIn(box->Panel1, form), (Place{8, 8, 345, 374}));
  EXPECT_EQ(PlaceIn(box->btOk, form), (Place{128, 388, 105, 22}));
  EXPECT_EQ(PlaceIn(box->btSupport, form), (Place{8, 388, 121, 22}));
}

TEST_F(AboutBoxTest, ShowsTheTextsOfTheProgramAndTheMaker) {
  box->FormShow();
  EXPECT_EQ(box->Prog.GetText(), u"Tom & Jerry's Shop");
  EXPECT_EQ(box->lVer.GetText(), u"Version");
  EXPECT_EQ(box->Copyright.GetText(), wb::kAboutCopyright);
  EXPECT_NE(box->Copyright.GetText().find(u"Morvane"), Text::npos);
  EXPECT_EQ(box->adr2.GetText(), wb::kAboutContactLines[0]);
  EXPECT_EQ(box->adr3.GetText(), wb::kAboutContactLines[1]);
  EXPECT_EQ(box->adr4.GetText(), wb::kAboutContactLines[2]);
  EXPECT_EQ(box->adr5.GetText(), wb::kAboutContactLines[3]);
  EXPECT_EQ(box->Label1.GetText(), wb::kAboutLogoWord);
  EXPECT_EQ(box->lbHomepage.GetText(), u"http://maker.test");
  EXPECT_EQ(box->lbShop.GetText(), u"Shop: http://maker.test/tavrel");
  EXPECT_EQ(box->btSupport.get_label(), "_Support");
  EXPECT_TRUE(box->btSupport.get_use_underline());
  EXPECT_TRUE(box->btOk.has_default());

  // Without a start-up title the application's title stands in; each show refreshes.
  values.startupTitle.clear();
  box->FormShow();
  EXPECT_EQ(box->Prog.GetText(), u"WebBrowser");
}

TEST_F(AboutBoxTest, TheWhiteBlockAndTheRedRuleArePaintedAtCreation) {
  struct Case {
    const char* name;
    wb::PictureControl* image;
    int width, height;
    guint8 r, g, b;
  } cases[] = {{"Image2", &box->Image2, 297, 142, 255, 255, 255},
               {"Image3", &box->Image3, 277, 6, 255, 0, 0}};
  for (const auto& c : cases) {
    auto picture = c.image->Picture();
    ASSERT_TRUE(picture) << c.name;
    EXPECT_EQ(picture->get_width(), c.width) << c.name;
    EXPECT_EQ(picture->get_height(), c.height) << c.name;
    for (auto [x, y] : {std::pair{0, 0}, {c.width - 1, c.height - 1}, {c.width / 2, 3}}) {
      const guint8* p =
          picture->get_pixels() + y * picture->get_rowstride() + x * picture->get_n_channels();
      EXPECT_EQ((std::array{p[0], p[1], p[2]}), (std::array{c.r, c.g, c.b})) << c.name;
    }
  }
}

TEST_F(AboutBoxTest, VersionLineFollowsTheLocalesShortDate) {
  struct Case {
    const char* locale;
    const char16_t* version;
    const char16_t* line;
  } cases[] = {
      {"de_DE.UTF-8", u"1.2.3.4", u"1.2.3.4, 07.06.2018"},  // day-month-year
      {"de_DE.UTF-8", u"", u", 07.06.2018"},                // no version note
      {"en_US.UTF-8", u"1.2.3.4", u"1.2.3.4, 06/07/2018"},  // month-day-year
      {"en_US.UTF-8", u"", u", 06/07/2018"},
  };
  if (!PrepareLocales({"de_DE.UTF-8", "en_US.UTF-8"}))
    GTEST_SKIP() << "locales unavailable: localedef failed (scripts/install-deps.sh adds them)";
  CLocaleAtExit restore;
  for (const auto& c : cases) {
    ASSERT_TRUE(setlocale(LC_ALL, c.locale)) << c.locale;
    values.versionText = c.version;
    box->FormShow();
    EXPECT_EQ(box->Ver.GetText(), c.line) << c.locale;
  }
}

TEST_F(AboutBoxTest, EveryLinkOpensItsAddressAndTheBoxStaysOpen) {
  ShowBox();
  struct Case {
    const char* name;
    Gtk::Widget* control;
    const char16_t* address;
  } cases[] = {
      {"Image1 (logo)", &box->Image1, u"http://maker.test"},
      {"Image2 (white block)", &box->Image2, u"http://maker.test"},
      {"Image3 (red rule)", &box->Image3, u"http://maker.test"},
      {"Image4 (emblem)", &box->Image4, u"http://maker.test"},
      {"Label1", &box->Label1, u"http://maker.test"},
      {"adr2", &box->adr2, u"http://maker.test"},
      {"adr3", &box->adr3, u"http://maker.test"},
      {"adr4", &box->adr4, u"http://maker.test"},
      {"adr5", &box->adr5, u"http://maker.test"},
      {"lbHomepage", &box->lbHomepage, u"http://maker.test"},
      {"lbShop", &box->lbShop, u"http://maker.test/tavrel"},
  };
  for (const auto& c : cases) {
    opened.clear();
    ClickAt(*c.control, 2, 2);
    ASSERT_EQ(opened.size(), 1u) << c.name;
    EXPECT_EQ(opened[0], c.address) << c.name;
    EXPECT_TRUE(box->get_visible()) << c.name;
    EXPECT_TRUE(static_cast<wb::ClickArea*>(c.control)->HandCursor()) << c.name;
  }
  opened.clear();
  box->btSupport.clicked();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], u"http://maker.test/support");
  EXPECT_TRUE(box->get_visible());

  // Texts without links open nothing.
  opened.clear();
  for (Gtk::Widget* plain : {&box->Prog, &box->lVer, &box->Copyright, &box->Ver})
    ClickAt(*plain, 2, 2);
  EXPECT_TRUE(opened.empty());
}

TEST_F(AboutBoxTest, ExecIsModalAndReturnsWhenClosed) {
  struct Case {
    const char* how;
    std::function<void(wb::TAboutBox&)> close;
  } cases[] = {
      {"OK", [](wb::TAboutBox& b) { b.btOk.clicked(); }},
      {"Escape",
       [](wb::TAboutBox& b) {
         GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
         event->key.window = GDK_WINDOW(g_object_ref(b.get_window()->gobj()));
         event->key.keyval = GDK_KEY_Escape;
         gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(
                                         gdk_window_get_display(event->key.window))));
         gtk_main_do_event(event);
         gdk_event_free(event);
       }},
      {"close button",
       [](wb::TAboutBox& b) {
         GdkEventAny event{};
         event.type = GDK_DELETE;
         b.event(reinterpret_cast<GdkEvent*>(&event));
       }},
  };
  for (const auto& c : cases) {
    bool sawModal = false;
    auto poll = Glib::signal_timeout().connect(
        [&] {
          if (!box->get_mapped()) return true;
          sawModal = box->get_modal() && box->Ver.GetText() == u"1.2.3.4, 06/07/18";
          box->lbShop.Click();  // a link leaves the box open
          if (box->get_visible()) c.close(*box);
          return false;
        },
        10);
    opened.clear();
    box->exec(Text(), Text());
    poll.disconnect();
    EXPECT_TRUE(sawModal) << c.how;
    EXPECT_FALSE(box->get_visible()) << c.how;
    EXPECT_EQ(opened.size(), 1u) << c.how;
  }
}

TEST_F(AboutBoxTest, ItsPicturesAreTheMakersOwn) {
  auto logo = box->Image1.Picture();
  auto emblem = box->Image4.Picture();
  ASSERT_TRUE(logo);
  ASSERT_TRUE(emblem);
  EXPECT_EQ(logo->get_width(), 134);
  EXPECT_EQ(logo->get_height(), 28);
  EXPECT_EQ(emblem->get_width(), 116);
  EXPECT_EQ(emblem->get_height(), 116);
  // The logo's white ground is transparent, its red square is not.
  ASSERT_TRUE(logo->get_has_alpha());
  const guint8* corner = logo->get_pixels() + 27 * logo->get_rowstride();
  EXPECT_EQ(corner[3], 0);
  const guint8* mark = logo->get_pixels() + 14 * logo->get_rowstride() + 3 * 4;
  EXPECT_EQ(mark[3], 255);
}

// A PNG file of the given size, for a copy's logo.
std::string PngFile(int width, int height) {
  auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, width, height);
  pixbuf->fill(0x20A040FF);
  gchar* buffer = nullptr;
  gsize size = 0;
  pixbuf->save_to_buffer(buffer, size, "png");
  std::string bytes(buffer, size);
  g_free(buffer);
  return bytes;
}

// A copy's box shows its maker's lines, links and logo and nothing of ours: each part the maker
// leaves out is hidden, so there is no empty line and no link that leads nowhere. Without any
// of the maker's keys the box is ours, as before.
TEST_F(AboutBoxTest, ACopyShowsOnlyWhatItsMakerNames) {
  struct Case {
    const char* what;
    wb::CopyMaker maker;
    std::string logo;
    wb::WindowState::About shown;
  };
  const Case cases[] = {
      {"ours",
       {},
       "",
       {u"Tom & Jerry's Shop", u"1.2.3.4, 06/07/18", wb::kAboutCopyright,
        std::vector<Text>(wb::kAboutContactLines.begin(), wb::kAboutContactLines.end()),
        u"http://maker.test", u"http://maker.test/tavrel", u"http://maker.test/support", 134, 28}},
      {"every key and a wide logo",
       {u"Greenleaf",
        u"https://leaf.example",
        {u"1 Row", u"Leafton", u"Tel 1", u"Fax 2"},
        u"https://leaf.example/shop",
        u"https://help.leaf.example"},
       PngFile(600, 100),
       {u"Tom & Jerry's Shop",
        u"1.2.3.4, 06/07/18",
        u"Copyright \u00A9 Greenleaf",
        {u"1 Row", u"Leafton", u"Tel 1", u"Fax 2"},
        u"https://leaf.example",
        u"https://leaf.example/shop",
        u"https://help.leaf.example",
        180,
        30}},
      {"a name and one line",
       {u"Greenleaf", {}, {u"Tel 1"}, {}, {}},
       "",
       {u"Tom & Jerry's Shop",
        u"1.2.3.4, 06/07/18",
        u"Copyright \u00A9 Greenleaf",
        {u"Tel 1"},
        u"",
        u"",
        u"",
        0,
        0}},
      {"a logo alone",
       {},
       PngFile(20, 10),
       {u"Tom & Jerry's Shop", u"1.2.3.4, 06/07/18", u"", {}, u"", u"", u"", 20, 10}},
  };
  CLocaleAtExit restore;
  ASSERT_TRUE(setlocale(LC_ALL, "C"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    wb::AboutBoxDeps deps = Deps();
    deps.maker = c.maker;
    deps.logo = c.logo;
    box = std::make_unique<wb::TAboutBox>(nullptr, deps);
    EXPECT_FALSE(box->State());
    ShowBox();
    const auto about = box->State();
    ASSERT_TRUE(about);
    EXPECT_EQ(about->title, c.shown.title);
    EXPECT_EQ(about->version, c.shown.version);
    EXPECT_EQ(about->copyright, c.shown.copyright);
    EXPECT_EQ(about->contact, c.shown.contact);
    EXPECT_EQ(about->homepage, c.shown.homepage);
    EXPECT_EQ(about->shop, c.shown.shop);
    EXPECT_EQ(about->support, c.shown.support);
    EXPECT_EQ(about->logoWidth, c.shown.logoWidth);
    EXPECT_EQ(about->logoHeight, c.shown.logoHeight);
    // Our emblem and our logo's word belong to our box alone.
    const bool ours = c.maker.empty() && c.logo.empty();
    EXPECT_EQ(box->Image4.get_visible(), ours);
    EXPECT_EQ(box->Label1.get_visible(), ours);
    // A click on the white block goes to the homepage, or nowhere, and looks like it.
    opened.clear();
    ClickAt(box->Image2, 2, 2);
    box->btSupport.clicked();
    std::vector<Text> expected;
    for (const Text& address : {c.shown.homepage, c.shown.support})
      if (!address.empty()) expected.push_back(address);
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(box->Image2.HandCursor(), !c.shown.homepage.empty());
    box->hide();
    EXPECT_FALSE(box->State());
  }
}

}  // namespace
