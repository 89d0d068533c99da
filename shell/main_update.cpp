// The main window's look at the maker's notice of a newer version, for a portable copy that
// carries the key "update" and the maker's public key (support/update_notice.h): once the
// first page has loaded, at most once a day, asynchronously. A newer version shows at the end
// of the status bar as a link to the maker's download page; a notice whose signature is not the
// maker's is ignored with a line in the status bar. Nothing is downloaded or run.
#include <glib.h>
#include <glibmm/main.h>

#include <charconv>
#include <cstdint>
#include <string>

#include "platform/copy_name.h"
#include "shell/web_main.h"
#include "support/catalog.h"

namespace wb {

void TWebMain::BuildUpdateLink() {
  updateLink.set_name("updateLink");
  updateLink.set_no_show_all(true);
  updateLink.set_relief(Gtk::RELIEF_NONE);
  updateLink.signal_activate_link().connect(
      [this] {
        // The person's default browser opens the page, as every other address of the maker.
        if (services_.openExternal) services_.openExternal(FromUtf8(updateLink.get_uri().raw()));
        return true;
      },
      false);
  StatusBar.pack_end(updateLink, Gtk::PACK_SHRINK);
}

void TWebMain::PageLoaded() {
  if (updateCheckAsked_) return;
  // After the page's own work of this turn of the main loop, never within it.
  updateTimer_.disconnect();
  updateTimer_ = Glib::signal_idle().connect(
      [this] {
        StartUpdateCheck();
        return false;
      },
      Glib::PRIORITY_LOW);
}

void TWebMain::StartUpdateCheck() {
  if (updateCheckAsked_) return;
  updateCheckAsked_ = true;
  updateTimer_.disconnect();
  const WindowConfig& config = Model().Config();
  // Without the maker's key nothing is fetched: an unsigned answer could not be told from
  // anyone else's.
  if (config.update.empty() || config.updateKey.empty()) return;
  const std::int64_t now = g_get_real_time() / G_USEC_PER_SEC;
  const Text last = Store().Read(CopyKey::kUpdate, u"Checked");
  std::int64_t lastTime = 0;
  const std::string lastText = ToUtf8(last);
  std::from_chars(lastText.data(), lastText.data() + lastText.size(), lastTime);
  if (!UpdateCheckDue(lastTime, now)) return;
  // The time is kept before the look, so that a server that never answers is asked once a
  // day too, not at every start. A store that refuses it has said so once already (the
  // reporting store), and the look goes ahead.
  (void)Store().Write(CopyKey::kUpdate, u"Checked", FromUtf8(std::to_string(now)));
  UpdateCheckRequest request{ToUtf8(config.update), config.updateKey, OwnAppName(),
                             ToUtf8(config.version)};
  updateCheck_ = std::make_unique<UpdateCheck>(
      std::move(request), [this](const UpdateCheckResult& result) { UpdateCheckDone(result); },
      mainServices_.updateLimits);
}

void TWebMain::UpdateCheckDone(const UpdateCheckResult& result) {
  using Outcome = UpdateCheckResult::Outcome;
  if (result.outcome == Outcome::kNewer) {
    updateLink.set_label(Format(Tr("Version {1} is available"), {result.notice.version}));
    updateLink.set_uri(result.notice.page);
    updateLink.set_tooltip_text(result.notice.page);
    updateLink.show();
  } else if (result.outcome == Outcome::kUnverified) {
    SetStatus(FromUtf8(
        Tr("The notice of a newer version was ignored: its signature is not the maker's.")));
  } else if (result.outcome == Outcome::kFailed) {
    g_message("update notice: %s", result.detail.c_str());
  }
  // The check called this with its outcome handed over; it may go now.
  updateCheck_.reset();
}

}  // namespace wb
