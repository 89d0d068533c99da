#include "engine/download.h"

#include <filesystem>
#include <string>
#include <utility>

#include "engine/dialogs.h"
#include "engine/web_view_webkit.h"
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
  g_signal_handlers_disconnect_by_data(download_.get(), this);
  if (running_) webkit_download_cancel(download_.get());
}

gboolean Download::OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer data) {
  auto* self = static_cast<Download*>(data);
  // The suggestion comes from the server: a plain name, which the folder chosen holds.
  const std::string name = SafeFileName(suggested ? suggested : "");
  const std::string path = self->hooks_.chooseFile(name);
  if (path.empty()) {
    self->declined_ = true;
    webkit_download_cancel(download);
    return TRUE;
  }
  try {
    self->file_ = std::make_unique<FileReplacement>(path);
  } catch (const std::exception& e) {
    self->declined_ = true;
    webkit_download_cancel(download);
    self->hooks_.showError(FromUtf8(e.what()));
    return TRUE;
  }
  self->name_ = std::filesystem::path(path).filename().string();
  GPtr<gchar> uri(g_filename_to_uri(self->file_->TemporaryPath().c_str(), nullptr, nullptr));
  webkit_download_set_allow_overwrite(download, TRUE);
  webkit_download_set_destination(download, uri.get());
  self->hooks_.status("Download: " + self->name_);
  return TRUE;
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
    if (chosen) self->hooks_.status("Download cancelled: " + self->name_);
    return;
  }
  self->hooks_.status("Download failed: " + self->name_);
  self->hooks_.showError(Ascii("The download of ") + FromUtf8(self->name_) + Ascii(" failed: ") +
                         FromUtf8(MessageOf(error)));
}

void Download::OnFinished(WebKitDownload*, gpointer data) {
  auto* self = static_cast<Download*>(data);
  self->running_ = false;
  if (!self->failed_ && self->file_) {
    try {
      self->file_->Commit();
      self->hooks_.status("Download complete: " + self->file_->TargetPath());
    } catch (const std::exception& e) {
      self->hooks_.status("Download failed: " + self->name_);
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
  hooks.chooseFile = [self](const std::string& name) {
    return self->factory_.chooseDownloadFile(ToplevelOf(GTK_WIDGET(self->view_)), name);
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
