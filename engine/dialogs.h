#pragma once
// The questions the engine asks the person: where to save a page or a download, and whether
// to leave a page that asks before it is left. These are the dialogs of the running program;
// tests put answers of their own in their place (see WebKitViewFactory).
#include <functional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
namespace Gtk {
class Window;
}

namespace wb {

// The window that `widget` is in, which a dialog about it belongs to; null when it is in none.
Gtk::Window* ToplevelOf(GtkWidget* widget);

// Where the user wants a page or a download saved. An empty path means the user cancelled.
struct SaveChoice {
  std::string path;
  bool htmlOnly = false;  // the page's HTML alone instead of a single-file web page (MHTML)
};

// The folder a save dialog opens in: the one this copy saved into last (kept in its settings
// over restarts) while it exists, else the user's download folder, else the home folder; never
// the folder the program was started from.
std::string SaveStartFolder();

// A file chooser for saving the page shown, as a single-file web page or its HTML only.
// `parent` may be null.
SaveChoice ChoosePageFile(Gtk::Window* parent, const std::string& suggestedName);

// A file chooser for a download, opened in SaveStartFolder(), without waiting for the
// answer: `answer(path)` comes once the person has chosen, with an empty path when they cancel
// or the window goes. `parent` may be null.
void ChooseDownloadFile(Gtk::Window* parent, const std::string& suggestedName,
                        std::function<void(const std::string& path)> answer);

// Closes every question and box of the program that is open (each as its window's close would:
// a file chooser cancelled, a message box dismissed, a leave question answered "stay"), so that
// a loop a box runs of its own returns, and refuses every question asked from then on: the
// program is ending and no one may be there to answer. For the end signals (logout, kill).
void CloseEveryQuestion();
// Whether CloseEveryQuestion has run: a question asked now is answered as if cancelled.
bool QuestionsClosed();

// A file chooser for the files a page's form uploads, without waiting for the answer:
// `answer(paths)` comes once the person has chosen, with no paths when they cancel. It opens in
// the folder files were last chosen from in this run, else in SaveStartFolder(), since an
// upload is most often something saved or downloaded a moment ago. `multiple` lets the person
// choose several files; `parent` may be null.
void ChooseUploadFiles(Gtk::Window* parent, bool multiple,
                       std::function<void(const std::vector<std::string>& paths)> answer);

// Asks whether to leave the page, without waiting for the answer: `answer(true)` leaves it,
// `answer(false)` stays. `parent` may be null.
void AskLeave(Gtk::Window* parent, const std::string& message,
              std::function<void(bool leave)> answer);

}  // namespace wb
