// The browser window on the real engine, against pages served on loopback: the start address
// loads, a link clicked inside the page enters the history, Back and Forward work, the final
// status shows the location, a frame inside the page stays out of the history, a link that
// asks for a new window reaches the user's default browser, and an error status is reported.
#include <gtest/gtest.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/web_view_webkit.h"
#include "shell/main_window.h"
#include "tests/common/browser_handler.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

// A page whose whole area above 200 pixels is one link, so a click at (60, 60) follows it.
std::string LinkPage(const std::string& title, const std::string& href, const std::string& target,
                     const std::string& extra = "") {
  return "<html><head><title>" + title + "</title></head><body style='margin:0'><a id='go' href='" +
         href + "'" + (target.empty() ? "" : " target='" + target + "'") +
         " style='display:block;width:400px;height:200px;background:#ccf'>" + title + "</a>" +
         extra + "</body></html>";
}

class WebFormEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

TEST_F(WebFormEndToEnd, BrowsesWithItsOwnHistory) {
  std::string opened = InstallBrowserHandler();
  LoopbackServer server;
  server.Page("/start", LinkPage("Start", "/second", "",
                                 "<iframe src='/frame' width='300' height='100'></iframe>"));
  server.Page("/frame",
              "<html><body>advert<script>setTimeout(function(){location.replace('/frame2')},"
              "50)</script></body></html>");
  server.Page("/frame2", "<html><body>another advert</body></html>");
  server.Page("/second", LinkPage("Second", "/popup", "_blank"));

  wb::WebKitViewFactory views;
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  std::string start = server.Url("/start");
  services.readConfig = [start] {
    return wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(start), u"title=End to end"});
  };
  wb::TWebForm form(services);

  // Every progress event, to know when a load has ended.
  std::vector<std::pair<int, int>> progress;
  wb::WebView& view = form.View();
  auto shown = view.onProgressChange;
  view.onProgressChange = [&](int p, int m) {
    progress.emplace_back(p, m);
    shown(p, m);
  };
  std::vector<int> errors;
  view.onNavigateError = [&](const Text&, int status) { errors.push_back(status); };
  auto loaded = [&](const std::string& url) {
    return SpinUntil(
        [&] {
          return !progress.empty() && progress.back() == std::pair{0, 0} &&
                 wb::ToUtf8(view.LocationURL()) == url;
        },
        60000);
  };

  form.FormCreate();
  form.show();
  ASSERT_TRUE(loaded(start)) << wb::ToUtf8(form.StatusText());
  EXPECT_EQ(wb::ToUtf8(form.StatusText()), start);  // the final status shows the location
  EXPECT_EQ(form.get_title(), "End to end");
  EXPECT_EQ(form.Model().HistoryList(), std::vector<Text>{wb::FromUtf8(start)});
  // The frame inside the page loaded and navigated on its own, out of the history.
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/frame2"); }, 60000));
  SpinIdle();
  EXPECT_EQ(form.Model().HistoryList(), std::vector<Text>{wb::FromUtf8(start)});
  EXPECT_EQ(wb::ToUtf8(form.AddrText()), start);

  // A link clicked inside the page.
  std::string second = server.Url("/second");
  progress.clear();
  ClickAt(view.widget(), 60, 60);
  ASSERT_TRUE(loaded(second)) << wb::ToUtf8(form.StatusText());
  EXPECT_EQ(form.Model().HistoryList(),
            (std::vector<Text>{wb::FromUtf8(start), wb::FromUtf8(second)}));
  EXPECT_EQ(form.Model().HistoryIndex(), 1);
  EXPECT_EQ(wb::ToUtf8(form.AddrText()), second);
  EXPECT_EQ(form.Model().AddrItems(),
            std::vector<Text>{wb::FromUtf8(start)});  // the page's own link

  // A link that asks for a new window goes to the default browser; this window stays.
  ClickAt(view.widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return !ReadFile(opened).empty(); }, 60000));
  EXPECT_EQ(ReadFile(opened), server.Url("/popup") + "\n");
  EXPECT_FALSE(server.Asked("/popup"));
  EXPECT_EQ(form.Model().HistoryList().size(), 2u);

  // Back and Forward through the window's own history.
  SpinIdle();
  progress.clear();
  ASSERT_TRUE(form.acBack.Execute());
  ASSERT_TRUE(loaded(start));
  EXPECT_EQ(form.Model().HistoryIndex(), 0);
  EXPECT_EQ(wb::ToUtf8(form.StatusText()), start);
  SpinIdle();
  EXPECT_TRUE(form.acForward.Enabled());
  progress.clear();
  ASSERT_TRUE(form.acForward.Execute());
  ASSERT_TRUE(loaded(second));
  EXPECT_EQ(form.Model().HistoryIndex(), 1);
  EXPECT_EQ(form.Model().HistoryList().size(), 2u);

  // A page answered with an error status is a navigate error, and enters the history.
  std::string missing = server.Url("/missing");
  progress.clear();
  form.go(wb::FromUtf8(missing));
  ASSERT_TRUE(loaded(missing));
  EXPECT_EQ(errors, std::vector<int>{404});
  EXPECT_EQ(form.Model().HistoryList().size(), 3u);

  // Refresh loads the same address again: its navigation event still arrives, before any
  // progress of the load, and takes the address to the top of the list.
  form.go(wb::FromUtf8(start));
  ASSERT_TRUE(loaded(start));
  progress.clear();
  size_t progressAtEvent = 99;
  auto record = view.onBeforeNavigate;
  view.onBeforeNavigate = [&](const Text& u) {
    progressAtEvent = progress.size();
    record(u);
  };
  ASSERT_TRUE(form.acRefresh.Execute());
  ASSERT_TRUE(loaded(start));
  EXPECT_EQ(progressAtEvent, 0u);
  EXPECT_FALSE(form.Model().UpdateCombo());
  EXPECT_EQ(wb::ToUtf8(form.Model().AddrItems().front()), start);
}

// The person's answer to a page that asks before it is left, given when the test says so, as
// a person takes their time.
struct LeavePrompts {
  explicit LeavePrompts(wb::WebKitViewFactory& views) {
    views.askLeave = [this](Gtk::Window*, const std::string&, std::function<void(bool)> answer) {
      ++asked;
      pending = std::move(answer);
    };
  }
  bool Open() const { return static_cast<bool>(pending); }
  void Answer(bool leave) { std::exchange(pending, nullptr)(leave); }
  std::function<void(bool)> pending;
  int asked = 0;
};

TEST_F(WebFormEndToEnd, ANavigationThePageCallsOffLeavesTheWindowOnThePageShown) {
  LoopbackServer server;
  server.Page("/one", LinkPage("One", "/guard", ""));
  server.Page("/guard",
              "<html><body style='margin:0'><div onclick=\"fetch('/clicked')\" "
              "style='width:400px;height:200px;background:#fcc'>Guard</div><script>"
              "addEventListener('beforeunload', function(e) { e.preventDefault();"
              " e.returnValue = 'sure?'; });</script></body></html>");
  server.Page("/clicked", "ok");
  server.Page("/three", LinkPage("Three", "/one", ""));
  wb::WebKitViewFactory views;
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  const std::string one = server.Url("/one"), guard = server.Url("/guard"),
                    three = server.Url("/three");
  services.readConfig = [one] { return wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(one)}); };
  LeavePrompts prompts(views);
  wb::TWebForm form(services);
  bool finished = false;
  auto shown = form.View().onProgressChange;
  form.View().onProgressChange = [&](int p, int m) {
    finished = m == 0;
    shown(p, m);
  };
  form.FormCreate();
  form.show();
  auto loaded = [&](const std::string& url) {
    return SpinUntil([&] { return finished && wb::ToUtf8(form.View().LocationURL()) == url; },
                     60000);
  };
  ASSERT_TRUE(loaded(one));
  finished = false;
  form.go(wb::FromUtf8(guard));
  ASSERT_TRUE(loaded(guard));
  // The engine asks before leaving only a page the person has used.
  ClickAt(form.View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/clicked"); }, 20000));
  const std::vector<Text> history{wb::FromUtf8(one), wb::FromUtf8(guard)};
  auto onGuard = [&] {
    return form.Model().HistoryList() == history && form.Model().HistoryIndex() == 1 &&
           wb::ToUtf8(form.AddrText()) == guard && wb::ToUtf8(form.StatusText()) == guard;
  };

  struct Case {
    const char* what;
    std::function<void()> navigate;
  } cases[] = {
      {"Back, twice while the prompt is open",
       [&] {
         ASSERT_TRUE(form.acBack.Execute());
         ASSERT_TRUE(SpinUntil([&] { return prompts.Open(); }, 20000));
         SpinIdle();
         form.acBack.Update();
         form.acBack.Execute();
       }},
      {"a new address",
       [&] {
         form.go(wb::FromUtf8(three));
         ASSERT_TRUE(SpinUntil([&] { return prompts.Open(); }, 20000));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int asked = prompts.asked;
    c.navigate();
    ASSERT_TRUE(prompts.Open());
    prompts.Answer(false);  // "Stay on page"
    // The window shows the page that stayed, and keeps showing it.
    EXPECT_TRUE(SpinUntil(onGuard, 5000)) << wb::ToUtf8(form.AddrText());
    EXPECT_FALSE(SpinUntil([&] { return !onGuard(); }, 1000)) << wb::ToUtf8(form.AddrText());
    EXPECT_EQ(prompts.asked, asked + 1);
    EXPECT_EQ(server.Requests("/one"), 1);
    EXPECT_FALSE(server.Asked("/three"));
  }
}

TEST_F(WebFormEndToEnd, AViewWhoseProcessEndsShowsWhatHappenedAndCarriesOn) {
  LoopbackServer server;
  server.Page("/page", "<html><head><title>Page</title></head><body>page</body></html>");
  wb::WebKitViewFactory views;
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  const std::string page = server.Url("/page");
  services.readConfig = [page] {
    return wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(page)});
  };
  wb::TWebForm form(services);
  form.FormCreate();
  form.show();
  auto* view = WEBKIT_WEB_VIEW(form.View().widget().gobj());
  auto title = [&] {
    const char* t = webkit_web_view_get_title(view);
    return std::string(t ? t : "");
  };
  // Ended once the page has loaded: a load still under way when its process ends is loaded
  // again, and would be requested twice.
  ASSERT_TRUE(
      SpinUntil([&] { return title() == "Page" && !webkit_web_view_is_loading(view); }, 60000));
  webkit_web_view_terminate_web_process(view);
  ASSERT_TRUE(SpinUntil([&] { return title() == "This page stopped working"; }, 60000)) << title();
  // The window carries on where it was.
  EXPECT_FALSE(SpinUntil([&] { return wb::ToUtf8(form.AddrText()) != page; }, 1000));
  EXPECT_EQ(form.Model().HistoryList(), std::vector<Text>{wb::FromUtf8(page)});
  EXPECT_EQ(form.Model().HistoryIndex(), 0);
  EXPECT_EQ(server.Requests("/page"), 1);
  // Refresh brings the page back.
  ASSERT_TRUE(form.acRefresh.Execute());
  EXPECT_TRUE(SpinUntil([&] { return title() == "Page"; }, 60000)) << title();
  EXPECT_EQ(server.Requests("/page"), 2);
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(WebFormEndToEnd, SavesPagesAndLeavesWholeDownloadsOnly) {
  LoopbackServer server;
  server.Page("/page", "<html><head><title>Saved</title></head><body><p>Keep me</p></body></html>");
  std::string data(300000, 'x');
  for (size_t i = 0; i < data.size(); i += 1000) data[i] = '\n';
  server.Page("/data.bin", data,
              "Content-Type: application/octet-stream\r\n"
              "Content-Disposition: attachment; filename=\"../report.bin\"\r\n");
  std::string dir = TestRoot() + "/saves";
  std::filesystem::create_directories(dir);

  wb::WebKitViewFactory views;
  wb::SaveChoice pageChoice;
  std::string suggestedPage, suggestedDownload, downloadChoice;
  int downloadQuestions = 0;
  views.choosePageFile = [&](Gtk::Window*, const std::string& name) {
    suggestedPage = name;
    return pageChoice;
  };
  views.chooseDownloadFile = [&](Gtk::Window*, const std::string& name,
                                 std::function<void(const std::string&)> answer) {
    suggestedDownload = name;
    ++downloadQuestions;
    answer(downloadChoice);
  };
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  std::string page = server.Url("/page");
  services.readConfig = [page] {
    return wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(page)});
  };
  wb::TWebForm form(services);
  bool finished = false;
  auto shown = form.View().onProgressChange;
  form.View().onProgressChange = [&](int p, int m) {
    finished = m == 0;
    shown(p, m);
  };
  form.FormCreate();
  form.show();
  ASSERT_TRUE(
      SpinUntil([&] { return finished && wb::ToUtf8(form.View().LocationURL()) == page; }, 60000));

  // The page as one file, then as HTML only; no temporary file stays behind.
  pageChoice = {dir + "/page.mhtml", false};
  form.View().Save();
  EXPECT_EQ(suggestedPage, "page.mhtml");
  ASSERT_TRUE(SpinUntil(
      [&] { return FilesIn(dir).size() == 1 && !ReadFile(dir + "/page.mhtml").empty(); }, 60000));
  std::string mhtml = ReadFile(dir + "/page.mhtml");
  EXPECT_NE(mhtml.find("multipart/related"), std::string::npos);
  EXPECT_NE(mhtml.find("<title>Saved</title>"), std::string::npos);  // quoted-printable
  pageChoice = {dir + "/page.html", true};
  form.View().Save();
  ASSERT_TRUE(SpinUntil([&] { return FilesIn(dir).size() == 2; }, 60000));
  EXPECT_NE(ReadFile(dir + "/page.html").find("<p>Keep me</p>"), std::string::npos);

  // A download the user declines leaves nothing.
  downloadChoice = "";
  form.go(wb::FromUtf8(server.Url("/data.bin")));
  ASSERT_TRUE(SpinUntil([&] { return downloadQuestions == 1; }, 60000));
  EXPECT_EQ(suggestedDownload, "report.bin");  // only the file name of the server's suggestion
  for (int i = 0; i < 200; ++i) SpinIdle();
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"page.html", "page.mhtml"}));

  // An accepted one appears under its name only once complete.
  downloadChoice = dir + "/report.bin";
  form.go(wb::FromUtf8(server.Url("/data.bin")));
  ASSERT_TRUE(SpinUntil(
      [&] { return wb::ToUtf8(form.StatusText()) == "Download complete: " + downloadChoice; },
      4000000))
      << wb::ToUtf8(form.StatusText());
  EXPECT_EQ(ReadFile(downloadChoice), data);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"page.html", "page.mhtml", "report.bin"}));
}

// The question where to save a download stays open while the page goes on: a window that
// closes meanwhile takes the download with it, and the answer that comes after reaches nothing
// (the sanitizer build would see it reach a freed download). A second download while the
// question is open is refused with a line in the status bar.
TEST_F(WebFormEndToEnd, AWindowClosedWhileTheDownloadsQuestionIsOpenTakesTheDownload) {
  LoopbackServer server;
  server.Page("/page", "<html><body>page</body></html>");
  server.Page("/data.bin", std::string(1000, 'x'),
              "Content-Type: application/octet-stream\r\n"
              "Content-Disposition: attachment; filename=\"report.bin\"\r\n");
  std::string dir = TestRoot() + "/closed-saves";
  std::filesystem::create_directories(dir);

  wb::WebKitViewFactory views;
  std::vector<std::function<void(const std::string&)>> open;
  views.chooseDownloadFile = [&](Gtk::Window*, const std::string&,
                                 std::function<void(const std::string&)> answer) {
    open.push_back(std::move(answer));
  };
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  std::string page = server.Url("/page");
  services.readConfig = [page] {
    return wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(page)});
  };
  auto form = std::make_unique<wb::TWebForm>(services);
  form->FormCreate();
  // Every status line the view gives, since the end of a load replaces it in the status bar.
  std::vector<std::string> statuses;
  auto status = form->View().onStatusText;
  form->View().onStatusText = [&](const Text& text) {
    statuses.push_back(wb::ToUtf8(text));
    status(text);
  };
  form->show();
  ASSERT_TRUE(SpinUntil(
      [&] {
        return wb::ToUtf8(form->View().LocationURL()) == page && !form->View().IsLoading() &&
               wb::ToUtf8(form->StatusText()) == page;
      },
      60000));

  form->go(wb::FromUtf8(server.Url("/data.bin")));
  ASSERT_TRUE(SpinUntil([&] { return open.size() == 1; }, 60000));
  form->go(wb::FromUtf8(server.Url("/data.bin")));
  ASSERT_TRUE(SpinUntil(
      [&] {
        return std::ranges::any_of(statuses, [](const std::string& line) {
          return line.rfind("Download refused: report.bin", 0) == 0;
        });
      },
      60000))
      << ::testing::PrintToString(statuses);
  EXPECT_EQ(open.size(), 1u);

  form.reset();
  SpinIdle();
  open[0](dir + "/report.bin");
  for (int i = 0; i < 50; ++i) SpinIdle();
  EXPECT_TRUE(FilesIn(dir).empty());
}

}  // namespace
}  // namespace wbtest
