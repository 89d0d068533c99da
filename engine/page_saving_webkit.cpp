#include "engine/page_saving_webkit.h"

#include <gtkmm/window.h>

#include <memory>
#include <stdexcept>

#include "engine/web_view_webkit.h"
#include "storage/atomic_file.h"
#include "support/file_name.h"

namespace wb {

PageSaving::PageSaving(WebKitWebView* view, const WebKitViewFactory& factory)
    : view_(view), factory_(factory) {}

PageSaving::~PageSaving() {
  g_cancellable_cancel(cancel_.get());
  for (const auto& op : prints_) g_signal_handlers_disconnect_by_data(op.get(), this);
}

void PageSaving::Save() {
  const char* current = webkit_web_view_get_uri(view_);
  if (!current || !*current) throw std::runtime_error("There is no page to save.");
  const SaveChoice choice =
      factory_.choosePageFile(ToplevelOf(GTK_WIDGET(view_)), PageFileName(current, ".mhtml"));
  if (choice.path.empty()) return;
  if (choice.htmlOnly)
    SaveHtml(choice.path);
  else
    SaveMhtml(choice.path);
}

namespace {

// A save in progress. It keeps its own copy of the error display, since the answer may come
// after the view has gone.
struct SaveJob {
  std::function<void(const Text&)> showError;
  std::string path;
  std::unique_ptr<FileReplacement> file;  // the single-file page, until it is in place
};

void OnMhtmlSaved(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(data));
  GPtr<GError> error;
  if (!webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(source), result, OutPtr(error))) {
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
    job->showError(Ascii("The page could not be saved: ") + FromUtf8(MessageOf(error.get())));
    return;
  }
  try {
    job->file->Commit();
  } catch (const std::exception& e) {
    job->showError(FromUtf8(e.what()));
  }
}

void OnHtmlData(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(data));
  GPtr<GError> error;
  gsize length = 0;
  GPtr<guchar> bytes(webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result,
                                                         &length, OutPtr(error)));
  if (!bytes) {
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
    job->showError(Ascii("The page could not be saved: ") + FromUtf8(MessageOf(error.get())));
    return;
  }
  try {
    WriteFileAtomically(job->path,
                        std::string_view(reinterpret_cast<const char*>(bytes.get()), length));
  } catch (const std::exception& e) {
    job->showError(Ascii("The page could not be saved: ") + FromUtf8(e.what()));
  }
}

}  // namespace

void PageSaving::SaveMhtml(const std::string& path) {
  auto job = std::make_unique<SaveJob>(
      SaveJob{factory_.showError, path, std::make_unique<FileReplacement>(path)});
  GObjectPtr<GFile> file(g_file_new_for_path(job->file->TemporaryPath().c_str()));
  webkit_web_view_save_to_file(view_, file.get(), WEBKIT_SAVE_MODE_MHTML, cancel_.get(),
                               OnMhtmlSaved, job.release());
}

void PageSaving::SaveHtml(const std::string& path) {
  WebKitWebResource* resource = webkit_web_view_get_main_resource(view_);
  if (!resource) throw std::runtime_error("There is no page to save.");
  auto job = std::make_unique<SaveJob>(SaveJob{factory_.showError, path, nullptr});
  webkit_web_resource_get_data(resource, cancel_.get(), OnHtmlData, job.release());
}

void PageSaving::Print() {
  WebKitPrintOperation* op = webkit_print_operation_new(view_);
  prints_.emplace_back(op);
  g_signal_connect(op, "failed", G_CALLBACK(OnPrintFailed), this);
  g_signal_connect(op, "finished", G_CALLBACK(OnPrintFinished), this);
  Gtk::Window* parent = ToplevelOf(GTK_WIDGET(view_));
  if (webkit_print_operation_run_dialog(op, parent ? parent->gobj() : nullptr) ==
      WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
    ForgetPrint(op);
  }
}

void PageSaving::ForgetPrint(WebKitPrintOperation* op) {
  g_signal_handlers_disconnect_by_data(op, this);
  prints_.remove_if([op](const GObjectPtr<WebKitPrintOperation>& p) { return p.get() == op; });
}

void PageSaving::OnPrintFailed(WebKitPrintOperation*, GError* error, gpointer data) {
  static_cast<PageSaving*>(data)->factory_.showError(Ascii("The page could not be printed: ") +
                                                     FromUtf8(MessageOf(error)));
}

void PageSaving::OnPrintFinished(WebKitPrintOperation* op, gpointer data) {
  static_cast<PageSaving*>(data)->ForgetPrint(op);
}

}  // namespace wb
