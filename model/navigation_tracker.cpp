#include "model/navigation_tracker.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "support/permissions.h"

namespace wb {

namespace {

constexpr std::string_view kBlank = "about:blank";

}  // namespace

NavigationTracker::NavigationTracker(NavigationHost& host, const HostPatterns& internal,
                                     std::function<bool()> judging)
    : host_(host), internal_(internal), judging_(std::move(judging)) {}

// Before-navigate events. Only the main frame's address and loads are followed: a frame inside
// the page (an advert, an embedded video) changes neither the main frame's address nor its
// loads, which is why the event comes from those and never from the navigation decisions,
// which the engine asks for the navigations of every frame.
//
// The engine sets the address at different moments: at once for a load the program asks for
// (inside its load call), but only after the load has started for a link or script in the
// page; a reload of the same address never changes it. So a load that starts without an
// address announced already waits for the next address change, or for its commit.
void NavigationTracker::Announce(const std::string& address) {
  // The engine falls back to an empty address when a load is called off before anything was
  // shown; that is no navigation.
  if (address.empty()) return;
  announced_ = address;
  loadTarget_ = address;
  host_.BeforeNavigate(address);
}

void NavigationTracker::ProgramLoad(const std::string& address) {
  ++generation_;
  loadedAgainAfterEnd_ = false;
  lostAttempt_.clear();
  // The page's navigation under way gives way, judged or not.
  if (origin_ == Origin::kPageJudged) origin_ = Origin::kPage;
  if (ownPageLoad_ != OwnPageLoad::kNone || reloadStarting_) {
    // Our explanation page is on its way (after an ended process, into a new one); a load asked
    // for now could be overtaken by it and never happen. It follows once the page is in, as
    // the same navigation. So does a load asked for while the page loaded again after an ended
    // process has not started: the engine, given a second load while its new process starts,
    // has been seen to drop both and go back to the page shown before.
    queuedLoad_ = address;
    calledOff_ = false;
    Announce(address);
    return;
  }
  handing_ = Handing::kProgramLoad;
  startAnnounced_ = false;
  calledOff_ = false;
  startAwaited_ = true;
  handedSinceEnd_ = processEnd_.has_value();
  host_.EngineLoad(address);
  handing_ = Handing::kNone;
  // Loading the address shown already (a refresh, or the same address again) changes no
  // address, so the engine says nothing until the page starts to display. The window hears of
  // the navigation first, before any progress of it.
  if (!startAnnounced_) {
    startAnnounced_ = true;
    const std::string shown = host_.EngineAddress();
    Announce(shown.empty() ? address : shown);
  }
}

void NavigationTracker::LoadStarted() {
  startAwaited_ = false;
  // Our explanation, shown at the failed address. Its commit is not followed.
  if (ownPageLoad_ == OwnPageLoad::kAsked) ownPageLoad_ = OwnPageLoad::kLoading;
  if (ownPageLoad_ != OwnPageLoad::kNone) {
    load_ = Load::kCommitted;
    return;
  }
  load_ = Load::kProvisional;
  origin_ = startAnnounced_ ? Origin::kProgram : Origin::kPage;
  ++generation_;
  ownPage_.reset();
  failedUri_.clear();
  calledOff_ = false;
  awaiting_ = !startAnnounced_;
  startAnnounced_ = false;
  StartJudging();
  if (std::exchange(reloadStarting_, false) && !queuedLoad_.empty()) {
    // The new process is there: the load asked for meanwhile follows.
    std::string queued = std::move(queuedLoad_);
    queuedLoad_.clear();
    Defer([this, queued] { LoadAgain(queued); });
  }
}

void NavigationTracker::LoadRedirected() {
  // A redirect continues the same navigation; the history keeps the address the person asked
  // for, so that Back returns to something the person chose.
  redirected_ = true;
}

void NavigationTracker::LoadCommitted(const std::string& address, int httpStatus) {
  if (ownPageLoad_ != OwnPageLoad::kNone) return;
  if (load_ == Load::kProvisional) load_ = Load::kCommitted;
  if (address == kBlank && !awaiting_) {
    if (const int port = RestrictedPortOf(loadTarget_)) {
      // The engine refused the load before any request and shows an empty page instead.
      const std::string refused = loadTarget_;
      loadTarget_.clear();
      failedUri_ = refused;
      host_.NavigateError(refused, 0);
      ShowPageLater(NetworkErrorPage(
          refused, "Web pages may not use port " + std::to_string(port) +
                       ": it belongs to another kind of service, so the web view did not "
                       "connect to it."));
      return;
    }
  }
  if (!address.empty()) shownUri_ = address;
  trustedAttempt_.clear();
  lostAttempt_.clear();
  loadedAgainAfterEnd_ = false;
  if (errorShown_) {
    errorShown_ = false;
    host_.PageErrorChanged(nullptr);
  }
  if (awaiting_) {
    awaiting_ = false;
    Announce(address);
  }
  if (httpStatus >= 400) host_.NavigateError(address, httpStatus);
}

void NavigationTracker::LoadFinished() {
  load_ = Load::kNone;
  awaiting_ = false;
  // The engine may end the load our page replaces after the page was asked for: that end is
  // not our page's.
  if (ownPageLoad_ == OwnPageLoad::kAsked) return;
  if (ownPageLoad_ == OwnPageLoad::kLoading) ownPageShownAt_ = host_.NowMs();
  ownPageLoad_ = OwnPageLoad::kNone;
  if (!queuedLoad_.empty()) {
    std::string queued = std::move(queuedLoad_);
    queuedLoad_.clear();
    Defer([this, queued] { LoadAgain(queued); });
    return;
  }
  host_.LoadEnded();
}

void NavigationTracker::AddressChanged(const std::string& address) {
  if (address.empty() || ownPageLoad_ != OwnPageLoad::kNone) return;
  if (handing_ == Handing::kLoadAgain) {
    // The same navigation once more (our page's button, a certificate now trusted).
    announced_ = address;
  } else if (handing_ == Handing::kProgramLoad) {
    // The program's own load: announced now, so its start does not wait for another.
    startAnnounced_ = true;
    Announce(address);
  } else if (handedOut_ && load_ != Load::kNone) {
    // The load that went to the default browser: the page shown stays.
    awaiting_ = false;
  } else if (awaiting_) {
    awaiting_ = false;
    Announce(address);
  } else if (startAwaited_) {
    // A load handed to the engine has not started: the page shown is being left, and the
    // address it shows says nothing of it. The engine goes back to the page shown when a
    // second load replaces the first before either started (two addresses sent to the window
    // at once); that is no move inside the page, and the window keeps the navigation it
    // heard of last.
  } else if (load_ == Load::kNone) {
    // A navigation inside the same document (an anchor, a history.pushState of a single-page
    // site) changes the address without a load.
    shownUri_ = address;
    if (announced_ != address) Announce(address);
  } else {
    announced_ = address;  // a redirect of the load already announced
  }
}

bool NavigationTracker::LoadFailed(const std::string& address, LoadFailure failure,
                                   const std::string& message) {
  // A page that was to leave the view: held back at its answer, or failed before one came (no
  // such host, refused); either way it is the default browser's. A load the person stopped
  // goes nowhere.
  if (handedOut_) return true;
  if (failure != LoadFailure::kCancelled) {
    const std::string leaving = LeavingAddress(address);
    if (!leaving.empty()) {
      SendToDefaultBrowser(leaving);
      return true;
    }
  }
  switch (failure) {
    case LoadFailure::kCancelled:
    case LoadFailure::kDownloadFailed:
      // A load the person stopped, or one that turned into a download, did not fail.
      return false;
    case LoadFailure::kBecameDownload:
      // A download, not a page: the page shown before stays.
      CallOff();
      return false;
    case LoadFailure::kRefused:
      // A page's link or script towards an address the view does not show (mailto:, another
      // program's scheme) is the window's to hand to another program, or not; one a server's
      // redirect arrived at never is.
      if (origin_ != Origin::kProgram && !redirected_ && !OpensWithoutAsking(address)) {
        SendToDefaultBrowser(address);
        return true;
      }
      break;
    case LoadFailure::kEngineLost:
      // Nothing the page or its server did: the engine's network process ended (it crashed,
      // or the window ended it to sign out) while the load was under way, or just before it
      // reached a new one. The page is what the person asked for, so it is asked for again,
      // once for each navigation; a second loss shows our page.
      if (!address.empty() && lostAttempt_ != address) {
        lostAttempt_ = address;
        // Asked for once the engine has ended the lost load: that end is no end of the
        // navigation, so the window shows none until the load asked for again ends.
        queuedLoad_ = address;
        return true;
      }
      break;
    case LoadFailure::kNetwork:
      break;
  }
  failedUri_ = address;
  host_.NavigateError(address, 0);
  // The engine's own page is a bare line of text, and for a load it refused before any
  // request it shows none at all; ours says what happened and offers to try again.
  if (address.empty()) return false;
  ShowPageLater(NetworkErrorPage(address, message));
  return true;
}

bool NavigationTracker::CertificateFailed(const CertificateFailure& failure) {
  if (handedOut_) return true;
  const std::string leaving = LeavingAddress(failure.address);
  if (!leaving.empty()) {
    // An outside page: the default browser judges its certificate.
    SendToDefaultBrowser(leaving);
    return true;
  }
  if (failure.address.empty() || failure.host.empty() || failure.fingerprint.empty()) return false;
  failedUri_ = failure.address;
  host_.NavigateError(failure.address, 0);
  const std::string attempt = failure.address + " " + failure.fingerprint;
  if (failure.trusted && trustedAttempt_ != attempt) {
    // Once for each navigation, so a certificate the engine keeps refusing shows the page.
    trustedAttempt_ = attempt;
    host_.EngineAllowCertificate(failure.host, failure.fingerprint);
    const std::string address = failure.address;
    Defer([this, address] { LoadAgain(address); });
    return true;
  }
  ShowPageLater(
      CertificatePage(failure.address, failure.host, failure.fingerprint, failure.problems));
  return true;
}

// --- The "internal" key ----------------------------------------------------------------------
//
// The engine asks its navigation decision for the navigations of every frame and does not say
// which frame, while only the main frame's may leave; and the main frame's address moves to a
// page's navigation only when it is about to be shown. So each decision is noted with its
// verdict as if it were the main frame's, and the verdict counts when the main frame's answer
// comes (a response the engine says is the main frame's main resource), or its load fails
// first: a navigation to leave proceeds until the outside host answers, and its answer is
// refused. The page shown stays and never unloads. Only loads the page started are judged: the
// program's own (ProgramLoad, LoadAgain, our explanation pages) announce their address before
// the engine starts them.

bool NavigationTracker::Judging() const {
  return !internal_.empty() && judging_ && judging_();
}

void NavigationTracker::NavigationDecision(NavigationKind kind, bool redirect,
                                           const std::string& address) {
  if (!Judging()) return;
  NavigationFacts facts;
  facts.kind = kind;
  facts.redirect = redirect;
  facts.address = address;
  const bool external = DecideNavigation(facts, internal_) == NavigationVerdict::kExternal;
  noted_.push_back({address, external, redirect});
  // Frames that navigate in a loop keep only the newest.
  if (noted_.size() > kMaxNoted) noted_.pop_front();
}

// A main-frame load has started: one the page started is judged when its answer comes. Its
// decision came just before, the newest noted that is no redirect; should a redirect follow,
// that one still says where the navigation set out for.
void NavigationTracker::StartJudging() {
  if (origin_ == Origin::kPage && Judging()) origin_ = Origin::kPageJudged;
  redirected_ = false;
  handedOut_ = false;
  start_.reset();
  if (origin_ != Origin::kPageJudged) return;
  for (auto it = noted_.rbegin(); it != noted_.rend(); ++it)
    if (!it->redirect) {
      start_ = *it;
      break;
    }
}

// Where the main frame's load the page started, now at `uri`, is to go instead of the view;
// empty when it stays. Without a redirect the decision noted for `uri` itself says it, if there
// is one (the engine may ask for an address without its fragment).
std::string NavigationTracker::LeavingAddress(const std::string& uri) const {
  if (origin_ != Origin::kPageJudged || handedOut_ || uri.empty() || !Judging()) return {};
  if (!redirected_)
    for (auto it = noted_.rbegin(); it != noted_.rend(); ++it)
      if (it->uri == uri) return it->external && !it->redirect ? it->uri : std::string();
  return start_ && start_->external ? start_->uri : std::string();
}

bool NavigationTracker::MainFrameResponse(const std::string& address) {
  const std::string leaving = LeavingAddress(address);
  if (leaving.empty()) return false;
  // The outside page answered: it is not shown here; the page shown stays.
  SendToDefaultBrowser(leaving);
  return true;
}

// The load goes to the default browser; the page shown before stays. A window that has heard
// of the navigation hears it called off; otherwise it never hears of it.
void NavigationTracker::SendToDefaultBrowser(const std::string& address) {
  handedOut_ = true;
  const bool announced = !awaiting_;
  awaiting_ = false;
  host_.ExternalNavigation(address);
  if (announced) {
    CallOff();
  } else {
    calledOff_ = true;
    announced_ = shownUri_;
  }
}

void NavigationTracker::CallOff() {
  calledOff_ = true;
  announced_ = shownUri_;
  host_.NavigationCalledOff();
}

void NavigationTracker::PersonStayed() {
  CallOff();
}

std::string NavigationTracker::Location() const {
  // After a failed load the engine's own address is empty until our page is up; the page
  // shown is the failed address, which the window keeps in its history as any other.
  if (!failedUri_.empty()) return failedUri_;
  // A navigation called off leaves the engine's address at the page not opened.
  if (calledOff_) return shownUri_;
  return {};
}

// --- Our explanation pages -------------------------------------------------------------------
//
// A certificate that cannot be verified, a failed load and an ended web process each show a
// page of ours at the address that failed, so the history and the address box keep it. The
// page's one button is a link to an address of our own scheme holding a secret of that page;
// the view takes it from the navigation the click starts, so no script of any page can press
// it.

void NavigationTracker::Defer(std::function<void()> task, DeferredRun when) {
  tasks_.push_back({generation_, when == DeferredRun::kAlways, std::move(task)});
  host_.EngineRunLater();
}

void NavigationTracker::RunDeferred() {
  std::vector<Task> tasks = std::move(tasks_);
  tasks_.clear();
  for (auto& task : tasks)
    if (task.always || task.generation == generation_) task.run();
}

// The engine ends the failed load after telling of it, so the page follows from the loop.
void NavigationTracker::ShowPageLater(OwnPage page) {
  auto shared = std::make_shared<OwnPage>(std::move(page));
  Defer([this, shared] { ShowPageNow(std::move(*shared)); });
}

void NavigationTracker::ShowPageNow(OwnPage page) {
  page.actionUri = std::string(kActionScheme) + page.action + "?" + host_.NewSecret();
  const std::string address = page.error.address;
  ownPage_ = std::make_unique<OwnPage>(std::move(page));
  ownPageShownAt_ = -1;
  failedUri_ = address;
  errorShown_ = true;
  ownPageLoad_ = OwnPageLoad::kAsked;
  reloadStarting_ = false;
  host_.PageErrorChanged(&ownPage_->error);
  host_.EngineShowPage(*ownPage_);
}

void NavigationTracker::ActionRequested(const std::string& address, bool byPersonsGesture) {
  // Only the person's click on the page shown now counts: the address holds a secret of that
  // page, which no other page knows.
  if (!ownPage_ || !byPersonsGesture || ownPage_->actionUri != address) return;
  if (ownPageLoad_ != OwnPageLoad::kNone || ownPageShownAt_ < 0 || focusedSince_ < 0) return;
  const std::int64_t armedSince = std::max(ownPageShownAt_, focusedSince_);
  if (host_.NowMs() - armedSince < kButtonDelayMs) return;
  Defer([this] { PressButton(); });
}

void NavigationTracker::WindowFocusChanged(bool focused) {
  if (!focused)
    focusedSince_ = -1;
  else if (focusedSince_ < 0)
    focusedSince_ = host_.NowMs();
}

void NavigationTracker::PressButton() {
  if (!ownPage_) return;
  const std::string address = ownPage_->error.address;
  // For this host and this certificate, for the rest of the run.
  if (ownPage_->action == "continue")
    host_.EngineAllowCertificate(ownPage_->error.host, ownPage_->error.fingerprint);
  LoadAgain(address);
}

// Loads the address of the navigation announced last once more: no new before-navigate event,
// since the window's history has it already.
void NavigationTracker::LoadAgain(const std::string& address) {
  ++generation_;
  if (origin_ == Origin::kPageJudged) origin_ = Origin::kPage;
  ownPageLoad_ = OwnPageLoad::kNone;
  queuedLoad_.clear();
  handing_ = Handing::kLoadAgain;
  startAnnounced_ = true;
  startAwaited_ = true;
  handedSinceEnd_ = processEnd_.has_value();
  loadTarget_ = address;
  host_.EngineLoad(address);
  handing_ = Handing::kNone;
}

// The network came back: a page that could not be reached is tried again, once.
void NavigationTracker::NetworkAvailable() {
  if (!ownPage_ || ownPage_->action != "retry" || ownPage_->retriedByItself ||
      ownPageLoad_ != OwnPageLoad::kNone)
    return;
  ownPage_->retriedByItself = true;
  Defer([this] { PressButton(); });
}

// The page's web process ended (it crashed, ran out of memory or was killed). A blank view
// would leave the person nowhere: the view shows what happened and a way to load the page
// again, at the page's own address, while the window and its history carry on. The engine is
// still taking the ended process apart; the view loads once it is done.
void NavigationTracker::WebProcessEnded(ProcessEnd why) {
  const bool queued = processEnd_.has_value();
  processEnd_ = why;
  handedSinceEnd_ = false;  // what was handed before went to the ended process
  if (!queued) Defer([this] { AfterProcessEnded(); }, DeferredRun::kAlways);
}

void NavigationTracker::AfterProcessEnded() {
  const ProcessEnd why = processEnd_.value_or(ProcessEnd::kCrashed);
  processEnd_.reset();
  // A load handed to the engine after it told of the end goes to a new process of its own; it
  // is not loaded again (see ProgramLoad: a second load while that process starts).
  if (std::exchange(handedSinceEnd_, false)) return;
  // A navigation under way when the process ended (one asked for after the process had ended,
  // before the engine said so, among them) is what the person wants to see: it is loaded again
  // in a new process, once, so a page that ends its process every time ends on our page. The
  // engine may have dropped its address already; the window announced it. A load handed to an
  // engine whose process had already ended never starts, and what the engine told after it (a
  // commit and an end of the page before, at the new address already) says nothing of it: it
  // is still to be loaded.
  const std::string pending = host_.EngineAddress();
  const std::string again = !pending.empty() ? pending : announced_;
  if (!again.empty() && (load_ != Load::kNone || startAwaited_ || shownUri_ != again) &&
      !loadedAgainAfterEnd_) {
    loadedAgainAfterEnd_ = true;
    LoadAgain(again);
    reloadStarting_ = true;
    return;
  }
  std::string address = !shownUri_.empty() ? shownUri_ : announced_;
  if (address.empty()) address = "about:blank";
  load_ = Load::kNone;
  awaiting_ = false;
  ShowPageNow(CrashedPage(address, why));
}

}  // namespace wb
