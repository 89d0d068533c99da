// The navigation tracker as tables: the engine's events in the orders the engine delivers them,
// and what the window hears and the engine is told in return.
#include "model/navigation_tracker.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace wbtest {
namespace {

using Log = std::vector<std::string>;

// The engine and the window around the tracker. Like the engine, it takes the address of a load
// it is asked for at once, inside the call, and says so; a load of the address it has already
// changes nothing. Everything else the engine does comes from the rows.
class Recorder : public wb::NavigationHost {
 public:
  std::string EngineAddress() const override { return engineAddress; }
  void EngineLoad(const std::string& address) override {
    log.push_back("load " + address);
    if (address != engineAddress) {
      engineAddress = address;
      tracker->AddressChanged(address);
    }
  }
  void EngineShowPage(const wb::OwnPage& page) override {
    log.push_back("page " + page.error.kind + " " + page.error.address);
    shownAction = page.actionUri;
  }
  void EngineAllowCertificate(const std::string& host, const std::string& fp) override {
    log.push_back("allow " + host + " " + fp);
  }
  void EngineRunLater() override { ++runLaterAsked; }
  std::string NewSecret() override { return "s" + std::to_string(++secrets); }
  std::int64_t NowMs() const override { return now; }
  void BeforeNavigate(const std::string& address) override { log.push_back("navigate " + address); }
  void NavigationCalledOff() override { log.push_back("called off"); }
  void NavigateError(const std::string& address, int status) override {
    log.push_back("error " + address + " " + std::to_string(status));
  }
  void PageErrorChanged(const wb::PageError* error) override {
    log.push_back(error ? "page error " + error->kind : "page error gone");
  }
  void ExternalNavigation(const std::string& address) override {
    log.push_back("external " + address);
  }
  void LoadEnded() override { log.push_back("load ended"); }

  wb::NavigationTracker* tracker = nullptr;
  std::string engineAddress;
  std::string shownAction;
  Log log;
  int runLaterAsked = 0;
  std::int64_t now = 0;
  int secrets = 0;
};

wb::LoadFailure FailureNamed(const std::string& name) {
  if (name == "cancelled") return wb::LoadFailure::kCancelled;
  if (name == "download") return wb::LoadFailure::kBecameDownload;
  if (name == "download-failed") return wb::LoadFailure::kDownloadFailed;
  if (name == "refused") return wb::LoadFailure::kRefused;
  if (name == "lost") return wb::LoadFailure::kEngineLost;
  return wb::LoadFailure::kNetwork;
}

wb::NavigationKind KindNamed(const std::string& name) {
  if (name == "link") return wb::NavigationKind::kLink;
  if (name == "form") return wb::NavigationKind::kForm;
  if (name == "back") return wb::NavigationKind::kBackForward;
  if (name == "reload") return wb::NavigationKind::kReload;
  return wb::NavigationKind::kOther;
}

// One engine event a row; see Play.
struct Run {
  explicit Run(const std::string& internal = "")
      : hosts(wb::ParseHostPatterns(internal)), tracker(host, hosts, [] { return true; }) {
    host.tracker = &tracker;
    tracker.WindowFocusChanged(true);
  }

  //   program A        the program asks for A        started / redirected / finished
  //   committed A [S]  the main frame shows A (HTTP status S)
  //   uri A            the engine's address changes to A ("uri -": to none)
  //   engine A         the engine's address is A, without a word ("engine -": none)
  //   failed A WHY     cancelled, download, download-failed, refused, lost, network
  //   tls A [trusted]  A's certificate (fingerprint FP) refused; host is A's
  //   decide KIND A [redirect]   the engine asks about a navigation of some frame
  //   response A       a main-frame answer for A ("refuse" logged when it is refused)
  //   click / scripted-click     the person's / a script's navigation to our page's button
  //   ended / network / stay / idle   process ended, network back, person stays, main loop
  //   at MS            the clock reads MS milliseconds     focus / blur   the window's focus
  void Play(const std::vector<std::string>& events) {
    for (const auto& line : events) {
      std::istringstream in(line);
      std::string verb, a, b;
      in >> verb >> a >> b;
      if (a == "-") a.clear();
      if (verb == "program") {
        tracker.ProgramLoad(a);
      } else if (verb == "started") {
        tracker.LoadStarted();
      } else if (verb == "redirected") {
        tracker.LoadRedirected();
      } else if (verb == "committed") {
        host.engineAddress = a;
        tracker.LoadCommitted(a, b.empty() ? 200 : std::stoi(b));
      } else if (verb == "finished") {
        tracker.LoadFinished();
      } else if (verb == "uri") {
        host.engineAddress = a;
        tracker.AddressChanged(a);
      } else if (verb == "engine") {
        host.engineAddress = a;
      } else if (verb == "failed") {
        if (!tracker.LoadFailed(a, FailureNamed(b), "why")) {
          host.log.push_back("engine's page");
        }
      } else if (verb == "tls") {
        wb::CertificateFailure f;
        f.address = a;
        f.host = wb::HostOfAddress(a);
        f.fingerprint = "FP";
        f.problems = {"unknown issuer"};
        f.trusted = b == "trusted";
        (void)tracker.CertificateFailed(f);
      } else if (verb == "decide") {
        std::string redirect;
        in >> redirect;
        tracker.NavigationDecision(KindNamed(a), redirect == "redirect", b);
      } else if (verb == "response") {
        if (tracker.MainFrameResponse(a)) host.log.push_back("refuse");
      } else if (verb == "click" || verb == "scripted-click") {
        tracker.ActionRequested(host.shownAction, verb == "click");
      } else if (verb == "at") {
        host.now = std::stoll(a);
      } else if (verb == "focus" || verb == "blur") {
        tracker.WindowFocusChanged(verb == "focus");
      } else if (verb == "ended") {
        tracker.WebProcessEnded(wb::ProcessEnd::kCrashed);
      } else if (verb == "network") {
        tracker.NetworkAvailable();
      } else if (verb == "stay") {
        tracker.PersonStayed();
      } else if (verb == "idle") {
        tracker.RunDeferred();
      } else {
        ADD_FAILURE() << "no such event: " << line;
      }
    }
  }

  std::string Location() const {
    const std::string known = tracker.Location();
    return known.empty() ? host.engineAddress : known;
  }

  wb::HostPatterns hosts;
  Recorder host;
  wb::NavigationTracker tracker;
};

struct Row {
  Row(const char* n, Log e, Log x, std::string l = {})
      : name(n), events(std::move(e)), expected(std::move(x)), location(std::move(l)) {}
  const char* name;
  Log events;
  Log expected;
  std::string location;  // the address the window shows at the end; empty: not checked
};

void Check(const std::vector<Row>& rows, const std::string& internal = "") {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Run run(internal);
    run.Play(row.events);
    EXPECT_EQ(run.host.log, row.expected);
    if (!row.location.empty()) {
      EXPECT_EQ(run.Location(), row.location);
    }
  }
}

// A page shown and loaded: the state every later row starts from.
const std::vector<std::string> kShown = {"program http://a/", "started", "committed http://a/",
                                         "finished"};
const Log kShownLog = {"load http://a/", "navigate http://a/", "load ended"};

// The events or the log of `first`, then those of `then`.
Log After(const Log& first, const Log& then) {
  Log all = first;
  all.insert(all.end(), then.begin(), then.end());
  return all;
}

TEST(NavigationTracker, AnnouncesEachMainFrameNavigationOnce) {
  Check({
      {"the program's load, announced inside its load call", kShown, kShownLog, "http://a/"},
      {"the address shown loaded again: announced although the address does not change",
       After(kShown, {"program http://a/", "started", "committed http://a/", "finished"}),
       After(kShownLog, {"load http://a/", "navigate http://a/", "load ended"}), "http://a/"},
      {"a link: announced when the engine moves its address, after the start",
       After(kShown, {"decide link http://b/", "started", "uri http://b/", "committed http://b/",
                      "finished"}),
       After(kShownLog, {"navigate http://b/", "load ended"}), "http://b/"},
      {"a link whose address moves only at its commit",
       After(kShown, {"started", "committed http://b/", "finished"}),
       After(kShownLog, {"navigate http://b/", "load ended"}), "http://b/"},
      {"a redirect of a link: the address the link set out for, once",
       After(kShown, {"started", "uri http://b/", "redirected", "uri http://c/",
                      "committed http://c/", "finished"}),
       After(kShownLog, {"navigate http://b/", "load ended"}), "http://c/"},
      {"a redirect of the program's load, before its commit",
       {"program http://a/", "started", "redirected", "uri http://a2/", "committed http://a2/",
        "finished"},
       {"load http://a/", "navigate http://a/", "load ended"},
       "http://a2/"},
      {"a move inside the document, and the same move again",
       After(kShown, {"uri http://a/#x", "uri http://a/#x", "uri http://a/#y"}),
       After(kShownLog, {"navigate http://a/#x", "navigate http://a/#y"}), "http://a/#y"},
      {"a load called off before anything was shown leaves the engine without address",
       After(kShown, {"started", "uri -", "failed - cancelled", "finished"}),
       After(kShownLog, {"engine's page", "load ended"})},
      // Seen with the engine, for two addresses sent to the window in one write: the second
      // load replaced the first before either started, and the engine's address went back to
      // the page shown until the second started. That was taken for a move inside the page,
      // and the history went back to it.
      {"a second load asked for before the first started: the page shown meanwhile is no move",
       After(kShown, {"program http://b/", "program http://c/", "uri http://a/", "started",
                      "uri http://c/", "committed http://c/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://c/",
                         "navigate http://c/", "load ended"}),
       "http://c/"},
      {"an answer of HTTP status 404 is a navigation error of the page shown",
       {"program http://a/", "started", "committed http://a/ 404", "finished"},
       {"load http://a/", "navigate http://a/", "error http://a/ 404", "load ended"}},
  });
}

TEST(NavigationTracker, FailedLoadsShowOurPageAtTheFailedAddress) {
  Check({
      {"a refused connection, the page after the engine's callback",
       {"program http://a/", "started", "failed http://a/ network", "finished", "idle"},
       {"load http://a/", "navigate http://a/", "error http://a/ 0", "load ended",
        "page error network", "page network http://a/"},
       "http://a/"},
      // The engine refuses some addresses before any request and showed nothing: a scheme it
      // does not handle fails without a page of the engine's; a port of another service
      // becomes an empty page, with no failure at all. The window stayed blank at about:blank.
      {"a scheme the engine does not handle",
       {"program wbtest://x/", "started", "uri -", "failed wbtest://x/ refused", "finished",
        "idle"},
       {"load wbtest://x/", "navigate wbtest://x/", "error wbtest://x/ 0", "load ended",
        "page error network", "page network wbtest://x/"},
       "wbtest://x/"},
      {"a port of another service: the engine commits an empty page instead",
       {"program http://127.0.0.1:9/", "started", "uri -", "uri about:blank",
        "committed about:blank", "finished", "idle"},
       {"load http://127.0.0.1:9/", "navigate http://127.0.0.1:9/", "error http://127.0.0.1:9/ 0",
        "load ended", "page error network", "page network http://127.0.0.1:9/"},
       "http://127.0.0.1:9/"},
      // Seen with the engine: the empty page's end came after the main loop had asked for our
      // page, and ended our page's load before it started; the page then counted as the site's
      // and the error went.
      {"a port of another service, the empty page ending after our page was asked for",
       {"program http://127.0.0.1:9/", "started", "uri -", "uri about:blank",
        "committed about:blank", "idle", "finished", "started", "committed http://127.0.0.1:9/",
        "finished"},
       {"load http://127.0.0.1:9/", "navigate http://127.0.0.1:9/", "error http://127.0.0.1:9/ 0",
        "page error network", "page network http://127.0.0.1:9/", "load ended"},
       "http://127.0.0.1:9/"},
      // Seen with the engine: an empty start address, then the command line's, and the empty
      // page committing after the second was asked for; it was taken for a refusal of the
      // second, which our page then replaced.
      {"the empty start page committing after the next load was asked for",
       {"program about:blank", "program http://a:8080/set", "uri -", "started", "uri about:blank",
        "committed about:blank", "idle", "finished"},
       {"load about:blank", "navigate about:blank", "load http://a:8080/set",
        "navigate http://a:8080/set", "load ended"}},
      {"an empty page asked for is no refusal",
       After(kShown, {"program about:blank", "started", "committed about:blank", "finished",
                      "started", "uri http://a/", "committed http://a/", "finished", "started",
                      "uri about:blank", "committed about:blank", "finished"}),
       After(kShownLog, {"load about:blank", "navigate about:blank", "load ended",
                         "navigate http://a/", "load ended", "navigate about:blank", "load ended"}),
       "about:blank"},
      {"a page's link to a scheme the engine does not handle goes to the window, not our page",
       After(kShown,
             {"started", "uri wbtest://x", "uri -", "failed wbtest://x refused", "finished"}),
       After(kShownLog, {"navigate wbtest://x", "external wbtest://x", "called off", "load ended"}),
       "http://a/"},
      {"...but one a server's redirect arrives at is refused with our page",
       After(kShown, {"started", "uri http://a/go", "redirected", "failed wbtest://x refused",
                      "finished", "idle"}),
       After(kShownLog, {"navigate http://a/go", "error wbtest://x 0", "load ended",
                         "page error network", "page network wbtest://x"})},
      {"a load the person stopped is no failure",
       After(kShown, {"program http://b/", "started", "failed http://b/ cancelled", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "engine's page", "load ended"})},
      {"a load that became a download is called off; the page shown stays",
       After(kShown, {"started", "uri http://a/file.zip", "failed http://a/file.zip download",
                      "uri http://a/", "finished"}),
       After(kShownLog,
             {"navigate http://a/file.zip", "called off", "engine's page", "load ended"}),
       "http://a/"},
      {"a new navigation before the main loop: the failed one's page is not shown",
       {"program http://a/", "started", "failed http://a/ network", "program http://b/", "idle"},
       {"load http://a/", "navigate http://a/", "error http://a/ 0", "load http://b/",
        "navigate http://b/"}},
      {"our page's button, pressed by the person, loads the address again without announcing it",
       {"program http://a/", "started", "failed http://a/ network", "finished", "idle", "started",
        "committed http://a/", "finished", "at 1000", "click", "idle", "started",
        "committed http://a/", "finished"},
       {"load http://a/", "navigate http://a/", "error http://a/ 0", "load ended",
        "page error network", "page network http://a/", "load ended", "load http://a/",
        "page error gone", "load ended"}},
      {"the button pressed by a script does nothing",
       {"program http://a/", "started", "failed http://a/ network", "finished", "idle", "started",
        "committed http://a/", "finished", "scripted-click", "idle"},
       {"load http://a/", "navigate http://a/", "error http://a/ 0", "load ended",
        "page error network", "page network http://a/", "load ended"}},
      {"the network back tries once by itself, however often it says so",
       {"program http://a/", "started", "failed http://a/ network", "finished", "idle", "started",
        "committed http://a/", "finished", "network", "network", "idle", "network", "idle"},
       {"load http://a/", "navigate http://a/", "error http://a/ 0", "load ended",
        "page error network", "page network http://a/", "load ended", "load http://a/"}},
  });
}

// The button acts on the person's click once it has been on screen for a second with the
// window's focus all that time. The window has the focus from the start unless a row says.
TEST(NavigationTracker, OurButtonWaitsForTheScreenAndTheFocus) {
  const Log shown = {
      "program https://a/",   "started", "tls https://a/", "finished", "idle", "at 5000", "started",
      "committed https://a/", "finished"};
  const Log shownLog = {"load https://a/", "navigate https://a/",    "error https://a/ 0",
                        "load ended",      "page error certificate", "page certificate https://a/",
                        "load ended"};
  const Log pressed = {"allow a FP", "load https://a/"};
  Check({
      {"a click as the page appears is ignored", After(shown, {"at 5010", "click", "idle"}),
       shownLog},
      {"...and one just short of the second", After(shown, {"at 5999", "click", "idle"}), shownLog},
      {"a click a second after it appeared acts", After(shown, {"at 6000", "click", "idle"}),
       After(shownLog, pressed)},
      {"the window focused only just before the click",
       After(shown, {"blur", "at 9000", "focus", "at 9300", "click", "idle"}), shownLog},
      {"...and a second after it gained the focus",
       After(shown, {"blur", "at 9000", "focus", "at 10000", "click", "idle"}),
       After(shownLog, pressed)},
      {"a window without the focus", After(shown, {"blur", "at 9000", "click", "idle"}), shownLog},
      {"a click while the page still loads", After(shown, {"at 9000"}), shownLog},
      {"a script's click, however late", After(shown, {"at 9000", "scripted-click", "idle"}),
       shownLog},
  });
}

// What a page asks for belongs to the page shown: a load under way is not shown until it
// commits, whether the program asked for it or the page.
TEST(NavigationTracker, ThePageShownIsTheCommittedOneUntilTheNextCommits) {
  const struct {
    const char* name;
    Log events;
    std::string shown;
    bool beingLeft;
  } cases[] = {
      {"at rest", kShown, "http://a/", false},
      {"the program's load asked for", After(kShown, {"program http://b/"}), "http://a/", true},
      {"...started, its address the engine's already",
       After(kShown, {"program http://b/", "started"}), "http://a/", true},
      {"...committed", After(kShown, {"program http://b/", "started", "committed http://b/"}),
       "http://b/", false},
      {"a link's load before its commit", After(kShown, {"started", "uri http://b/"}), "http://a/",
       true},
      {"a load that failed", After(kShown, {"started", "failed http://b/ network", "finished"}),
       "http://a/", false},
      {"a move inside the document", After(kShown, {"uri http://a/#x"}), "http://a/#x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    wbtest::Run run;
    run.Play(c.events);
    EXPECT_EQ(run.tracker.ShownAddress(), c.shown);
    EXPECT_EQ(run.tracker.PageBeingLeft(), c.beingLeft);
  }
}

TEST(NavigationTracker, CertificatesTheEngineRefused) {
  Check({
      {"an untrusted certificate: our page, and the person's Continue allows it for its host",
       {"program https://a/", "started", "tls https://a/", "finished", "idle", "started",
        "committed https://a/", "finished", "at 1000", "click", "idle"},
       {"load https://a/", "navigate https://a/", "error https://a/ 0", "load ended",
        "page error certificate", "page certificate https://a/", "load ended", "allow a FP",
        "load https://a/"}},
      {"a trusted certificate loads again at once, without a page",
       {"program https://a/", "started", "tls https://a/ trusted", "finished", "idle", "started",
        "committed https://a/", "finished"},
       {"load https://a/", "navigate https://a/", "error https://a/ 0", "allow a FP", "load ended",
        "load https://a/", "load ended"}},
      {"a trusted certificate the engine refuses again shows the page",
       {"program https://a/", "started", "tls https://a/ trusted", "finished", "idle", "started",
        "tls https://a/ trusted", "finished", "idle"},
       {"load https://a/", "navigate https://a/", "error https://a/ 0", "allow a FP", "load ended",
        "load https://a/", "error https://a/ 0", "load ended", "page error certificate",
        "page certificate https://a/"}},
  });
}

// The engine's network process ended under a load: the load is asked for again, silently, once
// for each navigation; the lost load's end is no end the window shows.
TEST(NavigationTracker, ALoadTheEngineLost) {
  Check({
      {"loaded again without an error, and shown",
       After(kShown, {"program http://b/", "started", "failed http://b/ lost", "finished", "idle",
                      "started", "committed http://b/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/", "load ended"}),
       "http://b/"},
      {"lost twice: our page",
       After(kShown, {"program http://b/", "started", "failed http://b/ lost", "finished", "idle",
                      "started", "failed http://b/ lost", "finished", "idle"}),
       After(kShownLog,
             {"load http://b/", "navigate http://b/", "load http://b/", "error http://b/ 0",
              "load ended", "page error network", "page network http://b/"})},
      {"a navigation that committed may be lost again later",
       After(kShown, {"program http://b/", "started", "failed http://b/ lost", "finished", "idle",
                      "started", "committed http://b/", "finished", "program http://c/", "started",
                      "failed http://c/ lost", "finished", "idle"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/", "load ended",
                         "load http://c/", "navigate http://c/", "load http://c/"})},
      {"the program asking for the same address again is a new navigation",
       After(kShown, {"program http://b/", "started", "failed http://b/ lost", "finished", "idle",
                      "started", "failed http://b/ lost", "finished", "idle", "started",
                      "committed http://b/", "finished", "program http://b/", "started",
                      "failed http://b/ lost", "finished", "idle"}),
       After(kShownLog,
             {"load http://b/", "navigate http://b/", "load http://b/", "error http://b/ 0",
              "load ended", "page error network", "page network http://b/", "load ended",
              "load http://b/", "navigate http://b/", "load http://b/"})},
  });
}

// The page's process ends: at rest, during a load, before and after a navigation asked for.
TEST(NavigationTracker, AfterTheWebProcessEnded) {
  Check({
      {"at rest: our page at the page's address", After(kShown, {"ended", "idle"}),
       After(kShownLog, {"page error crashed", "page crashed http://a/"}), "http://a/"},
      {"during a load: the load again in a new process, once",
       After(kShown, {"program http://b/", "started", "ended", "idle"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/"})},
      {"a load that ends its process every time ends on our page",
       After(kShown, {"program http://b/", "started", "ended", "idle", "started", "ended", "idle"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/",
                         "page error crashed", "page crashed http://a/"})},
      {"a navigation asked for after the end, before the engine told of it",
       After(kShown,
             {"program http://b/", "ended", "idle", "started", "committed http://b/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/", "load ended"}),
       "http://b/"},
      {"a navigation asked for while our page after the end is on its way follows it",
       After(kShown, {"ended", "idle", "program http://b/", "started", "committed http://a/",
                      "finished", "idle", "started", "committed http://b/", "finished"}),
       After(kShownLog, {"page error crashed", "page crashed http://a/", "navigate http://b/",
                         "load http://b/", "page error gone", "load ended"}),
       "http://b/"},
      {"the ended load's end arriving after our page was asked for",
       After(kShown, {"program http://b/", "started", "ended", "idle", "ended", "idle", "finished",
                      "started", "committed http://a/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/",
                         "page error crashed", "page crashed http://a/", "load ended"}),
       "http://a/"},
      {"the engine told twice before the main loop: one page",
       After(kShown, {"ended", "ended", "idle", "idle"}),
       After(kShownLog, {"page error crashed", "page crashed http://a/"})},
      // The stall seen with the engine, three ways. The window sent an address right after
      // the process was killed, and the engine never asked for it.
      // 1. The page before committed and ended in the killed process after the next load had
      //    been handed to it, at the next load's address: that load looked shown.
      {"the page before's commit and end arriving after the next load was handed to the end",
       After(kShown, {"program http://b/", "started", "program http://c/", "committed http://c/",
                      "finished", "ended", "idle", "started", "committed http://c/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://c/",
                         "navigate http://c/", "load ended", "load http://c/", "load ended"}),
       "http://c/"},
      // 2. A load handed after the engine told of the end goes to a new process by itself; it
      //    was loaded a second time while that process started, and the engine went back to
      //    the page before instead.
      {"a load handed after the end is told is not loaded again",
       After(kShown,
             {"ended", "program http://b/", "idle", "started", "committed http://b/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load ended"}), "http://b/"},
      // 3. The same with the load again after the end and the window's next load.
      {"a load asked for while the load again after the end has not started waits for it",
       After(kShown, {"program http://b/", "started", "ended", "idle", "program http://c/",
                      "started", "idle", "started", "committed http://c/", "finished"}),
       After(kShownLog, {"load http://b/", "navigate http://b/", "load http://b/",
                         "navigate http://c/", "load http://c/", "load ended"}),
       "http://c/"},
  });
}

TEST(NavigationTracker, InternalHostsKeepTheWindowsPagesAndHandOutTheRest) {
  const char* inside = "inside.example";
  Check(
      {
          {"a link inside stays",
           After(kShown, {"decide link http://inside.example/b", "started",
                          "uri http://inside.example/b", "response http://inside.example/b",
                          "committed http://inside.example/b", "finished"}),
           After(kShownLog, {"navigate http://inside.example/b", "load ended"})},
          {"a link outside: refused at its answer, handed out, called off",
           After(kShown, {"decide link http://out.example/", "started", "uri http://out.example/",
                          "response http://out.example/", "failed http://out.example/ cancelled",
                          "finished"}),
           After(kShownLog, {"navigate http://out.example/", "external http://out.example/",
                             "called off", "refuse", "load ended"}),
           "http://a/"},
          {"outside, failing before its answer: handed out, no error page",
           After(kShown, {"decide link http://out.example/", "started",
                          "failed http://out.example/ network", "finished"}),
           After(kShownLog, {"external http://out.example/", "load ended"}), "http://a/"},
          {"an inside link that a server redirects outside: the navigation set out inside",
           After(kShown,
                 {"decide link http://inside.example/go", "started", "uri http://inside.example/go",
                  "redirected", "decide other http://out.example/ redirect",
                  "uri http://out.example/", "response http://out.example/",
                  "committed http://out.example/", "finished"}),
           After(kShownLog, {"navigate http://inside.example/go", "load ended"})},
          {"a frame's decision after the main frame's does not count for it",
           After(kShown, {"decide link http://inside.example/b", "started",
                          "decide other http://ads.example/frame", "uri http://inside.example/b",
                          "response http://inside.example/b", "committed http://inside.example/b",
                          "finished"}),
           After(kShownLog, {"navigate http://inside.example/b", "load ended"})},
          {"the program's own load outside is never judged",
           After(kShown,
                 {"decide other http://out.example/", "program http://out.example/", "started",
                  "response http://out.example/", "committed http://out.example/", "finished"}),
           After(kShownLog,
                 {"load http://out.example/", "navigate http://out.example/", "load ended"})},
          {"the page's navigation outside gives way to the program's load",
           After(kShown, {"decide link http://out.example/", "started", "uri http://out.example/",
                          "program http://inside.example/c", "response http://out.example/"}),
           After(kShownLog, {"navigate http://out.example/", "load http://inside.example/c",
                             "navigate http://inside.example/c"})},
          {"a certificate refused outside: the default browser judges it",
           After(kShown, {"decide link https://out.example/", "started", "tls https://out.example/",
                          "finished"}),
           After(kShownLog, {"external https://out.example/", "load ended"})},
      },
      inside + std::string(",a"));
}

}  // namespace
}  // namespace wbtest
