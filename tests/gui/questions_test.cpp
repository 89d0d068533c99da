// The program's questions and boxes as a person meets them: the upload chooser opens where
// files were chosen from last, and the end of the program closes every box that is open, a
// message box that runs a loop of its own included, and shows none after.
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/dialogs.h"
#include "shell/error_display.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

// The shown dialog titled `title`, or null.
GtkWidget* ShownDialog(const std::string& title) {
  GtkWidget* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) {
    const char* t = gtk_window_get_title(GTK_WINDOW(l->data));
    if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)) && t && t == title)
      found = GTK_WIDGET(l->data);
  }
  g_list_free(all);
  return found;
}

std::string CurrentFolder(GtkWidget* chooser) {
  gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
  std::string out = folder ? folder : "";
  g_free(folder);
  return out;
}

TEST(Questions, TheUploadChooserOpensWhereFilesWereChosenFromLast) {
  ASSERT_TRUE(kGtkmmReady);
  const std::string folder = TestRoot() + "/uploads";
  std::filesystem::create_directories(folder);
  const std::string file = folder + "/report.txt";
  std::ofstream(file) << "report";
  const char kTitle[] = "Choose Files to Upload";

  const struct {
    const char* what;
    std::string opensIn;
    bool choose;  // the person chooses the file, else cancels
  } steps[] = {
      {"the first time: where the copy saves", wb::SaveStartFolder(), true},
      {"then where the file was chosen from", folder, false},
      {"a cancel keeps that folder", folder, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    bool answered = false;
    std::vector<std::string> paths{"unanswered"};
    wb::ChooseUploadFiles(nullptr, true, [&](const std::vector<std::string>& p) {
      answered = true;
      paths = p;
    });
    GtkWidget* chooser = nullptr;
    ASSERT_TRUE(SpinUntil([&] { return (chooser = ShownDialog(kTitle)) != nullptr; }));
    ASSERT_TRUE(SpinUntil([&] { return CurrentFolder(chooser) == step.opensIn; }, 5000))
        << CurrentFolder(chooser);
    if (step.choose) {
      gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(chooser), file.c_str());
      ASSERT_TRUE(SpinUntil([&] {
        gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
        const bool ok = chosen && file == chosen;
        g_free(chosen);
        return ok;
      }));
    }
    gtk_dialog_response(GTK_DIALOG(chooser),
                        step.choose ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
    ASSERT_TRUE(SpinUntil([&] { return answered; }));
    EXPECT_EQ(paths, step.choose ? std::vector<std::string>{file} : std::vector<std::string>{});
    SpinUntil([&] { return ShownDialog(kTitle) == nullptr; });
  }
}

// The error box runs a loop of its own until the person dismisses it; the end of the program
// closes it, so that loop returns, and every box after it is not shown at all.
TEST(Questions, TheEndClosesEveryBoxAndShowsNoneAfter) {
  ASSERT_TRUE(kGtkmmReady);
  const std::string title = g_get_application_name() ? g_get_application_name() : "WebBrowser";
  int returned = 0;
  Glib::signal_idle().connect_once([&] {
    wb::ShowError(u"The settings cannot be written.");
    ++returned;
  });
  bool downloadAnswered = false;
  wb::ChooseDownloadFile(nullptr, "file.bin",
                         [&](const std::string& path) { downloadAnswered = path.empty(); });
  // The box's own loop runs the main loop's sources: the end comes from one of them, as the
  // end signal's does, once both boxes are up.
  bool ended = false;
  Glib::signal_timeout().connect(
      [&] {
        if (!ShownDialog(title) || !ShownDialog("Save Download")) return true;
        EXPECT_EQ(returned, 0);
        wb::CloseEveryQuestion();
        ended = true;
        return false;
      },
      20);
  EXPECT_TRUE(SpinUntil([&] { return ended; }));
  EXPECT_TRUE(SpinUntil([&] { return returned == 1; }, 2000));
  EXPECT_TRUE(downloadAnswered);
  // After the end, a box or question is answered at once, unseen.
  wb::ShowError(u"A second message.");
  bool left = false;
  wb::AskLeave(nullptr, "", [&](bool leave) { left = leave; });
  EXPECT_TRUE(left);
  std::vector<std::string> uploads{"unanswered"};
  wb::ChooseUploadFiles(nullptr, false, [&](const std::vector<std::string>& p) { uploads = p; });
  EXPECT_TRUE(uploads.empty());
  SpinIdle();
  EXPECT_EQ(ShownDialog(title), nullptr);
}

}  // namespace
}  // namespace wbtest
