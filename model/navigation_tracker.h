#pragma once
// The rules that turn what the engine tells of its main frame's loads into what the window
// hears: which event is a navigation, when one is called off, which decision of the "internal"
// key belongs to which answer, what is loaded again after the page's process ended, and which
// of our explanation pages is shown. The engine's side only maps its signals to the inputs
// below and carries out the host's commands, so every order in which the engine can deliver
// its events is tested here as a table, without the engine.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/host_patterns.h"
#include "support/own_page.h"

namespace wb {

// How a main-frame load that did not show its page ended, as the engine tells it.
enum class LoadFailure {
  kCancelled,       // stopped by the person, or replaced by another load
  kBecameDownload,  // the answer is a download, not a page
  kDownloadFailed,  // the download it became could not be written
  kRefused,         // the engine refused it before any request: a restricted port, a scheme
                    // it does not handle
  kEngineLost,      // the engine lost the load itself: its network process ended under it
  kNetwork,         // any other: no such host, refused, reset, timed out
};

// A main-frame load whose certificate the engine could not verify.
struct CertificateFailure {
  std::string address;
  std::string host;
  std::string fingerprint;            // empty: the engine gave no certificate
  std::vector<std::string> problems;  // CertificateProblemWords
  bool trusted = false;               // the copy's configuration trusts it for this host
};

// What the tracker asks of the engine and tells the window. The engine side implements it;
// the tests record each call.
class NavigationHost {
 public:
  virtual ~NavigationHost() = default;

  // --- The engine ---
  // The engine's own address of the main frame now (empty when it has none).
  virtual std::string EngineAddress() const = 0;
  // Starts loading `address` in the main frame. The engine may raise events inside the call.
  virtual void EngineLoad(const std::string& address) = 0;
  // Shows `page` at its error's address in place of the page asked for.
  virtual void EngineShowPage(const OwnPage& page) = 0;
  // Accepts the certificate with this fingerprint, last refused, for `host` for the rest of
  // the run.
  virtual void EngineAllowCertificate(const std::string& host, const std::string& fingerprint) = 0;
  // Calls RunDeferred from the main loop soon, once the engine's present callback has
  // returned (more calls before it runs ask for one run).
  virtual void EngineRunLater() = 0;
  // An unguessable text for the address of our pages' button.
  virtual std::string NewSecret() = 0;
  // A monotonic clock in milliseconds.
  virtual std::int64_t NowMs() const = 0;

  // --- The window ---
  virtual void BeforeNavigate(const std::string& address) = 0;
  virtual void NavigationCalledOff() = 0;
  virtual void NavigateError(const std::string& address, int httpStatus) = 0;
  // An explanation of ours replaces the page (`error`), or a page replaced it (null).
  virtual void PageErrorChanged(const PageError* error) = 0;
  // A navigation the page started that the view does not show: towards a host outside the
  // "internal" key, or towards an address of a scheme the engine does not handle (mailto:,
  // another program's own). The window decides whether another program opens it.
  virtual void ExternalNavigation(const std::string& address) = 0;
  virtual void LoadEnded() = 0;
};

class NavigationTracker {
 public:
  // `internal` (the "internal" key's hosts) must outlive the tracker. `judging` says whether
  // page-started navigations to other hosts are to leave the view now (the key is set and the
  // window takes them).
  NavigationTracker(NavigationHost& host, const HostPatterns& internal,
                    std::function<bool()> judging);

  // --- What the engine tells ---
  // The program asks for `address` (resolved, with a scheme).
  void ProgramLoad(const std::string& address);
  void LoadStarted();
  void LoadRedirected();
  // The main frame shows the answer for `address`; `httpStatus` 0 when there is none.
  void LoadCommitted(const std::string& address, int httpStatus);
  void LoadFinished();
  void AddressChanged(const std::string& address);
  // Returns true when the failure is handled here (the engine shows nothing of its own).
  [[nodiscard]] bool LoadFailed(const std::string& address, LoadFailure failure,
                                const std::string& message);
  // Returns true when handled (the engine's load stays refused); false: the engine's default.
  [[nodiscard]] bool CertificateFailed(const CertificateFailure& failure);
  // The engine asks whether a navigation of some frame may proceed; it does not say which
  // frame.
  void NavigationDecision(NavigationKind kind, bool redirect, const std::string& address);
  // The main frame's main resource answered. Returns true when the answer is to be refused:
  // the navigation left for the default browser.
  [[nodiscard]] bool MainFrameResponse(const std::string& address);
  // A navigation towards our button's address (kActionScheme). The view never loads one. The
  // button acts only on the person's click, once it has been on screen for kButtonDelayMs and
  // the window has had the focus all that time: a page cannot send the window to another
  // page just before a click aimed at itself lands on the button.
  void ActionRequested(const std::string& address, bool byPersonsGesture);
  static constexpr std::int64_t kButtonDelayMs = 1000;
  // The window that shows the view gained or lost the focus.
  void WindowFocusChanged(bool focused);
  void WebProcessEnded(ProcessEnd why);
  void NetworkAvailable();
  // The person chose to stay on a page that asked before being left.
  void PersonStayed();
  // What EngineRunLater asked for.
  void RunDeferred();

  // --- What the view reads ---
  // Whether the engine's load progress belongs to a page (not to our explanation pages).
  bool ShowsProgress() const { return load_ != Load::kNone && ownPageLoad_ == OwnPageLoad::kNone; }
  // The address of the page shown as the window knows it; empty: the engine's own.
  std::string Location() const;
  // The address of the page the view shows: committed, or moved to inside its document. A load
  // under way does not change it until it commits, so a page that asks for something while it
  // is being left is judged as itself, not as the page on its way.
  const std::string& ShownAddress() const { return shownUri_; }
  // Whether the page shown is being left: a load of the main frame has been asked for or has
  // started, and has not committed. What the page asks for now, it will not be there to use.
  bool PageBeingLeft() const {
    return (startAwaited_ || load_ == Load::kProvisional) && ownPageLoad_ == OwnPageLoad::kNone;
  }
  // The explanation page shown now, if any.
  const OwnPage* ShownPage() const { return ownPage_.get(); }

 private:
  struct Noted {
    std::string uri;
    bool external = false;
    bool redirect = false;
  };
  static constexpr size_t kMaxNoted = 32;

  void Announce(const std::string& address);
  void CallOff();
  void SendToDefaultBrowser(const std::string& address);
  void LoadAgain(const std::string& address);
  void ShowPageLater(OwnPage page);
  void ShowPageNow(OwnPage page);
  void PressButton();
  void AfterProcessEnded();
  bool Judging() const;
  void StartJudging();
  std::string LeavingAddress(const std::string& uri) const;
  // Runs `task` from RunDeferred, unless a navigation has started by then (kUnlessNavigated)
  // or whatever has happened since (kAlways).
  enum class DeferredRun { kUnlessNavigated, kAlways };
  void Defer(std::function<void()> task, DeferredRun when = DeferredRun::kUnlessNavigated);

  NavigationHost& host_;
  const HostPatterns& internal_;
  std::function<bool()> judging_;

  // The main frame's load, as the engine told of it.
  enum class Load {
    kNone,         // none under way: not started, or ended
    kProvisional,  // started, not committed
    kCommitted,    // committed, not ended; our explanation page's load from its start
  };
  Load load_ = Load::kNone;
  // Whose EngineLoad call the tracker is inside: the engine may tell of the load's address
  // before the call returns.
  enum class Handing { kNone, kProgramLoad, kLoadAgain };
  Handing handing_ = Handing::kNone;
  bool startAnnounced_ = false;  // the next load's address was announced before it started
  bool awaiting_ = false;        // a load started whose address is not announced yet
  std::string announced_;        // the last address raised as a before-navigate event
  std::string loadTarget_;       // the address the main frame's load under way set out for
  std::string failedUri_;        // the address whose load failed, until the next load starts
  std::string shownUri_;         // the address of the page committed or moved to in its document
  bool calledOff_ = false;       // the last announced navigation did not happen

  std::unique_ptr<OwnPage> ownPage_;  // the explanation shown, while it is shown
  std::int64_t ownPageShownAt_ = -1;  // when it had loaded; -1: not yet
  std::int64_t focusedSince_ = -1;    // when the window gained the focus; -1: it has none
  // Our page's load: asked for, then from its start to its end.
  enum class OwnPageLoad { kNone, kAsked, kLoading };
  OwnPageLoad ownPageLoad_ = OwnPageLoad::kNone;
  bool errorShown_ = false;               // the window heard of an error no page replaced yet
  bool loadedAgainAfterEnd_ = false;      // the navigation was loaded again after its process ended
  std::string queuedLoad_;                // asked for while our page loaded; loads after it
  std::string trustedAttempt_;            // address and fingerprint let through by the trust key
  std::string lostAttempt_;               // address loaded again after the engine lost its load
  std::optional<ProcessEnd> processEnd_;  // the process ended; handled from RunDeferred
  bool startAwaited_ = false;             // a load handed to the engine has not started yet
  bool handedSinceEnd_ = false;           // a load was handed after the engine told of an end
  bool reloadStarting_ = false;           // the load again after an end has not started yet

  unsigned generation_ = 0;  // counts navigations, so a late task finds itself outdated
  struct Task {
    unsigned generation;
    bool always;
    std::function<void()> run;
  };
  std::vector<Task> tasks_;

  // The "internal" key.
  std::deque<Noted> noted_;  // the navigation decisions of late, newest last
  // Who started the main frame's load under way.
  enum class Origin {
    kProgram,     // the program: its address was announced before the load started
    kPage,        // a link or a script of the page
    kPageJudged,  // ...and the "internal" key judges it when its answer comes
  };
  Origin origin_ = Origin::kProgram;
  bool redirected_ = false;     // a server redirected it
  std::optional<Noted> start_;  // ...and its decision
  bool handedOut_ = false;      // it went to the default browser; its end is no failure
};

}  // namespace wb
