// The everyday controls on the real engine: find in page with its count in the window's
// state, a page that keeps Ctrl+F for itself, the zoom a site keeps over a restart of the
// program, the address box's shortcut, Refresh after an edit, the mouse's back button, and the
// window's own Back in the page's context menu.
#include <gtest/gtest.h>
#include <gtkmm/filechooserdialog.h>
#include <json-glib/json-glib.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/dialogs.h"
#include "engine/web_view_webkit.h"
#include "shell/main_window.h"
#include "shell/web_main.h"
#include "storage/settings_store.h"
#include "tests/common/browser_handler.h"
#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

// Members of the window's state as `wbctl state` gives them.
struct PageState {
  bool parsed = false;
  bool findOpen = false;
  std::string findText;
  int matches = -2, current = -2, zoom = -1;
};

PageState ParseState(const std::string& json) {
  PageState s;
  JsonParser* parser = json_parser_new();
  if (json_parser_load_from_data(parser, json.c_str(), -1, nullptr) &&
      JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser))) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    s.parsed = json_object_has_member(root, "find") && json_object_has_member(root, "zoom");
    s.zoom = static_cast<int>(json_object_get_int_member_with_default(root, "zoom", -1));
    JsonNode* find = json_object_get_member(root, "find");
    if (find && JSON_NODE_HOLDS_OBJECT(find)) {
      JsonObject* f = json_node_get_object(find);
      s.findOpen = true;
      s.findText = json_object_get_string_member_with_default(f, "text", "");
      s.matches = static_cast<int>(json_object_get_int_member_with_default(f, "matches", -2));
      s.current = static_cast<int>(json_object_get_int_member_with_default(f, "current", -2));
    }
  }
  g_object_unref(parser);
  return s;
}

// `holds` stays true while the loop runs for `ms` milliseconds.
bool Stays(const std::function<bool()>& holds, int ms = 1000) {
  return !SpinUntil([&] { return !holds(); }, ms);
}

// The main window on the real engine, with the state members these tests read.
struct EngineWindow : wbtest::EngineWindow {
  using wbtest::EngineWindow::EngineWindow;
  PageState State() { return ParseState(form->StateJson()); }
};

void Button(Gtk::Widget& widget, guint button, GdkEventType type) {
  GdkWindow* window = widget.get_window()->gobj();
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  GdkEvent* ev = gdk_event_new(type);
  ev->button.window = GDK_WINDOW(g_object_ref(window));
  ev->button.send_event = TRUE;
  ev->button.time = GDK_CURRENT_TIME;
  ev->button.x = 60;
  ev->button.y = 60;
  ev->button.button = button;
  gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
  gtk_main_do_event(ev);
  gdk_event_free(ev);
}

void PressButton(Gtk::Widget& widget, guint button) {
  Button(widget, button, GDK_BUTTON_PRESS);
  Button(widget, button, GDK_BUTTON_RELEASE);
}

// How far the page is scrolled down, as its script sees it; -1 when it cannot tell.
int ScrollY(WebKitWebView* view) {
  struct Answer {
    bool done = false;
    int y = -1;
  } answer;
  webkit_web_view_evaluate_javascript(
      view, "window.scrollY", -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* a = static_cast<Answer*>(data);
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        if (value) {
          a->y = jsc_value_to_int32(value);
          g_object_unref(value);
        }
        a->done = true;
      },
      &answer);
  // The answer must arrive before `answer` goes out of scope.
  while (!answer.done) g_main_context_iteration(nullptr, TRUE);
  return answer.y;
}

class PageToolsEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

TEST_F(PageToolsEndToEnd, FindCountsMovesAndCloses) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/words",
              "<html><body><p>an apple here</p><p>a pear</p><p>Apple there</p>"
              "<p style='margin-top:3000px'>the last apple</p></body></html>");
  const std::string url = server.Url("/words");
  EngineWindow w({u"go=" + wb::FromUtf8(url), u"vis=-"});
  ASSERT_TRUE(w.Loaded(url));
  w.Page().grab_focus();
  SendKey(*w.form, GDK_KEY_f, GDK_CONTROL_MASK);
  ASSERT_TRUE(SpinUntil([&] { return w.State().findOpen; }, 20000)) << w.form->StateJson();
  TypeText(*w.form, "apple");
  auto at = [&](int matches, int current) {
    PageState s = w.State();
    return s.findOpen && s.findText == "apple" && s.matches == matches && s.current == current;
  };
  ASSERT_TRUE(SpinUntil([&] { return at(3, 1); }, 20000)) << w.form->StateJson();
  EXPECT_TRUE(Stays([&] { return at(3, 1); })) << w.form->StateJson();
  EXPECT_EQ(w.form->findBar.count.get_text(), "1 of 3");

  SendKey(*w.form, GDK_KEY_F3);
  EXPECT_TRUE(Stays([&] { return at(3, 2); })) << w.form->StateJson();
  SendKey(*w.form, GDK_KEY_F3, GDK_SHIFT_MASK);
  SendKey(*w.form, GDK_KEY_F3, GDK_SHIFT_MASK);
  EXPECT_TRUE(Stays([&] { return at(3, 3); })) << w.form->StateJson();  // wrapped around
  // The last match lies far below: the engine scrolled the page to it.
  int scrolled = -1;
  EXPECT_TRUE(SpinUntil(
      [&] {
        scrolled = ScrollY(WEBKIT_WEB_VIEW(w.Page().gobj()));
        return scrolled > 1000;
      },
      20000))
      << scrolled;

  w.form->findBar.matchCase.set_active(true);
  ASSERT_TRUE(SpinUntil([&] { return at(2, 1); }, 20000)) << w.form->StateJson();

  SendKey(*w.form, GDK_KEY_Escape);
  ASSERT_TRUE(SpinUntil([&] { return !w.State().findOpen; }, 5000));
  EXPECT_TRUE(Stays([&] { return w.State().parsed && !w.State().findOpen; }));
  EXPECT_TRUE(w.Page().is_focus());
  EXPECT_NE(w.form->StateJson().find("\"find\":null"), std::string::npos) << w.form->StateJson();
}

TEST_F(PageToolsEndToEnd, APageThatHandlesCtrlFItselfKeepsIt) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/editor",
              "<html><body>editor<script>addEventListener('keydown', function(e) {"
              " if (e.ctrlKey && e.key == 'f') { e.preventDefault(); fetch('/own-find'); } });"
              "</script></body></html>");
  server.Page("/own-find", "ok");
  const std::string url = server.Url("/editor");
  EngineWindow w({u"go=" + wb::FromUtf8(url)});
  ASSERT_TRUE(w.Loaded(url));
  // Another window is active: a key can reach ours before the word that it is active does, and
  // the page keeps it all the same.
  Gtk::Window other;
  other.show();
  other.present();
  ASSERT_TRUE(
      SpinUntil([&] { return other.has_toplevel_focus() && !w.form->has_toplevel_focus(); }, 5000));
  w.Page().grab_focus();
  SendKey(*w.form, GDK_KEY_f, GDK_CONTROL_MASK);
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/own-find"); }, 20000));
  EXPECT_TRUE(Stays([&] { return !w.State().findOpen; }));
  // A key the page leaves alone is the window's.
  SendKey(*w.form, GDK_KEY_plus, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  EXPECT_TRUE(SpinUntil([&] { return w.State().zoom == 110; }, 20000)) << w.form->StateJson();
  // Once: the key the engine hands back is not taken a second time.
  EXPECT_TRUE(Stays([&] { return w.State().zoom == 110; })) << w.form->StateJson();
  EXPECT_EQ(w.form->View().ZoomPercent(), 110);
}

// The toolkit's critical messages while it lives: a key sent to a control that cannot take it
// is one.
struct CriticalCount {
  CriticalCount()
      : handler(g_log_set_handler(
            "Gtk", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
            [](const gchar*, GLogLevelFlags, const gchar* message, gpointer data) {
              static_cast<std::vector<std::string>*>(data)->push_back(message);
            },
            &messages)) {}
  ~CriticalCount() { g_log_remove_handler("Gtk", handler); }
  std::vector<std::string> messages;
  guint handler;
};

TEST_F(PageToolsEndToEnd, KeysRightAfterStartGoWhereTheyCanBeTaken) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/keys",
              "<html><head><title>Keys</title></head><body><input id='name' autofocus><script>"
              "addEventListener('keydown', function(e) { fetch('/key?' + e.key); });"
              "</script></body></html>");
  const std::string url = server.Url("/keys");
  const struct {
    const char* vis;
    bool page;  // the page has the keys, else the address box
  } rows[] = {{"vis=-", true}, {"vis=mn", true}, {"vis=ns", true}, {"vis=a", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.vis);
    server.Clear();
    EngineWindow w({u"go=" + wb::FromUtf8(url), wb::FromUtf8(row.vis)});
    ASSERT_TRUE(w.Loaded(url));
    const CriticalCount criticals;
    SendKey(*w.form, GDK_KEY_k);
    if (row.page) {
      // Tab moves within the page, and the keys stay there.
      SendKey(*w.form, GDK_KEY_Tab);
      SendKey(*w.form, GDK_KEY_j);
      ASSERT_TRUE(SpinUntil([&] { return server.Asked("/key?j"); }, 30000));
      EXPECT_TRUE(server.Asked("/key?k"));
    } else {
      EXPECT_TRUE(Stays([&] { return !server.Asked("/key?k"); }));
      EXPECT_EQ(w.form->Addr.get_entry()->get_text(), "k");
    }
    EXPECT_EQ(criticals.messages, std::vector<std::string>{});
  }
}

TEST_F(PageToolsEndToEnd, TheSaveDialogOpensInTheDownloadFolderThenInTheLastOneUsed) {
  const std::string downloads = TestRoot() + "/home/Fetched", other = TestRoot() + "/home/Kept";
  std::filesystem::create_directories(downloads);
  std::filesystem::create_directories(other);
  {
    std::ofstream dirs(TestRoot() + "/config/user-dirs.dirs");
    dirs << "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n";
  }
  g_reload_user_special_dirs_cache();
  // Opens the download question, reads its folder and saves into `into`.
  auto ask = [](const std::string& into) {
    std::string answered = "(none)";
    wb::ChooseDownloadFile(nullptr, "report.txt",
                           [&answered](const std::string& path) { answered = path; });
    Gtk::FileChooserDialog* dialog = nullptr;
    EXPECT_TRUE(SpinUntil(
        [&] {
          for (Gtk::Window* window : Gtk::Window::list_toplevels())
            if (auto* d = dynamic_cast<Gtk::FileChooserDialog*>(window); d && d->get_visible())
              dialog = d;
          return dialog != nullptr;
        },
        10000));
    if (!dialog) return std::string();
    // The chooser takes its folder in from the main loop.
    SpinUntil([&] { return !dialog->get_current_folder().empty(); }, 5000);
    const std::string folder = dialog->get_current_folder();
    dialog->set_current_folder(into);
    SpinUntil([&] { return dialog->get_current_folder() == into; }, 5000);
    dialog->response(Gtk::RESPONSE_ACCEPT);
    SpinUntil([&] { return answered != "(none)"; }, 5000);
    EXPECT_EQ(answered, into + "/report.txt");
    return folder;
  };
  EXPECT_EQ(ask(other), downloads);
  // Kept in the copy's settings, for the next start.
  EXPECT_EQ(wb::ToUtf8(wb::ReadVar(u"#n\\Folders", u"Save")), other);
  EXPECT_EQ(ask(downloads), other);
  std::filesystem::remove_all(other);  // gone: the download folder again
  EXPECT_EQ(ask(downloads), downloads);
  std::filesystem::remove(TestRoot() + "/config/user-dirs.dirs");
  g_reload_user_special_dirs_cache();
}

void Scroll(Gtk::Widget& widget, GdkScrollDirection direction, guint state, double deltaY = 0) {
  GdkWindow* window = widget.get_window()->gobj();
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  GdkEvent* ev = gdk_event_new(GDK_SCROLL);
  ev->scroll.window = GDK_WINDOW(g_object_ref(window));
  ev->scroll.send_event = TRUE;
  ev->scroll.time = GDK_CURRENT_TIME;
  ev->scroll.x = 60;
  ev->scroll.y = 60;
  ev->scroll.direction = direction;
  ev->scroll.delta_y = deltaY;
  ev->scroll.state = state;
  gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
  gtk_main_do_event(ev);
  gdk_event_free(ev);
}

TEST_F(PageToolsEndToEnd, CtrlWheelZoomsThePageAndAPlainWheelScrollsIt) {
  LoopbackServer server;
  server.Page("/tall", "<html><body style='height:5000px'>tall</body></html>");
  const std::string url = server.Url("/tall");
  EngineWindow w({u"go=" + wb::FromUtf8(url)});
  ASSERT_TRUE(w.Loaded(url));
  struct Step {
    const char* what;
    GdkScrollDirection direction;
    guint state;
    double delta;
    int zoom;
  } steps[] = {
      {"Ctrl and a notch up", GDK_SCROLL_UP, GDK_CONTROL_MASK, 0, 110},
      {"Ctrl and a smooth turn down", GDK_SCROLL_SMOOTH, GDK_CONTROL_MASK, 1.0, 100},
      {"Ctrl and a notch down", GDK_SCROLL_DOWN, GDK_CONTROL_MASK, 0, 90},
      {"no Ctrl", GDK_SCROLL_DOWN, 0, 0, 90},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    Scroll(w.Page(), s.direction, s.state, s.delta);
    EXPECT_TRUE(SpinUntil([&] { return w.form->View().ZoomPercent() == s.zoom; }, 5000));
    EXPECT_EQ(w.State().zoom, s.zoom);
  }
  // The plain wheel reached the page and scrolled it.
  EXPECT_TRUE(SpinUntil([&] { return ScrollY(WEBKIT_WEB_VIEW(w.Page().gobj())) > 0; }, 20000));
}

TEST_F(PageToolsEndToEnd, AddressShortcutAndRefreshAfterAnEdit) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/one", "<html><body>one</body></html>");
  server.Page("/two", "<html><body>two</body></html>");
  const std::string one = server.Url("/one"), two = server.Url("/two");
  EngineWindow w({u"go=" + wb::FromUtf8(one)});
  ASSERT_TRUE(w.Loaded(one));
  w.Page().grab_focus();
  ASSERT_TRUE(w.Page().is_focus());
  SendKey(*w.form, GDK_KEY_l, GDK_CONTROL_MASK);
  Gtk::Entry& entry = *w.form->Addr.get_entry();
  ASSERT_TRUE(SpinUntil([&] { return entry.is_focus(); }, 20000));
  int start = -1, end = -1;
  EXPECT_TRUE(entry.get_selection_bounds(start, end));
  EXPECT_EQ(end - start, static_cast<int>(entry.get_text().size()));

  // The edited text, without Enter, then F5.
  entry.set_text(two);
  w.finished = false;
  SendKey(*w.form, GDK_KEY_F5);
  ASSERT_TRUE(w.Loaded(two));
  const std::vector<Text> history{wb::FromUtf8(one), wb::FromUtf8(two)};
  EXPECT_TRUE(Stays([&] {
    return w.form->Model().HistoryList() == history && w.form->Model().HistoryIndex() == 1 &&
           wb::ToUtf8(w.form->AddrText()) == two && wb::ToUtf8(w.form->StatusText()) == two;
  }));
}

TEST_F(PageToolsEndToEnd, MouseBackButtonUsesTheWindowsHistoryOnly) {
  LoopbackServer server;
  server.Page("/one", "<html><body>one</body></html>");
  server.Page("/two", "<html><body>two</body></html>");
  const std::string one = server.Url("/one"), two = server.Url("/two");
  EngineWindow w({u"go=" + wb::FromUtf8(one)});
  ASSERT_TRUE(w.Loaded(one));
  w.finished = false;
  w.form->go(wb::FromUtf8(two));
  ASSERT_TRUE(w.Loaded(two));
  SpinIdle();

  w.finished = false;
  PressButton(w.Page(), 8);
  ASSERT_TRUE(w.Loaded(one));
  const std::vector<Text> history{wb::FromUtf8(one), wb::FromUtf8(two)};
  auto onOne = [&] {
    return w.form->Model().HistoryList() == history && w.form->Model().HistoryIndex() == 0 &&
           wb::ToUtf8(w.form->View().LocationURL()) == one && wb::ToUtf8(w.form->AddrText()) == one;
  };
  EXPECT_TRUE(Stays(onOne));
  // Back is disabled now; the engine, whose own history holds both pages, must not go back
  // either.
  SpinIdle();
  const int asked = server.Requests("/two");
  PressButton(w.Page(), 8);
  EXPECT_TRUE(Stays(onOne));
  EXPECT_EQ(server.Requests("/two"), asked);
  // The forward button goes forward through the window's history.
  w.finished = false;
  PressButton(w.Page(), 9);
  ASSERT_TRUE(w.Loaded(two));
  EXPECT_EQ(w.form->Model().HistoryIndex(), 1);
}

// The items of the context menu shown now, by their captions.
std::vector<GtkWidget*> ShownMenuItems() {
  std::vector<GtkWidget*> items;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next) {
    GtkWidget* top = GTK_WIDGET(l->data);
    if (!gtk_widget_get_visible(top) || !GTK_IS_WINDOW(top) ||
        gtk_window_get_window_type(GTK_WINDOW(top)) != GTK_WINDOW_POPUP)
      continue;
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(top));
    if (!child || !GTK_IS_MENU(child)) continue;
    GList* children = gtk_container_get_children(GTK_CONTAINER(child));
    for (GList* c = children; c; c = c->next)
      if (GTK_IS_MENU_ITEM(c->data) && gtk_widget_get_visible(GTK_WIDGET(c->data)))
        items.push_back(GTK_WIDGET(c->data));
    g_list_free(children);
  }
  g_list_free(toplevels);
  return items;
}

std::string Caption(GtkWidget* item) {
  const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(item));
  std::string text = label ? label : "";
  std::erase(text, '_');
  return text;
}

std::vector<std::string> Captions(const std::vector<GtkWidget*>& items) {
  std::vector<std::string> captions;
  for (GtkWidget* item : items) captions.push_back(Caption(item));
  return captions;
}

void CloseMenus() {
  for (GtkWidget* item : ShownMenuItems()) {
    GtkWidget* menu = gtk_widget_get_parent(item);
    if (GTK_IS_MENU_SHELL(menu)) gtk_menu_shell_cancel(GTK_MENU_SHELL(menu));
  }
  SpinUntil([] { return ShownMenuItems().empty(); }, 5000);
}

TEST_F(PageToolsEndToEnd, TheContextMenusBackIsTheWindows) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/one", "<html><body style='height:400px'>one</body></html>");
  server.Page("/two", "<html><body style='height:400px'>two</body></html>");
  const std::string one = server.Url("/one"), two = server.Url("/two");
  EngineWindow w({u"go=" + wb::FromUtf8(one)});
  ASSERT_TRUE(w.Loaded(one));
  w.finished = false;
  w.form->go(wb::FromUtf8(two));
  ASSERT_TRUE(w.Loaded(two));
  SpinIdle();

  Button(w.Page(), 3, GDK_BUTTON_PRESS);
  ASSERT_TRUE(SpinUntil([] { return !ShownMenuItems().empty(); }, 20000));
  const std::vector<std::string> captions = Captions(ShownMenuItems());
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "Back"), 1)
      << testing::PrintToString(captions);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "Refresh"), 1)
      << testing::PrintToString(captions);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "Reload"), 0);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "Inspect Element"), 0);
  GtkWidget* back = nullptr;
  GtkWidget* forward = nullptr;
  for (GtkWidget* item : ShownMenuItems()) {
    if (Caption(item) == "Back") back = item;
    if (Caption(item) == "Forward") forward = item;
  }
  ASSERT_TRUE(back);
  EXPECT_TRUE(gtk_widget_get_sensitive(back));
  if (forward) {
    EXPECT_FALSE(gtk_widget_get_sensitive(forward));
  }

  w.finished = false;
  gtk_menu_item_activate(GTK_MENU_ITEM(back));
  CloseMenus();
  ASSERT_TRUE(w.Loaded(one));
  const std::vector<Text> history{wb::FromUtf8(one), wb::FromUtf8(two)};
  EXPECT_TRUE(Stays([&] {
    return w.form->Model().HistoryList() == history && w.form->Model().HistoryIndex() == 1 - 1 &&
           wb::ToUtf8(w.form->AddrText()) == one;
  }));
  // The window loaded the page as a new navigation; had the engine gone back in its own
  // history, it would now offer to go forward.
  EXPECT_FALSE(webkit_web_view_can_go_forward(WEBKIT_WEB_VIEW(w.Page().gobj())));
}

TEST_F(PageToolsEndToEnd, OpenLinkInNewWindowGoesToTheDefaultBrowser) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  const std::string opened = InstallBrowserHandler();
  LoopbackServer server;
  server.Page("/links",
              "<html><body style='margin:0'><a href='/elsewhere' style='display:block;"
              "width:400px;height:200px'>elsewhere</a></body></html>");
  const std::string url = server.Url("/links");
  EngineWindow w({u"go=" + wb::FromUtf8(url)});
  ASSERT_TRUE(w.Loaded(url));
  SpinIdle();
  Button(w.Page(), 3, GDK_BUTTON_PRESS);
  ASSERT_TRUE(SpinUntil([] { return !ShownMenuItems().empty(); }, 20000));
  GtkWidget* open = nullptr;
  for (GtkWidget* item : ShownMenuItems())
    if (Caption(item) == "Open Link in New Window") open = item;
  ASSERT_TRUE(open) << testing::PrintToString(Captions(ShownMenuItems()));
  gtk_menu_item_activate(GTK_MENU_ITEM(open));
  CloseMenus();
  ASSERT_TRUE(SpinUntil([&] { return !ReadFile(opened).empty(); }, 20000));
  EXPECT_EQ(ReadFile(opened), server.Url("/elsewhere") + "\n");
  EXPECT_FALSE(server.Asked("/elsewhere"));
  EXPECT_EQ(w.form->Model().HistoryList(), std::vector<Text>{wb::FromUtf8(url)});
}

TEST_F(PageToolsEndToEnd, TheInspectorsItemOnlyWithDevtools) {
  WB_SKIP_WITHOUT_INPUT_SEAT();
  LoopbackServer server;
  server.Page("/one", "<html><body style='height:400px'>one</body></html>");
  const std::string one = server.Url("/one");
  for (bool devtools : {false, true}) {
    SCOPED_TRACE(devtools);
    EngineWindow w({u"go=" + wb::FromUtf8(one), devtools ? u"devtools=1" : u"devtools=0"});
    ASSERT_TRUE(w.Loaded(one));
    SpinIdle();
    Button(w.Page(), 3, GDK_BUTTON_PRESS);
    ASSERT_TRUE(SpinUntil([] { return !ShownMenuItems().empty(); }, 20000));
    const std::vector<std::string> captions = Captions(ShownMenuItems());
    EXPECT_EQ(std::count(captions.begin(), captions.end(), "Inspect Element"), devtools ? 1 : 0)
        << testing::PrintToString(captions);
    CloseMenus();
  }
}

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

TEST_F(PageToolsEndToEnd, ZoomIsRestoredAfterARestart) {
  if (OnWayland()) GTEST_SKIP() << "the keys reach the program through xdotool, an X11 tool";
  LoopbackServer server;
  server.Page("/zoom", "<html><body>zoom</body></html>");
  const std::string url = server.Url("/zoom");
  const std::string exe = TestRoot() + "/zoom-copy";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=" + url, "title=zoom-copy"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  auto settled = [&](pid_t pid, int zoom) {
    WindowState state;
    const bool loaded = RunLoopUntil(
        [&] {
          return ReadWindowState(pid, state) && state.status == url &&
                 ParseState(state.json).zoom == zoom;
        },
        60000);
    EXPECT_TRUE(loaded) << state.json;
    EXPECT_TRUE(StateStays(pid, state, [&](const WindowState& s) {
      return s.address == url && ParseState(s.json).zoom == zoom;
    })) << state.json;
  };
  {
    ProgramRun program(exe, {});
    ASSERT_TRUE(program.Runs()) << program.startError();
    settled(program.pid(), 100);
    int status = 0;
    RunCommand(
        "xdotool search --sync --onlyvisible --name '^zoom-copy$' windowfocus --sync "
        "key ctrl+plus ctrl+plus",
        &status);
    ASSERT_EQ(status, 0);
    settled(program.pid(), 125);
    EXPECT_EQ(program.Terminate(), 0);
  }
  ProgramRun again(exe, {});
  ASSERT_TRUE(again.Runs()) << again.startError();
  settled(again.pid(), 125);
}

#endif

}  // namespace
}  // namespace wbtest
