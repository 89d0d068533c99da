// The browser window on the real engine, against pages served on loopback: the start address
// loads, a link clicked inside the page enters the history, Back and Forward work, the final
// status shows the location, a frame inside the page stays out of the history, a link that
// asks for a new window reaches the user's default browser, and an error status is reported.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "shell/main_window.h"
#include "shell/web_view_webkit.h"
#include "tests/common/test_env.h"
#include "tests/gui/web_form_test_util.h"

namespace wbtest {
namespace {

using wb::Text;

// A small web server on loopback, on a thread of its own: it answers GET requests from a
// table of pages and records every path asked for.
class PageServer {
 public:
  PageServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
  }
  ~PageServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(listener_);
  }
  void Start() {
    thread_ = std::thread([this] { Serve(); });
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  void Page(const std::string& path, const std::string& body, const std::string& headers = "") {
    pages_[path] = {body, headers};
  }
  bool Asked(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& p : paths_)
      if (p == path) return true;
    return false;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      Answer(client);
      close(client);
    }
  }

  void Answer(int client) {
    std::string request;
    char buffer[4096];
    for (int i = 0;
         i < 50 && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536; ++i) {
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    std::istringstream line(request);
    std::string method, path;
    line >> method >> path;
    {
      std::lock_guard lock(mutex_);
      paths_.push_back(path);
    }
    auto page = pages_.find(path);
    int status = page == pages_.end() ? 404 : 200;
    std::string body =
        page == pages_.end() ? "<html><body>Not here</body></html>" : page->second.first;
    std::string headers = page == pages_.end() || page->second.second.empty()
                              ? "Content-Type: text/html; charset=utf-8\r\n"
                              : page->second.second;
    std::string response = "HTTP/1.1 " + std::to_string(status) +
                           (status == 200 ? " OK" : " Not Found") + "\r\n" + headers +
                           "Connection: close\r\nCache-Control: no-store\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n" + body;
    (void)!write(client, response.data(), response.size());
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  // Body and header lines by path; written before Start, read-only afterwards.
  std::map<std::string, std::pair<std::string, std::string>> pages_;
  std::mutex mutex_;
  std::vector<std::string> paths_;
  std::thread thread_;
};

// A page whose whole area above 200 pixels is one link, so a click at (60, 60) follows it.
std::string LinkPage(const std::string& title, const std::string& href, const std::string& target,
                     const std::string& extra = "") {
  return "<html><head><title>" + title + "</title></head><body style='margin:0'><a id='go' href='" +
         href + "'" + (target.empty() ? "" : " target='" + target + "'") +
         " style='display:block;width:400px;height:200px;background:#ccf'>" + title + "</a>" +
         extra + "</body></html>";
}

// Clicks inside the web view as the mouse does, so the engine sees a user's gesture.
void ClickAt(Gtk::Widget& view, double x, double y) {
  GdkWindow* window = view.get_window()->gobj();
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* ev = gdk_event_new(type);
    ev->button.window = GDK_WINDOW(g_object_ref(window));
    ev->button.send_event = TRUE;
    ev->button.time = GDK_CURRENT_TIME;
    ev->button.x = x;
    ev->button.y = y;
    ev->button.button = 1;
    ev->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
    gtk_main_do_event(ev);
    gdk_event_free(ev);
  }
}

// Installs a default handler for web addresses of the test's own: it appends each address
// it is given to a file.
std::string InstallBrowserHandler() {
  std::string root = TestRoot();
  std::string opened = root + "/opened.txt";
  std::string script = root + "/fake-browser.sh";
  std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  std::filesystem::create_directories(root + "/data-dirs/applications");
  std::ofstream(root + "/data-dirs/applications/wbtest-browser.desktop")
      << "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" << script
      << " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\nNoDisplay=true\n";
  std::filesystem::create_directories(root + "/config");
  std::ofstream(root + "/config/mimeapps.list")
      << "[Default Applications]\nx-scheme-handler/http=wbtest-browser.desktop\n"
         "x-scheme-handler/https=wbtest-browser.desktop\n";
  return opened;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class WebFormEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Gtk::Main::init_gtkmm_internals(); }
};

TEST_F(WebFormEndToEnd, BrowsesWithItsOwnHistory) {
  std::string opened = InstallBrowserHandler();
  PageServer server;
  server.Page("/start", LinkPage("Start", "/second", "",
                                 "<iframe src='/frame' width='300' height='100'></iframe>"));
  server.Page("/frame",
              "<html><body>advert<script>setTimeout(function(){location.replace('/frame2')},"
              "50)</script></body></html>");
  server.Page("/frame2", "<html><body>another advert</body></html>");
  server.Page("/second", LinkPage("Second", "/popup", "_blank"));
  server.Start();

  wb::WebKitViewFactory views;
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  std::string start = server.Url("/start");
  services.readConfig = [start] {
    return wb::ValueList{u"go=" + wb::FromUtf8(start), u"title=End to end"};
  };
  TestForm form(services);

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
  EXPECT_EQ(form.HistoryList, std::vector<Text>{wb::FromUtf8(start)});
  // The frame inside the page loaded and navigated on its own, out of the history.
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/frame2"); }, 60000));
  SpinIdle();
  EXPECT_EQ(form.HistoryList, std::vector<Text>{wb::FromUtf8(start)});
  EXPECT_EQ(wb::ToUtf8(form.AddrText()), start);

  // A link clicked inside the page.
  std::string second = server.Url("/second");
  progress.clear();
  ClickAt(view.widget(), 60, 60);
  ASSERT_TRUE(loaded(second)) << wb::ToUtf8(form.StatusText());
  EXPECT_EQ(form.HistoryList, (std::vector<Text>{wb::FromUtf8(start), wb::FromUtf8(second)}));
  EXPECT_EQ(form.HistoryIndex, 1);
  EXPECT_EQ(wb::ToUtf8(form.AddrText()), second);
  EXPECT_EQ(form.AddrItems(), std::vector<Text>{wb::FromUtf8(start)});  // the page's own link

  // A link that asks for a new window goes to the default browser; this window stays.
  ClickAt(view.widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return !ReadFile(opened).empty(); }, 60000));
  EXPECT_EQ(ReadFile(opened), server.Url("/popup") + "\n");
  EXPECT_FALSE(server.Asked("/popup"));
  EXPECT_EQ(form.HistoryList.size(), 2u);

  // Back and Forward through the window's own history.
  SpinIdle();
  progress.clear();
  ASSERT_TRUE(form.acBack.Execute());
  ASSERT_TRUE(loaded(start));
  EXPECT_EQ(form.HistoryIndex, 0);
  EXPECT_EQ(wb::ToUtf8(form.StatusText()), start);
  SpinIdle();
  EXPECT_TRUE(form.acForward.Enabled());
  progress.clear();
  ASSERT_TRUE(form.acForward.Execute());
  ASSERT_TRUE(loaded(second));
  EXPECT_EQ(form.HistoryIndex, 1);
  EXPECT_EQ(form.HistoryList.size(), 2u);

  // A page answered with an error status is a navigate error, and enters the history.
  std::string missing = server.Url("/missing");
  progress.clear();
  form.go(wb::FromUtf8(missing));
  ASSERT_TRUE(loaded(missing));
  EXPECT_EQ(errors, std::vector<int>{404});
  EXPECT_EQ(form.HistoryList.size(), 3u);

  // Refresh loads the same address again: its navigation event still arrives and takes the
  // address to the top of the list.
  form.go(wb::FromUtf8(start));
  ASSERT_TRUE(loaded(start));
  progress.clear();
  ASSERT_TRUE(form.acRefresh.Execute());
  EXPECT_TRUE(form.UpdateCombo);
  ASSERT_TRUE(loaded(start));
  EXPECT_FALSE(form.UpdateCombo);
  EXPECT_EQ(wb::ToUtf8(form.AddrItems().front()), start);
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(WebFormEndToEnd, SavesPagesAndLeavesWholeDownloadsOnly) {
  PageServer server;
  server.Page("/page", "<html><head><title>Saved</title></head><body><p>Keep me</p></body></html>");
  std::string data(300000, 'x');
  for (size_t i = 0; i < data.size(); i += 1000) data[i] = '\n';
  server.Page("/data.bin", data,
              "Content-Type: application/octet-stream\r\n"
              "Content-Disposition: attachment; filename=\"../report.bin\"\r\n");
  server.Start();
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
  views.chooseDownloadFile = [&](Gtk::Window*, const std::string& name) {
    suggestedDownload = name;
    ++downloadQuestions;
    return downloadChoice;
  };
  wb::WebFormServices services = wb::ProgramWebFormServices(views);
  std::string page = server.Url("/page");
  services.readConfig = [page] { return wb::ValueList{u"go=" + wb::FromUtf8(page)}; };
  TestForm form(services);
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

TEST(ResolveAddress, PartialAddressesAsAnAddressBarDoes) {
  std::string file = TestRoot() + "/page.html";
  std::ofstream(file) << "<html></html>";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"http://a.example/x", "http://a.example/x"},
      {"about:blank", "about:blank"},
      {"mailto:someone@example.org", "mailto:someone@example.org"},
      {"example.org", "http://example.org"},
      {"localhost:8080/x", "http://localhost:8080/x"},
      {"  example.org  ", "http://example.org"},
      {file, "file://" + file},
      {"   ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(wb::ResolveAddress(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace wbtest
