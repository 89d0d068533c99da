// The window's creation from its configuration: caption and banner, link buttons, bars,
// colour, and the View menu's toggles.
#include <gtest/gtest.h>
#include <gtkmm/image.h>
#include <gtkmm/menuitem.h>

#include "support/maker.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

struct LinkView {
  std::string name;
  Text caption;
  Text hint;
  bool icon;
  bool operator==(const LinkView&) const = default;
};

std::ostream& operator<<(std::ostream& os, const LinkView& l) {
  return os << l.name << " '" << wb::ToUtf8(l.caption) << "' -> '" << wb::ToUtf8(l.hint)
            << "' icon=" << l.icon;
}

// The link bar as the user sees it, left to right.
std::vector<LinkView> Links(wb::TWebForm& form) {
  std::vector<LinkView> out;
  for (Gtk::Widget* child : form.linkStrip.get_children()) {
    auto* button = dynamic_cast<Gtk::Button*>(child);
    if (!button) continue;
    out.push_back({button->get_name(), wb::FromUtf8(button->get_label().raw()),
                   wb::FromUtf8(button->get_tooltip_text().raw()), button->get_image() != nullptr});
  }
  return out;
}

TEST(LinkBar, BuiltInLinksWithoutConfiguration) {
  FormFixture f;
  Text base = wb::BaseWebAddress();
  EXPECT_EQ(Links(*f.form),
            (std::vector<LinkView>{{"btLink_4", u"Home", base, true},
                                   {"btLink_3", u"Support", base + u"/support", true},
                                   {"btLink_2", u"Download", base + u"/gw/?cmd=dl", true},
                                   {"btLink_1", u"Shop", base + u"/tavrel", true}}));
  EXPECT_TRUE(f.view->navigated.empty());  // no start address: no navigation
}

TEST(LinkBar, ConfiguredLinksReplaceTheBuiltInOnes) {
  FormFixture f("links=A=x|B=y,2|C=http://h/p?a=1,b=2|Plain\r\n");
  EXPECT_EQ(Links(*f.form), (std::vector<LinkView>{{"btLink_4", u"A", u"x", true},
                                                   {"btLink_3", u"B", u"y", false},
                                                   // cut at the first ",": the rest is the icon
                                                   {"btLink_2", u"C", u"http://h/p?a=1", true},
                                                   {"btLink_1", u"", u"", true}}));
}

TEST(LinkBar, ClickNavigatesToTheHint) {
  FormFixture f("links=A=http://a.example/|Empty\r\n");
  Gtk::Button* a = f.form->linkButtons.at(0);
  g_signal_emit_by_name(a->gobj(), "clicked");
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://a.example/"});
  Gtk::Button* empty = f.form->linkButtons.at(1);
  g_signal_emit_by_name(empty->gobj(), "clicked");  // an empty address goes nowhere
  EXPECT_EQ(f.view->navigated.size(), 1u);
}

TEST(LinkBar, NamesContinueAfterARebuildAndDelLinkIsExact) {
  FormFixture f("links=A=x|B=y\r\n");
  EXPECT_EQ(f.form->Model().LinkCt(), 2);
  wb::ValueList other{u"C=z", u"b=w", u"B=v"};
  f.form->AddLinkList(&other, true);
  EXPECT_EQ(Links(*f.form), (std::vector<LinkView>{{"btLink_5", u"C", u"z", true},
                                                   {"btLink_4", u"b", u"w", true},
                                                   // the first entry's value for both
                                                   {"btLink_3", u"B", u"w", true}}));
  f.form->DelLink(u"b");
  EXPECT_EQ(Links(*f.form), (std::vector<LinkView>{{"btLink_5", u"C", u"z", true},
                                                   {"btLink_3", u"B", u"w", true}}));
  f.form->AddLinkList(nullptr, false);  // LinkList appended in front, nothing removed
  EXPECT_EQ(Links(*f.form).size(), 4u);
  EXPECT_EQ(Links(*f.form).front().name, "btLink_7");
  f.form->DelLink(u"*");
  EXPECT_TRUE(Links(*f.form).empty());
}

TEST(LinkBar, AHiddenBarGetsItsButtonsWhenShown) {
  FormFixture f("vis=mnas\r\nlinks=A=http://a/|B=y,2\r\n");
  EXPECT_FALSE(f.form->LinkBar.get_visible());
  EXPECT_TRUE(f.form->linkButtons.empty());  // nothing made for a bar no one sees
  f.form->AddLink(u"C", u"z", 0);
  EXPECT_TRUE(f.form->linkButtons.empty());
  f.form->vis(u"mnasl");
  EXPECT_EQ(Links(*f.form), (std::vector<LinkView>{{"btLink_3", u"C", u"z", true},
                                                   {"btLink_2", u"A", u"http://a/", true},
                                                   {"btLink_1", u"B", u"y", false}}));
  g_signal_emit_by_name(f.form->linkButtons.at(1)->gobj(), "clicked");
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://a/"});
}

TEST(LinkBar, ButtonsThatDoNotFitAreInTheArrowsMenu) {
  std::string links = "links=";
  for (int i = 0; i < 60; ++i)
    links += "Link" + std::to_string(i) + "=http://h/" + std::to_string(i) + "|";
  FormFixture f(links + "\r\n");
  f.form->set_default_size(400, 300);
  f.form->show();
  wb::LinkStrip& strip = f.form->linkStrip;
  ASSERT_TRUE(SpinUntil([&] { return strip.get_allocated_width() > 1 && strip.Placed() > 0; }));
  const std::size_t placed = strip.Placed();
  EXPECT_LT(placed, 60u);
  EXPECT_TRUE(strip.Arrow().get_child_visible());
  // The placed buttons keep the bar's order from the left; the rest are not drawn.
  for (std::size_t i = 0; i < 60; ++i)
    EXPECT_EQ(f.form->linkButtons[i]->get_child_visible(), i < placed) << i;
  strip.ShowOverflowMenu();
  ASSERT_NE(strip.OverflowMenu(), nullptr);
  const auto items = strip.OverflowMenu()->get_children();
  ASSERT_EQ(items.size(), 60 - placed);
  // The first item stands for the first button that did not fit, and clicks it.
  static_cast<Gtk::MenuItem*>(items.front())->activate();
  EXPECT_EQ(f.view->navigated,
            std::vector<Text>{u"http://h/" + wb::FromUtf8(std::to_string(placed))});
  strip.OverflowMenu()->popdown();
  // When every button fits, the arrow goes.
  f.form->DelLink(u"*");
  f.form->AddLink(u"Only", u"o", 0);
  ASSERT_TRUE(SpinUntil([&] { return strip.Placed() == 1; }));
  EXPECT_FALSE(strip.Arrow().get_child_visible());
}

struct VisCase {
  const char* config;
  bool menu, strip, nav, addr, links, status;
};

class VisTest : public ::testing::TestWithParam<VisCase> {};

TEST_P(VisTest, LeavesTheNamedBars) {
  const VisCase& c = GetParam();
  FormFixture f(c.config);
  EXPECT_EQ(f.form->MainMenu != nullptr, c.menu);
  EXPECT_EQ(f.form->mnToolBar != nullptr, c.menu);
  EXPECT_EQ(f.form->CoolBar.get_visible(), c.strip);
  EXPECT_EQ(f.form->NavBar.get_visible(), c.nav);
  EXPECT_EQ(f.form->Addr.get_visible(), c.addr);
  EXPECT_EQ(f.form->LinkBar.get_visible(), c.links);
  EXPECT_EQ(f.form->StatusBar.get_visible(), c.status);
  f.form->show();  // showing the window does not need the menu bar
  SpinIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VisTest,
    // The rule's cases are the core's table (WindowRules.TheBarsFollowTheVisKey...); these show
    // that the widgets render it, the menu bar destroyed included.
    ::testing::Values(VisCase{"", true, true, true, true, true, true},
                      VisCase{"vis=\r\n", true, true, true, true, true, true},
                      VisCase{"vis=n\r\n", false, true, true, false, false, true},
                      VisCase{"vis=-\r\n", false, false, false, false, false, true}));

TEST(ViewMenu, ChecksStartOnWhateverVisDid) {
  FormFixture f("vis=mal\r\n");  // keeps the menu, hides the navigation bar only
  ASSERT_NE(f.form->mnToolBar, nullptr);
  EXPECT_TRUE(f.form->mnToolBar->get_active());
  EXPECT_TRUE(f.form->mnStatusBar->get_active());
  f.form->mnToolBar->activate();
  EXPECT_FALSE(f.form->mnToolBar->get_active());
  EXPECT_FALSE(f.form->CoolBar.get_visible());
  f.form->mnToolBar->activate();
  EXPECT_TRUE(f.form->CoolBar.get_visible());
  EXPECT_FALSE(f.form->NavBar.get_visible());  // still as vis left it
  f.form->mnStatusBar->activate();
  EXPECT_FALSE(f.form->StatusBar.get_visible());
  f.form->mnStatusBar->activate();
  EXPECT_TRUE(f.form->StatusBar.get_visible());
}

TEST(ViewMenu, FirstToolbarClickAfterVisHidTheStripLeavesItHidden) {
  FormFixture f("vis=m\r\n");
  EXPECT_FALSE(f.form->CoolBar.get_visible());
  EXPECT_TRUE(f.form->mnToolBar->get_active());
  f.form->mnToolBar->activate();
  EXPECT_FALSE(f.form->CoolBar.get_visible());
  f.form->mnToolBar->activate();
  EXPECT_TRUE(f.form->CoolBar.get_visible());
  EXPECT_FALSE(f.form->NavBar.get_visible());
  EXPECT_FALSE(f.form->Addr.get_visible());
  EXPECT_FALSE(f.form->LinkBar.get_visible());
}

struct CaptionCase {
  const char* config;
  const char* caption;
  const char16_t* banner;
  bool bannerShown;
};

class CaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionTest, TitleAndBanner) {
  const CaptionCase& c = GetParam();
  FormFixture f(c.config);
  EXPECT_EQ(f.form->get_title(), c.caption);
  EXPECT_EQ(wb::FromUtf8(f.form->bannerLabel.get_text().raw()), c.banner);
  EXPECT_EQ(f.form->pBanner.get_visible(), c.bannerShown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptionTest,
    ::testing::Values(CaptionCase{"", "Web Browser", u"", false},
                      CaptionCase{"title=Acme Portal\r\n", "Acme Portal", u"Acme Portal", true},
                      CaptionCase{"title=Acme\r\nshowbanner=0\r\n", "Acme", u"Acme", false},
                      CaptionCase{"showbanner=1\r\n", "Web Browser", u"", true},
                      CaptionCase{"title=Caf\xc3\xa9\r\n", "Caf\xc3\xa9", u"Caf\u00e9", true}));

TEST(Banner, IsSixtyPixelsHighInBoldNavyLetters) {
  FormFixture f("showbanner=1\r\n");
  int w = 0, h = 0;
  f.form->pBanner.get_size_request(w, h);
  EXPECT_EQ(h, 60);
  f.form->show();
  SpinIdle();
  auto ctx = f.form->bannerLabel.get_style_context();
  Gdk::RGBA navy = ctx->get_color(Gtk::STATE_FLAG_NORMAL);
  EXPECT_NEAR(navy.get_blue(), 128.0 / 255, 0.01);
  EXPECT_NEAR(navy.get_red(), 0.0, 0.01);
  Pango::FontDescription font = ctx->get_font(Gtk::STATE_FLAG_NORMAL);
  EXPECT_EQ(font.get_weight(), Pango::WEIGHT_BOLD);
  EXPECT_NE(font.get_family().raw().find("Liberation Sans"), std::string::npos);
}

struct ColorCase {
  const char* config;
  std::int32_t value;
  const char* css;  // the background of the window and the banner, or null for the design
};

class ColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorTest, PaintsWindowAndBanner) {
  const ColorCase& c = GetParam();
  FormFixture f(std::string(c.config) + "showbanner=1\r\n");
  EXPECT_EQ(f.form->ColorValue(), c.value);
  f.form->show();
  SpinIdle();
  if (!c.css) return;
  Gdk::RGBA expected(c.css);
  for (Gtk::Widget* w :
       {static_cast<Gtk::Widget*>(f.form.get()), static_cast<Gtk::Widget*>(&f.form->pBanner)}) {
    GdkRGBA bg;
    gtk_style_context_get(w->get_style_context()->gobj(), GTK_STATE_FLAG_NORMAL, "background-color",
                          nullptr, nullptr);
    GdkRGBA* got = nullptr;
    gtk_style_context_get(w->get_style_context()->gobj(), GTK_STATE_FLAG_NORMAL, "background-color",
                          &got, nullptr);
    ASSERT_NE(got, nullptr);
    bg = *got;
    gdk_rgba_free(got);
    EXPECT_NEAR(bg.red, expected.get_red(), 0.01) << w->get_name();
    EXPECT_NEAR(bg.green, expected.get_green(), 0.01) << w->get_name();
    EXPECT_NEAR(bg.blue, expected.get_blue(), 0.01) << w->get_name();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ColorTest,
                         ::testing::Values(ColorCase{"color=#F0CAA6\r\n", 0xA6CAF0, "#F0CAA6"},
                                           ColorCase{"color=15780518\r\n", 15780518, "#A6CAF0"},
                                           ColorCase{"color=0\r\n", 0, nullptr},
                                           ColorCase{"color=#000000\r\n", 0, nullptr},
                                           ColorCase{"", 0, nullptr}));

TEST(Size, ConfiguredSizeOrDesignSize) {
  for (auto [config, w, h] : {std::tuple{"", 784, 542},
                              {"width=1000\r\nheight=800px\r\n", 1000, 800},
                              {"width=-5\r\nheight=0\r\n", 784, 542}}) {
    FormFixture f(config);
    int gw = 0, gh = 0;
    f.form->get_default_size(gw, gh);
    EXPECT_EQ(gw, w) << config;
    EXPECT_EQ(gh, h) << config;
  }
}

TEST(StartAddress, GoNavigatesOnceAtCreation) {
  FormFixture f("go=http://start.example/\r\n");
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://start.example/"});
  EXPECT_EQ(f.form->Model().AddrItems(), std::vector<Text>{u"http://start.example/"});
  EXPECT_EQ(f.form->StatusText(), u"http://start.example/");
  f.form->FormCreate();  // a second creation step does nothing
  EXPECT_EQ(f.view->navigated.size(), 1u);
}

TEST(HelpMenu, HiddenInTheBrowserWindow) {
  FormFixture f;
  ASSERT_NE(f.form->mnHelp, nullptr);
  f.form->show();
  SpinIdle();
  EXPECT_FALSE(f.form->mnHelp->get_visible());
  EXPECT_FALSE(f.form->mnSave->get_visible());  // Save is hidden with its action
}

}  // namespace
}  // namespace wbtest
