// The main window: remote navigation through copy-data records, the home-page request, the
// command-line address, the start-up steps when shown, and the state a query reports.
#include "shell/web_main.h"

#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <json-glib/json-glib.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/remote_client.h"
#include "support/maker.h"
#include "tests/common/fake_web_view.h"
#include "tests/common/loop_spin.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

using wb::Text;
using wb::remote::Reply;
using wb::remote::Request;
using wb::remote::Status;

std::string Utf16Le(const Text& text, bool nul = true) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  if (nul) bytes.append(2, '\0');
  return bytes;
}

Request CopyData(const Text& text, bool nul = true) {
  return {wb::remote::kCopyData, 0, Utf16Le(text, nul)};
}

struct MainFixture {
  explicit MainFixture(const std::string& config = "", std::vector<Text> arguments = {},
                       bool remote = false) {
    Gtk::Main::init_gtkmm_internals();
    wb::WebMainServices s;
    s.form.views = &factory;
    s.form.readConfig = [config] {
      wb::ValueList list;
      wb::TextToValues(wb::FromUtf8(config), list);
      return wb::WindowConfigFromValues(list);
    };
    s.arguments = std::move(arguments);
    if (remote) {
      wb::RemoteChannel::Options o;
      o.appName = "wbtestmain";
      o.timeoutMs = 500;
      o.maxConnections = 8;
      s.remote = o;
    } else {
      s.remote.reset();
    }
    s.startInfoBanner = [this](wb::TWebMain&) { ++bannerStarts; };
    s.showAbout = [this](wb::TWebMain&) { ++aboutShown; };
    window = std::make_unique<wb::TWebMain>(std::move(s));
    view = factory.created.at(0);
    window->FormCreate();
  }
  ~MainFixture() {
    window.reset();
    // Let GTK finish with the destroyed widgets before the next test.
    RunLoopUntil([] { return !g_main_context_pending(nullptr); }, 2000);
  }
  void Show() {
    window->show();
    RunLoopUntil([&] { return window->get_mapped(); }, 5000);
  }

  FakeWebViewFactory factory;
  FakeWebView* view = nullptr;
  int bannerStarts = 0;
  int aboutShown = 0;
  std::unique_ptr<wb::TWebMain> window;
};

// The address box has the keyboard's focus at start while it is shown; hidden, it has none to
// give keys to, and the focus is the page's.
TEST(MainWindowStart, TheFocusIsWhereKeysCanGo) {
  const struct {
    const char* config;
    bool address;  // the address box has the focus
  } cases[] = {
      {"", true},          {"vis=mnal\r\n", true}, {"vis=-\r\n", false}, {"vis=mn\r\n", false},
      {"vis=a\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    MainFixture f(c.config);
    f.Show();
    EXPECT_EQ(f.window->get_focus() == f.window->Addr.get_entry(), c.address);
    // Wherever the focus went, it is on something shown.
    const Gtk::Widget* focus = f.window->get_focus();
    EXPECT_TRUE(focus == nullptr || focus->get_visible());
  }
}

TEST(RemoteNavigation, CopyDataTexts) {
  const struct {
    const char* what;
    Request request;
    std::vector<Text> navigated;
  } cases[] = {
      {"url=x", CopyData(u"url=http://x/"), {u"http://x/"}},
      {"go=x", CopyData(u"go=http://x/"), {u"http://x/"}},
      {"url= without a value", CopyData(u"url="), {}},
      {"go=a=b keeps the further =", CopyData(u"go=a=b"), {u"http://a=b"}},
      {"URL=x: names are lower case", CopyData(u"URL=http://x/"), {}},
      {"Go=x", CopyData(u"Go=http://x/"), {}},
      {"blank before the name", CopyData(u" url=http://x/"), {}},
      {"no =", CopyData(u"http://x/"), {}},
      {"other name", CopyData(u"open=http://x/"), {}},
      {"empty record", {wb::remote::kCopyData, 0, ""}, {}},
      {"only a NUL", CopyData(u""), {}},
      {"no terminating NUL", CopyData(u"url=http://y/", false), {u"http://y/"}},
      {"odd byte count", {wb::remote::kCopyData, 0, Utf16Le(u"url=z", false) + "q"}, {u"http://z"}},
      {"text after the NUL is not read",
       {wb::remote::kCopyData, 0, CopyData(u"url=a").data + Utf16Le(u"bc")},
       {u"http://a"}},
      {"dwData is not interpreted",
       {wb::remote::kCopyData, ~0ULL, Utf16Le(u"go=d")},
       {u"http://d"}},
      {"address unchanged", CopyData(u"url=http://x/ spaced \u00E9"), {u"http://x/ spaced \u00E9"}},
  };
  for (const auto& c : cases) {
    MainFixture f;
    Reply reply = f.window->RemoteRecord(c.request);
    EXPECT_EQ(reply.status, Status::kHandled) << c.what;
    EXPECT_EQ(reply.result, 1) << c.what;
    EXPECT_EQ(f.view->navigated, c.navigated) << c.what;
    if (!c.navigated.empty()) {
      EXPECT_EQ(f.window->AddrText(), c.navigated.back()) << c.what;
      EXPECT_EQ(f.window->Model().HistoryList(), c.navigated) << c.what;
    }
  }
  // The window passes the text on as it came, blanks included (its status shows what it asked
  // for); only the view's resolution of partial addresses drops the blanks.
  MainFixture f;
  f.view->raiseOnNavigate = false;
  f.window->RemoteRecord(CopyData(u"url= spaced \u00E9 "));
  EXPECT_EQ(f.window->StatusText(), u"Load:  spaced \u00E9 ");
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://spaced \u00E9"});
}

TEST(RemoteNavigation, HomePageRequestGoesToTheMakerWhateverTheStartAddress) {
  for (const char* config : {"", "go=http://start.example/\r\n", "go=about:blank\r\n"}) {
    MainFixture f(config);
    Reply reply = f.window->RemoteRecord({wb::remote::kHomePageRequest, 5, "ignored"});
    EXPECT_EQ(reply.status, Status::kHandled);
    EXPECT_EQ(reply.result, 0);
    ASSERT_FALSE(f.view->navigated.empty()) << config;
    EXPECT_EQ(f.view->navigated.back(), wb::BaseWebAddress()) << config;
    EXPECT_EQ(f.window->AddrText(), wb::BaseWebAddress()) << config;
    EXPECT_EQ(f.window->Model().AddrItems().front(), wb::BaseWebAddress()) << config;
  }
}

TEST(RemoteNavigation, UnknownKindsAreRefusedWithoutEffect) {
  MainFixture f("go=http://start/\r\n");
  for (std::uint32_t kind : {0u, 3u, 73u, 75u, 1124u, 5121u, 0xFFFFFFFFu}) {
    Reply reply = f.window->RemoteRecord({kind, 0, Utf16Le(u"url=http://no/")});
    EXPECT_EQ(reply.status, Status::kUnknownKind) << kind;
    EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://start/"}) << kind;
  }
}

// A second start of a copy that keeps one window brings this one to the front; the start-up
// id it passes is used only when it can be one, and nothing is navigated.
TEST(RemoteNavigation, PresentRequestShowsTheWindowWhateverItsId) {
  const std::string ids[] = {"", "second-start_TIME1234", "not an id\n", std::string(600, 'x')};
  for (const std::string& id : ids) {
    MainFixture f("go=http://start/\r\n");
    ASSERT_FALSE(f.window->get_visible());
    Reply reply = f.window->RemoteRecord({wb::remote::kPresent, 0, id});
    EXPECT_EQ(reply.status, Status::kHandled) << id;
    EXPECT_EQ(reply.result, 0);
    EXPECT_TRUE(f.window->get_visible()) << id;
    EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://start/"}) << id;
  }
}

TEST(MainWindow, CommandLineAddressFollowsTheStartAddress) {
  MainFixture f("go=http://start/\r\n", {u"http://cmd/page?a=\"b\"", u"ignored"});
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://start/"});  // before showing
  f.Show();
  EXPECT_EQ(f.view->navigated, (std::vector<Text>{u"http://start/", u"http://cmd/page?a=\"b\""}));
  EXPECT_EQ(f.window->Model().HistoryList(), f.view->navigated);
  EXPECT_EQ(f.window->Model().HistoryIndex(), 1);
  EXPECT_EQ(f.window->AddrText(), u"http://cmd/page?a=\"b\"");
  // Showing again does not take the person back to it.
  f.window->RemoteRecord(CopyData(u"url=http://later/"));
  f.window->hide();
  f.Show();
  EXPECT_EQ(f.window->AddrText(), u"http://later/");
}

TEST(MainWindow, StartsWithTheFocusInTheAddressBoxWithoutCommandLine) {
  MainFixture f("go=http://start/\r\n");
  f.Show();
  EXPECT_TRUE(f.window->get_focus() == f.window->Addr.get_entry()) << "focus elsewhere";
}

TEST(MainWindow, ShowingMakesHelpVisibleAndAboutOpensTheAboutBox) {
  MainFixture f;
  ASSERT_NE(f.window->mnHelp, nullptr);
  EXPECT_FALSE(f.window->mnHelp->get_visible());
  f.Show();
  EXPECT_TRUE(f.window->mnHelp->get_visible());
  f.window->mnAbout->activate();
  EXPECT_EQ(f.aboutShown, 1);
}

TEST(MainWindow, ShowsWithoutAMenuBar) {
  MainFixture f("vis=nal\r\n", {u"http://cmd/"});
  EXPECT_EQ(f.window->MainMenu, nullptr);
  f.Show();
  EXPECT_TRUE(f.window->get_visible());
  EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://cmd/"});
}

TEST(MainWindow, InfoBannerStartsOnlyWhenWebinfoIsTrue) {
  const struct {
    const char* config;
    int starts;
  } cases[] = {{"", 0}, {"webinfo=0\r\n", 0}, {"webinfo=1\r\n", 1}, {"webinfo=true\r\n", 1}};
  for (const auto& c : cases) {
    MainFixture f(c.config);
    EXPECT_EQ(f.bannerStarts, 0);  // not before the window is shown
    f.Show();
    EXPECT_EQ(f.bannerStarts, c.starts) << c.config;
  }
}

TEST(MainWindow, BandLabelsFollowTheirControls) {
  const struct {
    const char* config;
    bool address, links;
  } cases[] = {{"", true, true}, {"vis=mnl\r\n", false, true}, {"vis=mna\r\n", true, false}};
  for (const auto& c : cases) {
    MainFixture f(c.config);
    f.Show();
    EXPECT_EQ(f.window->lbAddress.get_visible(), c.address) << c.config;
    EXPECT_EQ(f.window->lbLinks.get_visible(), c.links) << c.config;
    EXPECT_EQ(f.window->lbAddress.get_text(), "Address");
    EXPECT_EQ(f.window->lbLinks.get_text(), "Links:");
  }
}

// --- state ------------------------------------------------------------------------------

struct Json {
  explicit Json(const std::string& text) : parser(json_parser_new()) {
    EXPECT_TRUE(json_parser_load_from_data(parser, text.c_str(), -1, nullptr)) << text;
    root = json_node_get_object(json_parser_get_root(parser));
  }
  ~Json() { g_object_unref(parser); }
  std::string Str(const char* name) const { return json_object_get_string_member(root, name); }
  bool Bool(JsonObject* o, const char* name) const {
    return json_object_get_boolean_member(o, name);
  }
  std::vector<std::string> Strings(const char* name) const {
    std::vector<std::string> out;
    JsonArray* a = json_object_get_array_member(root, name);
    for (guint i = 0; i < json_array_get_length(a); ++i)
      out.push_back(json_array_get_string_element(a, i));
    return out;
  }
  JsonParser* parser;
  JsonObject* root;
};

TEST(MainWindowState, ReportsAddressHistoryListsLinksAndBars) {
  MainFixture f(
      "title=Shop \"One\"\r\nlinks=A=http://a/|B=http://b/,2\r\nvis=mal-s\r\n"
      "go=http://start/\r\n");
  f.Show();
  f.window->RemoteRecord(CopyData(u"url=http://two/"));
  f.window->RemoteRecord(CopyData(u"url=http://three/\u00E9\"\\"));
  f.view->RaiseBeforeNavigate(u"http://two/");  // as Back would
  std::string text = f.window->StateJson();
  EXPECT_EQ(text.find('\n'), std::string::npos);
  Json s(text);
  EXPECT_EQ(s.Str("address"), "http://two/");
  EXPECT_EQ(s.Str("status"), "http://two/");
  EXPECT_EQ(s.Str("caption"), "Shop \"One\"");
  EXPECT_EQ(s.Strings("history"), (std::vector<std::string>{"http://start/", "http://two/",
                                                            "http://three/\xC3\xA9\"\\"}));
  EXPECT_EQ(json_object_get_int_member(s.root, "historyIndex"), 1);
  EXPECT_EQ(s.Strings("recent"), (std::vector<std::string>{"http://three/\xC3\xA9\"\\",
                                                           "http://two/", "http://start/"}));
  EXPECT_TRUE(s.Bool(s.root, "back"));
  EXPECT_TRUE(s.Bool(s.root, "forward"));
  EXPECT_TRUE(s.Bool(s.root, "banner"));
  // No banner was made: its member is there, empty.
  ASSERT_TRUE(json_object_has_member(s.root, "info"));
  EXPECT_TRUE(json_object_get_null_member(s.root, "info"));

  JsonArray* links = json_object_get_array_member(s.root, "links");
  ASSERT_EQ(json_array_get_length(links), 2u);
  JsonObject* b = json_array_get_object_element(links, 1);
  EXPECT_STREQ(json_object_get_string_member(b, "caption"), "B");
  EXPECT_STREQ(json_object_get_string_member(b, "address"), "http://b/");
  EXPECT_EQ(json_object_get_int_member(b, "icon"), 2);
  EXPECT_STREQ(json_object_get_string_member(b, "name"), "btLink_1");

  JsonObject* bars = json_object_get_object_member(s.root, "bars");
  EXPECT_TRUE(s.Bool(bars, "menu"));
  EXPECT_FALSE(s.Bool(bars, "navbar"));
  EXPECT_TRUE(s.Bool(bars, "address"));
  EXPECT_TRUE(s.Bool(bars, "linkbar"));
  EXPECT_TRUE(s.Bool(bars, "strip"));
  EXPECT_FALSE(s.Bool(bars, "statusbar"));
}

TEST(MainWindowState, EmptyWindow) {
  MainFixture f("vis=-\r\n");
  Json s(f.window->RemoteRecord({wb::remote::kStateQuery, 0, ""}).payload);
  EXPECT_EQ(s.Strings("history"), std::vector<std::string>{});
  EXPECT_EQ(json_object_get_int_member(s.root, "historyIndex"), -1);
  EXPECT_FALSE(s.Bool(s.root, "back"));
  EXPECT_FALSE(s.Bool(s.root, "forward"));
  JsonObject* bars = json_object_get_object_member(s.root, "bars");
  EXPECT_FALSE(s.Bool(bars, "menu"));
  EXPECT_FALSE(s.Bool(bars, "strip"));
  EXPECT_FALSE(s.Bool(s.root, "banner"));
}

// --- through the socket -------------------------------------------------------------------

TEST(RemoteChannelOfTheWindow, ReplyComesAfterTheHandlerRanOnTheMainLoop) {
  MainFixture f("", {}, true);
  ASSERT_FALSE(f.window->RemotePath().empty());
  std::thread::id handlerThread;
  f.view->onBeforeNavigate = [&, inner = f.view->onBeforeNavigate](const Text& u) {
    handlerThread = std::this_thread::get_id();
    inner(u);
  };
  std::vector<Text> navigatedAtReply;
  Reply reply;
  ASSERT_TRUE(RunBeside([&] {
    wb::RemoteClient client(f.window->RemotePath());
    reply = client.Call(CopyData(u"url=http://sent/"));
    navigatedAtReply = f.view->navigated;  // the main loop is idle again by now
  }));
  EXPECT_EQ(reply.result, 1);
  EXPECT_EQ(navigatedAtReply, std::vector<Text>{u"http://sent/"});
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(RemoteChannelOfTheWindow, HostileSendersLeaveTheWindowWorking) {
  MainFixture f("", {}, true);
  const std::string path = f.window->RemotePath();
  const std::string header = wb::remote::EncodeRequest({74, 0, ""}).substr(0, 16);
  const struct {
    const char* what;
    std::function<void()> attack;
  } attacks[] = {
      {"oversize",
       [&] {
         wb::RemoteClient c(path);
         c.SendBytes(header + std::string("\x01\x00\x10\x00", 4) + std::string(4096, 'x'));
         EXPECT_EQ(c.ReadReply().status, Status::kTooLarge);
       }},
      {"truncated",
       [&] {
         wb::RemoteClient(path).SendBytes(
             wb::remote::EncodeRequest(CopyData(u"url=http://cut/")).substr(0, 30));
       }},
      {"garbage",
       [&] {
         wb::RemoteClient c(path);
         c.SendBytes("\x89PNG\r\n\x1a\n garbage");
         EXPECT_EQ(c.ReadReply().status, Status::kMalformed);
       }},
      {"silent", [&] { EXPECT_THROW(wb::RemoteClient(path, 5000).ReadReply(), wb::RemoteError); }},
      {"flood",
       [&] {
         std::vector<std::unique_ptr<wb::RemoteClient>> flood;
         for (int i = 0; i < 100; ++i) flood.push_back(std::make_unique<wb::RemoteClient>(path));
       }},
  };
  int n = 0;
  for (const auto& a : attacks) {
    ASSERT_TRUE(RunBeside(a.attack)) << a.what;
    Text next = u"http://after/" + wb::Ascii(std::to_string(n++));
    Reply reply;
    ASSERT_TRUE(RunBeside([&] { reply = wb::RemoteClient(path).Call(CopyData(u"url=" + next)); }))
        << a.what;
    EXPECT_EQ(reply.result, 1) << a.what;
    EXPECT_EQ(f.view->navigated.back(), next) << a.what;
  }
  EXPECT_EQ(f.view->navigated.size(), static_cast<std::size_t>(n));  // nothing else navigated
}

TEST(RemoteChannelOfTheWindow, WithoutASafeDirectoryTheWindowStillWorks) {
  std::string runtime = TestRoot() + "/unsafe-runtime";
  std::string dir = runtime + "/webbrowser";
  g_mkdir_with_parents(dir.c_str(), 0755);
  std::string old = std::getenv("XDG_RUNTIME_DIR");
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  {
    MainFixture f("go=http://start/\r\n", {}, true);
    EXPECT_EQ(f.window->RemotePath(), "");
    f.Show();
    EXPECT_EQ(f.view->navigated, std::vector<Text>{u"http://start/"});
  }
  setenv("XDG_RUNTIME_DIR", old.c_str(), 1);
}

// Four senders with 2,500 records each on one window: every reply 1, each sender's
// navigations in its own order, and a measure of how long the main loop ever went without a
// turn.
TEST(RemoteChannelOfTheWindow, LoadOfFourConcurrentSenders) {
  constexpr int kSenders = 4;
  constexpr int kRecords = 2500;
  MainFixture f("", {}, true);
  const std::string path = f.window->RemotePath();
  // The records reach the web view through go, in the order they were sent. The fake does not
  // answer them with before-navigate events: those would grow the history and the address
  // list to 10,000 entries, whose upkeep is the browser window's cost, not the channel's.
  f.view->raiseOnNavigate = false;

  gint64 last = g_get_monotonic_time();
  gint64 longest = 0;
  struct Tick {
    gint64* last;
    gint64* longest;
  } tick{&last, &longest};
  guint ticker = g_timeout_add(
      5,
      [](gpointer data) -> gboolean {
        auto* t = static_cast<Tick*>(data);
        gint64 now = g_get_monotonic_time();
        if (now - *t->last > *t->longest) *t->longest = now - *t->last;
        *t->last = now;
        return G_SOURCE_CONTINUE;
      },
      &tick);

  std::atomic<int> wrongReplies{0}, failures{0}, done{0};
  std::vector<std::thread> senders;
  const gint64 start = g_get_monotonic_time();
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      try {
        wb::RemoteClient client(path);
        for (int i = 0; i < kRecords; ++i) {
          std::string url = "url=http://s" + std::to_string(s) + "/" + std::to_string(i);
          Reply r = client.Call(CopyData(wb::Ascii(url)));
          if (r.status != Status::kHandled || r.result != 1) ++wrongReplies;
        }
      } catch (const std::exception&) {
        ++failures;
      }
      ++done;
    });
  }
  bool finished = RunLoopUntil([&] { return done == kSenders; }, 600000);
  const gint64 elapsed = g_get_monotonic_time() - start;
  for (auto& t : senders) finished ? t.join() : t.detach();
  g_source_remove(ticker);
  ASSERT_TRUE(finished);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(wrongReplies, 0);

  ASSERT_EQ(f.view->navigated.size(), static_cast<std::size_t>(kSenders * kRecords));
  std::vector<int> next(kSenders, 0);
  for (const Text& u : f.view->navigated) {
    std::string s = wb::ToUtf8(u);  // http://sN/I
    int sender = s[8] - '0';
    ASSERT_EQ(s, "http://s" + std::to_string(sender) + "/" + std::to_string(next[sender]));
    ++next[sender];
  }
  RecordProperty("longest_main_loop_gap_ms", static_cast<int>(longest / 1000));
  RecordProperty("total_ms", static_cast<int>(elapsed / 1000));
  std::cout << "[ measure  ] " << kSenders * kRecords << " records in " << elapsed / 1000
            << " ms; longest main-loop gap " << longest / 1000 << " ms\n";
}

}  // namespace
}  // namespace wbtest
