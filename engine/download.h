#pragma once
// One download of a web view, from the question where to save it to its end. It writes to a
// hidden temporary file beside the chosen one and puts it in place only when the transfer has
// completed, so the chosen name holds either the whole file or nothing.
#include <webkit2/webkit2.h>

#include <functional>
#include <list>
#include <memory>
#include <string>

#include "platform/glib_ptr.h"
#include "storage/atomic_file.h"
#include "support/text.h"

namespace wb {

class Download {
 public:
  // What a download needs from the view that started it.
  struct Hooks {
    // Asks where to save the file; `suggestedName` is a plain file name. The answer may come
    // later, and reaches the download only while it exists; an empty answer declines it.
    std::function<void(const std::string& suggestedName,
                       std::function<void(const std::string& path)> answer)>
        chooseFile;
    // The download's progress and end, as the status bar shows them.
    std::function<void(const std::string& status)> status;
    // A failure the user is told of in a message.
    std::function<void(const Text& message)> showError;
    // The download has ended: complete, failed or declined. The owner destroys it here.
    std::function<void(Download& download)> ended;
  };

  // Follows `download` (it takes a reference of its own) from the engine's first question.
  Download(WebKitDownload* download, Hooks hooks);
  // Cancels a download still running and removes what it wrote so far.
  ~Download();
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

 private:
  static gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer data);
  // The person's answer to the question where to save it.
  void Destination(const std::string& path);
  static void OnProgress(WebKitDownload* download, GParamSpec*, gpointer data);
  static void OnFailed(WebKitDownload*, GError* error, gpointer data);
  static void OnFinished(WebKitDownload*, gpointer data);

  GObjectPtr<WebKitDownload> download_;
  Hooks hooks_;
  std::unique_ptr<FileReplacement> file_;  // the chosen file, until the download is in place
  std::string name_;                       // the chosen file's name, for the status bar
  bool running_ = true;                    // until the engine says the download has ended
  bool failed_ = false;
  bool declined_ = false;  // the user chose no file, or none could be made there
  // Cleared when the download goes, so an answer that comes later reaches nothing.
  std::shared_ptr<Download*> alive_ = std::make_shared<Download*>(this);
};

class WebKitViewFactory;

// The downloads of one view. The engine's context is shared by related views, so each view
// takes only those it started; those still running when the view goes are cancelled. One
// question where to save a download is open at a time: a page that starts downloads in a loop
// gets the others refused, with a line in the status bar.
class PageDownloads {
 public:
  // `view` and `factory` (its questions and error display) must outlive this; `status` is the
  // view's status text.
  PageDownloads(WebKitWebView* view, const WebKitViewFactory& factory,
                std::function<void(const std::string& status)> status);
  ~PageDownloads();
  PageDownloads(const PageDownloads&) = delete;
  PageDownloads& operator=(const PageDownloads&) = delete;

 private:
  static void OnStarted(WebKitWebContext*, WebKitDownload* download, gpointer data);

  WebKitWebView* view_;
  const WebKitViewFactory& factory_;
  std::function<void(const std::string&)> status_;
  std::list<std::unique_ptr<Download>> downloads_;
  bool asking_ = false;  // a download's question where to save it is open
  // Cleared when the view's downloads go, so a late answer finds them gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace wb
