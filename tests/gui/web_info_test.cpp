// The info banner on real GTK windows with a fake web view, a hand-driven clock and timer.
#include "info/web_info.h"

#include "info/info_state.h"

#include <gtest/gtest.h>
#include <gtkmm/box.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "tests/common/fake_web_view.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"

namespace {

using wb::Text;
using wbtest::SpinIdle;
using wbtest::SpinUntil;

class FakeTimer : public wb::WindowTimer {
 public:
  void Fire() {
    if (Enabled() && Interval() > 0 && OnTimer) OnTimer();
  }

 protected:
  void Rearm() override {}
};

constexpr std::int64_t kNoon = 12 * 3600 * 1000;
const Text kGateway = u"http://gw.test/gw/?cmd=info&id=&e=webbrowser";

Text Tst(std::int64_t n) {
  return kGateway + u"&tst=" + wb::FromUtf8(std::to_string(n));
}

struct Screen {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Screen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Screen& s) {
  return out << s.x << "," << s.y << " " << s.width << "x" << s.height;
}

// Where a mapped window stands on the screen, outer frame included.
Screen Geometry(Gtk::Window& window) {
  Screen s;
  if (auto gdk = window.get_window(); gdk && window.get_mapped()) {
    Gdk::Rectangle frame;
    gdk->get_frame_extents(frame);
    s = {frame.get_x(), frame.get_y(), frame.get_width(), frame.get_height()};
  }
  return s;
}

class WebInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wb::WebInfoDeps deps;
    deps.gatewayAddress = [](const Text& command) {
      return u"http://gw.test/gw/?cmd=" + command + u"&id=&e=webbrowser";
    };
    deps.timeOfDay = [this] { return now; };
    auto timer = std::make_unique<FakeTimer>();
    timer_ = timer.get();
    deps.timer = std::move(timer);
    deps.open = [this](const Text& address) { opened.push_back(address); };
    banner = std::make_unique<wb::TWebInfo>(factory, &mainView, std::move(deps));
    view = factory.created.at(0);
  }
  void TearDown() override {
    banner.reset();
    SpinIdle();
  }

  // A host window mapped at the given place.
  void ShowHost(int x, int y, int width, int height) {
    host.set_default_size(width, height);
    host.move(x, y);
    host.show();
    ASSERT_TRUE(SpinUntil([&] {
      return Geometry(host) == Screen{x, y, width, height};
    })) << Geometry(host);
  }

  std::int64_t now = kNoon;
  wbtest::FakeWebView mainView;
  wbtest::FakeWebViewFactory factory;
  FakeTimer* timer_ = nullptr;
  wbtest::FakeWebView* view = nullptr;
  std::vector<Text> opened;
  Gtk::Window host;
  std::unique_ptr<wb::TWebInfo> banner;
};

TEST(TimeOfDayNumber, RoundsTheTenThousandthsOfTheDayUp) {
  struct Case {
    std::int64_t ms;
    std::int64_t n;
  } cases[] = {
      {0, 0},                                    // midnight
      {1, 1},                                    // any part of a step counts as a whole one
      {8640, 1},                                 // exactly one step
      {8641, 2},                                 //
      {2 * 3600 * 1000 + 24 * 60 * 1000, 1000},  // 02:24:00.000 is exactly 0.1 of the day
      {kNoon, 5000},                             // 12:00:00.000
      {kNoon + 1, 5001},                         // one millisecond later
      {86399999, 10000},                         // the last millisecond of the day
      {-5, 0},                                   // a clock gone wrong stays within the day
      {90000000, 10000},
  };
  for (const auto& c : cases) EXPECT_EQ(wb::TimeOfDayNumber(c.ms), c.n) << c.ms;
}

TEST_F(WebInfoTest, ItsViewSharesTheMainViewsProcessAndTheDesignHolds) {
  EXPECT_EQ(factory.relatedOf.at(0), &mainView);
  EXPECT_EQ(banner->get_title(), "WebInfo");
  EXPECT_FALSE(banner->get_decorated());
  EXPECT_FALSE(banner->Visible());
  EXPECT_EQ(banner->Timer().Interval(), 360000u);
  EXPECT_FALSE(banner->Timer().Enabled());
  EXPECT_EQ(banner->btO().GetText(), u"o");
  EXPECT_EQ(banner->btX().GetText(), u"x");
}

TEST_F(WebInfoTest, LoadsTheGatewayInfoPageWithTheTimeOfDayNumber) {
  struct Case {
    std::int64_t now;
    std::int64_t tst;
  } cases[] = {{0, 0}, {kNoon, 5000}, {kNoon + 1, 5001}};
  for (const auto& c : cases) {
    now = c.now;
    banner->go(Text());
    EXPECT_EQ(view->navigated.back(), Tst(c.tst));
    EXPECT_EQ(banner->GetState().address, Tst(c.tst));
  }
  banner->go(u"http://other.test/page");
  EXPECT_EQ(view->navigated.back(), u"http://other.test/page");
  EXPECT_TRUE(banner->Visible());
}

TEST_F(WebInfoTest, TimerValueSetsIntervalAndSwitch) {
  struct Case {
    int timerVal;
    unsigned interval;
    bool enabled;
  } cases[] = {
      {2, 120000, true},                                     // every two minutes
      {0, 360000, true},                                     // the designed interval stays
      {-1, 360000, false},                                   // loaded once, never reloaded
      {1, 60000, true},    {2147483647, 4294920000u, true},  // bounded by what the timer takes
  };
  for (const auto& c : cases) {
    wb::WebInfoDeps deps;
    deps.gatewayAddress = [](const Text& command) { return u"http://gw.test/" + command; };
    deps.timeOfDay = [] { return kNoon; };
    auto timer = std::make_unique<FakeTimer>();
    FakeTimer* fake = timer.get();
    deps.timer = std::move(timer);
    wbtest::FakeWebViewFactory views;
    wb::TWebInfo info(views, nullptr, std::move(deps));
    info.exec(host, c.timerVal);
    EXPECT_EQ(info.Timer().Interval(), c.interval) << c.timerVal;
    EXPECT_EQ(info.Timer().Enabled(), c.enabled) << c.timerVal;
    EXPECT_EQ(views.created[0]->navigated.size(), 1u) << c.timerVal;
    fake->Fire();
    EXPECT_EQ(views.created[0]->navigated.size(), c.enabled ? 2u : 1u) << c.timerVal;
    auto state = info.GetState();
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.interval, c.interval);
    EXPECT_EQ(state.timer, c.enabled);
  }
  host.hide();
}

TEST_F(WebInfoTest, ZeroKeepsAnIntervalSetBefore) {
  banner->exec(host, 2);
  banner->exec(host, 0);
  EXPECT_EQ(banner->Timer().Interval(), 120000u);
  EXPECT_TRUE(banner->Timer().Enabled());
}

TEST_F(WebInfoTest, EachTickReloadsWithAFreshNumber) {
  banner->exec(host, 2);
  EXPECT_EQ(view->navigated.back(), Tst(5000));
  now = kNoon + 2 * 60 * 1000;
  timer_->Fire();
  EXPECT_EQ(view->navigated.size(), 2u);
  EXPECT_EQ(view->navigated.back(), Tst(5014));
}

TEST_F(WebInfoTest, HangsBelowTheHostAndFollowsItsMovesAndSizes) {
  ShowHost(100, 50, 500, 300);
  int hostResizes = 0;
  host.signal_configure_event().connect(
      [&](GdkEventConfigure*) {
        ++hostResizes;
        return false;
      },
      false);
  banner->exec(host, 2);
  ASSERT_TRUE(SpinUntil([&] {
    return Geometry(*banner) == Screen{100, 350, 500, 90};
  })) << Geometry(*banner);

  host.move(300, 200);
  ASSERT_TRUE(SpinUntil([&] {
    return Geometry(*banner) == Screen{300, 500, 500, 90};
  })) << Geometry(*banner);

  host.resize(700, 400);
  ASSERT_TRUE(SpinUntil([&] {
    return Geometry(*banner) == Screen{300, 600, 700, 90};
  })) << Geometry(*banner);
  // The host's own handling of its size still runs with the banner attached.
  EXPECT_GT(hostResizes, 0);
  EXPECT_EQ(banner->MainForm, &host);
}

TEST_F(WebInfoTest, WhileHiddenTheHostsMovesChangeNothing) {
  ShowHost(100, 50, 500, 300);
  banner->exec(host, 2);
  ASSERT_TRUE(SpinUntil([&] { return Geometry(*banner) == Screen{100, 350, 500, 90}; }));
  view->RaiseNavigateError(Tst(5000), 0);
  SpinIdle();
  int x = 0, y = 0, width = 0, height = 0;
  banner->get_position(x, y);
  banner->get_size(width, height);
  host.move(400, 100);
  host.resize(300, 300);
  ASSERT_TRUE(SpinUntil([&] { return Geometry(host) == Screen{400, 100, 300, 300}; }));
  SpinIdle();
  int x2 = 0, y2 = 0, width2 = 0, height2 = 0;
  banner->get_position(x2, y2);
  banner->get_size(width2, height2);
  EXPECT_EQ((Screen{x2, y2, width2, height2}), (Screen{x, y, width, height}));
}

TEST_F(WebInfoTest, ALoadErrorHidesItAndLaterTicksLoadNothing) {
  struct Case {
    const char* what;
    int status;
  } cases[] = {{"unreachable gateway", 0}, {"HTTP 404", 404}, {"HTTP 500", 500}};
  for (const auto& c : cases) {
    banner->exec(host, 2);
    ASSERT_TRUE(banner->Visible());
    size_t loads = view->navigated.size();
    int stops = view->stops;
    view->RaiseNavigateError(view->navigated.back(), c.status);
    EXPECT_FALSE(banner->Visible()) << c.what;
    EXPECT_EQ(view->stops, stops + 1) << c.what;
    // The timer runs on, but its ticks find the banner hidden.
    EXPECT_TRUE(banner->Timer().Enabled()) << c.what;
    timer_->Fire();
    timer_->Fire();
    EXPECT_EQ(view->navigated.size(), loads) << c.what;
  }
}

TEST_F(WebInfoTest, XClosesItAndStopsTheTimerUntilTheNextExec) {
  banner->exec(host, 2);
  banner->btX().Click();
  EXPECT_FALSE(banner->Visible());
  EXPECT_FALSE(banner->Timer().Enabled());
  size_t loads = view->navigated.size();
  timer_->Fire();
  EXPECT_EQ(view->navigated.size(), loads);

  banner->exec(host, 2);
  EXPECT_TRUE(banner->Visible());
  EXPECT_TRUE(banner->Timer().Enabled());
  EXPECT_EQ(view->navigated.size(), loads + 1);
}

// While its host is out of sight (hidden in the tray, minimised) the banner reloads nothing
// and its timer stops; back in sight, the timer runs again as it did before.
TEST_F(WebInfoTest, OutOfSightItsTimerWaitsForTheHost) {
  banner->exec(host, 2);
  const size_t loads = view->navigated.size();
  banner->SetHostUnseen(true);
  EXPECT_FALSE(banner->Timer().Enabled());
  timer_->Fire();
  EXPECT_EQ(view->navigated.size(), loads);
  // Back before a reload fell due: none at once, the next at the timer's tick.
  banner->SetHostUnseen(false);
  EXPECT_TRUE(banner->Timer().Enabled());
  EXPECT_EQ(view->navigated.size(), loads);
  timer_->Fire();
  EXPECT_EQ(view->navigated.size(), loads + 1);
  // A banner closed with x stays closed, its timer off, whatever its host does.
  banner->btX().Click();
  banner->SetHostUnseen(true);
  banner->SetHostUnseen(false);
  EXPECT_FALSE(banner->Timer().Enabled());
}

TEST_F(WebInfoTest, ClosingTheWindowActsLikeX) {
  banner->exec(host, 2);
  GdkEventAny event{};
  event.type = GDK_DELETE;
  EXPECT_TRUE(banner->event(reinterpret_cast<GdkEvent*>(&event)));
  EXPECT_FALSE(banner->Visible());
  EXPECT_FALSE(banner->Timer().Enabled());
}

TEST_F(WebInfoTest, OReloadsAtOnceWithAFreshNumber) {
  banner->exec(host, 2);
  now = kNoon + 1;
  banner->btO().Click();
  ASSERT_EQ(view->navigated.size(), 2u);
  EXPECT_EQ(view->navigated.back(), Tst(5001));
}

TEST_F(WebInfoTest, TheTinyButtonsAnswerRealClicks) {
  ShowHost(0, 0, 600, 200);
  banner->exec(host, 2);
  ASSERT_TRUE(SpinUntil([&] { return banner->btX().get_mapped(); }));
  auto click = [](Gtk::Widget& widget) {
    for (auto type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
      GdkEvent* event = gdk_event_new(type);
      event->button.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
      gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(
                                      gdk_window_get_display(event->button.window))));
      event->button.button = 1;
      event->button.x = 3;
      event->button.y = 5;
      gtk_main_do_event(event);
      gdk_event_free(event);
    }
  };
  click(banner->btO());
  EXPECT_EQ(view->navigated.size(), 2u);
  click(banner->btX());
  EXPECT_FALSE(banner->Visible());
}

TEST_F(WebInfoTest, TheTinyButtonsOverlapInTheTopLeftCorner) {
  ShowHost(0, 0, 600, 200);
  banner->exec(host, 2);
  ASSERT_TRUE(SpinUntil([&] { return banner->btX().get_mapped(); }));
  SpinIdle();
  // Where a control stands in the banner's window.
  auto place = [&](Gtk::Widget& widget) {
    Screen s;
    widget.translate_coordinates(*banner, 0, 0, s.x, s.y);
    s.width = widget.get_allocated_width();
    s.height = widget.get_allocated_height();
    return s;
  };
  EXPECT_EQ(place(banner->btO()), (Screen{0, -2, 10, 12}));
  EXPECT_EQ(place(banner->btX()), (Screen{8, -2, 10, 12}));
  EXPECT_EQ(place(banner->PanelC()), (Screen{0, 0, 600, 90}));
  EXPECT_EQ(place(banner->wb().widget()), (Screen{4, 4, 592, 82}));
}

// The colour of the pixel at (x, y) of what `widget` draws, as "#RRGGBB".
std::string PixelAt(Gtk::Widget& widget, int x, int y) {
  auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, widget.get_allocated_width(),
                                             widget.get_allocated_height());
  auto cr = Cairo::Context::create(surface);
  gtk_widget_draw(widget.gobj(), cr->cobj());
  surface->flush();
  const unsigned char* row = surface->get_data() + y * surface->get_stride();
  char colour[8];
  std::snprintf(colour, sizeof colour, "#%06X",
                reinterpret_cast<const guint32*>(row)[x] & 0xFFFFFF);
  return colour;
}

// Style added to the whole screen, as a theme's would be, for as long as the object lives.
struct ScreenStyle {
  explicit ScreenStyle(const char* css) {
    provider->load_from_data(css);
    Gtk::StyleContext::add_provider_for_screen(Gdk::Screen::get_default(), provider,
                                               GTK_STYLE_PROVIDER_PRIORITY_USER);
  }
  ~ScreenStyle() {
    Gtk::StyleContext::remove_provider_for_screen(Gdk::Screen::get_default(), provider);
  }
  Glib::RefPtr<Gtk::CssProvider> provider = Gtk::CssProvider::create();
};

TEST_F(WebInfoTest, ThePanelTakesTheColourOfTheThemesWindows) {
  const struct {
    const char* what;
    const char* theme;
    bool docked;
  } cases[] = {
      {"the default theme", "", false},
      {"a theme with dark windows", "window { background-color: #203040; }", false},
      // Docked, the panel keeps the banner's colour, not the one its host was given.
      {"docked in a host of another colour", "", true},
  };
  auto hostColour = Gtk::CssProvider::create();
  hostColour->load_from_data("window { background-color: #C0FFEE; background-image: none; }");
  Gtk::Box dock;
  host.add(dock);
  host.get_style_context()->add_provider(hostColour, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  ShowHost(0, 0, 600, 200);
  for (const auto& c : cases) {
    ScreenStyle theme(c.theme);
    // A window of the theme's own, to compare with.
    Gtk::Window plain;
    plain.set_default_size(40, 40);
    plain.show();
    ASSERT_TRUE(SpinUntil([&] { return plain.get_mapped(); })) << c.what;

    // The display paints the panel once it is laid out in its place.
    bool painted = false;
    sigc::connection paint =
        banner->PanelC().signal_draw().connect([&](const Cairo::RefPtr<Cairo::Context>&) {
          painted = true;
          return false;
        });
    if (c.docked)
      banner->exec(dock, 2);
    else
      banner->exec(host, 2);
    ASSERT_TRUE(SpinUntil([&] { return painted; })) << c.what;
    paint.disconnect();
    // The border between the bevel and the page shows the panel's colour.
    EXPECT_EQ(PixelAt(banner->PanelC(), 3, 45), PixelAt(plain, 20, 20)) << c.what;
  }
  banner.reset();
}

TEST_F(WebInfoTest, DocksIntoAContainerWhereWindowsCannotBePlaced) {
  Gtk::Box dock;
  host.add(dock);
  banner->exec(dock, 2);
  EXPECT_EQ(banner->MainForm, nullptr);
  EXPECT_TRUE(banner->Visible());
  EXPECT_FALSE(banner->get_visible());  // the window itself stays away
  EXPECT_TRUE(dock.get_visible());
  EXPECT_TRUE(banner->PanelC().is_ancestor(dock));
  EXPECT_EQ(view->navigated.back(), Tst(5000));

  banner->btX().Click();
  EXPECT_FALSE(banner->Visible());
  EXPECT_FALSE(dock.get_visible());  // the dock goes with it

  banner->exec(dock, 2);
  EXPECT_TRUE(dock.get_visible());
  EXPECT_TRUE(banner->Visible());

  // Back to a window host: the content returns into the banner's own window.
  banner->exec(host, 2);
  EXPECT_FALSE(banner->PanelC().is_ancestor(dock));
  EXPECT_TRUE(banner->get_visible());
  banner.reset();
}

TEST_F(WebInfoTest, DockedItTakesItsOwnHeightAndThePageTheRest) {
  // The host as the main window lays itself out: a page that takes what is left, and the dock
  // at the bottom at the height of what it holds.
  Gtk::Box client(Gtk::ORIENTATION_VERTICAL);
  Gtk::DrawingArea page;
  page.set_vexpand(true);
  Gtk::Box dock(Gtk::ORIENTATION_VERTICAL);
  client.pack_start(page, Gtk::PACK_EXPAND_WIDGET);
  client.pack_end(dock, Gtk::PACK_SHRINK);
  host.add(client);
  client.show_all();
  ShowHost(0, 0, 600, 400);
  auto heights = [&] {
    return std::pair(page.get_allocated_height(), dock.get_allocated_height());
  };

  banner->exec(dock, 2);
  EXPECT_TRUE(SpinUntil([&] { return heights() == std::pair(310, 90); }))
      << heights().first << " + " << heights().second;
  // After a load error the page has the whole height again.
  view->RaiseNavigateError(view->navigated.back(), 500);
  EXPECT_FALSE(dock.get_visible());
  EXPECT_TRUE(SpinUntil([&] { return page.get_allocated_height() == 400; }))
      << page.get_allocated_height();
  banner.reset();
}

TEST_F(WebInfoTest, ALinkThatAsksForANewWindowOpensInTheDefaultBrowser) {
  banner->exec(host, 2);
  view->RaiseNewWindow(u"http://shop.test/offer");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], u"http://shop.test/offer");
}

TEST_F(WebInfoTest, TheStateReportsVisibilityAddressAndTimer) {
  // The banner's member of the window's state, as the state query writes it.
  auto json = [](const wb::TWebInfo* info) {
    wb::WindowState state;
    state.info = wb::InfoState(info);
    const std::string all = wb::WindowStateJson(state);
    const std::size_t at = all.find("\"info\":");
    const std::size_t end = all.find(",\"icon\":", at);
    return "{" + all.substr(at, end - at) + "}";
  };
  EXPECT_EQ(json(nullptr), R"({"info":null})");
  banner->exec(host, 2);
  EXPECT_EQ(
      json(banner.get()),
      R"({"info":{"visible":true,"address":"http://gw.test/gw/?cmd=info&id=&e=webbrowser&tst=5000","interval":120000,"timer":true}})");
  banner->btX().Click();
  EXPECT_EQ(
      json(banner.get()),
      R"({"info":{"visible":false,"address":"http://gw.test/gw/?cmd=info&id=&e=webbrowser&tst=5000","interval":120000,"timer":false}})");
}

TEST(MainLoopTimer, TicksOnTheMainLoopOnlyWhenEnabled) {
  wb::MainLoopTimer timer(1);
  int ticks = 0;
  timer.OnTimer = [&] {
    if (++ticks == 3) timer.SetEnabled(false);
  };
  SpinIdle();
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  ASSERT_TRUE(SpinUntil([&] { return ticks == 3; }));
  SpinIdle();
  EXPECT_EQ(ticks, 3);
}

}  // namespace
