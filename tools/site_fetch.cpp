#include "tools/site_fetch.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "platform/glib_ptr.h"
#include "platform/tls_certificate.h"
#include "support/web_reference.h"

namespace wbctl {
namespace {

using wb::GObjectPtr;
using wb::GPtr;
using wb::OutPtr;

struct CertificateCheck {
  const wb::TrustList* trust;
  std::string host;
  std::string refused;  // why the last certificate was refused
};

}  // namespace

// The session's own timeouts bound each read and write, so a server that sends a byte now and
// then never meets them; a watchdog thread cancels whatever the fetch waits for (connecting,
// the handshake, the status line, the headers, the body) once the time for the whole site is
// up.
struct SiteFetcher::State {
  wb::TrustList trust;
  SiteFetchLimits limits;
  std::chrono::steady_clock::time_point deadline;
  GObjectPtr<SoupSession> session;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
  std::mutex mutex;
  std::condition_variable wake;
  bool done = false;
  std::thread watchdog;

  // The one message for a fetch that ran out of time, naming the limit.
  std::runtime_error TimeUp(const std::string& where) const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limits.total).count();
    return std::runtime_error(where + "the site did not answer within its limit of " +
                              std::to_string(seconds) + " seconds");
  }
  bool Expired() const {
    return std::chrono::steady_clock::now() >= deadline || g_cancellable_is_cancelled(cancel.get());
  }
};

SiteFetchLimits SiteFetchLimitsFromEnvironment() {
  SiteFetchLimits limits;
  const char* text = std::getenv("WBCTL_SITE_SECONDS");
  if (text == nullptr || *text == '\0') return limits;
  char* end = nullptr;
  const long seconds = std::strtol(text, &end, 10);
  if (*end == '\0' && seconds >= 1 && seconds <= 300) limits.total = std::chrono::seconds(seconds);
  return limits;
}

SiteFetcher::SiteFetcher(wb::TrustList trust, SiteFetchLimits limits)
    : state_(std::make_unique<State>()) {
  state_->trust = std::move(trust);
  state_->limits = limits;
  state_->deadline = std::chrono::steady_clock::now() + limits.total;
  state_->session.reset(soup_session_new());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limits.total).count();
  soup_session_set_timeout(state_->session.get(),
                           static_cast<guint>(std::max<long long>(1, seconds)));
  soup_session_set_idle_timeout(state_->session.get(),
                                static_cast<guint>(std::max<long long>(1, seconds)));
  soup_session_set_user_agent(state_->session.get(), "wbctl");
  State* state = state_.get();
  state_->watchdog = std::thread([state] {
    std::unique_lock lock(state->mutex);
    if (!state->wake.wait_until(lock, state->deadline, [state] { return state->done; })) {
      g_cancellable_cancel(state->cancel.get());
    }
  });
}

SiteFetcher::~SiteFetcher() {
  {
    std::lock_guard lock(state_->mutex);
    state_->done = true;
  }
  state_->wake.notify_all();
  state_->watchdog.join();
}

FetchedFile SiteFetcher::Get(const std::string& address, std::size_t maxBytes) {
  std::string current = address;
  std::set<std::string> seen;
  for (int hop = 0;; ++hop) {
    const std::string where = "\"" + current + "\": ";
    if (!seen.insert(current).second)
      throw std::runtime_error(where + "the redirects go round in a loop");
    if (hop > state_->limits.redirects) {
      throw std::runtime_error(where + "more than " + std::to_string(state_->limits.redirects) +
                               " redirects");
    }
    if (state_->Expired()) throw state_->TimeUp(where);
    const auto parsed = wb::ParseWebAddress(current);
    if (!parsed) throw std::runtime_error(where + "not an http or https address");
    GObjectPtr<SoupMessage> message(soup_message_new("GET", current.c_str()));
    if (!message) throw std::runtime_error(where + "not an address that can be fetched");
    soup_message_add_flags(message.get(), SOUP_MESSAGE_NO_REDIRECT);
    CertificateCheck check{&state_->trust, parsed->host, {}};
    g_signal_connect(message.get(), "accept-certificate",
                     G_CALLBACK(+[](SoupMessage*, GTlsCertificate* certificate,
                                    GTlsCertificateFlags errors, gpointer data) -> gboolean {
                       auto* c = static_cast<CertificateCheck*>(data);
                       const std::string fingerprint = wb::CertificateFingerprint(certificate);
                       const unsigned problems = wb::CertificateProblems(errors);
                       if (c->trust->Trusts(fingerprint, c->host, true, problems)) return TRUE;
                       std::string words;
                       for (const std::string& w : wb::CertificateProblemWords(problems)) {
                         words += (words.empty() ? "" : " ") + w;
                       }
                       c->refused = "the certificate is refused (" + words +
                                    "); its fingerprint is " + fingerprint +
                                    ", which --trust accepts";
                       return FALSE;
                     }),
                     &check);
    GPtr<GError> error;
    GObjectPtr<GInputStream> stream(soup_session_send(state_->session.get(), message.get(),
                                                      state_->cancel.get(), OutPtr(error)));
    if (!stream) {
      if (!check.refused.empty()) throw std::runtime_error(where + check.refused);
      if (state_->Expired()) throw state_->TimeUp(where);
      throw std::runtime_error(where + (error ? error->message : "cannot be fetched"));
    }
    const guint status = soup_message_get_status(message.get());
    SoupMessageHeaders* headers = soup_message_get_response_headers(message.get());
    if (SOUP_STATUS_IS_REDIRECTION(status)) {
      const char* location = soup_message_headers_get_one(headers, "Location");
      const auto next = location ? wb::ResolveWebReference(current, location) : std::nullopt;
      if (!next) throw std::runtime_error(where + "a redirect to no http or https address");
      g_input_stream_close(stream.get(), nullptr, nullptr);
      current = *next;
      continue;
    }
    if (!SOUP_STATUS_IS_SUCCESSFUL(status)) {
      throw std::runtime_error(where + "the server answered " + std::to_string(status) + " " +
                               soup_status_get_phrase(status));
    }
    const goffset declared = soup_message_headers_get_content_length(headers);
    if (declared > 0 && static_cast<std::uint64_t>(declared) > maxBytes) {
      throw std::runtime_error(where + "larger than " + std::to_string(maxBytes) + " bytes");
    }
    FetchedFile file;
    file.address = current;
    if (const char* type = soup_message_headers_get_content_type(headers, nullptr)) {
      file.type = type;
      for (char& ch : file.type) ch = static_cast<char>(g_ascii_tolower(ch));
    }
    std::string chunk(64 * 1024, '\0');
    while (true) {
      if (state_->Expired()) throw state_->TimeUp(where);
      GPtr<GError> readError;
      const gssize got = g_input_stream_read(stream.get(), chunk.data(), chunk.size(),
                                             state_->cancel.get(), OutPtr(readError));
      if (got < 0) {
        if (state_->Expired()) throw state_->TimeUp(where);
        throw std::runtime_error(where + (readError ? readError->message : "cannot be read"));
      }
      if (got == 0) break;
      if (file.body.size() + static_cast<std::size_t>(got) > maxBytes) {
        throw std::runtime_error(where + "larger than " + std::to_string(maxBytes) + " bytes");
      }
      file.body.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return file;
  }
}

}  // namespace wbctl
