// The everyday controls on real widgets with the fake web view: the shortcut table, the find
// bar, zoom keys, full screen, the address box's shortcut, Refresh after an edit, Alt+Home, and
// the window that remembers its size.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "model/window_memory.h"
#include "shell/error_display.h"
#include "shell/shortcuts.h"
#include "shell/web_main.h"
#include "storage/settings_store.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;
using wb::WindowCommand;

TEST(Shortcuts, KeysAndExactModifiers) {
  constexpr guint kCtrl = GDK_CONTROL_MASK, kAlt = GDK_MOD1_MASK, kShift = GDK_SHIFT_MASK;
  struct Case {
    guint keyval, state;
    WindowCommand command;
  } cases[] = {
      {GDK_KEY_l, kCtrl, WindowCommand::kFocusAddress},
      {GDK_KEY_L, kCtrl, WindowCommand::kFocusAddress},  // Caps Lock on
      {GDK_KEY_l, kCtrl | GDK_LOCK_MASK | GDK_MOD2_MASK, WindowCommand::kFocusAddress},
      {GDK_KEY_d, kAlt, WindowCommand::kFocusAddress},
      {GDK_KEY_F6, 0, WindowCommand::kFocusAddress},
      {GDK_KEY_F5, 0, WindowCommand::kRefresh},
      {GDK_KEY_r, kCtrl, WindowCommand::kRefresh},
      {GDK_KEY_Escape, 0, WindowCommand::kEscape},
      {GDK_KEY_p, kCtrl, WindowCommand::kPrint},
      {GDK_KEY_F11, 0, WindowCommand::kFullScreen},
      {GDK_KEY_Home, kAlt, WindowCommand::kHome},
      {GDK_KEY_f, kCtrl, WindowCommand::kFind},
      {GDK_KEY_F3, 0, WindowCommand::kFindNext},
      {GDK_KEY_g, kCtrl, WindowCommand::kFindNext},
      {GDK_KEY_F3, kShift, WindowCommand::kFindPrevious},
      {GDK_KEY_G, kCtrl | kShift, WindowCommand::kFindPrevious},
      {GDK_KEY_plus, kCtrl | kShift, WindowCommand::kZoomIn},
      {GDK_KEY_plus, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_equal, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_KP_Add, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_minus, kCtrl, WindowCommand::kZoomOut},
      {GDK_KEY_KP_Subtract, kCtrl, WindowCommand::kZoomOut},
      {GDK_KEY_0, kCtrl, WindowCommand::kZoomReset},
      // Not the window's: they pass to the page.
      {GDK_KEY_l, 0, WindowCommand::kNone},
      {GDK_KEY_l, kCtrl | kAlt, WindowCommand::kNone},
      {GDK_KEY_f, kCtrl | kShift, WindowCommand::kNone},
      {GDK_KEY_F5, kCtrl, WindowCommand::kNone},
      {GDK_KEY_Escape, kShift, WindowCommand::kNone},
      {GDK_KEY_Home, 0, WindowCommand::kNone},
      {GDK_KEY_equal, kCtrl | kShift, WindowCommand::kNone},
      {GDK_KEY_0, kCtrl | GDK_SUPER_MASK, WindowCommand::kNone},
      // Back and Forward, which the window takes before the page; with Hyper or a mouse
      // button held they are no shortcut, while the other keys do not count those.
      {GDK_KEY_Left, kAlt, WindowCommand::kBack},
      {GDK_KEY_KP_Left, kAlt, WindowCommand::kBack},
      {GDK_KEY_Right, kAlt, WindowCommand::kForward},
      {GDK_KEY_KP_Right, kAlt, WindowCommand::kForward},
      {GDK_KEY_Left, kAlt | GDK_LOCK_MASK | GDK_MOD2_MASK, WindowCommand::kBack},
      {GDK_KEY_Left, 0, WindowCommand::kNone},
      {GDK_KEY_Left, kAlt | kShift, WindowCommand::kNone},
      {GDK_KEY_Right, kAlt | GDK_HYPER_MASK, WindowCommand::kNone},
      {GDK_KEY_Left, kAlt | GDK_BUTTON1_MASK, WindowCommand::kNone},
      {GDK_KEY_Right, kAlt | GDK_BUTTON5_MASK, WindowCommand::kNone},
      {GDK_KEY_l, kCtrl | GDK_BUTTON1_MASK, WindowCommand::kFocusAddress},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(gdk_keyval_name(c.keyval) + std::string(" ") + std::to_string(c.state));
    EXPECT_EQ(wb::ShortcutCommand(c.keyval, c.state), c.command);
  }
}

class PageTools : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

TEST_F(PageTools, FindBarOpensAboveTheStatusBarEvenWithEveryBarHidden) {
  FormFixture f("vis=-\r\ngo=http://a.example/\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  EXPECT_FALSE(form.findBar.get_visible());
  SendKey(form, GDK_KEY_f, GDK_CONTROL_MASK);
  ASSERT_TRUE(form.findBar.get_visible());
  EXPECT_TRUE(form.Find().IsOpen());
  EXPECT_TRUE(form.findBar.entry.is_focus());
  // Right above the status bar.
  auto children = form.clientBox.get_children();
  auto at = [&](Gtk::Widget& w) { return std::find(children.begin(), children.end(), &w); };
  EXPECT_EQ(at(form.findBar) + 1, at(form.StatusBar));

  TypeText(form, "Word");
  EXPECT_EQ(f.view->finds.back(), u"Word");
  EXPECT_EQ(form.findBar.count.get_text(), "");  // until the engine has counted
  f.view->RaiseFindCounted(12);
  EXPECT_EQ(form.findBar.count.get_text(), "1 of 12");
  struct Step {
    guint keyval, state;
    const char* count;
  } steps[] = {
      {GDK_KEY_Return, 0, "2 of 12"},
      {GDK_KEY_F3, 0, "3 of 12"},
      {GDK_KEY_g, GDK_CONTROL_MASK, "4 of 12"},
      {GDK_KEY_F3, GDK_SHIFT_MASK, "3 of 12"},
      {GDK_KEY_Return, GDK_SHIFT_MASK, "2 of 12"},
  };
  for (const Step& s : steps) {
    SendKey(form, s.keyval, s.state);
    EXPECT_EQ(form.findBar.count.get_text(), s.count);
  }
  EXPECT_EQ(f.view->findNexts, 3);
  EXPECT_EQ(f.view->findPrevious, 2);
  form.findBar.matchCase.set_active(true);
  EXPECT_TRUE(f.view->findMatchCase);
  f.view->RaiseFindCounted(0);
  EXPECT_EQ(form.findBar.count.get_text(), "No matches");

  SendKey(form, GDK_KEY_Escape);
  EXPECT_FALSE(form.findBar.get_visible());
  EXPECT_FALSE(form.Find().IsOpen());
  EXPECT_GE(f.view->findEnds, 1);
  // Opened again, the bar searches its text again.
  const std::size_t searched = f.view->finds.size();
  SendKey(form, GDK_KEY_F3);
  EXPECT_TRUE(form.Find().IsOpen());
  EXPECT_EQ(f.view->finds.size(), searched + 1);
}

TEST_F(PageTools, TheKeysGoBackWhereTheyWereWhenABarCloses) {
  const struct {
    const char* config;
    bool fromAddress;  // the find bar is opened from the address box, else from the page
  } rows[] = {{"", true}, {"", false}, {"vis=-\r\n", false}, {"vis=a\r\n", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.config) + (row.fromAddress ? " from the address" : ""));
    FormFixture f(std::string(row.config) + "go=http://a.example/\r\n");
    wb::TWebForm& form = *f.form;
    form.show();
    SpinIdle();
    if (row.fromAddress)
      ASSERT_TRUE(form.FocusAddress());
    else
      f.view->widget().grab_focus();
    SendKey(form, GDK_KEY_f, GDK_CONTROL_MASK);
    ASSERT_TRUE(form.findBar.entry.is_focus());
    SendKey(form, GDK_KEY_Escape);
    EXPECT_EQ(form.get_focus(), row.fromAddress ? static_cast<Gtk::Widget*>(form.Addr.get_entry())
                                                : &f.view->widget());
  }

  // The permission bar's button that had the keys goes with the bar: the page has them again.
  FormFixture f("vis=-\r\ngo=http://a.example/\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  for (const auto& [answer, address] :
       {std::pair<Gtk::Button*, Text>{&form.pPermission->allowButton, u"wbtesta://x"},
        {&form.pPermission->blockButton, u"wbtestb://x"}}) {
    f.view->RaiseExternalNavigation(address);
    ASSERT_TRUE(form.pPermission->get_visible());
    answer->grab_focus();
    Click(*answer);
    EXPECT_FALSE(form.pPermission->get_visible());
    EXPECT_EQ(form.get_focus(), &f.view->widget());
  }
}

TEST_F(PageTools, ThePagesMenuOffersStopOnlyWhileLoading) {
  FormFixture f;
  for (const bool loading : {false, true}) {
    f.view->loading = loading;
    EXPECT_EQ(f.view->pageCommand(wb::WebView::PageCommand::kStop).enabled, loading);
    EXPECT_TRUE(f.view->pageCommand(wb::WebView::PageCommand::kReload).enabled);
  }
}

TEST_F(PageTools, ZoomKeysStepAndTheConfiguredLevelApplies) {
  FormFixture f("zoom=150\r\ngo=http://zoom.example/\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  EXPECT_EQ(f.view->zoom, 150);
  struct Step {
    guint keyval, state;
    int zoom;
  } steps[] = {
      {GDK_KEY_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK, 175},
      {GDK_KEY_equal, GDK_CONTROL_MASK, 200},
      {GDK_KEY_minus, GDK_CONTROL_MASK, 175},
      {GDK_KEY_0, GDK_CONTROL_MASK, 150},
      {GDK_KEY_minus, 0, 150},  // not a shortcut
  };
  for (const Step& s : steps) {
    SendKey(form, s.keyval, s.state);
    EXPECT_EQ(f.view->zoom, s.zoom);
    EXPECT_EQ(form.ZoomPercent(), s.zoom);
  }
  SendKey(form, GDK_KEY_plus, GDK_CONTROL_MASK);
  EXPECT_EQ(f.store->Read(wb::CopyKey::kZoom, u"http://zoom.example"), u"175");
  // Another origin opens at the configured level, the first one at its own again.
  f.view->RaiseBeforeNavigate(u"http://other.example/");
  EXPECT_EQ(f.view->zoom, 150);
  f.view->RaiseBeforeNavigate(u"http://zoom.example/page");
  EXPECT_EQ(f.view->zoom, 175);
}

TEST_F(PageTools, AZoomThatCannotBeKeptIsShownOncePerCauseAndTheWindowCarriesOn) {
  FormFixture f("go=http://zoom.example/\r\n");
  std::vector<std::string> messages;
  wb::SetErrorSink([&](const std::string& m) { messages.push_back(m); });
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  f.store->refusal = "No space left on device";
  for (int i = 0; i < 3; ++i) SendKey(form, GDK_KEY_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_EQ(f.view->zoom, 150);  // the view zooms all the same
  EXPECT_EQ(f.store->writes, 3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("No space left on device"), std::string::npos) << messages[0];
  f.store->refusal = "Read-only file system";
  SendKey(form, GDK_KEY_minus, GDK_CONTROL_MASK);
  SendKey(form, GDK_KEY_minus, GDK_CONTROL_MASK);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("Read-only file system"), std::string::npos) << messages[1];
  f.store->refusal.clear();
  SendKey(form, GDK_KEY_0, GDK_CONTROL_MASK);
  EXPECT_EQ(f.view->zoom, 100);
  EXPECT_EQ(messages.size(), 2u);
  wb::SetErrorSink(nullptr);
}

TEST_F(PageTools, AddressShortcutsRefreshAndHome) {
  FormFixture f("go=http://start.example/\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  Gtk::Entry& entry = *form.Addr.get_entry();
  for (auto [keyval, state] : {std::pair<guint, guint>{GDK_KEY_l, GDK_CONTROL_MASK},
                               {GDK_KEY_d, GDK_MOD1_MASK},
                               {GDK_KEY_F6, 0}}) {
    SCOPED_TRACE(gdk_keyval_name(keyval));
    form.unset_focus();
    entry.select_region(0, 0);
    SendKey(form, keyval, state);
    EXPECT_TRUE(entry.is_focus());
    int start = -1, end = -1;
    EXPECT_TRUE(entry.get_selection_bounds(start, end));
    EXPECT_EQ(end - start, static_cast<int>(entry.get_text().size()));
  }
  // Refresh after an edit without Enter loads the edited text.
  entry.set_text("http://edited.example/");
  SendKey(form, GDK_KEY_F5);
  EXPECT_EQ(f.view->navigated.back(), u"http://edited.example/");
  entry.set_text("http://edited-again.example/");
  SendKey(form, GDK_KEY_r, GDK_CONTROL_MASK);
  EXPECT_EQ(f.view->navigated.back(), u"http://edited-again.example/");
  SendKey(form, GDK_KEY_Home, GDK_MOD1_MASK);
  EXPECT_EQ(f.view->navigated.back(), u"http://start.example/");
  EXPECT_EQ(form.Model().HistoryIndex(), 0);  // the start address, first in the history
}

TEST_F(PageTools, AddressShortcutPassesWhenTheAddressBoxIsHidden) {
  FormFixture f("vis=mn\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  EXPECT_FALSE(form.RunShortcut(WindowCommand::kFocusAddress));
  EXPECT_FALSE(form.Addr.get_entry()->is_focus());
}

TEST_F(PageTools, FullScreenHidesTheBarsAndBringsBackThoseThatWereShown) {
  FormFixture f("vis=mn-s\r\n");
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  ASSERT_TRUE(form.MainMenu && form.MainMenu->get_visible());
  ASSERT_TRUE(form.CoolBar.get_visible());
  ASSERT_FALSE(form.StatusBar.get_visible());
  SendKey(form, GDK_KEY_F11);
  EXPECT_TRUE(form.IsFullScreen());
  EXPECT_FALSE(form.MainMenu->get_visible());
  EXPECT_FALSE(form.CoolBar.get_visible());
  SendKey(form, GDK_KEY_F11);
  EXPECT_FALSE(form.IsFullScreen());
  EXPECT_TRUE(form.MainMenu->get_visible());
  EXPECT_TRUE(form.CoolBar.get_visible());
  EXPECT_FALSE(form.StatusBar.get_visible());  // hidden by vis before, hidden after
}

TEST_F(PageTools, EscapeStopsALoadOnlyWhenThePageHasTheFocus) {
  FormFixture f;
  wb::TWebForm& form = *f.form;
  form.show();
  SpinIdle();
  f.view->loading = true;
  form.Addr.get_entry()->grab_focus();
  EXPECT_FALSE(form.RunShortcut(WindowCommand::kEscape));
  EXPECT_EQ(f.view->stops, 0);
}

// A window as the program makes it, from `config`, on a fake web view, remembering in `store`.
std::unique_ptr<wb::TWebMain> MainWindow(FakeWebViewFactory& factory, const std::string& config,
                                         std::shared_ptr<wb::CopyStore> store) {
  wb::WebMainServices s;
  s.form.views = &factory;
  s.form.store = std::move(store);
  s.form.readConfig = [config] {
    wb::ValueList list;
    wb::TextToValues(wb::FromUtf8(config), list);
    return wb::WindowConfigFromValues(list);
  };
  s.remote.reset();
  auto window = std::make_unique<wb::TWebMain>(std::move(s));
  window->FormCreate();
  return window;
}

// The window system's word that the window is maximised (Xvfb has no window manager to say
// it).
void ReportMaximized(Gtk::Window& window, bool maximized) {
  GdkEvent* ev = gdk_event_new(GDK_WINDOW_STATE);
  ev->window_state.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
  ev->window_state.send_event = TRUE;
  ev->window_state.changed_mask = GDK_WINDOW_STATE_MAXIMIZED;
  ev->window_state.new_window_state = maximized ? GDK_WINDOW_STATE_MAXIMIZED : GdkWindowState(0);
  gtk_main_do_event(ev);
  gdk_event_free(ev);
}

TEST_F(PageTools, RememberRestoresAResizedWindowsSizeAndMaximisedState) {
  const std::string config = "width=500\r\nheight=400\r\nremember=1\r\n";
  const auto store = std::make_shared<wb::MemoryCopyStore>();
  {
    FakeWebViewFactory factory;
    auto window = MainWindow(factory, config, store);
    window->show();
    ASSERT_TRUE(SpinUntil([&] { return window->get_allocated_width() == 500; }, 5000));
    window->resize(640, 480);
    ASSERT_TRUE(SpinUntil(
        [&] {
          int w = 0, h = 0;
          window->get_size(w, h);
          return w == 640 && h == 480 && window->get_allocated_width() == 640;
        },
        5000));
    SpinIdle();
    ReportMaximized(*window, true);
    window->hide();
  }
  SpinIdle();
  EXPECT_EQ(wb::ReadWindowPlacement(*store).value_or(wb::WindowPlacement{}).width, 640);
  {
    FakeWebViewFactory factory;
    auto window = MainWindow(factory, config, store);
    int w = 0, h = 0;
    window->get_default_size(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    window->show();
    EXPECT_TRUE(SpinUntil([&] { return window->is_maximized(); }, 5000));
    // Back from maximised, then closed: the size is kept, the maximised state is not.
    ReportMaximized(*window, false);
    window->hide();
  }
  SpinIdle();
  const auto placement = wb::ReadWindowPlacement(*store);
  ASSERT_TRUE(placement);
  EXPECT_EQ(placement->width, 640);
  EXPECT_EQ(placement->height, 480);
  EXPECT_FALSE(placement->maximized);
  // Without the key the configured size applies, whatever is stored.
  {
    FakeWebViewFactory factory;
    auto window = MainWindow(factory, "width=500\r\nheight=400\r\n", store);
    int w = 0, h = 0;
    window->get_default_size(w, h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 400);
  }
}

}  // namespace
}  // namespace wbtest
