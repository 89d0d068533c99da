#include "engine/download.h"

#include <glibmm/main.h>

#include <filesystem>
#include <string>
#include <utility>

#include "engine/dialogs.h"
#include "engine/web_view_webkit.h"
#include "support/catalog.h"
#include "support/file_name.h"

namespace wb {

Download::Download(WebKitDownload* download, Hooks hooks)
    : download_(RefObject(download)), hooks_(std::move(hooks)) {
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), this);
  g_signal_connect(download, "notify::estimated-progress", G_CALLBACK(OnProgress), this);
  g_signal_connect(download, "failed", G_CALLBACK(OnFailed), this);
  g_signal_connect(download, "finished", G_CALLBACK(OnFinished), this);
}

Download::~Download() {
  *alive_ = nullptr;
  g_signal_handlers_disconnect_by_data(download_.get(), this);
  if (running_) webkit_download_cancel(download_.get());
}

gboolean Download::OnDecideDestination(WebKitDownload*, gchar* suggested, gpointer data) {
  auto* self = static_cast<Download*>(data);
  // The suggestion comes from the server: a plain name, which the folder chosen holds. The
  // engine waits for the destination until it is set or the download cancelled.
  const std::string name = SafeFileName(suggested ? suggested : "");
  self->hooks_.chooseFile(
      name, [alive = std::weak_ptr<Download*>(self->alive_)](const std::string& path) {
        if (const std::shared_ptr<Download*> download = alive.lock(); download && *download)
          (*download)->Destination(path);
      });
  return TRUE;
}

void Download::Destination(const std::string& path) {
  if (!running_ || file_ || declined_) return;
  WebKitDownload* download = download_.get();
  if (path.empty()) {
    declined_ = true;
    webkit_download_cancel(download);
    return;
  }
  try {
    file_ = std::make_unique<FileReplacement>(path);
  } catch (const std::exception& e) {
    declined_ = true;
    webkit_download_cancel(download);
    hooks_.showError(FromUtf8(e.what()));
    return;
  }
  name_ = std::filesystem::path(path).filename().string();
  GPtr<gchar> uri(g_filename_to_uri(file_->TemporaryPath().c_str(), nullptr, nullptr));
  webkit_download_set_allow_overwrite(download, TRUE);
  webkit_download_set_destination(download, uri.get());
  hooks_.status("Download: " + name_);
}

void Download::OnProgress(WebKitDownload* download, GParamSpec*, gpointer data) {
  auto* self = static_cast<Download*>(data);
  if (!self->file_) return;
  const int percent = static_cast<int>(webkit_download_get_estimated_progress(download) * 100.0);
  self->hooks_.status("Download: " + self->name_ + " (" + std::to_string(percent) + "%)");
}

void Download::OnFailed(WebKitDownload*, GError* error, gpointer data) {
  auto* self = static_cast<Download*>(data);
  self->failed_ = true;
  const bool chosen = self->file_ != nullptr;
  self->file_.reset();  // what was written so far goes
  if (self->declined_ ||
      g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
    if (chosen) self->hooks_.status(Format(Tr("Download cancelled: {1}"), {self->name_}));
    return;
  }
  self->hooks_.status(Format(Tr("Download failed: {1}"), {self->name_}));
  self->hooks_.showError(
      FromUtf8(Format(Tr("The download of {1} failed: {2}"), {self->name_, MessageOf(error)})));
}

void Download::OnFinished(WebKitDownload*, gpointer data) {
  auto* self = static_cast<Download*>(data);
  self->running_ = false;
  if (!self->failed_ && self->file_) {
    try {
      self->file_->Commit();
      self->hooks_.status(Format(Tr("Download complete: {1}"), {self->file_->TargetPath()}));
    } catch (const std::exception& e) {
      self->hooks_.status(Format(Tr("Download failed: {1}"), {self->name_}));
      self->hooks_.showError(FromUtf8(e.what()));
    }
  }
  self->hooks_.ended(*self);
}

PageDownloads::PageDownloads(WebKitWebView* view, const WebKitViewFactory& factory,
                             std::function<void(const std::string& status)> status)
    : view_(view), factory_(factory), status_(std::move(status)) {
  g_signal_connect(webkit_web_view_get_context(view), "download-started", G_CALLBACK(OnStarted),
                   this);
}

PageDownloads::~PageDownloads() {
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_context(view_), this);
  downloads_.clear();
}

void PageDownloads::OnStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
  auto* self = static_cast<PageDownloads*>(data);
  if (webkit_download_get_web_view(download) != self->view_) return;
  Download::Hooks hooks;
  hooks.chooseFile = [self](const std::string& name,
                            std::function<void(const std::string&)> answer) {
    if (self->asking_) {
      self->status_(
          Format(Tr("Download refused: {1} (another download is waiting for its folder)"), {name}));
      // Refused from the main loop: cancelled inside the engine's question, the download could
      // end and go while the engine still asks.
      Glib::signal_idle().connect_once([answer = std::move(answer)] { answer({}); });
      return;
    }
    self->asking_ = true;
    // The answer finds this view's downloads gone when the view has gone first.
    self->factory_.chooseDownloadFile(ToplevelOf(GTK_WIDGET(self->view_)), name,
                                      [self, alive = std::weak_ptr<bool>(self->alive_),
                                       answer = std::move(answer)](const std::string& path) {
                                        if (const auto present = alive.lock())
                                          self->asking_ = false;
                                        answer(path);
                                      });
  };
  hooks.status = [self](const std::string& text) { self->status_(text); };
  hooks.showError = self->factory_.showError;
  hooks.ended = [self](Download& ended) {
    self->downloads_.remove_if(
        [&ended](const std::unique_ptr<Download>& d) { return d.get() == &ended; });
  };
  self->downloads_.push_back(std::make_unique<Download>(download, std::move(hooks)));
}

}  // namespace wb
