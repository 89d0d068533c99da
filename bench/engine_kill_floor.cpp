// The bare engine, with nothing of ours around it: its web process killed and a new address
// loaded, over and over, against a page server of its own. It tells a fault of the engine's
// from one of ours (docs/engine-faults.md). Exit status 1 when an address asked for was never
// requested in 30 s.
//
// Usage: wb_engine_kill_floor [--sandbox] [--rounds N] [--delay-ms N] [--double MS] [--recover]
//   --delay-ms N  the load comes 0 to N ms after the kill, not at once
//   --double MS   the load comes when the engine tells of the end, and again MS ms later
//   --recover     a load not started after 3 s ends the web process and is asked for again
#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <signal.h>
#include <webkit2/webkit2.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

static gint64 t0;
__attribute__((format(printf, 1, 2))) static void Tr(const char* fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  std::fprintf(stderr, "[KF %9.3f] %s\n", (g_get_monotonic_time() - t0) / 1000.0, buf);
}

static WebKitWebView* view;
static std::set<std::string> asked;
static int round_ = -1, rounds = 200, delayMs = 0;
static bool recover = false;
static guint port;
static std::string waitingFor;
static gint64 waitStart;
static bool started = false;  // LOAD_STARTED seen since the last load_uri
static int recoveries = 0, stalls = 0;
static std::string Url(const std::string& path);
static int doubleMs = -1;  // --double MS: load after the end is told, and again MS ms later
static gboolean Again(gpointer) {
  Tr("load_uri again %s", waitingFor.c_str());
  webkit_web_view_load_uri(view, Url(waitingFor).c_str());
  return G_SOURCE_REMOVE;
}

static pid_t ParentOf(pid_t p) {
  std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
  std::string line;
  std::getline(stat, line);
  auto close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 2));
  char st;
  pid_t parent = 0;
  rest >> st >> parent;
  return parent;
}

static std::vector<pid_t> WebProcesses() {
  std::vector<pid_t> found;
  pid_t me = getpid();
  for (auto& e : std::filesystem::directory_iterator("/proc")) {
    std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    pid_t p = std::stoi(name);
    std::ifstream cmd(e.path() / "cmdline");
    std::string c;
    std::getline(cmd, c, '\0');
    if (c.find("WebKitWebProcess") == std::string::npos) continue;
    for (pid_t up = ParentOf(p), h = 0; up > 1 && h < 16; up = ParentOf(up), ++h)
      if (up == me) {
        found.push_back(p);
        break;
      }
  }
  return found;
}

static std::string Url(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

static void LoadNext() {
  Tr("load_uri %s", waitingFor.c_str());
  started = false;
  webkit_web_view_load_uri(view, Url(waitingFor).c_str());
}

static gboolean Step(gpointer);

static void Advance() {
  ++round_;
  if (round_ >= rounds) {
    Tr("DONE rounds=%d stalls=%d recoveries=%d", rounds, stalls, recoveries);
    std::printf("DONE rounds=%d stalls=%d recoveries=%d\n", rounds, stalls, recoveries);
    std::exit(stalls ? 1 : 0);
  }
  g_idle_add(Step, nullptr);
}

static gboolean DelayedLoad(gpointer) {
  LoadNext();
  return G_SOURCE_REMOVE;
}

static gboolean Step(gpointer) {
  std::vector<pid_t> web = WebProcesses();
  if (web.empty()) return G_SOURCE_CONTINUE;  // spin until one is there, as the test does
  for (pid_t p : web) kill(p, SIGKILL);
  Tr("round %d killed %zu web process(es) (first %d)", round_, web.size(), (int)web[0]);
  waitingFor = "/page" + std::to_string(round_);
  waitStart = g_get_monotonic_time();
  if (doubleMs >= 0) return G_SOURCE_REMOVE;  // loads when the end is told
  if (delayMs > 0)
    g_timeout_add(g_random_int_range(0, delayMs + 1), DelayedLoad, nullptr);
  else
    LoadNext();
  return G_SOURCE_REMOVE;
}

static gboolean Watchdog(gpointer) {
  if (waitingFor.empty() || asked.count(waitingFor)) return G_SOURCE_CONTINUE;
  gint64 waited = (g_get_monotonic_time() - waitStart) / 1000;
  if (recover && !started && waited > 3000) {
    Tr("RECOVER: %s not started after %lld ms; terminate_web_process + load again",
       waitingFor.c_str(), (long long)waited);
    ++recoveries;
    webkit_web_view_terminate_web_process(view);
    waitStart = g_get_monotonic_time();
    LoadNext();
  } else if (waited > 30000) {
    Tr("STALL: %s never asked for in 30 s", waitingFor.c_str());
    ++stalls;
    std::printf("STALL at round %d\n", round_);
    std::fflush(stdout);
    std::exit(1);
  }
  return G_SOURCE_CONTINUE;
}

static void Serve(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, gpointer) {
  Tr("server asked %s", path);
  const char* body = "<html><body>page</body></html>";
  soup_server_message_set_status(msg, 200, nullptr);
  soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_STATIC, body, strlen(body));
  asked.insert(path);
  if (path == waitingFor || (round_ < 0 && std::string(path) == "/start")) {
    waitingFor.clear();
    Advance();
  }
}

static void OnLoadChanged(WebKitWebView* v, WebKitLoadEvent e, gpointer) {
  static const char* names[] = {"STARTED", "REDIRECTED", "COMMITTED", "FINISHED"};
  if (e == WEBKIT_LOAD_STARTED) started = true;
  Tr("load-changed %s uri=%s", names[e], webkit_web_view_get_uri(v));
}
static gboolean OnPolicy(WebKitWebView*, WebKitPolicyDecision* d, WebKitPolicyDecisionType t,
                         gpointer) {
  if (t == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
    auto* a = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(d));
    Tr("decide-policy %s type=%d",
       webkit_uri_request_get_uri(webkit_navigation_action_get_request(a)),
       (int)webkit_navigation_action_get_navigation_type(a));
  }
  return FALSE;
}
static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer) {
  Tr("load-failed %s %s %d %s", uri, g_quark_to_string(error->domain), error->code, error->message);
  return FALSE;
}
static void OnTerminated(WebKitWebView* v, WebKitWebProcessTerminationReason r, gpointer) {
  Tr("web-process-terminated reason=%d uri=%s", r, webkit_web_view_get_uri(v));
  if (doubleMs >= 0 && !waitingFor.empty()) {
    LoadNext();
    g_timeout_add(doubleMs, Again, nullptr);
  }
}

int main(int argc, char** argv) {
  t0 = g_get_monotonic_time();
  gtk_init(&argc, &argv);
  bool sandbox = false;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--sandbox"))
      sandbox = true;
    else if (!strcmp(argv[i], "--recover"))
      recover = true;
    else if (!strcmp(argv[i], "--delay-ms") && i + 1 < argc)
      delayMs = atoi(argv[++i]);
    else if (!strcmp(argv[i], "--rounds") && i + 1 < argc)
      rounds = atoi(argv[++i]);
    else if (!strcmp(argv[i], "--double") && i + 1 < argc)
      doubleMs = atoi(argv[++i]);
  }
  if (sandbox) webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);
  SoupServer* server = soup_server_new(nullptr, nullptr);
  soup_server_add_handler(server, nullptr, Serve, nullptr, nullptr);
  GError* err = nullptr;
  if (!soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &err)) return 3;
  GSList* uris = soup_server_get_uris(server);
  port = g_uri_get_port(static_cast<GUri*>(uris->data));
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
  GtkWidget* w = webkit_web_view_new();
  view = WEBKIT_WEB_VIEW(w);
  g_signal_connect(w, "load-changed", G_CALLBACK(OnLoadChanged), nullptr);
  g_signal_connect(w, "load-failed", G_CALLBACK(OnLoadFailed), nullptr);
  g_signal_connect(w, "decide-policy", G_CALLBACK(OnPolicy), nullptr);
  g_signal_connect(w, "web-process-terminated", G_CALLBACK(OnTerminated), nullptr);
  gtk_container_add(GTK_CONTAINER(window), w);
  gtk_widget_show_all(window);
  webkit_web_view_load_uri(view, Url("/start").c_str());
  g_timeout_add(100, Watchdog, nullptr);
  gtk_main();
}
