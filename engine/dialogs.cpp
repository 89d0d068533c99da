#include "engine/dialogs.h"

#include <glib.h>
#include <glibmm/main.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/window.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "storage/copy_store.h"
#include "support/catalog.h"
#include "support/text.h"

namespace wb {

namespace {

// The folder the last file was saved into by a save dialog of this copy, kept in its settings
// (CopyKey::kFolders, value "Save") so that the next day's first save opens there too. The
// dialogs are the engine's own, reached from engine callbacks, so they keep it in the settings
// store directly rather than through a window's store.
const Text kSaveFolderName = u"Save";

std::string LastSaveFolder() {
  return ToUtf8(SettingsCopyStore().Read(CopyKey::kFolders, kSaveFolderName));
}

void RememberSaveFolder(const std::string& path) {
  if (path.empty()) return;
  // A folder that cannot be remembered still has the file; the next question starts elsewhere.
  const SettingsResult stored =
      SettingsCopyStore().Write(CopyKey::kFolders, kSaveFolderName,
                                FromUtf8(std::filesystem::path(path).parent_path().string()));
  if (!stored.ok()) {
    std::fprintf(stderr, "%s: the folder could not be remembered: %s\n", g_get_prgname(),
                 stored.Message().c_str());
  }
}

// The folder files were last chosen from for an upload, for this run only: where a person
// uploads from is seldom worth keeping over days, unlike where they save.
std::string& LastUploadFolder() {
  static std::string folder;
  return folder;
}

bool& Closed() {
  static bool closed = false;
  return closed;
}

}  // namespace

void CloseEveryQuestion() {
  Closed() = true;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) g_object_ref(l->data);
  for (GList* l = all; l; l = l->next) {
    // A response ends the loop of a dialog that runs one (Gtk::Dialog::run) and reaches the
    // handler of one that does not, as the window's close button would.
    if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
      gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_DELETE_EVENT);
    g_object_unref(l->data);
  }
  g_list_free(all);
}

bool QuestionsClosed() {
  return Closed();
}

std::string SaveStartFolder() {
  std::error_code error;
  const std::string last = LastSaveFolder();
  if (!last.empty() && std::filesystem::is_directory(last, error)) return last;
  const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (downloads && std::filesystem::is_directory(downloads, error)) return downloads;
  return g_get_home_dir();
}

Gtk::Window* ToplevelOf(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (!top || !gtk_widget_is_toplevel(top) || !GTK_IS_WINDOW(top)) return nullptr;
  return Glib::wrap(GTK_WINDOW(top));
}

SaveChoice ChoosePageFile(Gtk::Window* parent, const std::string& suggestedName) {
  if (QuestionsClosed()) return {};
  Gtk::FileChooserDialog dialog(Tr("Save Page"), Gtk::FILE_CHOOSER_ACTION_SAVE);
  if (parent) dialog.set_transient_for(*parent);
  dialog.add_button(Tr("_Cancel"), Gtk::RESPONSE_CANCEL);
  dialog.add_button(Tr("_Save"), Gtk::RESPONSE_ACCEPT);
  dialog.set_default_response(Gtk::RESPONSE_ACCEPT);
  dialog.set_do_overwrite_confirmation(true);
  auto mhtml = Gtk::FileFilter::create();
  mhtml->set_name(Tr("Web page, single file (*.mhtml)"));
  mhtml->add_pattern("*.mhtml");
  mhtml->add_pattern("*.mht");
  auto html = Gtk::FileFilter::create();
  html->set_name(Tr("Web page, HTML only (*.html)"));
  html->add_pattern("*.html");
  html->add_pattern("*.htm");
  dialog.add_filter(mhtml);
  dialog.add_filter(html);
  dialog.set_filter(mhtml);
  dialog.set_current_folder(SaveStartFolder());
  dialog.set_current_name(suggestedName);
  SaveChoice choice;
  if (dialog.run() == Gtk::RESPONSE_ACCEPT) {
    choice.path = dialog.get_filename();
    choice.htmlOnly = dialog.get_filter() == html;
    RememberSaveFolder(choice.path);
  }
  return choice;
}

void ChooseDownloadFile(Gtk::Window* parent, const std::string& suggestedName,
                        std::function<void(const std::string& path)> answer) {
  if (QuestionsClosed()) {
    answer({});
    return;
  }
  // Not run in a loop of its own: the engine asks from a callback of its own, which a nested
  // main loop would leave open while pages, windows and the download itself go on and end.
  auto* dialog = new Gtk::FileChooserDialog(Tr("Save Download"), Gtk::FILE_CHOOSER_ACTION_SAVE);
  if (parent) {
    dialog->set_transient_for(*parent);
    dialog->set_modal(true);
  }
  dialog->add_button(Tr("_Cancel"), Gtk::RESPONSE_CANCEL);
  dialog->add_button(Tr("_Save"), Gtk::RESPONSE_ACCEPT);
  dialog->set_default_response(Gtk::RESPONSE_ACCEPT);
  dialog->set_do_overwrite_confirmation(true);
  dialog->set_current_folder(SaveStartFolder());
  dialog->set_current_name(suggestedName);
  auto answered = std::make_shared<std::function<void(const std::string&)>>(std::move(answer));
  dialog->signal_response().connect([dialog, answered](int response) {
    const std::string path =
        response == Gtk::RESPONSE_ACCEPT ? std::string(dialog->get_filename()) : std::string();
    dialog->hide();
    RememberSaveFolder(path);
    if (auto give = std::exchange(*answered, nullptr)) give(path);
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->show();
}

void ChooseUploadFiles(Gtk::Window* parent, bool multiple,
                       std::function<void(const std::vector<std::string>& paths)> answer) {
  if (QuestionsClosed()) {
    answer({});
    return;
  }
  // Not run in a loop of its own, as the download's question (above).
  auto* dialog =
      new Gtk::FileChooserDialog("Choose Files to Upload", Gtk::FILE_CHOOSER_ACTION_OPEN);
  if (parent) {
    dialog->set_transient_for(*parent);
    dialog->set_modal(true);
  }
  dialog->add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog->add_button("_Open", Gtk::RESPONSE_ACCEPT);
  dialog->set_default_response(Gtk::RESPONSE_ACCEPT);
  dialog->set_select_multiple(multiple);
  std::error_code error;
  const std::string last = LastUploadFolder();
  dialog->set_current_folder(
      !last.empty() && std::filesystem::is_directory(last, error) ? last : SaveStartFolder());
  dialog->signal_response().connect([dialog, answer = std::move(answer)](int response) {
    std::vector<std::string> paths;
    if (response == Gtk::RESPONSE_ACCEPT) paths = dialog->get_filenames();
    dialog->hide();
    if (!paths.empty())
      LastUploadFolder() = std::filesystem::path(paths.front()).parent_path().string();
    answer(paths);
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->show();
}

void AskLeave(Gtk::Window* parent, const std::string&, std::function<void(bool leave)> answer) {
  // The program is ending: the page goes with it, unasked.
  if (QuestionsClosed()) {
    answer(true);
    return;
  }
  // Pages cannot choose the words of this question any more than in a browser, since they
  // used it to keep people on them; the page's own text is not shown.
  auto* dialog = new Gtk::MessageDialog(Tr("Leave this page?"), false, Gtk::MESSAGE_QUESTION,
                                        Gtk::BUTTONS_NONE, true);
  dialog->set_secondary_text(Tr("Changes you made may not be saved."));
  // Named, so that the person's task bar, and the tests, can tell it from its window.
  dialog->set_title(Tr("Leave this page?"));
  if (parent) dialog->set_transient_for(*parent);
  dialog->add_button(Tr("_Stay on Page"), Gtk::RESPONSE_CANCEL);
  dialog->add_button(Tr("_Leave Page"), Gtk::RESPONSE_ACCEPT);
  dialog->set_default_response(Gtk::RESPONSE_CANCEL);
  dialog->signal_response().connect([dialog, answer = std::move(answer)](int response) {
    answer(response == Gtk::RESPONSE_ACCEPT);
    Glib::signal_idle().connect_once([dialog] { delete dialog; });
  });
  dialog->show();
}

}  // namespace wb
