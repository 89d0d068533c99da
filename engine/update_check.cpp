#include "engine/update_check.h"

#include <glib/gstdio.h>
#include <libsoup/soup.h>

#include <utility>
#include <vector>

#include "platform/glib_ptr.h"

namespace wb {

struct UpdateCheck::State {
  UpdateCheckRequest request;
  UpdateCheckLimits limits;
  Done done;
  bool finished = false;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
  GObjectPtr<SoupSession> session;
  GObjectPtr<GInputStream> stream;
  GObjectPtr<GSubprocess> verifier;
  std::string body;
  std::string folder;  // the private folder of the key and the notice for gpgv
  guint timer = 0;
};

namespace {

using State = UpdateCheck::State;
using Outcome = UpdateCheckResult::Outcome;

// What an asynchronous step's callback receives: a reference that keeps the state alive until
// the step has ended, whatever became of the check meanwhile.
using Holder = std::shared_ptr<State>;
gpointer Hold(const Holder& state) {
  return new Holder(state);
}
Holder Take(gpointer data) {
  std::unique_ptr<Holder> holder(static_cast<Holder*>(data));
  return *holder;
}

void RemoveFolder(State& s) {
  if (s.folder.empty()) return;
  for (const char* name : {"key.gpg", "notice.asc"}) {
    GPtr<gchar> path(g_build_filename(s.folder.c_str(), name, nullptr));
    g_remove(path.get());
  }
  g_rmdir(s.folder.c_str());
  s.folder.clear();
}

// Ends the check: what is under way is called off and its files are removed.
void Stop(State& s) {
  s.finished = true;
  g_cancellable_cancel(s.cancel.get());
  if (s.timer != 0) g_source_remove(s.timer);
  s.timer = 0;
  if (s.verifier) g_subprocess_force_exit(s.verifier.get());
  RemoveFolder(s);
}

void Finish(const Holder& state, Outcome outcome, std::string detail = {},
            UpdateNotice notice = {}) {
  State& s = *state;
  if (s.finished) return;
  Stop(s);
  UpdateCheck::Done done = std::move(s.done);
  if (done) done({outcome, std::move(notice), std::move(detail)});
}

void Verified(GObject* source, GAsyncResult* result, gpointer data) {
  const Holder state = Take(data);
  GBytes* out = nullptr;
  GPtr<GError> error;
  const bool ran =
      g_subprocess_communicate_finish(G_SUBPROCESS(source), result, &out, nullptr, OutPtr(error));
  GPtr<GBytes> outHolder(out);
  State& s = *state;
  if (s.finished) return;
  if (!ran) return Finish(state, Outcome::kFailed, "gpgv: " + MessageOf(error.get()));
  GSubprocess* process = s.verifier.get();
  if (!g_subprocess_get_if_exited(process) || g_subprocess_get_exit_status(process) != 0)
    return Finish(state, Outcome::kUnverified, "the signature is not the maker's");
  gsize size = 0;
  const auto* bytes = out ? static_cast<const char*>(g_bytes_get_data(out, &size)) : nullptr;
  const auto notice = ParseUpdateNotice(std::string_view(bytes ? bytes : "", size));
  if (!notice) return Finish(state, Outcome::kUnverified, "the signed text is no notice");
  const bool newer = UpdateIsNewer(*notice, s.request.copyName, s.request.ownVersion);
  Finish(state, newer ? Outcome::kNewer : Outcome::kUpToDate, {}, *notice);
}

// gpgv checks the notice against the copy's key alone: its own folder as its home, so that no
// key of the person's keyrings counts, and the signed text written out, so that what is read is
// exactly what the signature covers.
void Verify(const Holder& state) {
  State& s = *state;
  GPtr<gchar> gpgv(g_find_program_in_path("gpgv"));
  if (!gpgv) return Finish(state, Outcome::kFailed, "gpgv is not installed");
  GPtr<GError> error;
  GPtr<gchar> folder(g_dir_make_tmp("webbrowser-update-XXXXXX", OutPtr(error)));
  if (!folder) return Finish(state, Outcome::kFailed, MessageOf(error.get()));
  s.folder = folder.get();
  GPtr<gchar> key(g_build_filename(folder.get(), "key.gpg", nullptr));
  GPtr<gchar> notice(g_build_filename(folder.get(), "notice.asc", nullptr));
  if (!g_file_set_contents(key.get(), s.request.key.data(),
                           static_cast<gssize>(s.request.key.size()), OutPtr(error)) ||
      !g_file_set_contents(notice.get(), s.body.data(), static_cast<gssize>(s.body.size()),
                           OutPtr(error))) {
    return Finish(state, Outcome::kFailed, MessageOf(error.get()));
  }
  const std::vector<const gchar*> argv{gpgv.get(),  "--homedir",  folder.get(),
                                       "--keyring", key.get(),    "--output",
                                       "-",         notice.get(), nullptr};
  s.verifier.reset(
      g_subprocess_newv(argv.data(),
                        static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                                      G_SUBPROCESS_FLAGS_STDERR_SILENCE),
                        OutPtr(error)));
  if (!s.verifier) return Finish(state, Outcome::kFailed, "gpgv: " + MessageOf(error.get()));
  g_subprocess_communicate_async(s.verifier.get(), nullptr, s.cancel.get(), &Verified, Hold(state));
}

void ReadMore(const Holder& state);

void Read(GObject* source, GAsyncResult* result, gpointer data) {
  const Holder state = Take(data);
  GPtr<GError> error;
  GPtr<GBytes> bytes(
      g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, OutPtr(error)));
  State& s = *state;
  if (s.finished) return;
  if (!bytes) return Finish(state, Outcome::kFailed, MessageOf(error.get()));
  gsize size = 0;
  const auto* data_ = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  if (size == 0) return Verify(state);
  if (s.body.size() + size > s.limits.maxBytes)
    return Finish(state, Outcome::kFailed, "the notice is too large");
  s.body.append(data_, size);
  ReadMore(state);
}

void ReadMore(const Holder& state) {
  State& s = *state;
  g_input_stream_read_bytes_async(s.stream.get(), 4096, G_PRIORITY_LOW, s.cancel.get(), &Read,
                                  Hold(state));
}

void Sent(GObject* source, GAsyncResult* result, gpointer data) {
  const Holder state = Take(data);
  GPtr<GError> error;
  GObjectPtr<GInputStream> stream(
      soup_session_send_finish(SOUP_SESSION(source), result, OutPtr(error)));
  State& s = *state;
  if (s.finished) return;
  if (!stream) return Finish(state, Outcome::kFailed, MessageOf(error.get()));
  SoupMessage* message = soup_session_get_async_result_message(SOUP_SESSION(source), result);
  const guint status = message ? soup_message_get_status(message) : 0;
  if (!SOUP_STATUS_IS_SUCCESSFUL(status))
    return Finish(state, Outcome::kFailed, "the server answered " + std::to_string(status));
  const goffset declared =
      soup_message_headers_get_content_length(soup_message_get_response_headers(message));
  if (declared > 0 && static_cast<std::size_t>(declared) > s.limits.maxBytes)
    return Finish(state, Outcome::kFailed, "the notice is too large");
  s.stream = std::move(stream);
  ReadMore(state);
}

}  // namespace

UpdateCheck::UpdateCheck(UpdateCheckRequest request, Done done, UpdateCheckLimits limits)
    : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.request = std::move(request);
  s.limits = limits;
  s.done = std::move(done);
  // The time limit holds the state only weakly: a check that ended lets the timer go.
  s.timer = g_timeout_add_seconds_full(
      G_PRIORITY_DEFAULT, limits.seconds,
      [](gpointer data) -> gboolean {
        if (const Holder state = static_cast<std::weak_ptr<State>*>(data)->lock()) {
          state->timer = 0;
          Finish(state, Outcome::kFailed, "no answer in time");
        }
        return G_SOURCE_REMOVE;
      },
      new std::weak_ptr<State>(state_),
      [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
  GObjectPtr<SoupMessage> message(soup_message_new("GET", s.request.address.c_str()));
  if (!message) {
    // Reported on the main loop, as every other outcome is, never from within the constructor.
    g_idle_add_full(
        G_PRIORITY_LOW,
        [](gpointer data) -> gboolean {
          if (const Holder state = static_cast<std::weak_ptr<State>*>(data)->lock())
            Finish(state, Outcome::kFailed, "not an address that can be fetched");
          return G_SOURCE_REMOVE;
        },
        new std::weak_ptr<State>(state_),
        [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
    return;
  }
  // Redirects are followed by the library (at most its own limit); the page's cookies and cache
  // are not the engine's, so nothing of the person's browsing goes with the request.
  s.session.reset(soup_session_new_with_options("timeout", limits.seconds, "idle-timeout",
                                                limits.seconds, "user-agent", "WebBrowser",
                                                nullptr));
  soup_session_send_async(s.session.get(), message.get(), G_PRIORITY_LOW, s.cancel.get(), &Sent,
                          Hold(state_));
}

UpdateCheck::~UpdateCheck() {
  state_->done = nullptr;
  if (!state_->finished) Stop(*state_);
}

}  // namespace wb
